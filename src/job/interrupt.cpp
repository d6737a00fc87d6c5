// interrupt.cpp - the signal watcher and the orderly stop it asks for.
//
//   SIGINT/SIGTERM (blocked everywhere) --sigwait--> watcher thread
//     --stopSignal--> checks of the main thread (record boundaries, failed
//                     opens and reads) --stopIfRequested--> rollback, exit 1
//     --poke signal every 50 ms--> main thread: a blocking open/read -> EINTR
//     --after 800 ms--> the watcher writes the stop line and ends the process
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
pthread_t mainThread;

constexpr long kPokeIntervalNanos = 50L * 1000 * 1000;
// The main thread gets this long to stop by itself; the run must end within
// a second of the signal.
constexpr int kPokesBeforeGivingUp = 16;

int pokeSignal() { return SIGRTMIN + 4; }
void onPoke(int) {}
void stopSignalSet(sigset_t *set);
int formatStopLine(char *buffer, size_t size);
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

void stopIfRequested() {
  if (!stopRequested()) return;
  mainThreadStopping.store(true);
  if (!stopLineWritten.exchange(true)) {
    char line[160];
    formatStopLine(line, sizeof line);
    message("%s", line);
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

void *watchForStop(void *) {
  sigset_t stops;
  stopSignalSet(&stops);
  int signal = 0;
  while (sigwait(&stops, &signal) != 0) {
  }
  stopSignal.store(signal);
  const struct timespec interval = {0, kPokeIntervalNanos};
  for (int i = 0; i < kPokesBeforeGivingUp; ++i) {
    if (!mainThreadStopping.load()) pthread_kill(mainThread, pokeSignal());
    nanosleep(&interval, nullptr);
  }
  // The main thread is stuck (in the database, say). Ending the process
  // commits nothing: the open transaction dies with the attachment.
  if (!stopLineWritten.exchange(true)) {
    char line[160];
    const int length = formatStopLine(line, sizeof line);
    if (length > 0 && write(STDOUT_FILENO, line, static_cast<size_t>(length)) < 0) {
      // Nowhere left to say it.
    }
  }
  _exit(1);
}

}  // namespace
