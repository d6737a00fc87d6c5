// longwords.cpp - --help and --version: they answer, and the run ends before
// anything is read or opened.
#include "driver/longwords.h"

#include <cstdio>
#include <cstring>

#include "driver/switches.h"
#include "job/messages.h"
#include "job/settings.h"

bool applyLongWord(const char *word) {
  if (std::strcmp(word, "--help") == 0) {
    printUsage();
    message("Lodrun  Options lines, keywords, field specifications and exit statuses: "
            "see lodrun(1)%s", job.lineEnd);
    std::fflush(stdout);
    return true;
  }
  if (std::strcmp(word, "--version") == 0) {
    std::printf("lodrun %s\n", LODRUN_VERSION);
    std::fflush(stdout);
    return true;
  }
  return false;
}
