// unload.h - the unload loop.
#ifndef LODRUN_UNLOAD_UNLOAD_H
#define LODRUN_UNLOAD_UNLOAD_H

struct OutputRecord;  // writer.h

// Opens the cursor, writes the Excel heading, fetches and writes every row
// within the rows limit, closes the cursor, all in the run's record format
// (recordFormat). Every failure ends the run.
void unloadRows();

// The fetched row as one fixed-size or delimited record (build*Record, then
// writeRecordLine). A record that failed counts once against errors and, at
// the limit, ends the run unwritten; below it the record is written as far
// as it was built.
void writeFixedRow(OutputRecord *out);
void writeDelimitedRow(OutputRecord *out);

#endif  // LODRUN_UNLOAD_UNLOAD_H
