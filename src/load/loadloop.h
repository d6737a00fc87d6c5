// loadloop.h - the record loop of a load and the discards.
#ifndef LODRUN_LOAD_LOADLOOP_H
#define LODRUN_LOAD_LOADLOOP_H

// Reads, converts and executes every record with the statement, session and
// data stream that validateLayout left in `job`; restarts the transaction
// (commit retaining) after every record whose number is a multiple of
// `trans`. A rejected record goes to discardRecord. Returns at the end of the
// input or at the rows limit, with the discards file flushed; a refused
// execute, a failed restart or a discards write error ends the run.
void loadRecords();

// Writes the rejected record in job.inputBuffer (`length` bytes) to the
// discards file (fixed-size records: their job.recordLength bytes as read;
// lines: the text and lineEnd) or, without one, the text and lineEnd to
// standard output; in CSV mode the record's raw text (csvRecordText) instead,
// `length` ignored. Counts it in job.rejectedCount and ends the run
// (abortRun) when that reaches job.maxErrors, or when the write fails.
void discardRecord(int length);

#endif  // LODRUN_LOAD_LOADLOOP_H
