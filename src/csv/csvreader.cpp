// csvreader.cpp - RFC 4180 records out of the data file.
//
//   dataStream --blocks (readDataBytes)--> raw (grows to the longest record)
//     --findRecordEnd (a line without a quote: memchr; else quote state)
//     --> [recordStart, recordEnd)
//     --splitFields--> values (quotes undone, NUL-ended) + fields
//
// A record is found whole before it is split, so a record that spans lines
// or read blocks needs no state carried between reads. The raw window keeps
// the bytes after the record for the next one. Most lines hold no quote
// character at all: such a line is a record of unquoted fields as it
// stands, found by two memchr calls instead of a byte-by-byte scan.
//
// A record whose quotes go wrong (never closed, or text after a closing
// quote) is only its first line, and the lines after it are scanned again.
// The scan stays linear all the same: inside quotes the scan can only be at
// a line end with the record still open, so every scan that is inside
// quotes at a given line end goes on alike from there. Once one has failed,
// quotedUntil marks how far; a later scan that is inside quotes at a line
// end before that mark fails at once. Each byte is thus scanned about twice.
#include "csv/csvreader.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "csv/csvmode.h"
#include "job/datainput.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

constexpr size_t kReadBlock = size_t{1} << 16;

// Quoted: inside a quoted field; QuoteSeen: just after a quote in one (a
// second quote makes it data); Closed: after its closing quote, where only
// blanks may come before the separator or the line end; ClosedCr: after a
// carriage return there, which must end the line.
enum class Scan { FieldStart, Unquoted, Quoted, QuoteSeen, Closed, ClosedCr };

// The record that starts at state.begin is raw[state.begin, end); the next
// one starts at `next`.
struct RecordEnd {
  size_t end;
  size_t next;
};

bool readMore(CsvState &state);
RecordEnd findRecordEnd(CsvState &state);
size_t findLineEnd(CsvState &state, size_t from);
bool findPlainLine(CsvState &state, RecordEnd *found);
void splitFields(CsvState &state);
char *appendValue(char *to, const char *from, size_t count);
void takeRecord(CsvState &state, size_t end, size_t next);
bool isBlankLine(const CsvState &state);
int showInInputBuffer(const CsvState &state);
[[noreturn]] void failTooLong();
[[noreturn]] void failRead();

}  // namespace

bool csvBytesHoldLineEnd() {
  const CsvState *state = job.csv;
  return state != nullptr && state->end > state->begin &&
         std::memchr(state->raw.data() + state->begin, '\n', state->end - state->begin) != nullptr;
}

int readCsvRecord() {
  CsvState &state = *job.csv;
  for (;;) {
    if (state.begin == state.end && !readMore(state)) return 0;
    const RecordEnd found = findRecordEnd(state);
    takeRecord(state, found.end, found.next);
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

bool readCsvHeading() {
  CsvState &state = *job.csv;
  job.excelFormat = 0;  // the heading is read here, not passed over
  if (state.begin == state.end && !readMore(state)) return false;
  const RecordEnd found = findRecordEnd(state);
  takeRecord(state, found.end, found.next);
  if (!state.brokenRecord) splitFields(state);
  return true;
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

void expectCsvFields(int count) { job.csv->expectedFields = count; }

namespace {

// Appends the next bytes of the data file after state.end: a block, or from
// a terminal one line, so typed records load as they come. Moves the bytes
// not yet taken to the front first, and grows the window when they fill it
// (the callers keep what is not taken within kMaxCsvRecord). False at the
// end of the data.
bool readMore(CsvState &state) {
  if (state.endOfData) return false;
  if (state.begin > 0) {
    std::memmove(state.raw.data(), state.raw.data() + state.begin, state.end - state.begin);
    state.end -= state.begin;
    state.quotedUntil = state.quotedUntil > state.begin ? state.quotedUntil - state.begin : 0;
    state.begin = 0;
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
    got = readDataBytes(stream, state.raw.data() + state.end, state.raw.size() - state.end);
  }
  if (got == 0) {
    if (dataReadFailed(stream)) failRead();
    state.endOfData = true;
    return false;
  }
  state.end += got;
  return true;
}

// Where the record that starts at state.begin ends: at a line feed outside
// quotes (excluded), or at the end of the data. Reads more data as the scan
// needs it (state.begin may move to 0). A record whose quotes go wrong is cut
// at its first line end and marked broken: a quote never closed (also one
// still open past kMaxCsvRecord bytes), or text after a closing quote on
// that first line (textAfterQuote). A record longer than kMaxCsvRecord
// otherwise ends the run.
RecordEnd findRecordEnd(CsvState &state) {
  constexpr size_t kNone = ~size_t{0};
  const char separator = job.separator;
  const char quote = job.quoteChar;
  state.brokenRecord = false;
  state.textAfterQuote = false;
  RecordEnd plain;
  if (findPlainLine(state, &plain)) return plain;
  size_t p = state.begin;
  Scan scan = Scan::FieldStart;
  // Offsets survive readMore's move; keep them relative to the record.
  size_t firstFeed = kNone;  // the first line end passed inside quotes
  auto more = [&]() {
    const size_t offset = p - state.begin;
    const bool got = readMore(state);
    p = state.begin + offset;
    return got;
  };
  auto found = [&](size_t end, size_t next) {
    state.scannedBytes += p - state.begin;
    return RecordEnd{end, next};
  };
  // The quotes went wrong at p: the record is its first line.
  auto broken = [&](bool textAfterQuote) {
    state.brokenRecord = true;
    state.quotedUntil = std::max(state.quotedUntil, p);
    if (firstFeed != kNone) {
      const size_t lineEnd = state.begin + firstFeed;
      return found(lineEnd, lineEnd + 1);
    }
    state.textAfterQuote = textAfterQuote;
    p = findLineEnd(state, p);
    return found(p, p < state.end ? p + 1 : p);
  };
  for (;;) {
    if (p >= state.end) {
      if (p - state.begin > kMaxCsvRecord) {
        // A quote still open this far is given up, unless the record's
        // first line alone is that long.
        if (firstFeed != kNone && (scan == Scan::Quoted || scan == Scan::QuoteSeen))
          return broken(false);
        failTooLong();
      }
      if (!more()) break;
      continue;
    }
    const char *raw = state.raw.data();
    switch (scan) {
      case Scan::FieldStart:
        if (raw[p] == quote) {
          scan = Scan::Quoted;
          ++p;
          continue;
        }
        scan = Scan::Unquoted;
        [[fallthrough]];
      case Scan::Unquoted:
        while (p < state.end && raw[p] != separator && raw[p] != '\n') ++p;
        if (p >= state.end) continue;
        if (raw[p] == '\n') return found(p, p + 1);
        scan = Scan::FieldStart;
        ++p;
        continue;
      case Scan::Quoted: {
        // Only a quote needs a decision, and a line end while the first
        // line is not known or a failed scan has been here.
        const void *mark = std::memchr(raw + p, quote, state.end - p);
        const size_t stop =
            mark != nullptr ? static_cast<size_t>(static_cast<const char *>(mark) - raw) : state.end;
        if (firstFeed == kNone || p < state.quotedUntil) {
          const void *feed = std::memchr(raw + p, '\n', stop - p);
          if (feed != nullptr) {
            const size_t at = static_cast<size_t>(static_cast<const char *>(feed) - raw);
            if (firstFeed == kNone) firstFeed = at - state.begin;
            if (at < state.quotedUntil) {
              p = at;
              return broken(false);
            }
          }
        }
        p = stop;
        if (mark != nullptr) {
          scan = Scan::QuoteSeen;
          ++p;
        }
        continue;
      }
      case Scan::QuoteSeen:
        if (raw[p] == quote) {
          scan = Scan::Quoted;
          ++p;
          continue;
        }
        scan = Scan::Closed;
        [[fallthrough]];
      case Scan::Closed:
        if (raw[p] == separator) {
          scan = Scan::FieldStart;
        } else if (raw[p] == '\n') {
          return found(p, p + 1);
        } else if (raw[p] == '\r') {
          scan = Scan::ClosedCr;
        } else if (raw[p] != ' ' && raw[p] != '\t') {
          return broken(true);
        }
        ++p;
        continue;
      case Scan::ClosedCr:
        if (raw[p] == '\n') return found(p, p + 1);
        return broken(true);
    }
  }
  // The data ended; a quote still open never closes.
  if (scan == Scan::Quoted) return broken(false);
  return found(state.end, state.end);
}

// The common record: a whole line already read that holds no quote
// character. No field of it is quoted, so it ends at its line feed whatever
// the separators; the scan would find the same end byte by byte. False
// (nothing changed) when the line is not all there or has a quote anywhere.
bool findPlainLine(CsvState &state, RecordEnd *found) {
  const char *line = state.raw.data() + state.begin;
  const size_t available = state.end - state.begin;
  const void *feed = std::memchr(line, '\n', available);
  if (feed == nullptr) return false;
  const size_t length = static_cast<size_t>(static_cast<const char *>(feed) - line);
  if (std::memchr(line, job.quoteChar, length) != nullptr) return false;
  state.scannedBytes += length;
  *found = RecordEnd{state.begin + length, state.begin + length + 1};
  return true;
}

// Index of the line feed at or after `from`, or state.end when the data end
// first. Reads more data as needed (state.begin may move to 0); a line that
// passes kMaxCsvRecord ends the run.
size_t findLineEnd(CsvState &state, size_t from) {
  size_t p = from;
  for (;;) {
    const void *feed = std::memchr(state.raw.data() + p, '\n', state.end - p);
    if (feed != nullptr) return static_cast<size_t>(static_cast<const char *>(feed) - state.raw.data());
    p = state.end;
    if (p - state.begin > kMaxCsvRecord) failTooLong();
    const size_t offset = p - state.begin;
    if (!readMore(state)) return state.end;
    p = state.begin + offset;
  }
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

// The values go into state.values without a reallocation per field: it is
// sized first for the worst case, every byte of the record a value byte and
// every byte a separator, each ending a value with its NUL. Its size only
// grows; the fields say where the values lie.
void splitFields(CsvState &state) {
  const char separator = job.separator;
  const char quote = job.quoteChar;
  const char *raw = state.raw.data();
  size_t p = state.recordStart;
  const size_t end = state.recordEnd;
  const size_t room = 2 * (end - p) + 2;
  if (state.values.size() < room) state.values.resize(room);
  char *const values = state.values.data();
  char *to = values;
  state.fields.clear();
  for (;;) {
    char *const value = to;
    const bool quoted = p < end && raw[p] == quote;
    if (quoted) {
      ++p;
      for (;;) {
        const void *found = std::memchr(raw + p, quote, end - p);
        if (found == nullptr) {
          to = appendValue(to, raw + p, end - p);
          p = end;
          break;
        }
        const size_t q = static_cast<size_t>(static_cast<const char *>(found) - raw);
        to = appendValue(to, raw + p, q - p);
        p = q + 1;
        if (p < end && raw[p] == quote) {
          *to++ = quote;
          ++p;
        } else {
          // Closed; the reader let only blanks follow, up to the separator.
          while (p < end && raw[p] != separator) ++p;
          break;
        }
      }
    } else {
      const void *found = std::memchr(raw + p, separator, end - p);
      const size_t stop =
          found != nullptr ? static_cast<size_t>(static_cast<const char *>(found) - raw) : end;
      to = appendValue(to, raw + p, stop - p);
      p = stop;
    }
    *to++ = '\0';
    state.fields.push_back(CsvField{static_cast<size_t>(value - values),
                                    static_cast<int>(to - 1 - value), quoted});
    if (p >= end) break;
    ++p;  // the separator; a record that ends with one has an empty last field
  }
}

char *appendValue(char *to, const char *from, size_t count) {
  std::memcpy(to, from, count);
  return to + count;
}

void failTooLong() {
  LOCATED_MESSAGE("record %d is longer than %zu bytes, the most a csv record may hold%s",
                  job.recordCount + 1, kMaxCsvRecord, job.lineEnd);
  abortRun();
}

void failRead() {
  stopIfRequested();  // the read may only have been interrupted for a stop
  flushMessages(stdout);
  std::perror("Unexpected system error reading input record");
  abortRun();
}

}  // namespace
