// loadloop.cpp - the record loop of a load, and the discards.
//
//   data file --readRecord--> inputBuffer --putDelimitedRecord /
//   putFixedRecord--> input XSQLVARs --ExecuteQuery--> database
//                          \--rejected--> discardRecord --> discards file
//   every `trans` records: RestartTransaction (commit retaining)
//
// The statement is prepared once; a record allocates nothing.
#include "load/loadloop.h"

#include <cstdio>

#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "load/params.h"
#include "load/reader.h"

namespace {

void executeRecord();
void writeDiscard(FILE *stream, int length);
void finishDiscards();
[[noreturn]] void failDblib(int result, const char *label);

}  // namespace

void loadRecords() {
  const bool delimitedRecords = job.separator != 0;
  const int highestPosition = prepareRecordFields();
  for (;;) {
    const int length = readRecord();
    if (length == 0) break;
    const int rejected =
        delimitedRecords ? putDelimitedRecord(highestPosition) : putFixedRecord();
    if (rejected != 0) {
      discardRecord(length);
      continue;
    }
    executeRecord();
  }
  finishDiscards();
}

void discardRecord(int length) {
  if (job.discardStream != nullptr) {
    writeDiscard(job.discardStream, length);
  } else {
    // Raw record bytes beside the messages, so a NUL inside does not cut it.
    std::fwrite(job.inputBuffer, 1, static_cast<size_t>(length), stdout);
    message("%s", job.lineEnd);
  }
  ++job.rejectedCount;
  if (job.rejectedCount >= job.maxErrors) abortRun();
}

namespace {

void executeRecord() {
  const int result = ExecuteQuery(&job.queryRecord, &job.transactionHandle);
  if (result != kDbOk) failDblib(result, "execute prepared");
  if (job.recordCount % job.commitEvery != 0) return;
  makeRejectsDurable();
  const int restarted = RestartTransaction(&job.transactionHandle);
  if (restarted != kDbOk) failDblib(restarted, "restart trans");
  if (job.verbose) message("Commit at count: %6d%s", job.recordCount, job.lineEnd);
}

// Fixed-size records are written as read; a line gets the run's line end.
void writeDiscard(FILE *stream, int length) {
  const bool fixedRecords = job.recordLength > 0;
  const size_t wanted = static_cast<size_t>(fixedRecords ? job.recordLength : length);
  size_t written = std::fwrite(job.inputBuffer, 1, wanted, stream);
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

void failDblib(int result, const char *label) {
  job.lastDblibError = result;
  ReportDblibError(label, 0);
  abortRun();
}

}  // namespace
