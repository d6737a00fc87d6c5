// resume.cpp - the resume point of a load.
//
//   every `trans` records: restartKeepingResumePoint (signals held)
//     --> job.committedCount --> hint text, ready for
//   abortRun (hintFatalStop) or a stop signal (written from the handler)
#include "load/resume.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "dblib/dbfuncs.h"
#include "job/settings.h"

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written whole from the signal handler, so it is formatted beforehand.
char hintText[200];
volatile sig_atomic_t hintLength = 0;
// A progress line may stand on the terminal: the hint goes below it.
volatile sig_atomic_t terminalLine = 0;
bool handlersInstalled = false;

extern "C" void stopBySignal(int signalNumber) {
  if (hintLength > 0) {
    if (terminalLine && write(STDERR_FILENO, "\n", 1) < 0) {
      // Nothing to do about a failed hint while the process ends.
    }
    if (write(STDERR_FILENO, hintText, static_cast<size_t>(hintLength)) < 0) {
    }
  }
  // SA_RESETHAND gave the signal its default action back: it ends the
  // process as soon as the handler returns.
  raise(signalNumber);
}

void installHandlers() {
  struct sigaction action {};
  action.sa_handler = stopBySignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int s : kStopSignals) {
    struct sigaction previous {};
    // A signal the caller of lodrun chose to ignore stays ignored.
    if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
  handlersInstalled = true;
}

void prepareHint() {
  const bool wanted = job.logStream == nullptr || job.progressInterval > 0;
  hintLength = 0;
  if (!wanted) return;
  const int n = std::snprintf(hintText, sizeof hintText,
                              "lodrun: %d records were committed before the stop; to go on "
                              "with the next one, run again with skip=%d\n",
                              job.committedCount, job.skipGiven + job.committedCount);
  terminalLine = job.logStream == nullptr && isatty(STDERR_FILENO) != 0;
  hintLength = n > 0 && n < static_cast<int>(sizeof hintText) ? n : 0;
}

}  // namespace

int restartKeepingResumePoint() {
  sigset_t stops;
  sigset_t previous;
  sigemptyset(&stops);
  for (const int s : kStopSignals) sigaddset(&stops, s);
  sigprocmask(SIG_BLOCK, &stops, &previous);
  const int result = RestartTransaction(&job.transactionHandle);
  if (result == kDbOk) {
    job.committedCount = job.recordCount;
    prepareHint();
    if (!handlersInstalled) installHandlers();
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return result;
}

const char *resumeHint() { return hintLength > 0 ? hintText : nullptr; }
