// fileclash.h - no file of a run is both written and read, or written twice.
//
// The files lodrun writes (discards, reasons, the log, an unload's output)
// are compared with the files it reads or attaches (the command file or a
// regular file on standard input, a load's data file, a local database file)
// and with each other: by device and inode when both exist, by their
// normalised paths when neither does. Devices, FIFOs and other non-regular
// files never clash (discards=/dev/null reasons=/dev/null is fine).
//
// The discards and reasons files are created at their keyword but emptied
// only once every file of the run is known (truncateOutputFiles); the log is
// checked before it is opened, and taken back to its size at opening when a
// later setting clashes with it.
#ifndef LODRUN_JOB_FILECLASH_H
#define LODRUN_JOB_FILECLASH_H

#include <cstdio>

// Opens `path` for writing without emptying it (created 0666 less the umask
// when missing), or returns nullptr with errno set.
FILE *openOutputUntruncated(const char *path);

// Before the log file `path` is opened: when it is one of the run's files
// known so far, prints "log file <path> (<keyword>) is also the <file>
// (<keyword>)" and ends the run through abortRun.
void checkLogClashes(const char *path);

// Remembers standard output and error and the size of the log file `path`
// (0 when missing), for takeBackLog; the first call only keeps the streams.
void noteLogOpening(const char *path);

// Compares every file of the run known now. A clash prints
// "<file> <path> (<keyword>) is also the <file> (<keyword>)", takes back the
// log when it is one of the two (its bytes written by this run removed,
// standard output and error put back), and ends the run through abortRun.
void checkFileClashes();

// Empties the discards and reasons files (regular files only): call after
// the last checkFileClashes, before anything is written to them.
void truncateOutputFiles();

// False when `name` reaches the database through a server ("host:/path",
// "host/3051:path", "inet://host/path"); true for a plain path.
bool localDatabase(const char *name);

#endif  // LODRUN_JOB_FILECLASH_H
