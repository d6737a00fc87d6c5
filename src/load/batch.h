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

#include <cstddef>
#include <vector>

#include "job/loadrecord.h"

// Records per execution when the `batch` keyword is not given: for a
// database this process attaches itself, and for one reached through a
// server, where every execution is also a round trip.
constexpr int kDefaultBatchSize = 32;
constexpr int kDefaultRemoteBatchSize = 128;

// The most records one block holds: Firebird 3 allows 256 contexts per
// request, one per statement of the block at least.
constexpr int kMaxBatchSize = 256;

// The records a load gathers for one execution of its block statement: part
// of the load's run (loadloop.cpp), from openBatch to closeBatch. The block
// itself stays prepared with the session (batch.cpp).
struct Batch {
  int slots = 1;      // records per execution; 1: record by record
  int inputs = 0;     // input variables of the run's statement
  int gathered = 0;   // records waiting in slots 0 .. gathered-1
  int dirtySlots = 0; // slots that may hold values since they were made NULL
  long heldEnd[kMaxBatchSize] = {};  // end of the output held before slot s
  // Each slot's record as a re-run hands it on; its text is copied into
  // `texts` at textStart[s] (one buffer for the gathered records, kept for
  // the run: no allocation per record once it has grown), and records[s].text
  // points there only when the records are re-run.
  LoadRecord records[kMaxBatchSize];
  size_t textStart[kMaxBatchSize] = {};
  size_t textsUsed = 0;
  std::vector<char> texts;
};

// Prepares the block for job.queryRecord (openSession done) with B from
// job.batchSize (0: kDefaultBatchSize, or kDefaultRemoteBatchSize when
// job.dbName names a server's database), fewer when the statement's text or
// input message would pass Firebird's limits, and sets `batch` up for it. A
// statement that cannot be wrapped (outputs, markers that are not plain '?',
// a type a block parameter cannot declare, a block the database refuses) goes
// record by record, silently. Writes nothing. Until closeBatch, a fatal stop
// executes what `batch` gathered first, and a stop by signal shows what
// their reading wrote.
void openBatch(Batch *batch);

// The end of `batch` (nothing gathered): the stops no longer look at it.
void closeBatch(Batch *batch);

// `record`, just read, was converted into job.queryRecord's input
// variables: its values are moved into the next slot and the record is
// stored beside them (its text copied), or it is executed at once when the
// run goes record by record; the slots execute when full. Returns when
// executed or gathered; a failing record ends the run (executeRecord).
void submitRecord(Batch *batch, const LoadRecord &record);

// Executes the gathered records in order and releases what was held behind
// them; on failure of the block, runs them one by one, each stored record
// passed to executeRecord. Returns when all have executed; the first one
// refused ends the run as executeRecord does, naming its own number.
// Nothing gathered: nothing happens.
void flushBatch(Batch *batch);

#endif  // LODRUN_LOAD_BATCH_H
