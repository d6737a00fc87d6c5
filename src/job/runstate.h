// runstate.h - the state of a run that JobSettings keeps beside the
// settings: how the run's files were named (the file-clash check) and its
// commit points, read by the signal watcher's thread as well. The working
// state of the load and unload loops is theirs (loadloop.cpp, unload.cpp).
#ifndef LODRUN_JOB_RUNSTATE_H
#define LODRUN_JOB_RUNSTATE_H

#include <atomic>

// The words the files of a run were named by, and how to take back a log
// that turns out to be one of the run's other files (job/fileclash.cpp).
struct FileNaming {
  const char *commandKeyword = "-x";
  const char *dataKeyword = "file=";
  const char *dbKeyword = "db=";
  const char *logKeyword = "logfile=";
  const char *discardsPath = nullptr;
  const char *reasonsPath = nullptr;
  int savedStdout = -1;      // standard output and error before the first log
  int savedStderr = -1;
  long long logSizeAtOpen = 0;
};

// The commit points of a run (job/commitpoint.cpp).
struct CommitPoints {
  // All three are read by the signal watcher's thread as well.
  std::atomic<int> committed{0};
  std::atomic<bool> inFlight{false};  // a commit is on its way
  std::atomic<int> inFlightUpTo{0};   // the records it makes permanent
  // job.rejectedCount at the last commit point: without new rejects there is
  // nothing to sync.
  int rejectsAtLast = 0;
  bool outputFailureReported = false;  // standard output's failure is on stderr
};

#endif  // LODRUN_JOB_RUNSTATE_H
