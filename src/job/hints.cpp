// hints.cpp - hint lines on standard error.
//
//   abortRun --hintFatalStop--> pending ClientFailure messages, resume point
//   anyone   --hint--> stderr (stdout flushed first, progress line cleared)
#include "job/hints.h"

#include <cstdarg>
#include <cstdio>

#include "common/messagesink.h"
#include "dblib/dbfuncs.h"
#include "job/progress.h"
#include "job/resume.h"
#include "job/settings.h"

bool hintsWanted() { return job.logStream == nullptr; }

void hint(const char *format, ...) {
  flushMessages(stdout);
  clearProgressLine();
  std::fputs("lodrun: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

int hintClientFailure() {
  const ClientFailure *failure = LastClientFailure();
  if (failure == nullptr || !hintsWanted()) return 0;
  for (int i = 0; i < failure->messageCount; ++i) hint("%s", failure->messages[i]);
  ClearClientFailure();
  return failure->messageCount;
}

void hintFatalStop() {
  hintClientFailure();
  reportResumePoint();
}
