// csvwriter.cpp - a fetched row as one CSV record, and the heading line.
//
//   column (located once) --GetLocatedBytes--> stored value --by type--> text
//       --quoted when needed, quotes doubled--> job.csv->out
//   blob id --OpenBlob/GetBlobSegment--> job.csv->blob --/
//   filler --makeGeneratedValue--> fieldBuffer --/
//   job.csv->out + lineEnd --fwrite--> data file
//
// Values are read as stored (dblib keeps exact output types in CSV mode), so
// no number passes through a text of fixed precision and no text through a
// fixed buffer. The record is built in room that grows to the longest one
// written and is kept: a row copies its bytes, it allocates nothing.
#include "format/csvwriter.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "csv/csvmode.h"
#include "csv/csvvalues.h"
#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/generated.h"
#include "unload/writer.h"

namespace {

static_assert(kScaledTextRoom <= kCsvValueRoom && kTimeTextRoom <= kCsvValueRoom,
              "value texts fit the writer's text buffer");

bool appendColumn(const FieldSpec &spec, std::string_view nullText);
bool appendFiller(int entry, std::string_view nullText);
bool appendBlob(const FieldSpec &spec, const CsvColumn &column, std::string_view nullText);
int storedBytes(const FieldSpec &spec, const CsvColumn &column, const char **data, int *length);
int dateText(const FieldSpec &spec, const CsvColumn &column, const char *data, char *text);
void appendNumberText(const char *text, int length, std::string_view nullText);
void appendText(const char *text, int length, bool forceQuotes, std::string_view nullText);
void appendQuoted(const char *text, int length);
void appendBytes(const char *text, size_t length);
void appendByte(char c);
void growOut(size_t count);
bool needsQuotes(const char *text, int length, std::string_view nullText);
bool isNullText(const char *text, int length, std::string_view nullText);
void writeOut();
void failRecord();

template <typename T>
T storedValue(const char *data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

}  // namespace

void writeCsvRow(OutputRecord *out) {
  CsvState &state = *job.csv;
  state.outLength = 0;
  const std::string_view nullText(job.nullText);
  const int *entries = entriesByPosition(out);
  bool failed = false;
  for (int position = 1; position <= job.fieldCount && !failed; ++position) {
    if (position > 1) appendByte(job.separator);
    const int entry = entries[position - 1];
    if (entry < 0) {
      LOCATED_MESSAGE("cannot find field specifier for %d%s", position, job.lineEnd);
      failed = true;
      break;
    }
    const FieldSpec &spec = job.fieldTable[entry];
    failed = spec.sqlField > 0 ? !appendColumn(spec, nullText) : !appendFiller(entry, nullText);
    if (!failed && state.outLength > kMaxCsvRecord) {
      LOCATED_MESSAGE("output record %d is longer than %zu bytes, the most a csv record may "
                      "hold%s", job.recordCount, kMaxCsvRecord, job.lineEnd);
      failed = true;
    }
  }
  if (failed) {
    failRecord();
    return;
  }
  writeOut();
}

void writeCsvHeading(OutputRecord *out) {
  job.csv->outLength = 0;
  const std::string_view nullText(job.nullText);
  const int *entries = entriesByPosition(out);
  int fillerNumber = 1;
  char name[48];
  for (int position = 1; position <= job.fieldCount; ++position) {
    if (position > 1) appendByte(job.separator);
    const int entry = entries[position - 1];
    if (entry < 0) {
      LOCATED_MESSAGE("spec for output field %d not available%s", position, job.lineEnd);
      abortRun();
    }
    const FieldSpec &spec = job.fieldTable[entry];
    if (spec.sqlField == 0) {
      std::snprintf(name, sizeof name, "%s%d", "filler", fillerNumber++);
    } else {
      const int code = GetFieldName(spec.sqlField, &job.queryRecord, name);
      if (code != kDbOk) failDblib(code, "GetFieldName", spec.sqlField);
    }
    const int length = static_cast<int>(strnlen(name, sizeof name));
    if (needsQuotes(name, length, nullText))
      appendQuoted(name, length);
    else
      appendBytes(name, static_cast<size_t>(length));
  }
  writeOut();
}

namespace {

// Appends the value of the column bound to `spec`; false when the record
// cannot be built (reported).
bool appendColumn(const FieldSpec &spec, std::string_view nullText) {
  const CsvColumn &column = job.csv->columns[static_cast<size_t>(spec.sqlField - 1)];
  const char *data = nullptr;
  int length = 0;
  const int status = storedBytes(spec, column, &data, &length);
  if (status == kDbNull) {
    appendBytes(nullText.data(), nullText.size());
    return true;
  }
  if (status != kDbOk) failDblib(status, "GetFieldBytes", spec.sqlField);
  char text[kCsvValueRoom];
  int textLength = 0;
  switch (column.type) {
    case kTypeText:
    case kTypeVarying:
      appendText(data, length, job.quoteStrings != 0, nullText);
      return true;
    case kTypeShort:
      textLength = formatScaled(storedValue<int16_t>(data), column.scale, text);
      break;
    case kTypeLong:
      textLength = formatScaled(storedValue<int32_t>(data), column.scale, text);
      break;
    case kTypeInt64:
      textLength = formatScaled(storedValue<int64_t>(data), column.scale, text);
      break;
    case kTypeBoolean:
      textLength = std::snprintf(text, sizeof text, "%s", booleanText(data[0] != 0));
      break;
    case kTypeFloat:
      textLength = formatShortestFloat(storedValue<float>(data), text);
      break;
    case kTypeDouble:
      textLength = formatShortestDouble(storedValue<double>(data), text);
      break;
    case kTypeDate:
    case kTypeTimestamp:
      textLength = dateText(spec, column, data, text);
      break;
    case kTypeTime:
      textLength = formatTimeOfDay(storedValue<ISC_TIME>(data), 4, text);
      break;
    case kTypeBlob:
      return appendBlob(spec, column, nullText);
    default:
      LOCATED_MESSAGE("column %d has a type csv cannot write: %hd%s", spec.sqlField,
                      column.type, job.lineEnd);
      abortRun();
  }
  appendNumberText(text, textLength, nullText);
  return true;
}

// The column's stored value, where the fetch left it when it was located:
// GetFieldBytes's answers.
int storedBytes(const FieldSpec &spec, const CsvColumn &column, const char **data, int *length) {
  if (column.fetched.data != nullptr) return GetLocatedBytes(column.fetched, data, length);
  return GetFieldBytes(spec.sqlField, &job.queryRecord, data, length);
}

// The text of a DATE or TIMESTAMP into text (kCsvValueRoom bytes): ISO 8601,
// or the field's dateform; its length.
int dateText(const FieldSpec &spec, const CsvColumn &column, const char *data, char *text) {
  ISC_TIMESTAMP stamp = {};
  stamp.timestamp_date = storedValue<ISC_DATE>(data);
  if (column.type == kTypeTimestamp) stamp.timestamp_time = storedValue<ISC_TIME>(data + 4);
  if (spec.format < FmtYMDdate || spec.format > FmtDMYtime)
    return column.type == kTypeDate ? formatIsoDate(stamp.timestamp_date, text)
                                    : formatIsoTimestamp(stamp, text);
  // The delimited unload's date texts are these same texts for every date
  // they write; the rest go through the calendar.
  const int length = formatTimestampText(reinterpret_cast<const char *>(&stamp), spec.format, text);
  if (length >= 0) return length;
  struct tm calendar;
  timestampToCalendar(stamp, &calendar);
  const int code = formatDate(spec.format, &calendar, text);
  if (code != kDbOk) failDblib(code, "formatDate", spec.sqlField);
  return static_cast<int>(strnlen(text, kCsvValueRoom));
}

// A filler's generated text; a filler that gives none fails the record.
bool appendFiller(int entry, std::string_view nullText) {
  short format = 0;
  short length = 0;
  const int code = makeGeneratedValue(entry, &format, &length);
  if (code != 0 || job.fieldTable[entry].externalType != kExtText) {
    LOCATED_MESSAGE("failure %d converting %s field %d for query at input record %d%s", code,
                    "csv", entry, job.recordCount, job.lineEnd);
    return false;
  }
  const int textLength = static_cast<int>(strnlen(job.fieldBuffer, static_cast<size_t>(length)));
  appendText(job.fieldBuffer, textLength, false, nullText);
  return true;
}

// The blob whose id the column holds, read whole: a text blob is a text, a
// binary one its bytes, always quoted.
bool appendBlob(const FieldSpec &spec, const CsvColumn &column, std::string_view nullText) {
  CsvState &state = *job.csv;
  QueryRecord *query = &job.queryRecord;
  const int sqlField = spec.sqlField;
  short blobType = 0;
  const int64_t total = openFetchedBlob(sqlField, &blobType);
  if (total > static_cast<int64_t>(kMaxCsvRecord)) {
    LOCATED_MESSAGE("blob for col %d, record %d too long (%" PRId64 " bytes, max: %zu)%s",
                    sqlField, job.recordCount, total, kMaxCsvRecord, job.lineEnd);
    closeFetchedBlob(sqlField);
    return false;
  }
  const int wanted = static_cast<int>(total);
  if (state.blob.size() < static_cast<size_t>(wanted) + 1) state.blob.resize(static_cast<size_t>(wanted) + 1);
  int got = 0;
  while (got < wanted) {
    int delivered = 0;
    const int code =
        GetBlobSegment(sqlField, query, state.blob.data() + got, wanted - got, &delivered);
    if (code == kDbBlobEnd || (code == kDbOk && delivered == 0)) break;
    if (code != kDbOk) failDblib(code, "getting blob data", sqlField);
    got += delivered;
  }
  if (got < wanted) {
    LOCATED_MESSAGE("blob for col %d at record %d read error (got %d bytes, expected %d)%s",
                    sqlField, job.recordCount, got, wanted, job.lineEnd);
    abortRun();
  }
  closeFetchedBlob(sqlField);
  if (column.subtype == 1)
    appendText(state.blob.data(), wanted, job.quoteStrings != 0, nullText);
  else
    appendQuoted(state.blob.data(), wanted);
  return true;
}

// Numbers and dates need quotes only when a separator, quote or the NULL
// text could be taken for them.
void appendNumberText(const char *text, int length, std::string_view nullText) {
  const bool quote = std::memchr(text, job.separator, static_cast<size_t>(length)) != nullptr ||
                     std::memchr(text, job.quoteChar, static_cast<size_t>(length)) != nullptr ||
                     isNullText(text, length, nullText);
  if (quote)
    appendQuoted(text, length);
  else
    appendBytes(text, static_cast<size_t>(length));
}

void appendText(const char *text, int length, bool forceQuotes, std::string_view nullText) {
  if (forceQuotes || needsQuotes(text, length, nullText))
    appendQuoted(text, length);
  else
    appendBytes(text, static_cast<size_t>(length));
}

// In quotes, each quote character doubled.
void appendQuoted(const char *text, int length) {
  const char quote = job.quoteChar;
  appendByte(quote);
  const char *end = text + length;
  while (text < end) {
    const void *found = std::memchr(text, quote, static_cast<size_t>(end - text));
    const char *stop = found != nullptr ? static_cast<const char *>(found) + 1 : end;
    appendBytes(text, static_cast<size_t>(stop - text));
    if (found != nullptr) appendByte(quote);
    text = stop;
  }
  appendByte(quote);
}

void appendBytes(const char *text, size_t length) {
  CsvState &state = *job.csv;
  if (state.outLength + length > state.out.size()) growOut(length);
  if (length > 0) std::memcpy(state.out.data() + state.outLength, text, length);
  state.outLength += length;
}

void appendByte(char c) {
  CsvState &state = *job.csv;
  if (state.outLength == state.out.size()) growOut(1);
  state.out[state.outLength++] = c;
}

// Room for `count` more bytes after the record's: doubling, and kept for
// the records after.
void growOut(size_t count) {
  CsvState &state = *job.csv;
  state.out.resize(std::max(state.outLength + count, 2 * state.out.size()));
}

// A text read back unquoted would change: it holds the separator, the quote
// character or a line break, has blanks at an end, is empty, or is the NULL
// text. The library's memchr looks for each of the four bytes faster than a
// loop can look for all of them at once.
bool needsQuotes(const char *text, int length, std::string_view nullText) {
  if (length == 0 || text[0] == ' ' || text[length - 1] == ' ') return true;
  const size_t size = static_cast<size_t>(length);
  return std::memchr(text, job.separator, size) != nullptr ||
         std::memchr(text, job.quoteChar, size) != nullptr ||
         std::memchr(text, '\n', size) != nullptr || std::memchr(text, '\r', size) != nullptr ||
         isNullText(text, length, nullText);
}

bool isNullText(const char *text, int length, std::string_view nullText) {
  return std::string_view(text, static_cast<size_t>(length)) == nullText;
}

void writeOut() {
  CsvState &state = *job.csv;
  appendBytes(job.lineEnd, static_cast<size_t>(job.lineEndLength));
  const size_t written = std::fwrite(state.out.data(), 1, state.outLength, job.dataStream);
  if (written == state.outLength) return;
  std::perror("Unexpected system error writing output");
  abortRun();
}

// The record is not written: half a record would read back as another one.
void failRecord() {
  ++job.rejectedCount;
  if (job.rejectedCount >= job.maxErrors) abortRun();
}

}  // namespace
