// writer_columns.cpp - the fetched columns of a delimited unload read where
// every fetch leaves them, their texts written without GetField.
//
//   locateOutputColumns (once per unload): field by position
//     --LocateOutputColumn--> data, null flag, stored type, text form
//   appendLocatedColumn (every row): text data --appendField--> inputBuffer
//                                    number, date --text form--> inputBuffer
//
// Only the forms whose texts are known to equal GetField's are located: text
// columns, integers and scaled integers in format 6, timestamps in the date
// texts 11-17. Every other field, and a value outside their plain range,
// goes through getOutputField as before.
#include <cstring>
#include <vector>

#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "job/fieldspec.h"
#include "job/recordformat.h"
#include "job/settings.h"
#include "unload/writer.h"

namespace {

// Room for any text written here: a scaled number's, a whole number's (24
// bytes with its NUL) or a date's (20).
constexpr int kValueTextRoom = kScaledTextRoom;

TextForm textFormOf(const FieldSpec &spec, const FetchedColumn &column);
bool isNull(const FetchedColumn &column);
ColumnAppend appendEmpty(OutputRecord *record, bool quoted);
int writeValueText(const LocatedColumn &located, char *out);
long long storedInteger(const FetchedColumn &column);

}  // namespace

void locateOutputColumns(OutputRecord *out) {
  const int count = job.fieldCount > 0 ? job.fieldCount : 0;
  out->located.assign(static_cast<size_t>(count), LocatedColumn{});
  out->columnsLocated = false;
  if (!recordFormat().locatesColumns) return;
  const int *entries = entriesByPosition(out);
  for (int position = 1; position <= count; ++position) {
    const int entry = entries[position - 1];
    if (entry < 0) continue;
    const FieldSpec &spec = job.fieldTable[entry];
    if (spec.sqlField <= 0) continue;
    LocatedColumn &located = out->located[static_cast<size_t>(position - 1)];
    if (LocateOutputColumn(spec.sqlField, &job.queryRecord, &located.column) != kDbOk) continue;
    located.form = textFormOf(spec, located.column);
    located.format = spec.format;
    located.quoted = job.quoteStrings && spec.sqlType == kTypeText;
  }
  out->columnsLocated = true;
}

ColumnAppend appendLocatedColumn(OutputRecord *record, int position) {
  if (!record->columnsLocated || position < 1 ||
      static_cast<size_t>(position) > record->located.size())
    return ColumnAppend::kNotLocated;
  const LocatedColumn &located = record->located[static_cast<size_t>(position - 1)];
  const FetchedColumn &column = located.column;
  if (located.form == TextForm::kGeneral) return ColumnAppend::kNotLocated;

  // A NULL, like an empty text, is an empty value.
  if (isNull(column)) return appendEmpty(record, located.quoted);
  if (located.form == TextForm::kText) {
    // What GetField keeps of the trimmed text: at most length - 1 bytes, up
    // to its first NUL.
    const int length =
        static_cast<int>(strnlen(column.data, static_cast<size_t>(column.length - 1)));
    return appendField(record, column.data, length, located.quoted) ? ColumnAppend::kAppended
                                                            : ColumnAppend::kFailed;
  }
  // Numbers and dates are never quoted. With room for the longest of them,
  // its text goes straight into the record; else appendField decides.
  const int end = record->builtLength + kValueTextRoom + job.lineEndLength;
  if (end <= kBufferSize) {
    char *out = job.inputBuffer + record->builtLength;
    const int length = writeValueText(located, out);
    if (length < 0) return ColumnAppend::kNotLocated;
    out[length] = job.separator;
    record->builtLength += length + 1;
    return ColumnAppend::kAppended;
  }
  char text[kValueTextRoom];
  const int length = writeValueText(located, text);
  if (length < 0) return ColumnAppend::kNotLocated;
  return appendField(record, text, length, false) ? ColumnAppend::kAppended
                                                  : ColumnAppend::kFailed;
}

namespace {

// The form of a field that getOutputField would fetch with GetField in
// format 6 (or a date text for a timestamp) and the room it gives: a
// delimited field without a size of its own.
TextForm textFormOf(const FieldSpec &spec, const FetchedColumn &column) {
  if (spec.size > 0 || column.data == nullptr) return TextForm::kGeneral;
  const int type = column.type | 1;
  if (type == kSqlText) {
    // getOutputField's room is the column's length and its NUL: all of it.
    const bool wholeArea = spec.sqlSize + 1 == column.length;
    return spec.format == FmtText && wholeArea ? TextForm::kText : TextForm::kGeneral;
  }
  if (type == kSqlShort || type == kSqlLong || type == kSqlInt64) {
    if (spec.format != FmtText) return TextForm::kGeneral;
    return column.scale == 0 ? TextForm::kWhole : TextForm::kScaled;
  }
  if (type == kSqlTimestamp && spec.format >= FmtYMDdate && spec.format <= FmtDMYtime)
    return TextForm::kDate;
  return TextForm::kGeneral;
}

bool isNull(const FetchedColumn &column) {
  return column.nullFlag != nullptr && *column.nullFlag == -1;
}

ColumnAppend appendEmpty(OutputRecord *record, bool quoted) {
  return appendField(record, "", 0, quoted) ? ColumnAppend::kAppended : ColumnAppend::kFailed;
}

// The text of a number or date column's value and a NUL into out
// (kValueTextRoom bytes); its length, or -1 for a date only GetField writes.
int writeValueText(const LocatedColumn &located, char *out) {
  const FetchedColumn &column = located.column;
  switch (located.form) {
    case TextForm::kWhole:
      return formatWholeNumber(storedInteger(column), out);
    case TextForm::kScaled:
      return formatScaled(storedInteger(column), column.scale, out);
    default:
      return formatTimestampText(column.data, located.format, out);
  }
}

long long storedInteger(const FetchedColumn &column) {
  switch (column.type | 1) {
    case kSqlShort: {
      short value;
      std::memcpy(&value, column.data, sizeof value);
      return value;
    }
    case kSqlLong: {
      ISC_LONG value;
      std::memcpy(&value, column.data, sizeof value);
      return value;
    }
    default: {
      ISC_INT64 value;
      std::memcpy(&value, column.data, sizeof value);
      return value;
    }
  }
}

}  // namespace
