// datainput.h - the bytes of a load's data file, as they arrive.
//
//   regular file, STARTDATA data ---------fread, whole blocks-------> reader
//   pipe, FIFO, socket (beginStreamingInput)
//              --byte order mark passed over, unbuffered,
//                one read(2) per call: what has arrived -----------> reader
//
// A producer that pauses must not hold back records that have arrived: a
// streamed input gives each refill what one read returns, and says when the
// next read would wait (dataInputWouldBlock) so that the load can execute
// the records it has gathered first.
#ifndef LODRUN_JOB_DATAINPUT_H
#define LODRUN_JOB_DATAINPUT_H

#include <cstddef>
#include <cstdio>

// Call for a freshly opened data file before anything is read from it. A
// file that is neither regular nor a terminal is then streamed: its byte
// order mark (UTF-8) is passed over here, and the stream is read only
// through the calls below (a read error here shows at the first read).
// Returns true when the stream is streamed.
bool beginStreamingInput(FILE *stream);

// Reads at most `room` bytes into `buffer`: from a regular file a whole block
// (fread), from a streamed input what one read returns. 0 at the end of the
// data or on a read error (dataReadFailed tells which).
size_t readDataBytes(FILE *stream, char *buffer, size_t room);

// Reads exactly `wanted` bytes unless the data end first; returns the count.
size_t readDataExactly(FILE *stream, char *buffer, size_t wanted);

// True when reading `stream` failed.
bool dataReadFailed(FILE *stream);

// True when `stream` is streamed (beginStreamingInput).
bool dataInputStreamed(FILE *stream);

// True when `stream` is streamed and nothing more has arrived: the next read
// would wait for the producer.
bool dataInputWouldBlock(FILE *stream);

#endif
