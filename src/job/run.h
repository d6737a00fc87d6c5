// run.h - the run driver and the single fatal stop.
#ifndef LODRUN_JOB_RUN_H
#define LODRUN_JOB_RUN_H

// Exit status of a completed run that rejected or shortened records, with
// warn_exit; 0 stays "everything loaded", 1 a fatal stop.
constexpr int kExitWarnings = 2;

// Performs a whole run (defaults, switches, command file, layout, transfer,
// summary, commit, close) and returns completedRunStatus(). Fatal errors end
// the process through abortRun (exit 1); a switch without its argument exits
// 1; --help and --version exit 0.
int runDriver(int argc, char **argv);

// 0, or kExitWarnings when warn_exit is set and the run rejected records
// (or, for a load, met short ones).
int completedRunStatus();

// Prints "Lodrun aborting due to fatal error(s), current record count: %d",
// rolls back and closes the database when a transaction is open (PanicExitDb),
// closes the log file and exits with status 1.
// First of all it calls the hook set by setAbortHook, once, so that work
// still waiting (a load's gathered records) finishes or fails first.
[[noreturn]] void abortRun();

// Reports the dblib call `operation` that returned `code` on standard output
// ("Got dblib error <code> while doing <operation>[ with SQL field <sqlField>]:
// <text>", ReportDblibError) and keeps the code in job.lastDblibError, where
// the reasons file reads it (noteDblibReason). sqlField 0: no field.
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
