// formats.h - the three record formats (fixed, delimited, CSV) and the one
// choice among them.
#ifndef LODRUN_FORMAT_FORMATS_H
#define LODRUN_FORMAT_FORMATS_H

#include "job/recordformat.h"

// Picks the run's format from its settings, once they are all read (CSV
// mode, else a separator: delimited, else fixed), makes it the run's
// (useRecordFormat) and returns it. Called before the essentials are checked
// (layout/essentials.h) and the layout is validated.
const RecordFormat &chooseRecordFormat();

#endif  // LODRUN_FORMAT_FORMATS_H
