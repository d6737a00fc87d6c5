// textfile.h - opening the text files a run reads (command file, data file,
// blob files): a leading UTF-8 byte-order mark is no part of their text.
#ifndef LODRUN_JOB_TEXTFILE_H
#define LODRUN_JOB_TEXTFILE_H

#include <cstdio>

// Called right after a text file has been opened for reading with `mode`:
// when it starts with the UTF-8 byte-order mark EF BB BF, reading continues
// after it; otherwise reading continues at its first byte (a file is
// rewound, a pipe gets the bytes pushed back, and only when both fail is the
// file reopened). Returns the stream to read from, which may differ from
// `stream`. The record buffers are not touched. When the file cannot be
// reopened, prints "could not re-open a file we just opened - %s" and ends
// the run through abortRun.
FILE *skipByteOrderMark(FILE *stream, const char *path, const char *mode);

#endif  // LODRUN_JOB_TEXTFILE_H
