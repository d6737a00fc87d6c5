// getfield.cpp - GetField: one output column of the last fetched row into the
// external form its caller asks for; and the column facts the layout mapping
// reads (type, size, name).
//
//   text column ------------------------------------> text (formats 6-9)
//   timestamp --isc_decode_timestamp--> struct tm --formatDate--> date text / binary date
//   numeric column --readVariableNumber--> pair --emitNumber--> binary or text
//   scaled integer, TIME, BOOLEAN --getScaled / getTimeOfDay / getBoolean--> exact text or binary
//   blob / array id ---------------------------------> 8 bytes (format 10)
//
// GetField never writes more than `length` bytes and changes nothing in the
// query.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

int getValue(int column, QueryRecord *query, int format, int length, char *destination);
int getText(const XSQLVAR *variable, int format, int length, char *destination);
int getTimestamp(const XSQLVAR *variable, int format, int length, char *destination);
[[noreturn]] void failUnknownType(const XSQLVAR *variable, int column, int line);

}  // namespace

DblibError GetField(int column, QueryRecord *query, ExternalFormat format, int length,
                    char *destination) {
  return static_cast<DblibError>(getValue(column, query, format, length, destination));
}

namespace {

// GetField with the format as a number: a number outside 1-22 is refused.
int getValue(int column, QueryRecord *query, int format, int length, char *destination) {
  const int found = FindVariable(column, query, false);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  if (currentQuery->statementType != kStmtSelect || currentQuery->fetchCount <= 0)
    return kDbNothingToGet;
  if (format < FmtShort || format > FmtInt64Date) return kDbCannotFormat;
  if (variable->sqlind != nullptr && *variable->sqlind == -1) return kDbNull;
  if (destination == nullptr) return kDbMisaligned;

  const int type = nullableType(variable->sqltype);
  switch (type) {
    case kSqlText:
      return getText(variable, format, length, destination);
    case kSqlTimestamp:
      return getTimestamp(variable, format, length, destination);
    case kSqlTime:
      return getTimeOfDay(variable, format, length, destination);
    case kSqlBoolean:
      return getBoolean(variable, format, length, destination);
    case kSqlLong: case kSqlShort: case kSqlInt64:
      if (isScaledInteger(*variable)) return getScaled(variable, format, length, destination);
      [[fallthrough]];
    case kSqlDouble: case kSqlFloat: {
      NumericPair pair;
      const int status = readVariableNumber(variable->sqldata, type, &pair);
      if (status != kDbOk) return status;
      return emitNumber(length, &pair, destination, format);
    }
    case kSqlBlob: case kSqlArray:
      if (format != FmtTimestamp) return kDbCannotFormat;
      if (length < static_cast<int>(sizeof(ISC_QUAD))) return kDbFieldSize;
      std::memcpy(destination, variable->sqldata, sizeof(ISC_QUAD));
      return kDbOk;
    default:
      failUnknownType(variable, column, __LINE__);
  }
}

}  // namespace

int GetFieldType(int column, QueryRecord *query, bool input, short *type) {
  const int found = FindVariable(column, query, input);
  if (found != kDbOk) return found;
  if (type != nullptr) *type = presentedType(*currentVariable);
  return kDbOk;
}

int GetFieldStorage(int column, QueryRecord *query, bool input, short *type, short *scale) {
  const int found = FindVariable(column, query, input);
  if (found != kDbOk) return found;
  if (type != nullptr) *type = currentVariable->sqltype;
  if (scale != nullptr) *scale = currentVariable->sqlscale;
  return kDbOk;
}

// Text before any fetch is the column's declared length (the capacity for an
// input variable, whose current length each PutField overwrites); after a
// fetch it is the fetched text's length.
int GetFieldSize(bool input, QueryRecord *query, int column, int *size) {
  *size = 0;
  const int found = FindVariable(column, query, input);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  const bool fetched = currentQuery->fetchCount > 0;
  if (fetched && variable->sqlind != nullptr && *variable->sqlind == -1) return kDbOk;

  switch (nullableType(variable->sqltype)) {
    case kSqlText:
      if (fetched && !input)
        *size = static_cast<int>(strnlen(variable->sqldata, variable->sqllen));
      else if (input)
        *size = currentQuery->inputDataLengths[column - 1] - 1;
      else
        *size = variable->sqllen - 1;
      break;
    case kSqlBlob: case kSqlArray:
      *size = -1;
      break;
    default:
      *size = presentedSize(*variable);
      break;
  }
  return kDbOk;
}

// The same lookup as FindVariable on the output side: kDbBadVariable for a column
// below 1 or beyond the count, kDbQueryNotFound, kDbNoOutput.
int GetFieldName(int column, QueryRecord *query, char *destination) {
  const int found = FindVariable(column, query, false);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  const int length = std::clamp<int>(variable->aliasname_length, 0,
                                     static_cast<int>(sizeof variable->aliasname));
  std::memcpy(destination, variable->aliasname, length);
  destination[length] = '\0';
  return kDbOk;
}

namespace {

// An empty or all-blank text reads like NULL.
int getText(const XSQLVAR *variable, int format, int length, char *destination) {
  if (format < FmtText || format > FmtCounted16Text) return kDbCannotFormat;
  const int total = trimmedTextLength(variable->sqldata, variable->sqllen);
  return placeText(variable->sqldata, total, format, length, destination);
}

}  // namespace

// Each form keeps the leading characters that fit and gives kDbTruncated when
// some were cut.
int placeText(const char *text, int total, int format, int length, char *destination) {
  if (format < FmtText || format > FmtCounted16Text) return kDbCannotFormat;
  int kept = std::min(total, length);
  if (kept < 1) return kDbNull;

  switch (format) {
    case FmtText:
      if (kept == length) --kept;
      std::memcpy(destination, text, kept);
      destination[kept] = '\0';
      break;
    case FmtFixedText:
      std::memcpy(destination, text, kept);
      if (total > kept) return kDbTruncated;
      std::memset(destination + kept, ' ', length - kept);
      break;
    case FmtCountedText:
      if (kept == length) --kept;
      if (length > 256 && kept > 255) kept = 255;
      destination[0] = static_cast<char>(static_cast<unsigned char>(kept));
      std::memcpy(destination + 1, text, kept);
      break;
    default: {
      if (!isAligned(destination, 2)) return kDbMisaligned;
      if (length < 2) return kDbFieldSize;  // no room for the count
      kept = std::min(kept, length - 2);
      const uint16_t count = static_cast<uint16_t>(kept);
      std::memcpy(destination, &count, sizeof count);
      std::memcpy(destination + 2, text, kept);
      break;
    }
  }
  return total > kept ? kDbTruncated : kDbOk;
}

// Eight bytes at a time while they are all blanks or NULs (a byte is one of
// the two exactly when no bit but 0x20 is set), then byte by byte.
int trimmedTextLength(const char *data, int declared) {
  constexpr std::uint64_t kBlankBits = 0x2020202020202020ULL;
  int length = declared;
  while (length >= 8) {
    std::uint64_t word;
    std::memcpy(&word, data + length - 8, sizeof word);
    if ((word & ~kBlankBits) != 0) break;
    length -= 8;
  }
  while (length > 0 && (data[length - 1] == ' ' || data[length - 1] == '\0')) --length;
  return length;
}

namespace {

// Format 10 copies the stored bytes; the date forms go through formatDate. A
// date text needs `length` for its characters (its NUL follows when there is
// room), a binary date its full width; a shorter text is cut with kDbTruncated.
int getTimestamp(const XSQLVAR *variable, int format, int length, char *destination) {
  if (format == FmtTimestamp) {
    if (length != static_cast<int>(sizeof(ISC_TIMESTAMP))) return kDbFieldSize;
    if (!isAligned(destination, 4)) return kDbMisaligned;
    std::memcpy(destination, variable->sqldata, sizeof(ISC_TIMESTAMP));
    return kDbOk;
  }
  ISC_TIMESTAMP stamp;
  std::memcpy(&stamp, variable->sqldata, sizeof stamp);
  struct tm time = {};
  isc_decode_timestamp(&stamp, &time);

  const int bytes = dateFormatBytes(format);
  if (bytes == 0) return formatDate(format, &time, destination);  // kDbCannotFormat
  const bool textual = format < FmtTimeRecord;
  if (!textual) {
    if (length < bytes) return kDbFieldSize;
    return formatDate(format, &time, destination);
  }
  if (length >= bytes) return formatDate(format, &time, destination);

  char text[32] = {};
  const int status = formatDate(format, &time, text);
  if (status != kDbOk) return status;
  return placeDateText(text, length, destination);
}

}  // namespace

int placeDateText(const char *text, int length, char *destination) {
  const int characters = static_cast<int>(std::strlen(text));
  const int kept = std::max(0, std::min(characters, length));
  std::memcpy(destination, text, kept);
  if (kept < length) destination[kept] = '\0';
  return kept < characters ? kDbTruncated : kDbOk;
}

namespace {

[[noreturn]] void failUnknownType(const XSQLVAR *variable, int column, int line) {
  char name[sizeof variable->aliasname + 1] = {};
  const int length = std::clamp<int>(variable->aliasname_length, 0,
                                     static_cast<int>(sizeof variable->aliasname));
  std::memcpy(name, variable->aliasname, length);
  printMessage(dbMessages(), "Err at %s line %d\r\n", "qrfuncs", line);
  printMessage(dbMessages(), "Unknown input SQL type (%hd) for col: <%-32.32s> order %hd\r\n",
               variable->sqltype, name, static_cast<short>(column));
  flushMessages(dbMessages());
  PanicExitDb();
  std::abort();
}

}  // namespace
