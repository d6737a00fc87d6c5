// resume.cpp - the resume point of a load.
//
//   every `trans` records: restartKeepingResumePoint
//     --> job.committedCount --> hint text --> abortRun (hintFatalStop)
#include "job/resume.h"

#include <cstdio>

#include "dblib/dbfuncs.h"
#include "job/settings.h"

namespace {

void prepareHint() {
  const bool wanted = job.logStream == nullptr || job.progressInterval > 0;
  job.resumeHintLength = 0;
  if (!wanted) return;
  const int n = std::snprintf(job.resumeHint, sizeof job.resumeHint,
                              "lodrun: %d records were committed before the stop; to go on "
                              "with the next one, run again with skip=%d\n",
                              job.committedCount, job.skipGiven + job.committedCount);
  job.resumeHintLength = n > 0 && n < static_cast<int>(sizeof job.resumeHint) ? n : 0;
}

}  // namespace

int restartKeepingResumePoint() {
  const int result = RestartTransaction(&job.transactionHandle);
  if (result == kDbOk) {
    job.committedCount = job.recordCount;
    prepareHint();
  }
  return result;
}

const char *resumeHint() { return job.resumeHintLength > 0 ? job.resumeHint : nullptr; }
