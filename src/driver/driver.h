// driver.h - the run driver: one whole run from the command line to the exit
// status.
#ifndef LODRUN_DRIVER_DRIVER_H
#define LODRUN_DRIVER_DRIVER_H

// Exit status of a completed run that rejected or shortened records, with
// warn_exit; 0 stays "everything loaded", 1 a fatal stop.
constexpr int kExitWarnings = 2;

// Performs a whole run (defaults, switches, command file, layout, transfer,
// summary, commit, close) and returns completedRunStatus(). Fatal errors end
// the process through abortRun (exit 1); a switch without its argument exits
// 1; --help and --version return 0 once answered.
int runDriver(int argc, char **argv);

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file opened later (the database engine's lock file, a discards file)
// takes the place of standard input, output or error. Call first in main. A
// run with standard output closed thus writes its messages nowhere, as with
// >/dev/null, and keeps its exit status.
void openMissingStandardDescriptors();

// 0, or kExitWarnings when warn_exit is set and the run rejected records
// (or, for a load, met short ones).
int completedRunStatus();

#endif  // LODRUN_DRIVER_DRIVER_H
