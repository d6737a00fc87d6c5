// run.cpp - the run driver: the stages of one run in their fixed order, the
// closing summary, and abortRun, the one fatal stop.
//
//   defaults -> switches -> command file -> layout (session, data file)
//     -> load or unload loop -> summary -> commit -> close
#include "job/run.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "dblib/dbfuncs.h"
#include "job/commandfile.h"
#include "job/hints.h"
#include "job/commitpoint.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/progress.h"
#include "job/settings.h"
#include "job/switches.h"
#include "layout/validate.h"
#include "load/loadloop.h"
#include "unload/unload.h"

namespace {

void setUpRun(std::time_t start);
void transferAndSummarise();

// Steps before the switches: message stream, buffers, statement record,
// defaults and the run's start time.
void setUpRun(std::time_t start) {
  DBuseRunSettings(&job);
  job.messageStream = stdout;
  allocateJobBuffers();
  job.queryRecord = QueryRecord{};
  job.queryRecord.cursorName = "Lodrun";
  job.defaultDateFormat = 16;
  job.lineEnd = kLineEndPc;
  job.lineEndLength = 2;
  localtime_r(&start, &job.runStartTime);
}

void transferAndSummarise() {
  const char *end = job.lineEnd;
  if (job.direction == 'o' && job.blobFieldCount != 0 && !job.csvMode)
    message("WARNING binary or long blobs not allowed%s", end);
  if (job.direction == 'i') {
    loadRecords();
    message(" %d input (or update) records (short: %d, skipped: %d)%s",
            job.recordCount, job.shortCount, job.rejectedCount, end);
    if (job.blobFieldCount > 0)
      message("\tBlobs loaded %d, no filename: %d, errors %d%s", job.blobsLoaded,
              job.blobsWithoutFile, job.blobErrorCount, end);
    message("\tprocessed from");
  } else {
    unloadRows();
    message(" %d records selected into", job.recordCount);
  }
}

}  // namespace

int runDriver(int argc, char **argv) {
  watchStopSignals();
  setUpRun(std::time(nullptr));
  parseSwitches(argc, argv);
  if (job.verbose) printSettingsReport("line", 1);
  const int optionsSeen = readCommandFile();
  if (!job.withTimeOfDay) {
    // Generated dates use the run's day at midnight.
    job.runStartTime.tm_sec = 0;
    job.runStartTime.tm_min = 0;
    job.runStartTime.tm_hour = 0;
  }
  validateLayout();
  if (job.verbose) printSettingsReport("file", optionsSeen);
  transferAndSummarise();
  if (job.dataStream != nullptr) {
    std::fclose(job.dataStream);
    job.dataStream = nullptr;
  }
  const char *source = job.dataFileName != nullptr      ? job.dataFileName
                       : job.commandFileName != nullptr ? job.commandFileName
                                                        : "stdin";
  message(" file %s%s", source, job.lineEnd);
  makeRejectsDurable();
  // A commit that fails loses the rows since the last restart: that run did
  // not complete, so it must not end with status 0.
  const int committed = CommitTransaction(&job.transactionHandle);
  if (committed != kDbOk) failDblib(committed, "committing transaction");
  DBclose(&job.databaseHandle);
  if (job.logStream != nullptr) {
    std::fclose(job.logStream);
    job.logStream = nullptr;
  }
  return completedRunStatus();
}

int completedRunStatus() {
  const bool incomplete = job.rejectedCount > 0 || (job.direction == 'i' && job.shortCount > 0);
  return job.warnExit && incomplete ? kExitWarnings : 0;
}

namespace {
void (*abortHook)() = nullptr;
}  // namespace

void setAbortHook(void (*hook)()) { abortHook = hook; }

void abortRun() {
  if (abortHook != nullptr) {
    void (*hook)() = abortHook;
    abortHook = nullptr;
    hook();
  }
  finishProgress();
  message("Lodrun aborting due to fatal error(s), current record count: %d%s",
          job.recordCount, job.lineEnd);
  hintFatalStop();
  // After a commit lost with the connection there is nothing to roll back,
  // and saying so would be wrong.
  if (!reportUncertainCommit() && job.transactionHandle != 0) PanicExitDb();
  if (job.logStream != nullptr) {
    std::fclose(job.logStream);
    job.logStream = nullptr;
  }
  endProcess(1);
}

void reportDblibFailure(int code, const char *operation, int sqlField) {
  job.lastDblibError = code;
  ReportDblibError(operation, sqlField);
}

void failDblib(int code, const char *operation, int sqlField) {
  reportDblibFailure(code, operation, sqlField);
  abortRun();
}

void (*processExitHook)(int status) = nullptr;

void endProcess(int status) {
  if (processExitHook != nullptr) processExitHook(status);
  std::exit(status);
}
