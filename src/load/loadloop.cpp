// loadloop.cpp - the record loop of a load, and the discards.
//
//   data file --format.read--> record --format.convert--> input XSQLVARs
//       --submitRecord--> batch (batch.cpp)
//       --ExecuteQuery (a block of records, or executeRecord: one)--> database
//                          \--rejected--> discardRecord --format.rawText--> discards file
//                                                                    \--> reasons file
//   refused by the database (db_errors=reject) --rejectRefusedRecord--/
//   a line too long for inputBuffer --rejectCutLine--/ (its rest: readLineRest)
//   every `trans` records: flushBatch, commitPoint (commit retaining; none
//                          in a dry run, whose one transaction is rolled back)
//   every record: tickProgress (standard error)
//   input that would wait (a pipe's producer pauses): flushBatch first
//
// The format's routines (recordFormat: fixed, delimited or CSV) were chosen
// before the layout was validated; the loop never asks which it is. The
// statement is prepared once; a record allocates nothing. The records
// gathered in a batch execute before anything that follows them shows: a
// rejected record's report, a restart point, the end of the load.
#include "load/loadloop.h"

#include <cstdio>

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

bool rejectCutLine();
void commitPoint();

}  // namespace

void loadRecords() {
  const RecordFormat &format = recordFormat();
  const int highestPosition = prepareRecordFields();
  startProgress(true);
  beginResumePoint();
  openBatch();
  for (;;) {
    // Records that have arrived are executed before the read waits for more.
    if (job.batch.gathered > 0 && inputWouldBlock()) flushBatch();
    const int length = format.read();
    if (length == 0) break;
    tickProgress();
    const bool put = recordIsCut() ? rejectCutLine() : format.convert(highestPosition);
    if (!put) {
      setAsideRejectReason();
      flushBatch();
      restoreRejectReason();
      discardRecord(length);
      continue;
    }
    submitRecord(length);
    if (job.recordCount % job.commitEvery != 0) continue;
    flushBatch();
    if (!job.dryRun) commitPoint();
  }
  flushBatch();
  finishDiscards();
  finishReasons();
  finishProgress();
}

void discardRecord(int length) {
  // A CSV record is discarded as it stands in the file, quotes and all, and
  // so is a line too long for the buffer, all of it; a record re-run from a
  // refused block as it was read.
  const char *record = job.inputBuffer;
  if (rerunRecord(&record, &length)) {
    writeRejectedRecord(record, length);
    return;
  }
  record = recordFormat().rawText(&length);
  writeRejectedRecord(record, length, recordIsCut() ? readLineRest : nullptr);
}

// The one place a refused execution is reported.
bool executeRecord() {
  const int result = ExecuteQuery(&job.queryRecord, &job.transactionHandle);
  if (result != kDbOk) {
    const char *record = nullptr;
    int length = currentRecordLength();
    rerunRecord(&record, &length);
    if (rejectRefusedRecord(result, length)) return false;
    failDblib(result, "execute prepared");
  }
  return true;
}

namespace {

// No piece of a line is loaded as a record of its own: the whole line is
// rejected (readRecord delivered its first bytes): false, as a put* function
// answers for a rejected record.
bool rejectCutLine() {
  REJECTION_MESSAGE(0, 0, "", 0, "input record %d is longer than %d bytes - discarded%s",
                    job.recordCount, kBufferSize - 1, job.lineEnd);
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
