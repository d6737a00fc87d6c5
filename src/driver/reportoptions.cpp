// reportoptions.cpp - option keywords of reporting and recovery.
//
//   options line --findKeyword--> fieldBuffer/keywordNumber --rule--> JobSettings
#include "driver/reportoptions.h"

#include <strings.h>

#include "job/messages.h"
#include "job/settings.h"
#include "layout/fieldparse.h"
#include "rejects/reasons.h"

namespace {

// Seconds between progress lines to a file or pipe when none are given.
constexpr int kDefaultProgressInterval = 5;

void applyReasons(int n) {
  if (n <= 0) return;
  if (job.reasonsStream != nullptr)
    message(" Warning: %s already set, setting again%s", "reasons", job.lineEnd);
  if (!openReasonsFile(job.fieldBuffer))
    LOCATED_MESSAGE("warning: reasons file could not be created, ignored - %s%s",
                    job.fieldBuffer, job.lineEnd);
}

void applyDbErrors(int n) {
  if (n <= 0) return;
  if (strcasecmp(job.fieldBuffer, "reject") == 0)
    job.rejectRefusals = 1;
  else if (strcasecmp(job.fieldBuffer, "stop") == 0)
    job.rejectRefusals = 0;
  else
    LOCATED_MESSAGE("db_errors must be reject or stop: %s - ignored%s", job.fieldBuffer,
                    job.lineEnd);
}

void applyProgress(int n) {
  if (n < 0) {
    job.progressInterval = kDefaultProgressInterval;
  } else if (job.keywordNumber >= 1 && job.keywordNumber <= 3600) {
    job.progressInterval = job.keywordNumber;
  } else {
    LOCATED_MESSAGE("progress interval unbelievable (1-3600 seconds): %s - ignored%s",
                    job.fieldBuffer, job.lineEnd);
  }
}

}  // namespace

int applyReportingOptions() {
  applyReasons(findKeyword("reasons", false));
  applyDbErrors(findKeyword("db_errors", false));
  if (const int n = findKeyword("progress", false); n != 0) applyProgress(n);
  if (findKeyword("warn_exit", false) != 0) job.warnExit = 1;
  return 0;
}
