// csvreader.cpp - RFC 4180 records out of the data file.
//
//   dataStream --fread blocks--> raw (grows to the longest record)
//     --findRecordEnd (quote state)--> [recordStart, recordEnd)
//     --splitFields--> values (quotes undone, NUL-ended) + fields
//
// A record is found whole before it is split, so a record that spans lines
// or read blocks needs no state carried between reads. The raw window keeps
// the bytes after the record for the next one.
#include "csv/csvreader.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "csv/csvmode.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

constexpr size_t kReadBlock = size_t{1} << 16;

enum class Scan { FieldStart, Unquoted, Quoted };

bool readMore(CsvState &state);
size_t findRecordEnd(CsvState &state, bool *unterminated);
void splitFields(CsvState &state);
void appendValue(CsvState &state, const char *from, size_t count);
void takeRecord(CsvState &state, size_t end, size_t next);
bool isBlankLine(const CsvState &state);
int showInInputBuffer(const CsvState &state);
[[noreturn]] void failRead();

}  // namespace

int readCsvRecord() {
  CsvState &state = *job.csv;
  for (;;) {
    if (state.begin == state.end && !readMore(state)) return 0;
    bool unterminated = false;
    const size_t end = findRecordEnd(state, &unterminated);
    state.brokenRecord = unterminated;
    if (unterminated) {
      // Keep the lines after the first: they are read again as records.
      const void *feed = std::memchr(state.raw.data() + state.begin, '\n', end - state.begin);
      const size_t lineEnd =
          feed != nullptr ? static_cast<size_t>(static_cast<const char *>(feed) - state.raw.data())
                          : end;
      takeRecord(state, lineEnd, feed != nullptr ? lineEnd + 1 : end);
    } else {
      takeRecord(state, end, end < state.end ? end + 1 : end);
    }
    if (job.excelFormat) {
      job.excelFormat = 0;  // the heading: neither counted nor examined
      continue;
    }
    if (isBlankLine(state)) {
      ++job.blankLineCount;
      continue;
    }
    if (job.skipCount > 0) {
      --job.skipCount;
      continue;
    }
    ++job.recordCount;
    if (job.maxRows > 0 && job.recordCount > job.maxRows) return 0;
    if (!state.brokenRecord) splitFields(state);
    return showInInputBuffer(state);
  }
}

const char *csvRecordText(int *length) {
  const CsvState &state = *job.csv;
  *length = static_cast<int>(state.recordEnd - state.recordStart);
  return state.raw.data() + state.recordStart;
}

int expectedCsvFields() {
  int &expected = job.csv->expectedFields;
  if (expected >= 0) return expected;
  expected = 0;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.sqlField > 0 && f.position > expected) expected = f.position;
  }
  return expected;
}

namespace {

// Appends the next bytes of the data file after state.end: a block, or from
// a terminal one line, so typed records load as they come. Moves the bytes
// not yet taken to the front first, and grows the window when they fill it.
// False at the end of the data. A record that would pass kMaxCsvRecord ends
// the run.
bool readMore(CsvState &state) {
  if (state.endOfData) return false;
  if (state.begin > 0) {
    std::memmove(state.raw.data(), state.raw.data() + state.begin, state.end - state.begin);
    state.end -= state.begin;
    state.begin = 0;
  }
  if (state.end > kMaxCsvRecord) {
    LOCATED_MESSAGE("record %d is longer than %zu bytes, the most a csv record may hold%s",
                    job.recordCount + 1, kMaxCsvRecord, job.lineEnd);
    abortRun();
  }
  // Doubling, but never much beyond the longest record allowed.
  if (state.raw.size() - state.end < kReadBlock)
    state.raw.resize(std::min(std::max(state.raw.size() * 2, state.end + kReadBlock),
                              kMaxCsvRecord + 2 * kReadBlock));
  FILE *stream = job.dataStream;
  size_t got = 0;
  if (isatty(fileno(stream))) {
    for (int c; got < state.raw.size() - state.end && (c = getc(stream)) != EOF;) {
      state.raw[state.end + got++] = static_cast<char>(c);
      if (c == '\n') break;
    }
  } else {
    got = std::fread(state.raw.data() + state.end, 1, state.raw.size() - state.end, stream);
  }
  if (got == 0) {
    if (std::ferror(stream)) failRead();
    state.endOfData = true;
    return false;
  }
  state.end += got;
  return true;
}

// Index of the line feed that ends the record starting at state.begin, or
// state.end when the data end first. *unterminated: the data ended inside
// quotes. Reads more data as the scan needs it (state.begin may move to 0).
size_t findRecordEnd(CsvState &state, bool *unterminated) {
  const char separator = job.separator;
  const char quote = job.quoteChar;
  size_t p = state.begin;
  Scan scan = Scan::FieldStart;
  // Offsets survive readMore's move; keep them relative to the record.
  size_t offset = 0;
  auto more = [&]() {
    offset = p - state.begin;
    const bool got = readMore(state);
    p = state.begin + offset;
    return got;
  };
  for (;;) {
    if (p >= state.end) {
      if (!more()) break;
      continue;
    }
    const char *raw = state.raw.data();
    if (scan == Scan::FieldStart) {
      if (raw[p] == quote) {
        scan = Scan::Quoted;
        ++p;
        continue;
      }
      scan = Scan::Unquoted;
    }
    if (scan == Scan::Unquoted) {
      while (p < state.end && raw[p] != separator && raw[p] != '\n') ++p;
      if (p >= state.end) continue;
      if (raw[p] == '\n') return p;
      scan = Scan::FieldStart;
      ++p;
      continue;
    }
    // Inside quotes: only a quote needs a decision.
    const void *found = std::memchr(raw + p, quote, state.end - p);
    if (found == nullptr) {
      p = state.end;
      continue;
    }
    p = static_cast<size_t>(static_cast<const char *>(found) - raw);
    if (p + 2 >= state.end && !state.endOfData) {
      // The decision needs the two bytes after the quote.
      if (more()) continue;
    }
    raw = state.raw.data();
    const char next = p + 1 < state.end ? raw[p + 1] : '\n';
    if (p + 1 >= state.end) return state.end;  // closed by the end of the data
    if (next == quote) {
      p += 2;
    } else if (next == separator) {
      scan = Scan::FieldStart;
      p += 2;
    } else if (next == '\n') {
      return p + 1;
    } else if (next == '\r' && (p + 2 >= state.end || raw[p + 2] == '\n')) {
      return p + 2 < state.end ? p + 2 : state.end;
    } else {
      ++p;  // a quote that closes nothing is data
    }
  }
  *unterminated = scan == Scan::Quoted;
  return state.end;
}

// The record is raw[state.begin, end) less a carriage return before its line
// feed; reading goes on at `next`.
void takeRecord(CsvState &state, size_t end, size_t next) {
  state.recordStart = state.begin;
  state.recordEnd = end;
  if (end > state.begin && end < state.end && state.raw[end] == '\n' &&
      state.raw[end - 1] == '\r')
    --state.recordEnd;
  else if (end == state.end && end > state.begin && state.raw[end - 1] == '\r')
    --state.recordEnd;
  state.begin = next;
}

bool isBlankLine(const CsvState &state) {
  return state.recordEnd == state.recordStart && expectedCsvFields() > 1;
}

// Code that knows records only by job.inputBuffer finds the record there, or
// its first kBufferSize - 1 bytes; the length never passes that buffer.
int showInInputBuffer(const CsvState &state) {
  const size_t length =
      std::min(state.recordEnd - state.recordStart, static_cast<size_t>(kBufferSize - 1));
  std::memcpy(job.inputBuffer, state.raw.data() + state.recordStart, length);
  job.inputBuffer[length] = '\0';
  return length > 0 ? static_cast<int>(length) : 1;
}

void splitFields(CsvState &state) {
  const char separator = job.separator;
  const char quote = job.quoteChar;
  const char *raw = state.raw.data();
  size_t p = state.recordStart;
  const size_t end = state.recordEnd;
  state.values.clear();
  state.fields.clear();
  for (;;) {
    const size_t offset = state.values.size();
    const bool quoted = p < end && raw[p] == quote;
    if (quoted) {
      ++p;
      for (;;) {
        const void *found = std::memchr(raw + p, quote, end - p);
        if (found == nullptr) {
          appendValue(state, raw + p, end - p);
          p = end;
          break;
        }
        const size_t q = static_cast<size_t>(static_cast<const char *>(found) - raw);
        appendValue(state, raw + p, q - p);
        p = q + 1;
        if (p < end && raw[p] == quote) {
          appendValue(state, &quote, 1);
          ++p;
        } else if (p >= end || raw[p] == separator) {
          break;
        } else {
          appendValue(state, &quote, 1);  // closes nothing: data
        }
      }
    } else {
      const void *found = std::memchr(raw + p, separator, end - p);
      const size_t stop =
          found != nullptr ? static_cast<size_t>(static_cast<const char *>(found) - raw) : end;
      appendValue(state, raw + p, stop - p);
      p = stop;
    }
    const int length = static_cast<int>(state.values.size() - offset);
    state.values.push_back('\0');
    state.fields.push_back(CsvField{offset, length, quoted});
    if (p >= end) break;
    ++p;  // the separator; a record that ends with one has an empty last field
  }
}

void appendValue(CsvState &state, const char *from, size_t count) {
  if (count > 0) state.values.insert(state.values.end(), from, from + count);
}

void failRead() {
  stopIfRequested();  // the read may only have been interrupted for a stop
  std::fflush(stdout);
  std::perror("Unexpected system error reading input record");
  abortRun();
}

}  // namespace
