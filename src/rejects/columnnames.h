// columnnames.h - which column a load's parameter feeds, read from the
// statement text (Firebird describes input parameters without names).
#ifndef LODRUN_REJECTS_COLUMNNAMES_H
#define LODRUN_REJECTS_COLUMNNAMES_H

#include <string>

// The column that parameter `number` (1-based, counting the '?' outside
// quotes) of `sqlText` goes to: the column listed at the same place as a
// value that is that '?' alone in INSERT ... (columns) VALUES (values) (also
// UPDATE OR INSERT), or the column of a SET item "column = ?" of an UPDATE.
// Empty when the text does not say (an expression, a WHERE parameter, a
// procedure's argument). The name is given as written.
std::string parameterColumnName(const char *sqlText, int number);

#endif  // LODRUN_REJECTS_COLUMNNAMES_H
