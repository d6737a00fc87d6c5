// reader.cpp - the input record reader of a load.
//
//   dataStream --fixed: lrecl bytes----------------------------> inputBuffer
//              --lines: read-ahead block (ReadAhead, the load run's)
//                                        --up to 8183 bytes, CR/LF cut,
//                       0x01/0x02 back to LF/CR ----------------> inputBuffer
//                                         \--the rest of a longer line--> readLineRest
//
// Fixed records are read whole; line ends inside them count toward lrecl.
// Lines are split at line feeds only. A line too long for inputBuffer is one
// record all the same: its first bytes are delivered, and its rest is read
// by readLineRest (into the discards) or passed over before the next record.
// The Excel heading, blank lines and the first `skip` records are passed
// over; every other record is counted, and the one that goes beyond `rows`
// ends the load.
#include "load/reader.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "csv/csvreader.h"
#include "job/commitpoint.h"
#include "job/datainput.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

// A line piece holds at most this many bytes (line feed included), leaving
// room for the NUL in inputBuffer.
constexpr int kLinePiece = kBufferSize - 1;

int readFixedRecord(ReadAhead &ahead);
int readLineRecord(ReadAhead &ahead);
size_t fillAhead(ReadAhead &source, FILE *stream, size_t wanted);
int readLinePiece(ReadAhead &source, FILE *stream, char *buffer);
bool lineEndsHere(ReadAhead &source, FILE *stream);
void passOverLineRest(ReadAhead &ahead);
void checkBinary(const char *line, int length);
void restoreLineBreaks(char *text, int length);
bool passOver();
int countRecord(ReadAhead &ahead, int length);
[[noreturn]] void failRead();

}  // namespace

void beginRecordRead(ReadAhead &ahead) {
  // Reaching the next record means the last commit point went through (a
  // restart confirms it already); it is also where a stop asked for by a
  // signal takes effect.
  confirmCommitPoint();
  stopIfRequested();
  ahead.delivered = 0;
}

int readRecord(ReadAhead &ahead) {
  beginRecordRead(ahead);
  return job.recordLength > 0 ? readFixedRecord(ahead) : readLineRecord(ahead);
}

bool inputWouldBlock(const ReadAhead &ahead) {
  if (!dataInputStreamed(job.dataStream)) return false;
  // A whole line already read needs no read (and no poll per record).
  if (ahead.end > ahead.begin &&
      std::memchr(ahead.block + ahead.begin, '\n', ahead.end - ahead.begin) != nullptr)
    return false;
  return !csvBytesHoldLineEnd() && dataInputWouldBlock(job.dataStream);
}

int currentRecordLength(const ReadAhead &ahead) { return ahead.delivered; }

bool recordIsCut(const ReadAhead &ahead) { return ahead.lineGoesOn; }

int ReadAhead::read(char *buffer, int limit) { return readLineRest(*this, buffer, limit); }

int readLineRest(ReadAhead &source, char *buffer, int limit) {
  int n = 0;
  while (source.lineGoesOn && n < limit) {
    const size_t have = fillAhead(source, job.dataStream, 2);
    if (have == 0) {
      source.lineGoesOn = false;  // the data end; a read error shows at the next record
      break;
    }
    const char *from = source.block + source.begin;
    // The line feed ends the line, and a carriage return before it or
    // before the end of the data; any other carriage return is data.
    if (from[0] == '\n' || (from[0] == '\r' && (have == 1 || from[1] == '\n'))) {
      source.begin += from[0] == '\r' && have > 1 ? 2 : 1;
      source.lineGoesOn = false;
      break;
    }
    size_t take = std::min(have, static_cast<size_t>(limit - n));
    for (size_t i = 1; i < take; ++i) {
      if (from[i] == '\n' || from[i] == '\r') {
        take = i;
        break;
      }
    }
    std::memcpy(buffer + n, from, take);
    n += static_cast<int>(take);
    source.begin += take;
  }
  return n;
}

namespace {

int readFixedRecord(ReadAhead &ahead) {
  for (;;) {
    const size_t wanted = static_cast<size_t>(job.recordLength);
    const size_t got = readDataExactly(job.dataStream, job.inputBuffer, wanted);
    if (got < wanted && dataReadFailed(job.dataStream)) failRead();
    if (got == 0) return 0;
    if (got < wanted) {
      LOCATED_MESSAGE("Lodrun: short %s for last %sput (size %d, wanted %d), line count %d%s",
                      "read", "in", static_cast<int>(got), job.recordLength, job.recordCount,
                      job.lineEnd);
      abortRun();
    }
    job.inputBuffer[got] = '\0';
    if (passOver()) continue;
    return countRecord(ahead, job.recordLength);
  }
}

int readLineRecord(ReadAhead &ahead) {
  char *line = job.inputBuffer;
  for (;;) {
    passOverLineRest(ahead);
    int length = readLinePiece(ahead, job.dataStream, line);
    if (length == 0) {
      if (dataReadFailed(job.dataStream)) failRead();
      return 0;
    }
    const bool cut = length == kLinePiece && line[length - 1] != '\n' &&
                     !lineEndsHere(ahead, job.dataStream);
    ahead.lineGoesOn = cut;
    if (job.excelFormat) {
      job.excelFormat = 0;  // the heading line: neither counted nor examined
      continue;
    }
    while (!cut && length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
      --length;
    line[length] = '\0';
    if (length == 0) {
      ++job.blankLineCount;
      continue;
    }
    if (passOver()) continue;
    // One scan passes the common record: no NUL (strcspn stops there too)
    // and no line break bytes.
    if (std::strcspn(line, "\x01\x02") != static_cast<size_t>(length)) {
      checkBinary(line, length);
      // A cut line is rejected whole, as it stands in the file.
      if (!cut) restoreLineBreaks(line, length);
    }
    return countRecord(ahead, length);
  }
}

// Delimited text ends its fields at a NUL: a record holding one is no text
// (a binary or UTF-16 file) and would load cut short.
void checkBinary(const char *line, int length) {
  if (job.separator == 0) return;
  const void *nul = std::memchr(line, '\0', static_cast<size_t>(length));
  if (nul == nullptr) return;
  const int offset = static_cast<int>(static_cast<const char *>(nul) - line);
  LOCATED_MESSAGE("input record %d contains binary data at byte %d%s", job.recordCount + 1,
                  offset + 1, job.lineEnd);
  abortRun();
}

// Makes `wanted` bytes (at most a block) ready at the read-ahead's begin,
// reading a block, or from a terminal a line; returns how many are ready,
// fewer only at the end of the data or on a read error.
size_t fillAhead(ReadAhead &source, FILE *stream, size_t wanted) {
  if (!source.started) {
    source.started = true;
    source.byteByByte = isatty(fileno(stream)) != 0;
  }
  while (source.end - source.begin < wanted) {
    if (source.begin > 0) {
      std::memmove(source.block, source.block + source.begin, source.end - source.begin);
      source.end -= source.begin;
      source.begin = 0;
    }
    char *free = source.block + source.end;
    const size_t room = sizeof source.block - source.end;
    const size_t got = source.byteByByte
                           ? static_cast<size_t>(readLineBytes(stream, free, static_cast<int>(room)))
                           : readDataBytes(stream, free, room);
    if (got == 0) break;
    source.end += got;
  }
  return source.end - source.begin;
}

// Reads up to kLinePiece bytes into buffer, stopping after a line feed.
// Returns the count; 0 at the end of the data or on a read error.
int readLinePiece(ReadAhead &source, FILE *stream, char *buffer) {
  size_t n = 0;
  while (n < static_cast<size_t>(kLinePiece)) {
    if (fillAhead(source, stream, 1) == 0) {
      // A failed read is no end of line: the caller reports it.
      if (dataReadFailed(stream)) return 0;
      break;
    }
    const char *from = source.block + source.begin;
    size_t take = std::min(source.end - source.begin, static_cast<size_t>(kLinePiece) - n);
    const void *feed = std::memchr(from, '\n', take);
    if (feed != nullptr) take = static_cast<size_t>(static_cast<const char *>(feed) - from) + 1;
    std::memcpy(buffer + n, from, take);
    n += take;
    source.begin += take;
    if (feed != nullptr) break;
  }
  return static_cast<int>(n);
}

// After a full piece without a line feed: true when the line ends right
// there (a line feed, CR LF, a final CR or the end of the data follow; they
// are consumed), false when it goes on.
bool lineEndsHere(ReadAhead &source, FILE *stream) {
  const size_t have = fillAhead(source, stream, 2);
  if (have == 0) return true;
  const char *next = source.block + source.begin;
  if (next[0] == '\n') {
    ++source.begin;
    return true;
  }
  if (next[0] == '\r' && (have == 1 || next[1] == '\n')) {
    source.begin += have == 1 ? 1 : 2;
    return true;
  }
  return false;
}

// The rest of a cut line that nobody read (a skipped or heading line, a
// record discarded without it) is no record of its own.
void passOverLineRest(ReadAhead &ahead) {
  if (!ahead.lineGoesOn) return;  // the usual case, once per record
  char scratch[4096];
  while (readLineRest(ahead, scratch, sizeof scratch) > 0) {
  }
}

// Line breaks inside a field travel as the bytes 0x01 (LF) and 0x02 (CR).
void restoreLineBreaks(char *text, int length) {
  const size_t size = static_cast<size_t>(length);
  if (std::memchr(text, '\x01', size) == nullptr && std::memchr(text, '\x02', size) == nullptr)
    return;
  for (int i = 0; i < length; ++i) {
    if (text[i] == '\x01')
      text[i] = '\n';
    else if (text[i] == '\x02')
      text[i] = '\r';
  }
}

// The first `skip` records after the heading are read and dropped.
bool passOver() {
  if (job.skipCount <= 0) return false;
  --job.skipCount;
  return true;
}

int countRecord(ReadAhead &ahead, int length) {
  ++job.recordCount;
  if (job.maxRows > 0 && job.recordCount > job.maxRows) return 0;
  ahead.delivered = length;
  return length;
}

void failRead() {
  stopIfRequested();  // the read may only have been interrupted for a stop
  flushMessages(stdout);
  std::perror("Unexpected system error reading input record");
  abortRun();
}

}  // namespace

int readLineBytes(FILE *stream, char *buffer, int limit) {
  int n = 0;
  while (n < limit) {
    const int c = getc_unlocked(stream);
    if (c == EOF) break;
    buffer[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return n;
}
