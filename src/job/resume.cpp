// resume.cpp - the resume point of a load.
//
//   every `trans` records: restartKeepingResumePoint
//     --> job.committedCount --> hint text --> abortRun (hintFatalStop)
#include "job/resume.h"

#include <cstdio>

#include "dblib/dbfuncs.h"
#include "job/settings.h"

namespace {

char hintText[200];
int hintLength = 0;

void prepareHint() {
  const bool wanted = job.logStream == nullptr || job.progressInterval > 0;
  hintLength = 0;
  if (!wanted) return;
  const int n = std::snprintf(hintText, sizeof hintText,
                              "lodrun: %d records were committed before the stop; to go on "
                              "with the next one, run again with skip=%d\n",
                              job.committedCount, job.skipGiven + job.committedCount);
  hintLength = n > 0 && n < static_cast<int>(sizeof hintText) ? n : 0;
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

const char *resumeHint() { return hintLength > 0 ? hintText : nullptr; }
