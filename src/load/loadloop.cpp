// loadloop.cpp - the record loop of a load, and the discards.
//
//   data file --readRecord--> inputBuffer --putDelimitedRecord /
//   putFixedRecord--> input XSQLVARs --submitRecord--> batch (batch.cpp)
//       --ExecuteQuery (a block of records, or executeRecord: one)--> database
//                          \--rejected--> discardRecord --> discards file
//                                                      \--> reasons file
//   refused by the database (db_errors=reject) --rejectRefusedRecord--/
//   every `trans` records: flushBatch, commitPoint (commit retaining)
//   every record: tickProgress (standard error)
//
// The statement is prepared once; a record allocates nothing. The records
// gathered in a batch execute before anything that follows them shows: a
// rejected record's report, a restart point, the end of the load.
#include "load/loadloop.h"

#include <cstdio>

#include "csv/csvreader.h"
#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/messages.h"
#include "job/progress.h"
#include "job/run.h"
#include "job/settings.h"
#include "load/batch.h"
#include "load/params.h"
#include "load/reader.h"
#include "load/reasons.h"
#include "load/refusal.h"
#include "load/resume.h"

namespace {

void commitPoint();
void writeDiscard(FILE *stream, const char *record, int length);
void finishDiscards();

}  // namespace

void loadRecords() {
  const bool delimitedRecords = job.separator != 0;
  const int highestPosition = prepareRecordFields();
  startProgress(true);
  openBatch();
  for (;;) {
    const int length = readRecord();
    if (length == 0) break;
    tickProgress();
    const int rejected =
        delimitedRecords ? putDelimitedRecord(highestPosition) : putFixedRecord();
    if (rejected != 0) {
      setAsideRejectReason();
      flushBatch();
      restoreRejectReason();
      discardRecord(length);
      continue;
    }
    submitRecord(length);
    if (job.recordCount % job.commitEvery != 0) continue;
    flushBatch();
    commitPoint();
  }
  flushBatch();
  finishDiscards();
  finishReasons();
  finishProgress();
}

void discardRecord(int length) {
  // A CSV record is discarded as it stands in the file, quotes and all; a
  // record re-run from a refused block as it was read.
  const char *record = job.inputBuffer;
  if (!rerunRecord(&record, &length) && job.csvMode) record = csvRecordText(&length);
  if (job.discardStream != nullptr) {
    writeDiscard(job.discardStream, record, length);
  } else {
    // Raw record bytes beside the messages, so a NUL inside does not cut it.
    std::fwrite(record, 1, static_cast<size_t>(length), stdout);
    message("%s", job.lineEnd);
  }
  writeRejectReason();
  ++job.rejectedCount;
  if (job.rejectedCount >= job.maxErrors) abortRun();
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

// Every commit of the load's work before the driver's final one; the
// rejects before it are on stable storage first.
void commitPoint() {
  makeRejectsDurable();
  const int restarted = restartKeepingResumePoint();
  if (restarted != kDbOk) failDblib(restarted, "restart trans");
  if (job.verbose) message("Commit at count: %6d%s", job.recordCount, job.lineEnd);
}

// Fixed-size records are written as read; a line gets the run's line end.
void writeDiscard(FILE *stream, const char *record, int length) {
  const bool fixedRecords = job.recordLength > 0;
  const size_t wanted = static_cast<size_t>(fixedRecords ? job.recordLength : length);
  size_t written = std::fwrite(record, 1, wanted, stream);
  size_t total = wanted;
  if (!fixedRecords && written == wanted) {
    total += static_cast<size_t>(job.lineEndLength);
    written += std::fwrite(job.lineEnd, 1, static_cast<size_t>(job.lineEndLength), stream);
  }
  if (written == total) return;
  if (std::ferror(stream)) {
    std::fflush(stdout);
    std::perror("Unexpected system error writing output");
  } else {
    LOCATED_MESSAGE("Lodrun: short %s for last %sput (size %d, wanted %d), line count %d%s",
                    "discards write", "out", static_cast<int>(written),
                    static_cast<int>(total), job.recordCount, job.lineEnd);
  }
  abortRun();
}

// The discards are buffered; a write that fails only when they are flushed
// must not pass unnoticed.
void finishDiscards() {
  if (job.discardStream == nullptr) return;
  if (std::fflush(job.discardStream) == 0 && !std::ferror(job.discardStream)) return;
  std::fflush(stdout);
  std::perror("Unexpected system error writing output");
  abortRun();
}

}  // namespace
