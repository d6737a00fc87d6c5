// compressedfile.h - data files compressed with gzip or zstd, read and
// written by the record readers and writers as ordinary FILE * streams.
//
//   file --fread--> compressed block --inflate / ZSTD_decompressStream--> stream --> readers
//   writers --> stream --deflate / ZSTD_compressStream2--fwrite--> file
//
// The stream is a glibc cookie stream (fopencookie) over the FILE * that
// holds the file itself; fclose finishes and closes both.
#ifndef LODRUN_JOB_COMPRESSEDFILE_H
#define LODRUN_JOB_COMPRESSEDFILE_H

#include <cstdio>

// Called right after `stream` has been opened on the data file `path` for
// reading. Looks at its first bytes: a gzip (1f 8b) or zstd (28 b5 2f fd)
// file, whatever its name, gives back a stream of its decompressed bytes
// (which owns `stream`); any other file gives back `stream`, read again from
// its first byte. A file that starts with the magic number of a compressed
// or archive format not read here (bzip2, xz, zip, 7z, lz4, rar, unix
// compress) prints "data file <path> is compressed or
// packed as %s, which lodrun does not read" and ends the run through
// abortRun, as does a stream whose first bytes cannot be given back.
//
// Reading a truncated or corrupt compressed file prints "compressed data
// file <path> is truncated" or "compressed data file <path> is corrupt: %s"
// once and is then a read error (ferror, errno EIO) at every read.
FILE *openDataInput(FILE *stream, const char *path);

// Called right after `stream` has been opened on the output file `path`:
// a name ending in ".gz" or ".zst" gives back a stream that compresses what
// is written to it (which owns `stream`); any other name gives back `stream`.
FILE *openDataOutput(FILE *stream, const char *path);

// Flushes `stream` and, when it compresses, ends the compressed data and
// flushes the file beneath. Returns 0, or EOF with errno set when a write
// failed (a full disk shows here). Writing to `stream` afterwards is an
// error; fclose still closes it. For a plain stream this is fflush.
int finishDataOutput(FILE *stream);

// The stream of the file itself beneath `stream` (its size and how far it
// has been read are the compressed ones), or `stream` when it is plain.
FILE *fileBeneath(FILE *stream);

#endif  // LODRUN_JOB_COMPRESSEDFILE_H
