// csvload.cpp - the fields of a CSV record into the statement's input
// variables.
//
//   job.csv->fields --NULL text / ""--> NULL or the empty text
//                   --text--> PutLocatedField (every byte kept)
//                   --number--> scanDecimal --> PutLocatedDecimal (exact decimal)
//                   --ISO date, time--> scanIsoDateTime --> PutLocatedField (format 10)
//                   --blob--> CreateBlob / PutBlob / CloseBlob (inline)
//   missing fields, generated values --> the delimited record's rules
//
// The input variables were located once for the run (prepareRecordFields,
// again after a heading= mapping): a value goes into its variable without
// a lookup. A blob's variable is found by its number, as blobs are.
#include "format/csvload.h"

#include <cstring>
#include <string_view>

#include "csv/csvmode.h"
#include "csv/csvreader.h"
#include "csv/csvvalues.h"
#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "load/blobload.h"
#include "load/params.h"
#include "rejects/reasons.h"

namespace {

// Inline blobs are written in segments of this size.
constexpr unsigned short kInlineSegment = 32768;

struct FieldValue {
  char *text;  // NUL-ended
  int length;
  bool quoted;
};

// Where a field's value goes: its entry of the field table and the entry's
// input variable as located for the run (none for a blob).
struct Target {
  int index;
  const FieldSpec &f;
  const LocatedInput &input;
};

bool putCsvField(const Target &target, int position, FieldValue value, std::string_view nullText);
bool putNumber(const Target &target, const CsvColumn &column, FieldValue value);
bool isTextColumn(const CsvColumn &column) { return column.type == kTypeText; }
bool isBlobColumn(const CsvColumn &column) { return column.type == kTypeBlob; }
bool putDate(const Target &target, FieldValue value);
bool putTime(const Target &target, const CsvColumn &column, FieldValue value);
bool rejectTimeZone(const FieldSpec &f, FieldValue value);
bool putInlineBlob(const FieldSpec &f, FieldValue value);
bool putBlobFile(int index, const FieldSpec &f, FieldValue value);
int putValue(const Target &target, ExternalFormat format, int length, const char *text);
int putNull(const Target &target);
int putEmptyText(const Target &target);
int putDecimal(const Target &target, const DecimalText &decimal);
FieldValue trimmedBlanks(FieldValue value);
bool isNullText(FieldValue value, std::string_view nullText);
bool checkedPut(int status, const FieldSpec &f, FieldValue value);

}  // namespace

bool putCsvRecord(const LoadRecord &record, int expectedFields) {
  CsvState &state = *job.csv;
  if (state.brokenRecord) {
    REJECTION_MESSAGE(0, 0, "", 0, "record %d has %s - discarded%s", record.number,
                      state.textAfterQuote ? "text after the closing quote"
                                           : "a quote that is never closed",
                      job.lineEnd);
    return false;
  }
  // heading=names: every record carries the heading's fields, mapped or not.
  const int expected = job.headingCheck == kHeadingNames ? expectedCsvFields()
                       : expectedFields < expectedCsvFields() ? expectedFields
                                                              : expectedCsvFields();
  const int count = static_cast<int>(state.fields.size());
  if (count > expected) {
    REJECTION_MESSAGE(0, 0, "", 0, "record %d has %d fields, %d expected%s", record.number,
                      count, expected, job.lineEnd);
    return false;
  }
  const FieldPositions &index = job.fieldPositions;
  const std::string_view nullText(job.nullText);
  const int placed = count < index.highest ? count : index.highest;
  for (int position = 1; position <= placed; ++position) {
    const CsvField &field = state.fields[static_cast<size_t>(position - 1)];
    const FieldValue value = {state.values.data() + field.offset, field.length, field.quoted};
    for (int k = index.first[position]; k < index.first[position + 1]; ++k) {
      const int entry = index.entries[static_cast<size_t>(k)];
      const Target target = {entry, job.fieldTable[entry],
                             index.inputs[static_cast<size_t>(entry)]};
      if (!putCsvField(target, position, value, nullText)) return false;
    }
  }
  const int highest = job.fieldPositions.highest;
  const int lastPlaced = expected < highest ? expected : highest;
  // (Most records have every field, and most layouts no generated entry.)
  return (count + 1 > lastPlaced || putMissingFields(count + 1, lastPlaced)) &&
         (index.unplaced.empty() || putUnplacedFields());
}

namespace {

bool putCsvField(const Target &target, int position, FieldValue value, std::string_view nullText) {
  const FieldSpec &f = target.f;
  const CsvColumn &column = job.csv->columns[static_cast<size_t>(f.sqlField - 1)];
  if (isNullText(value, nullText) ||
      (value.length == 0 && value.quoted && !isTextColumn(column) && !isBlobColumn(column)))
    return checkedPut(putNull(target), f, value);
  if (isBlobColumn(column))
    return column.blobFile ? putBlobFile(target.index, f, value) : putInlineBlob(f, value);
  if (std::memchr(value.text, '\0', static_cast<size_t>(value.length)) != nullptr) {
    REJECTION_MESSAGE(f.sqlField, position, value.text, value.length,
                      "record %d, field %d holds a NUL byte - discarded%s", job.recordCount,
                      position, job.lineEnd);
    return false;
  }
  if (isTextColumn(column)) {
    if (value.length == 0) return checkedPut(putEmptyText(target), f, value);
    if (value.length > f.sqlSize) {
      REJECTION_MESSAGE(f.sqlField, position, value.text, value.length,
                        "truncating record %d, field %d (was %d bytes, now: %d%s",
                        job.recordCount, position, value.length, f.sqlSize, job.lineEnd);
      return false;
    }
    return checkedPut(putValue(target, FmtText, value.length, value.text), f, value);
  }
  const FieldValue bare = trimmedBlanks(value);
  if (bare.length == 0) return checkedPut(putNull(target), f, value);
  // The readers want the bare text NUL-ended; another entry of the same
  // field may still need the byte that the NUL covers.
  const char covered = bare.text[bare.length];
  bare.text[bare.length] = '\0';
  const bool put = column.type == kTypeTimestamp ? putDate(target, bare)
                   : column.type == kTypeTime    ? putTime(target, column, bare)
                                                 : putNumber(target, column, bare);
  bare.text[bare.length] = covered;
  return put;
}

// Integers, scaled numbers and FLOAT/DOUBLE take the exact decimal of a
// text of the strict number grammar, whatever the delimited record's
// scanner would make of it; TIME and BOOLEAN go the delimited record's way.
bool putNumber(const Target &target, const CsvColumn &column, FieldValue value) {
  const short type = column.type;
  if (type == kTypeShort || type == kTypeLong || type == kTypeInt64 || type == kTypeFloat ||
      type == kTypeDouble) {
    DecimalText decimal;
    int status = scanDecimal(value.text, value.length, job.fractComma != 0, &decimal);
    if (status == kDbOk) status = putDecimal(target, decimal);
    return checkedPut(status, target.f, value);
  }
  return checkedPut(putValue(target, FmtText, value.length, value.text), target.f, value);
}

// ISO 8601 unless the field names a dateform; the database's own form keeps
// the fraction of a second.
bool putDate(const Target &target, FieldValue value) {
  const FieldSpec &f = target.f;
  if (f.format >= FmtYMDdate && f.format <= FmtDMYtime)
    return checkedPut(putValue(target, externalFormat(f.format), value.length, value.text), f,
                      value);
  ISC_TIMESTAMP stamp = {};
  int parts = 0;
  int status = scanIsoDateTime(value.text, value.length, &stamp, &parts);
  // TIME columns take their own way; a DATE or TIMESTAMP needs its day.
  if (status == kDbOk && parts == kIsoTimeOnly) status = kDbCannotFormat;
  if (status == kIsoTimeZone) return rejectTimeZone(f, value);
  if (status != kDbOk) return checkedPut(status, f, value);
  return checkedPut(
      putValue(target, FmtTimestamp, sizeof stamp, reinterpret_cast<const char *>(&stamp)), f,
      value);
}

// A time alone in ISO form, finer fractions and zones included, goes in as
// a timestamp of day 0; any other text the delimited record's way.
bool putTime(const Target &target, const CsvColumn &column, FieldValue value) {
  ISC_TIMESTAMP stamp = {};
  int parts = 0;
  const int status = scanIsoDateTime(value.text, value.length, &stamp, &parts);
  if (status == kIsoTimeZone) return rejectTimeZone(target.f, value);
  if (status == kDbBadTime) return checkedPut(status, target.f, value);
  if (status != kDbOk || parts != kIsoTimeOnly) return putNumber(target, column, value);
  return checkedPut(
      putValue(target, FmtTimestamp, sizeof stamp, reinterpret_cast<const char *>(&stamp)),
      target.f, value);
}

// A well-formed zone has nowhere to go in a column without one.
bool rejectTimeZone(const FieldSpec &f, FieldValue value) {
  REJECTION_MESSAGE(f.sqlField, f.position, value.text, value.length,
                    "record %d, field %d gives a time zone, which the column does not hold "
                    "- discarded%s",
                    job.recordCount, f.position, job.lineEnd);
  return false;
}

// The field is the blob's content, written in large segments.
bool putInlineBlob(const FieldSpec &f, FieldValue value) {
  QueryRecord *query = &job.queryRecord;
  int status = CreateBlob(f.sqlField, &job.transactionHandle, query, kInlineSegment, 0);
  if (status != kDbOk) failDblib(status, "creating blob", f.sqlField);
  if (value.length > 0) {
    status = FindVariable(f.sqlField, query, true);
    if (status == kDbOk) status = FindBlob(f.sqlField, query);
    if (status == kDbOk) status = PutBlob(query, value.text, value.length);
    if (status != kDbOk) failDblib(status, "writing blob segment", f.sqlField);
  }
  status = CloseBlob(f.sqlField, query);
  if (status != kDbOk) failDblib(status, "closing blob", f.sqlField);
  ++job.blobsLoaded;
  return true;
}

// blobfile: the field names the file, as in delimited records.
bool putBlobFile(int index, const FieldSpec &f, FieldValue value) {
  if (value.length >= kBufferSize) {
    REJECTION_MESSAGE(f.sqlField, f.position, "", 0,
                      "blob file name of record %d, field %d is too long (%d bytes)%s",
                      job.recordCount, f.position, value.length, job.lineEnd);
    return false;
  }
  std::memcpy(job.fieldBuffer, value.text, static_cast<size_t>(value.length));
  job.fieldBuffer[value.length] = '\0';
  const int status = loadBlobField(index, f.sqlField);
  return status != kBlobRefused && checkedPut(status, f, value);
}

// The value into the target's variable: located, or found by its number
// when it has none. The answers are PutField's.
int putValue(const Target &target, ExternalFormat format, int length, const char *text) {
  if (target.input.variable != nullptr)
    return PutLocatedField(target.input, format, length, text);
  return PutField(format, &job.queryRecord, target.f.sqlField, length, text);
}

// An empty value is NULL for every variable.
int putNull(const Target &target) { return putValue(target, FmtText, 0, ""); }

int putEmptyText(const Target &target) {
  if (target.input.variable != nullptr) return PutLocatedEmptyText(target.input);
  return PutEmptyText(&job.queryRecord, target.f.sqlField);
}

int putDecimal(const Target &target, const DecimalText &decimal) {
  if (target.input.variable != nullptr) return PutLocatedDecimal(target.input, decimal);
  return PutDecimal(&job.queryRecord, target.f.sqlField, decimal);
}

// Blanks and tabs around a number, date or boolean do not count.
FieldValue trimmedBlanks(FieldValue value) {
  int first = 0;
  int last = value.length;
  while (first < last && (value.text[first] == ' ' || value.text[first] == '\t')) ++first;
  while (last > first && (value.text[last - 1] == ' ' || value.text[last - 1] == '\t')) --last;
  return FieldValue{value.text + first, last - first, value.quoted};
}

bool isNullText(FieldValue value, std::string_view nullText) {
  return !value.quoted &&
         std::string_view(value.text, static_cast<size_t>(value.length)) == nullText;
}

// True when the put went through (status kDbOk); otherwise the record is
// rejected, with the field's text as read for the reasons file.
bool checkedPut(int status, const FieldSpec &f, FieldValue value) {
  if (status == kDbOk) return true;
  rejectDblibValue(status, "csv Putfield", f.sqlField, f.position, value.text, value.length);
  return false;
}

}  // namespace
