// run.h - how a run ends early: abortRun, the single fatal stop, and the
// report of a failed dblib call.
#ifndef LODRUN_JOB_RUN_H
#define LODRUN_JOB_RUN_H

// Prints "Lodrun aborting due to fatal error(s), current record count: %d",
// rolls back and closes the database when a transaction is open (PanicExitDb),
// closes the log file and exits with status 1.
// First of all it calls the hook set by setAbortHook, once, so that work
// still waiting (a load's gathered records) finishes or fails first.
[[noreturn]] void abortRun();

// abortRun naming record `recordNumber` as the current one: a record of a
// batch executed after later records were read.
[[noreturn]] void abortRunAt(int recordNumber);

// Reports the dblib call `operation` that returned `code` on standard output
// ("Got dblib error <code> while doing <operation>[ with SQL field <sqlField>]:
// <text>", ReportDblibError, which reads the code from job.lastDblibError).
// sqlField 0: no field.
void reportDblibFailure(int code, const char *operation, int sqlField = 0);

// reportDblibFailure, then abortRun: the end of a run whose dblib call failed.
[[noreturn]] void failDblib(int code, const char *operation, int sqlField = 0);

// Sets the function abortRun calls before anything else; nullptr: none.
void setAbortHook(void (*hook)());

// Every fatal end of the process goes through here: std::exit(status), or
// processExitHook when a harness has set one (it must not return; a fuzz
// harness unwinds back to its driver instead).
[[noreturn]] void endProcess(int status);
extern void (*processExitHook)(int status);

#endif  // LODRUN_JOB_RUN_H
