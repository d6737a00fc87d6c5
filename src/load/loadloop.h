// loadloop.h - the record loop of a load and its rejected records.
#ifndef LODRUN_LOAD_LOADLOOP_H
#define LODRUN_LOAD_LOADLOOP_H

#include "job/loadrecord.h"

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

// Rejects `record` through writeRejectedRecord (rejects/discards.h): its
// text (a CSV record's raw text, quotes and all; a line too long for the
// buffer with its rest), its number and its reason.
void discardRecord(const LoadRecord &record);

// Executes job.queryRecord once with the values in its input variables,
// those of `record` (also when a batch re-runs its stored records one by
// one). Returns true when the record was executed; a refusal is reported
// ("execute prepared", after dblib's status report) and ends the run through
// abortRunAt the record, so false is left for a refusal that rejects the
// record only.
bool executeRecord(const LoadRecord &record);

#endif  // LODRUN_LOAD_LOADLOOP_H
