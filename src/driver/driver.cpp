// driver.cpp - the run driver: the stages of one run in their fixed order and
// the closing summary.
//
//   defaults -> switches -> command file -> record format (chosen once)
//     -> layout (session, data file) -> load or unload loop -> summary
//     -> commit (a dry run: rollback) -> close
#include "driver/driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "dblib/dbfuncs.h"
#include "driver/commandfile.h"
#include "driver/switches.h"
#include "format/formats.h"
#include "job/commitpoint.h"
#include "job/fileclash.h"
#include "job/hints.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/progress.h"
#include "job/recordformat.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/essentials.h"
#include "layout/validate.h"
#include "load/loadloop.h"
#include "unload/unload.h"

namespace {

void setUpRun(std::time_t start);
void refuseDryUnload();
void transferAndSummarise();
void rollBackDryRun();

// Steps before the switches: message stream, buffers, statement record,
// defaults and the run's start time.
void setUpRun(std::time_t start) {
  DBuseRunSettings(&job);
  job.messageStream = stdout;
  watchStandardOutput();
  allocateJobBuffers();
  job.queryRecord = QueryRecord{};
  job.queryRecord.cursorName = "Lodrun";
  job.defaultDateFormat = 16;
  job.lineEnd = kLineEndPc;
  job.lineEndLength = 2;
  localtime_r(&start, &job.runStartTime);
}

// An unload reads; the rare one that writes (a selectable procedure) would
// make a dry run's promise a guess, so none is run dry.
void refuseDryUnload() {
  if (!job.dryRun || job.direction != 'o') return;
  LOCATED_MESSAGE("dryrun is for loads only; an unload cannot be run dry%s", job.lineEnd);
  abortRun();
}

// The summary above is the real run's; this line says none of it stays.
void rollBackDryRun() {
  const int rolledBack = RollbackTransaction(&job.transactionHandle);
  if (rolledBack != kDbOk) failDblib(rolledBack, "rolling back transaction");
  message("dry run: every change rolled back, nothing was committed%s", job.lineEnd);
}

void transferAndSummarise() {
  const char *end = job.lineEnd;
  if (job.direction == 'o' && job.blobFieldCount != 0 && !recordFormat().wholeBlobs)
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
  if (!parseSwitches(argc, argv)) return 0;  // --help, --version: answered
  checkFileClashes();
  if (job.verbose) printSettingsReport("line", 1);
  const int optionsSeen = readCommandFile();
  checkFileClashes();
  refuseDryUnload();  // before the output file is emptied
  truncateOutputFiles();
  if (!job.withTimeOfDay) {
    // Generated dates use the run's day at midnight.
    job.runStartTime.tm_sec = 0;
    job.runStartTime.tm_min = 0;
    job.runStartTime.tm_hour = 0;
  }
  chooseRecordFormat();
  if (reportMissingEssentials() > 0) {
    printUsage();
    abortRun();
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
  if (job.dryRun) {
    rollBackDryRun();
  } else {
    makeRejectsDurable();
    // A commit that fails loses the rows since the last restart: that run did
    // not complete, so it must not end with status 0.
    const int committed = CommitTransaction(&job.transactionHandle);
    if (committed != kDbOk) failDblib(committed, "committing transaction");
    // A load's stop that came during the commit is told, with everything
    // committed; an unload whose rows are all written just completes.
    confirmCommitPoint();
  }
  if (job.direction == 'i') stopIfRequested();
  DBclose(&job.databaseHandle);
  if (job.logStream != nullptr) {
    std::fclose(job.logStream);
    job.logStream = nullptr;
  }
  return completedRunStatus();
}

void openMissingStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one: those below it are open.
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

int completedRunStatus() {
  const bool incomplete = job.rejectedCount > 0 || (job.direction == 'i' && job.shortCount > 0);
  return job.warnExit && incomplete ? kExitWarnings : 0;
}
