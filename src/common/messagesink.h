// messagesink.h - the one way messages reach their stream, and standard
// output held back while a load's records wait in a batch.
//
// Whatever a record's reading and conversion write to standard output
// (messages, dblib reports, rejected records without a discards file)
// belongs after the execution of the records read before it. While such
// records wait, writes meant for standard output are appended, in order, to
// one buffer instead; the load then releases each record's part just before
// that record counts as executed, and drops what belongs after a failing
// one. Writes to any other stream go straight to it. Main thread only.
#ifndef LODRUN_COMMON_MESSAGESINK_H
#define LODRUN_COMMON_MESSAGESINK_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// printf to stream, or into the held buffer when standard output is held and
// stream is stdout. Returns what vfprintf returns (held: the bytes held).
int printMessage(FILE *stream, const char *format, ...) __attribute__((format(printf, 2, 3)));
int printMessageList(FILE *stream, const char *format, va_list args);

// fwrite of `length` bytes, held as printMessage is. Returns the bytes
// written (held: all of them).
size_t writeMessage(FILE *stream, const char *bytes, size_t length);

// fflush of stream; while standard output is held, stdout itself is left as
// it is (what it buffers stays ahead of what is released later, and a failed
// write is left for the next unheld flush to find) and 0 is returned.
int flushMessages(FILE *stream);

// Starts holding standard output into an empty buffer (what an earlier hold
// left is forgotten). Nothing when output is held already.
void holdStandardOutput();

// Standard output is written again. What was held stays in the buffer for
// releaseHeldOutput until the next holdStandardOutput.
void stopHoldingStandardOutput();

bool standardOutputHeld();

// Bytes held so far: the offset the next held byte goes to.
long heldOutputLength();

// Writes held bytes [from, to) to standard output; nothing when to <= from,
// while output is held, or past what was held.
void releaseHeldOutput(long from, long to);

#endif  // LODRUN_COMMON_MESSAGESINK_H
