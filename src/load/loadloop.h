// loadloop.h - the record loop of a load and its rejected records.
#ifndef LODRUN_LOAD_LOADLOOP_H
#define LODRUN_LOAD_LOADLOOP_H

// Reads, converts and executes every record, in the run's record format
// (recordFormat, chosen before validation), with the statement, session and
// data stream that validateLayout left in `job`, `batch` records per
// execution (batch.h); restarts the transaction (commit retaining) after
// every executed record whose number is a multiple of `trans`. A rejected
// record goes to discardRecord. Returns at the end of the input or at the
// rows limit, with the discards and reasons files flushed and the progress
// line finished; a refused execute (unless db_errors=reject makes it a
// rejected record, refusal.h), a failed restart or a discards write error
// ends the run.
void loadRecords();

// Rejects the record just read (`length` bytes as read) through
// writeRejectedRecord (rejects/discards.h) as the format's rawText gives it
// (job.inputBuffer; a CSV record's raw text, quotes and all); a record re-run
// from a refused batch as it was stored.
void discardRecord(int length);

// Executes job.queryRecord once with the values in its input variables;
// job.inputBuffer and job.recordCount are those of the record they came
// from (also when a batch re-runs its records one by one). Returns true when
// the record was executed; a refusal is reported ("execute prepared", after
// dblib's status report) and ends the run through abortRun, so false is
// left for a refusal that rejects the record only.
bool executeRecord();

#endif  // LODRUN_LOAD_LOADLOOP_H
