// password.h - keeping the database password out of sight: off the process
// list, out of world-readable files, and out of memory once the attach has
// used it.
#ifndef LODRUN_JOB_PASSWORD_H
#define LODRUN_JOB_PASSWORD_H

#include <cstddef>

// Switch -p: job.password becomes a copy of `word` (allocZeroed, "password")
// and the word itself is overwritten with NUL bytes at once, so that
// /proc/<pid>/cmdline and ps no longer show it.
void takePasswordArgument(char *word);

// Keyword passwd and the setters below: job.password becomes a copy of the
// `length` bytes at `text` (allocZeroed, "password"); a password set before
// gets " Warning: password already set to ********, setting again", and the
// copy of it is wiped. From the first password on, the process writes no
// core file (RLIMIT_CORE 0, not dumpable) until wipePassword, which also
// runs at exit, so that a run ending before its attach wipes it too.
void setPassword(const char *text, size_t length);

// Overwrites `size` bytes at `data` with zeros; the compiler cannot drop it as
// a dead store.
void wipeBytes(void *data, size_t size);

// Switch -w and keyword passwd_file: job.password becomes the first line of
// the file at `path`, without its line end. Refused, with a warning ending in
// "- ignored" and job.password unchanged: a file readable by group or others,
// one writable by group or others ("is writable by group or others"), one
// that is no regular file or cannot be read, and an empty first line.
void readPasswordFile(const char *path);

// Overwrites the text of job.password with NUL bytes once the attach has
// used it (the pointer stays, so the settings report still shows that one
// was given), and every stale copy of it behind the live text of
// job.inputBuffer and job.fieldBuffer; then core files are allowed again as
// before. Only a password set here is wiped: one taken from ISC_PASSWORD
// belongs to the environment.
void wipePassword();

#endif  // LODRUN_JOB_PASSWORD_H
