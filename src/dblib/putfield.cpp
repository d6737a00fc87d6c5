// putfield.cpp - PutField: one external value into one input variable of a
// prepared statement.
//
//   field text/bytes --PutField--> scanDate --encodeCheckedTimestamp--> timestamp variable
//                              \--> readBinaryNumber / scanNumber --storeNumber--> numeric variable
//                              \--> putScaled / putTimeOfDay / putBoolean -------> scaled integer,
//                              |                                                  TIME, BOOLEAN
//                              \--> copy (or formatNumber) ----------------------> text variable
//
// The variable's type is one of the coerced types laid out at prepare time;
// a text variable's capacity is kept in inputDataLengths because each value
// overwrites its current length.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

// The date scanner looks at no more than 19 characters.
constexpr int kDateTextCopy = 19;

int putValue(XSQLVAR *variable, int capacity, int format, int length, const char *source);
int putTimestamp(XSQLVAR *variable, int format, int length, const char *source);
int putText(XSQLVAR *variable, int capacity, int length, const char *source);
int binaryDateWidth(int format);
[[noreturn]] void failUnknownType(int type, int line);

}  // namespace

// An empty value (after the count bytes of formats 8 and 9) is NULL for every
// variable, before the format or type is looked at.
DblibError PutField(ExternalFormat format, QueryRecord *query, int field, int length,
                    const char *source) {
  const int found = FindVariable(field, query, true);
  if (found != kDbOk) return static_cast<DblibError>(found);
  return static_cast<DblibError>(putValue(
      currentVariable, currentQuery->inputDataLengths[field - 1] - 1, format, length, source));
}

int LocateInputField(int field, QueryRecord *query, LocatedInput *located) {
  const int found = FindVariable(field, query, true);
  if (found != kDbOk) return found;
  located->variable = currentVariable;
  located->capacity = currentQuery->inputDataLengths[field - 1] - 1;
  return kDbOk;
}

DblibError PutLocatedField(const LocatedInput &located, ExternalFormat format, int length,
                           const char *source) {
  return static_cast<DblibError>(
      putValue(located.variable, located.capacity, format, length, source));
}

namespace {

// PutField after the lookup; capacity is a text variable's room without its
// NUL.
int putValue(XSQLVAR *variable, int capacity, int format, int length, const char *source) {
  const int type = nullableType(variable->sqltype);

  if (length >= 1 && format == FmtCountedText) {
    source += 1;
    length -= 1;
  } else if (length >= 1 && format == FmtCounted16Text) {
    source += 2;
    length -= 2;
  }
  if (length < 1) {
    *variable->sqlind = -1;
    if (type == kSqlText) variable->sqldata[0] = '\0';
    return kDbOk;
  }
  if (format < FmtShort || format > FmtInt64Date) return kDbCannotFormat;
  if (type == kSqlBlob || type == kSqlArray) return kDbPutBlobField;
  *variable->sqlind = 0;

  if (type == kSqlTimestamp) return putTimestamp(variable, format, length, source);
  if (type == kSqlTime) return putTimeOfDay(variable, format, length, source);
  if (type == kSqlBoolean) return putBoolean(variable, format, length, source);
  if (isScaledInteger(*variable)) return putScaled(variable, format, length, source);

  NumericPair pair;
  const bool binary = format <= FmtDouble;
  if (binary) {
    const int status = readBinaryNumber(source, length, &pair, format);
    if (status != kDbOk) return status;
  }
  switch (type) {
    case kSqlShort: case kSqlLong: case kSqlFloat: case kSqlDouble: case kSqlInt64:
      if (!binary) {
        const int status = scanNumber(&pair, length, source, '\0');
        if (status != kDbOk) return status;
      }
      return storeNumber(variable->sqldata, &pair, type);
    case kSqlText: {
      if (!binary) return putText(variable, capacity, length, source);
      const int textLength = formatNumber(&pair);
      return putText(variable, capacity, textLength, NumberText());
    }
    default:
      failUnknownType(variable->sqltype, __LINE__);
  }
}

// Format 10 is the database's own 8 bytes; 11-22 go through scanDate. The
// binary date forms must come with exactly their width.
int putTimestamp(XSQLVAR *variable, int format, int length, const char *source) {
  if (format < FmtTimestamp) return kDbCannotFormat;
  if (format == FmtTimestamp) {
    if (length != static_cast<int>(sizeof(ISC_TIMESTAMP))) return kDbFieldSize;
    if (!isAligned(source, 4)) return kDbMisaligned;
    std::memcpy(variable->sqldata, source, sizeof(ISC_TIMESTAMP));
    return kDbOk;
  }
  const int width = binaryDateWidth(format);
  if (width != 0 && length != width) return kDbFieldSize;

  // Date texts are scanned from a NUL-ended copy of at most the characters
  // the scanner examines, so a value without its NUL is never read past.
  char text[kDateTextCopy + 1] = {};
  if (width == 0) {
    std::memcpy(text, source, length < kDateTextCopy ? length : kDateTextCopy);
    source = text;
  }
  struct tm record;
  const int status = scanDate(source, &record, format);
  if (status != kDbOk) return status;
  ISC_TIMESTAMP stamp;
  if (format == FmtTimeRecord)
    isc_encode_timestamp(&record, &stamp);  // its fields as given, unchecked
  else
    stamp = encodeCheckedTimestamp(record);
  std::memcpy(variable->sqldata, &stamp, sizeof stamp);
  return kDbOk;
}

// Copies at most `capacity` bytes and a NUL; a longer value keeps its leading
// bytes, and the cut value stays in the variable with kDbTruncated.
int putText(XSQLVAR *variable, int capacity, int length, const char *source) {
  if (capacity < 0) capacity = 0;
  const int kept = length <= capacity ? length : capacity;
  std::memcpy(variable->sqldata, source, kept);
  variable->sqldata[kept] = '\0';
  variable->sqllen = static_cast<short>(kept);
  return length <= capacity ? kDbOk : kDbTruncated;
}

// Bytes of a binary date form; 0 for the texts.
int binaryDateWidth(int format) {
  return format >= FmtTimeRecord ? dateFormatBytes(format) : 0;
}

// Coercion at prepare time leaves no other type; meeting one means the
// statement's buffers cannot be trusted, so everything is rolled back.
[[noreturn]] void failUnknownType(int type, int line) {
  printMessage(dbMessages(), "Err at %s line %d\r\n", "qrfuncs", line);
  printMessage(dbMessages(), "PutField fatal error with SQL type: %d\r\n", type);
  flushMessages(dbMessages());
  PanicExitDb();
  std::abort();
}

}  // namespace
