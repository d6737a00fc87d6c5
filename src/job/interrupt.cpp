// interrupt.cpp - the signal watcher and the orderly stop it asks for.
//
//   SIGINT/SIGTERM (blocked everywhere) --sigwait--> watcher thread
//     --stopSignal--> checks of the main thread (record boundaries, failed
//                     opens and reads, the final commit) --stopIfRequested-->
//                     stop hook, stop line (stdout), resume line (stderr),
//                     rollback, exit 1
//     --poke signal every 50 ms--> main thread: a blocking open/read -> EINTR
//     --after 800 ms--> the watcher writes the lines and ends the process,
//                       once no commit is under way and the main thread is
//                       not writing its own lines
#include "job/interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/messages.h"
#include "job/resume.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

// The signal that asked for the stop; 0 while none has.
std::atomic<int> stopSignal{0};
// Set by whichever thread writes the stop line first, so it is written once.
std::atomic<bool> stopLineWritten{false};
// The main thread has taken up the stop: no more pokes, which would only
// interrupt the engine's own waits while it rolls back and detaches.
std::atomic<bool> mainThreadStopping{false};
// The main thread's lines are out: the watcher may end the process.
std::atomic<bool> stopReported{false};
pthread_t mainThread;

constexpr long kPokeIntervalNanos = 50L * 1000 * 1000;
// The main thread gets this long to stop by itself; the run must end within
// a second of the signal.
constexpr int kPokesBeforeGivingUp = 16;
// A commit under way, or the main thread writing its stop lines, is waited
// for up to this many intervals (30 seconds): ending the process then would
// leave the count unknown, or the lines unwritten.
constexpr int kLongestWait = 600;

int pokeSignal() { return SIGRTMIN + 4; }
void onPoke(int) {}
void stopSignalSet(sigset_t *set);
int formatStopLine(char *buffer, size_t size);
void writeStopLines();
void *watchForStop(void *);

}  // namespace

void watchStopSignals() {
  signal(SIGPIPE, SIG_IGN);
  // No SA_RESTART: the poke exists to make a blocking open or read give up.
  struct sigaction poke = {};
  poke.sa_handler = onPoke;
  sigemptyset(&poke.sa_mask);
  sigaction(pokeSignal(), &poke, nullptr);

  sigset_t stops;
  stopSignalSet(&stops);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  mainThread = pthread_self();
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t watcher;
  if (pthread_create(&watcher, &attributes, watchForStop, nullptr) != 0) {
    // Without a watcher the signals keep their default action: unblock them.
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
  }
  pthread_attr_destroy(&attributes);
}

bool stopRequested() { return stopSignal.load() != 0; }

void setStopHook(void (*hook)()) { job.stopHook = hook; }

void stopIfRequested() {
  if (!stopRequested()) return;
  mainThreadStopping.store(true);
  if (job.stopHook != nullptr) {
    void (*hook)() = job.stopHook;
    job.stopHook = nullptr;
    hook();
  }
  if (!stopLineWritten.exchange(true)) {
    char line[160];
    formatStopLine(line, sizeof line);
    message("%s", line);
    std::fflush(stdout);
    reportResumePoint();
    stopReported.store(true);
  }
  std::fflush(stdout);
  // DBclose rolls back what is registered for the database, without a word.
  // The engine's detach spins while errno still says EINTR from the open or
  // read the poke interrupted.
  errno = 0;
  if (job.databaseHandle != 0) DBclose(&job.databaseHandle);
  job.transactionHandle = 0;
  if (job.logStream != nullptr) {
    std::fclose(job.logStream);
    job.logStream = nullptr;
  }
  endProcess(1);
}

namespace {

void stopSignalSet(sigset_t *set) {
  sigemptyset(set);
  sigaddset(set, SIGINT);
  sigaddset(set, SIGTERM);
}

int formatStopLine(char *buffer, size_t size) {
  const int signal = stopSignal.load();
  const char *name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "signal";
  return std::snprintf(buffer, size,
                       "Lodrun stopped by %s: work since the last commit rolled back, "
                       "%d records committed%s",
                       name, recordsCommitted(), job.lineEnd);
}

// The watcher's own lines, written straight to the descriptors: the main
// thread may be anywhere, holding the streams' locks.
void writeStopLines() {
  char line[200];
  int length = formatStopLine(line, sizeof line);
  if (length > 0 && write(STDOUT_FILENO, line, static_cast<size_t>(length)) < 0) {
    // Nowhere left to say it.
  }
  if (commitInFlight()) {
    length = std::snprintf(line, sizeof line,
                           "lodrun: the commit of records %d to %d was under way at the "
                           "stop; its outcome is unknown: check the table before going on\n",
                           recordsCommitted() + 1, commitInFlightUpTo());
  } else {
    length = formatResumeLine(line, sizeof line);
  }
  if (length > 0 && write(STDERR_FILENO, line, static_cast<size_t>(length)) < 0) {
    // Nowhere left to say it.
  }
}

void *watchForStop(void *) {
  sigset_t stops;
  stopSignalSet(&stops);
  int signal = 0;
  while (sigwait(&stops, &signal) != 0) {
  }
  stopSignal.store(signal);
  const struct timespec interval = {0, kPokeIntervalNanos};
  for (int i = 0;; ++i) {
    const bool stopping = mainThreadStopping.load();
    if (i >= kPokesBeforeGivingUp) {
      // Stuck in the database, say: end the process, which commits nothing
      // (the open transaction dies with the attachment), unless that would
      // cut short what the lines depend on.
      const bool waitFor = stopping ? !stopReported.load() : commitInFlight();
      if (!waitFor || i >= kLongestWait) break;
    }
    if (!stopping && !commitInFlight()) pthread_kill(mainThread, pokeSignal());
    nanosleep(&interval, nullptr);
  }
  if (!stopLineWritten.exchange(true)) writeStopLines();
  _exit(1);
}

}  // namespace
