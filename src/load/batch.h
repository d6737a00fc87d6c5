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

#include "job/loadrecord.h"
#include "job/runstate.h"  // kMaxBatchSize

// Records per execution when the `batch` keyword is not given.
constexpr int kDefaultBatchSize = 32;

// Prepares the block for job.queryRecord (openSession done) with B from
// job.batchSize (0: kDefaultBatchSize), fewer when the statement's text or
// input message would pass Firebird's limits. A statement that cannot be
// wrapped (outputs, markers that are not plain '?', a type a block parameter
// cannot declare, a block the database refuses) goes record by record,
// silently. Writes nothing.
void openBatch();

// `record`, just read, was converted into job.queryRecord's input
// variables: its values are moved into the next slot and the record is
// stored beside them (its text copied), or it is executed at once when the
// run goes record by record; the slots execute when full. Returns when
// executed or gathered; a failing record ends the run (executeRecord).
void submitRecord(const LoadRecord &record);

// Executes the gathered records in order and releases what was held behind
// them; on failure of the block, runs them one by one, each stored record
// passed to executeRecord. Returns when all have executed; the first one
// refused ends the run as executeRecord does, naming its own number.
// Nothing gathered: nothing happens.
void flushBatch();

#endif  // LODRUN_LOAD_BATCH_H
