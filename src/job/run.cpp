// run.cpp - how a run ends early: abortRun, the one fatal stop, and the
// report of a failed dblib call that leads to it.
#include "job/run.h"

#include <cstdio>
#include <cstdlib>

#include "dblib/dbfuncs.h"
#include "job/commitpoint.h"
#include "job/hints.h"
#include "job/messages.h"
#include "job/progress.h"
#include "job/settings.h"

void setAbortHook(void (*hook)()) { job.abortHook = hook; }

void abortRun() { abortRunAt(job.recordCount); }

void abortRunAt(int recordNumber) {
  if (job.abortHook != nullptr) {
    void (*hook)() = job.abortHook;
    job.abortHook = nullptr;
    hook();
  }
  finishProgress(recordNumber);
  message("Lodrun aborting due to fatal error(s), current record count: %d%s",
          recordNumber, job.lineEnd);
  hintFatalStop();
  // After a commit lost with the connection there is nothing to roll back,
  // and saying so would be wrong.
  if (!reportUncertainCommit() && job.transactionHandle != 0) PanicExitDb();
  if (job.logStream != nullptr) {
    std::fclose(job.logStream);
    job.logStream = nullptr;
  }
  endProcess(1);
}

void reportDblibFailure(int code, const char *operation, int sqlField) {
  job.lastDblibError = code;
  ReportDblibError(operation, sqlField);
}

void failDblib(int code, const char *operation, int sqlField) {
  reportDblibFailure(code, operation, sqlField);
  abortRun();
}

void (*processExitHook)(int status) = nullptr;

void endProcess(int status) {
  if (processExitHook != nullptr) processExitHook(status);
  std::exit(status);
}
