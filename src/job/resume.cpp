// resume.cpp - the resume point of a load.
//
//   load begins: beginResumePoint (skip given)
//   every `trans` records: restartKeepingResumePoint --> commitpoint counts
//   abortRun / stop by signal --> formatResumeLine --> standard error
#include "job/resume.h"

#include <cstdio>

#include "common/messagesink.h"
#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/progress.h"
#include "job/settings.h"

void beginResumePoint() {
  // A dry run commits nothing: going on means running all of it again.
  const bool wanted = (job.logStream == nullptr || job.progressInterval > 0) && !job.dryRun;
  job.resumeBase.store(wanted ? job.skipCount : -1);
}

int restartKeepingResumePoint() {
  const int result = RestartTransaction(&job.transactionHandle);
  // Settled: the records count as committed from here, for a stop too.
  if (result == kDbOk) confirmCommitPoint();
  return result;
}

int formatResumeLine(char *buffer, size_t size) {
  const int skipGiven = job.resumeBase.load();
  const int committed = recordsCommitted();
  if (skipGiven < 0 || (committed == 0 && skipGiven == 0)) return 0;
  const int n = std::snprintf(buffer, size,
                              "lodrun: %d records were committed before the stop; to go on "
                              "with the next one, run again with skip=%lld\n",
                              committed, static_cast<long long>(skipGiven) + committed);
  return n > 0 && static_cast<size_t>(n) < size ? n : 0;
}

void reportResumePoint() {
  char line[200];
  if (formatResumeLine(line, sizeof line) == 0) return;
  flushMessages(stdout);
  clearProgressLine();
  std::fputs(line, stderr);
  std::fflush(stderr);
}
