// reader.cpp - the input record reader of a load.
//
//   dataStream --fixed: lrecl bytes----------------------------> inputBuffer
//              --lines: pieces of up to 8183 bytes, CR/LF cut,
//                       0x01/0x02 back to LF/CR ----------------> inputBuffer
//
// Fixed records are read whole; line ends inside them count toward lrecl.
// Lines are split at line feeds only. The Excel heading, blank lines and the
// first `skip` records are passed over; every other record is counted, and
// the one that goes beyond `rows` ends the load.
#include "load/reader.h"

#include <cstdio>
#include <cstring>

#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

// A line piece holds at most this many bytes (line feed included), leaving
// room for the NUL in inputBuffer.
constexpr int kLinePiece = kBufferSize - 1;

// Length of the record last delivered (a line may hold NUL bytes).
int deliveredLength = 0;

int readFixedRecord();
int readLineRecord();
int readLinePiece(FILE *stream, char *buffer, int *firstNul);
void restoreLineBreaks(char *text, int length);
bool passOver();
int countRecord(int length);
[[noreturn]] void failRead();

}  // namespace

int readRecord() {
  deliveredLength = 0;
  return job.recordLength > 0 ? readFixedRecord() : readLineRecord();
}

int currentRecordLength() { return deliveredLength; }

namespace {

int readFixedRecord() {
  for (;;) {
    const size_t wanted = static_cast<size_t>(job.recordLength);
    const size_t got = std::fread(job.inputBuffer, 1, wanted, job.dataStream);
    if (got < wanted && std::ferror(job.dataStream)) failRead();
    if (got == 0) return 0;
    if (got < wanted) {
      LOCATED_MESSAGE("Lodrun: short %s for last %sput (size %d, wanted %d), line count %d%s",
                      "read", "in", static_cast<int>(got), job.recordLength, job.recordCount,
                      job.lineEnd);
      abortRun();
    }
    job.inputBuffer[got] = '\0';
    if (passOver()) continue;
    return countRecord(job.recordLength);
  }
}

int readLineRecord() {
  char *line = job.inputBuffer;
  for (;;) {
    int firstNul = -1;
    int length = readLinePiece(job.dataStream, line, &firstNul);
    if (length == 0) {
      if (std::ferror(job.dataStream)) failRead();
      return 0;
    }
    if (job.excelFormat) {
      job.excelFormat = 0;  // the heading line: neither counted nor examined
      continue;
    }
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    line[length] = '\0';
    if (length == 0) {
      ++job.blankLineCount;
      continue;
    }
    if (passOver()) continue;
    // Delimited text ends its fields at a NUL: a record holding one is no
    // text (a binary or UTF-16 file) and would load cut short.
    if (job.separator != 0 && firstNul >= 0) {
      LOCATED_MESSAGE("input record %d contains binary data at byte %d%s",
                      job.recordCount + 1, firstNul + 1, job.lineEnd);
      abortRun();
    }
    restoreLineBreaks(line, length);
    return countRecord(length);
  }
}

// Reads up to kLinePiece bytes, stopping after a line feed. *firstNul gets
// the offset of the first NUL byte read, if any. Returns the count; 0 at the
// end of the data or on a read error.
int readLinePiece(FILE *stream, char *buffer, int *firstNul) {
  int n = 0;
  while (n < kLinePiece) {
    const int c = getc_unlocked(stream);
    if (c == EOF) break;
    buffer[n] = static_cast<char>(c);
    if (c == '\n') return n + 1;
    if (c == 0 && *firstNul < 0) *firstNul = n;
    ++n;
  }
  return n;
}

// Line breaks inside a field travel as the bytes 0x01 (LF) and 0x02 (CR).
void restoreLineBreaks(char *text, int length) {
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

int countRecord(int length) {
  ++job.recordCount;
  if (job.maxRows > 0 && job.recordCount > job.maxRows) return 0;
  deliveredLength = length;
  return length;
}

void failRead() {
  std::fflush(stdout);
  std::perror("Unexpected system error reading input record");
  abortRun();
}

}  // namespace
