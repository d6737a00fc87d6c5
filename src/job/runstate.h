// runstate.h - the state of a run that JobSettings keeps beside the
// settings: how the run's files were named, for the file-clash check. The
// working state of the load and unload loops is theirs (loadloop.cpp,
// unload.cpp), and the commit points are commitpoint.cpp's.
#ifndef LODRUN_JOB_RUNSTATE_H
#define LODRUN_JOB_RUNSTATE_H

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

#endif  // LODRUN_JOB_RUNSTATE_H
