// fieldtable.h - the run's field table (job.fieldTable): its allocation, and
// its index by delimited position (job.fieldPositions).
#ifndef LODRUN_LAYOUT_FIELDTABLE_H
#define LODRUN_LAYOUT_FIELDTABLE_H

// When fieldCount is not positive: sets it to sqlVariableCount +
// extraFieldCount and allocates fieldTable with that many zero-filled
// entries ("field params"). Otherwise does nothing.
void ensureFieldTable();

// Indexes the completed field table by delimited position, once per run,
// after validateLayout and before the first putDelimitedRecord, and locates
// the input variable of every entry bound to one. Returns the
// highest position of an entry bound to an SQL variable: the number of
// fields a delimited record is expected to carry.
int prepareRecordFields();

// The entries fed by delimited field `position` (indexes into fieldTable,
// in table order) and their *count; none beyond the highest position. Needs
// prepareRecordFields; valid for the rest of the run.
const int *positionEntries(int position, int *count);

#endif  // LODRUN_LAYOUT_FIELDTABLE_H
