// validate.h - one-time validation of the layout against the prepared
// statement, binding of every external field to its SQL variable, and the
// opening of the data file.
#ifndef LODRUN_LAYOUT_VALIDATE_H
#define LODRUN_LAYOUT_VALIDATE_H

// Needs the essential settings (reportMissingEssentials, essentials.h) and
// the run's record format (useRecordFormat, job/recordformat.h).
// Returns only when the layout is good; otherwise reports and ends the run
// through abortRun. On return the session is open (openSession), every SQL
// variable has one fieldTable entry completed with its type and size,
// delimited entries have their ordinals, job.blobFieldCount is counted, and
// job.dataStream is open (the data file, read past a byte-order mark for a
// load, or created for an unload; or the command stream after STARTDATA).
// Fixed-size output: job.outputWidth is lrecl, or, with job.recordLength set
// to -1, one byte beyond the furthest field; the record (and its line end
// when it has no lrecl) fits kBufferSize. Fixed-size input with lrecl: every
// field lies inside the record. May allocate fieldTable and resolve
// job.sqlVariableCount ("?").
void validateLayout();

// Binds SQL variable `sqlField` (1-based) of job.queryRecord (input side for
// a load, output side for an unload) to its fieldTable entry: the entry of
// its brace group, or in delimited records the first entry nothing has
// claimed. A delimited entry without a position gets the smallest ordinal
// above *lastPosition that no entry uses, and *lastPosition becomes it.
// Sets the entry's sqlType (without the nullable bit), sqlSize (8 for a
// blob), externalType (100 when unset) and a blob form. Ends the run on
// error.
void mapSqlVariable(int sqlField, int *lastPosition);

#endif  // LODRUN_LAYOUT_VALIDATE_H
