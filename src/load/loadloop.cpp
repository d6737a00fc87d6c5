// loadloop.cpp - the record loop of a load, and the discards.
//
//   data file --format.read--> record --format.rawText--> LoadRecord (number, text)
//   LoadRecord --format.convert--> input XSQLVARs
//       --submitRecord--> batch (batch.cpp: the record stored with its values)
//       --ExecuteQuery (a block of records, or executeRecord: one)--> database
//     \--rejected: its reason taken--> discardRecord --> discards file
//                                                  \--> reasons file
//   refused by the database (db_errors=reject) --rejectRefusedRecord--/
//   a line too long for inputBuffer --rejectCutLine--/ (its rest: the read-ahead)
//   every `trans` records: flushBatch, commitPoint (commit retaining; none
//                          in a dry run, whose one transaction is rolled back)
//   every record: tickProgress (standard error)
//   input that would wait (a pipe's producer pauses): flushBatch first
//
// The format's routines (recordFormat: fixed, delimited or CSV) were chosen
// before the layout was validated; the loop never asks which it is. The
// loop's working state (LoadRun: read-ahead, batch) lives as long as it. The
// statement is prepared once; a record allocates nothing. The records
// gathered in a batch execute before anything that follows them shows: a
// rejected record's report, a restart point, the end of the load.
#include "load/loadloop.h"

#include <cstdio>
#include <memory>

#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/messages.h"
#include "job/progress.h"
#include "job/recordformat.h"
#include "job/resume.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/fieldtable.h"
#include "load/batch.h"
#include "load/params.h"
#include "load/reader.h"
#include "load/refusal.h"
#include "rejects/discards.h"
#include "rejects/reasons.h"

namespace {

// The working state of one load, as long as its loop: the read-ahead of the
// data stream and the records gathered for the block.
struct LoadRun {
  LoadRun(const LoadRun &) = delete;
  LoadRun &operator=(const LoadRun &) = delete;
  LoadRun() { openBatch(&batch); }
  ~LoadRun() { closeBatch(&batch); }

  ReadAhead reader;
  Batch batch;
};

bool rejectCutLine(const LoadRecord &record);
void commitPoint();

}  // namespace

void loadRecords() {
  const RecordFormat &format = recordFormat();
  const int highestPosition = prepareRecordFields();
  startProgress(true);
  beginResumePoint();
  // Large (the read-ahead block, the batch's records): on the heap.
  const auto run = std::make_unique<LoadRun>();
  LoadRecord record;
  for (;;) {
    // Records that have arrived are executed before the read waits for more.
    if (run->batch.gathered > 0 && inputWouldBlock(run->reader)) flushBatch(&run->batch);
    const int length = format.read(run->reader);
    if (length == 0) break;
    tickProgress();
    record.number = job.recordCount;
    record.length = length;
    record.text = format.rawText(&record.length);
    record.rest = recordIsCut(run->reader) ? &run->reader : nullptr;
    const bool put =
        record.rest != nullptr ? rejectCutLine(record) : format.convert(record, highestPosition);
    if (!put) {
      // The fault goes with the record: the records gathered before it
      // execute first, and one of them may be refused and noted too.
      record.reason = takeRejectReason();
      flushBatch(&run->batch);
      discardRecord(record);
      continue;
    }
    submitRecord(&run->batch, record);
    if (record.number % job.commitEvery != 0) continue;
    flushBatch(&run->batch);
    if (!job.dryRun) commitPoint();
  }
  flushBatch(&run->batch);
  finishDiscards();
  finishReasons();
  finishProgress(job.recordCount);
}

void discardRecord(const LoadRecord &record) {
  writeRejectedRecord(record.number, record.text, record.length, record.rest, record.reason);
}

// The one place a refused execution is reported.
bool executeRecord(const LoadRecord &record) {
  const int result = ExecuteQuery(&job.queryRecord, &job.transactionHandle);
  if (result != kDbOk) {
    if (rejectRefusedRecord(result, record)) return false;
    reportDblibFailure(result, "execute prepared");
    abortRunAt(record.number);
  }
  return true;
}

namespace {

// No piece of a line is loaded as a record of its own: the whole line is
// rejected (readRecord delivered its first bytes): false, as a put* function
// answers for a rejected record.
bool rejectCutLine(const LoadRecord &record) {
  REJECTION_MESSAGE(0, 0, "", 0, "input record %d is longer than %d bytes - discarded%s",
                    record.number, kBufferSize - 1, job.lineEnd);
  return false;
}

// Every commit of the load's work before the driver's final one; the
// rejects before it are on stable storage first.
void commitPoint() {
  makeRejectsDurable();
  const int restarted = restartKeepingResumePoint();
  if (restarted != kDbOk) failDblib(restarted, "restart trans");
  if (job.verbose) message("Commit at count: %6d%s", job.recordCount, job.lineEnd);
}

}  // namespace
