// commandfile.h - the command-file reader: options lines, SQL text,
// STARTDATA, and SQL completion (brace annotations to field specifications).
#ifndef LODRUN_JOB_COMMANDFILE_H
#define LODRUN_JOB_COMMANDFILE_H

#include <cstdio>

// Called right after a text file has been opened for reading with `mode`:
// when it starts with the UTF-8 byte-order mark EF BB BF, reading continues
// after it; otherwise reading continues at its first byte (the file may be
// reopened). Returns the stream to read from, which may differ from
// `stream`. The record buffers are not touched. When the file cannot be
// reopened, prints "could not re-open a file we just opened - %s" and ends
// the run through abortRun.
FILE *skipByteOrderMark(FILE *stream, const char *path, const char *mode);

// ASCII case-blind comparison of n characters: 1, -1 or 0.
int strnicmp(const char *a, const char *b, int n);

// true when text begins with word, letters compared without regard to case.
bool hasPrefix(const char *word, const char *text);

#endif  // LODRUN_JOB_COMMANDFILE_H
