// run.h - the run driver and the single fatal stop.
#ifndef LODRUN_JOB_RUN_H
#define LODRUN_JOB_RUN_H

// Performs a whole run (defaults, switches, command file, layout, transfer,
// summary, commit, close) and returns the exit code 0. Fatal errors end the
// process through abortRun (exit 1); a switch without its argument exits 1.
int runDriver(int argc, char **argv);

// Prints "Lodrun aborting due to fatal error(s), current record count: %d",
// rolls back and closes the database when a transaction is open (PanicExitDb),
// closes the log file and exits with status 1.
[[noreturn]] void abortRun();

// Every fatal end of the process goes through here: std::exit(status), or
// processExitHook when a harness has set one (it must not return; a fuzz
// harness unwinds back to its driver instead).
[[noreturn]] void endProcess(int status);
extern void (*processExitHook)(int status);

#endif  // LODRUN_JOB_RUN_H
