// batch.h - a load's records executed B at a time through one EXECUTE BLOCK.
//
// Records that pass conversion wait in the slots of a block prepared from the
// run's statement and execute together when B have gathered, before every
// restart point, before a rejected record is reported, at the end of the
// input and before the run stops. Nothing but the speed shows: a block that
// fails is re-run record by record (its failure left nothing behind), which
// reports the failing record exactly as its own execution does; and what
// records write while earlier ones wait is held until those have executed.
#ifndef LODRUN_LOAD_BATCH_H
#define LODRUN_LOAD_BATCH_H

#include "job/runstate.h"  // kMaxBatchSize

// Records per execution when the `batch` keyword is not given: for a
// database this process attaches itself, and for one reached through a
// server, where every execution is also a round trip.
constexpr int kDefaultBatchSize = 32;
constexpr int kDefaultRemoteBatchSize = 128;

// Prepares the block for job.queryRecord (openSession done) with B from
// job.batchSize (0: kDefaultBatchSize, or kDefaultRemoteBatchSize when
// job.dbName names a server's database), fewer when the statement's text or
// input message would pass Firebird's limits. A statement that cannot be
// wrapped (outputs, markers that are not plain '?', a type a block parameter
// cannot declare, a block the database refuses) goes record by record,
// silently. Writes nothing.
void openBatch();

// The record just read (`length` bytes as the format's read gave them) was
// converted into job.queryRecord's
// input variables: its values, and its text as the format's rawText gives it,
// are moved into the next slot (executed at once
// when the run goes record by record), and the slots execute when full.
// Returns when executed or gathered; a failing record ends the run
// (executeRecord).
void submitRecord(int length);

// Executes the gathered records in order and releases what was held behind
// them; on failure of the block, runs them one by one. Returns when all have
// executed; the first one refused ends the run as executeRecord does, with
// job.recordCount at its own number. Nothing gathered: nothing happens.
void flushBatch();

// While a refused block's records run one by one: the record being run as
// discardRecord writes it (as the format's rawText gave it: the raw CSV
// record in CSV mode), its length, and true. Otherwise false, *text and *length as they
// were. The text lives until the next submitRecord.
bool rerunRecord(const char **text, int *length);

#endif  // LODRUN_LOAD_BATCH_H
