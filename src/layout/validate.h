// validate.h - one-time validation of the layout against the prepared
// statement, binding of every external field to its SQL variable, and the
// opening of the data file.
#ifndef LODRUN_LAYOUT_VALIDATE_H
#define LODRUN_LAYOUT_VALIDATE_H

// Returns only when the layout is good, the session is open and the data
// stream is open; otherwise reports and ends the run through abortRun.
void validateLayout();

// Binds SQL variable `sqlField` (1-based) to its FieldSpec entry; in
// delimited records assigns the next free ordinal above *lastPosition.
// Ends the run on error.
void mapSqlVariable(int sqlField, int *lastPosition);

#endif  // LODRUN_LAYOUT_VALIDATE_H
