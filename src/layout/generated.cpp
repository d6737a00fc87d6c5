// generated.cpp - values the program makes itself: the run's date
// (sysdate), a counter (enum) and, for unload fillers, a character fill.
//
//   runStartTime --formatDate--> fieldBuffer      (sysdate)
//   startCount + recordCount --> fieldBuffer      (enum: text or binary)
//
// A load entry names its kind in `format` and is shaped by its column's SQL
// type; an unload filler names its kind in `sqlType` and is shaped by its
// externalType and size.
#include "layout/generated.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/settings.h"
#include "layout/filler.h"

namespace {

// How one generated value is to be made.
struct Generation {
  int index;
  bool load;
  short kind;
  int width;
  short type;
};

int makeFill(const Generation &g, short *format, short *length);
int makeDate(const Generation &g, short *format, short *length);
int makeCounter(const Generation &g, short *format, short *length);
int counterText(const Generation &g, long long value, short *format, short *length);
template <typename T>
int storeBinary(T value, short binaryFormat, short *format, short *length);

}  // namespace

int makeGeneratedValue(int index, short *format, short *length) {
  const FieldSpec &f = job.fieldTable[index];
  Generation g;
  g.index = index;
  g.load = job.direction == 'i';
  g.kind = g.load ? f.format : f.sqlType;
  g.width = g.load ? f.sqlSize : f.size;
  g.type = g.load ? f.sqlType : f.externalType;
  if (g.width < 0) g.width = 0;
  if (g.width > kBufferSize - 1) g.width = kBufferSize - 1;

  std::memset(job.fieldBuffer, 0, static_cast<size_t>(g.width) + 1);
  *length = 0;
  switch (g.kind) {
    case kKindCharFill: return makeFill(g, format, length);
    case kKindSysdate: return makeDate(g, format, length);
    case kKindEnum: return makeCounter(g, format, length);
    default: return kDbCannotFormat;
  }
}

namespace {

int makeFill(const Generation &g, short *format, short *length) {
  const char fill = static_cast<char>(job.fieldTable[g.index].blobSegmentSize & 0xFF);
  std::memset(job.fieldBuffer, fill, static_cast<size_t>(g.width));
  *format = kTypeText;
  *length = static_cast<short>(g.width);
  return kDbOk;
}

// The date form by type: binary YYYYMMDD, YYYYMMDDhhmmss or YYYYMMDD.hhmmss,
// else the entry's own date format. A load hands the binary numbers of
// numeric columns to PutField as the plain binary numbers they are, and a
// text column gets the run's date text.
int makeDate(const Generation &g, short *format, short *length) {
  short dateFormat = 0;
  short dateLength = 0;
  short putFormat = 0;
  switch (g.type) {
    case kExtInt32: case kTypeLong:
      dateFormat = FmtLongDate;
      dateLength = 4;
      putFormat = FmtLong;
      break;
    case kExtInt64: case kTypeInt64:
      dateFormat = FmtInt64Date;
      dateLength = 8;
      putFormat = FmtInt64;
      break;
    case kExtFloat8: case kTypeDouble: case kTypeTimestamp:
      dateFormat = FmtDoubleDate;
      dateLength = 8;
      putFormat = g.type == kTypeDouble ? FmtDouble : FmtDoubleDate;
      break;
    default:
      dateFormat = job.fieldTable[g.index].format;
      dateLength = static_cast<short>(job.separator != 0 ? -1 : g.width);
      break;
  }
  const bool loadText = g.load && g.type == kTypeText;
  if (loadText) {
    dateFormat = job.defaultDateFormat;
  } else if (checkFormatSize(dateFormat, dateLength, g.type)) {
    return kDbCannotFormat;
  }
  const int status = formatDate(dateFormat, &job.runStartTime, job.fieldBuffer);
  if (status != kDbOk) return status;
  if (dateFormat < FmtTimeRecord)
    dateLength = static_cast<short>(std::strlen(job.fieldBuffer));
  *format = g.load && putFormat != 0 ? putFormat : dateFormat;
  if (loadText) *format = kFormatDelimitedText;
  *length = dateLength;
  return kDbOk;
}

int makeCounter(const Generation &g, short *format, short *length) {
  const long long value = static_cast<long long>(job.startCount) + job.recordCount;
  switch (g.type) {
    case kFormatDelimitedText: case kFormatFixed: case kExtText:
      return counterText(g, value, format, length);
    case kExtInt16: case kTypeShort:
      if (value > INT16_MAX)
        LOCATED_MESSAGE(" Warning: generated field exceeded 16bit integer%s", job.lineEnd);
      return storeBinary(static_cast<int16_t>(value), FmtShort, format, length);
    case kExtInt32: case kTypeLong:
      return storeBinary(static_cast<int32_t>(value), FmtLong, format, length);
    case kExtInt64: case kTypeInt64:
      return storeBinary(static_cast<int64_t>(value), FmtInt64, format, length);
    case kTypeText: case kTypeDouble: case kTypeFloat:
      // Load only: PutField turns the number's text into the column's value.
      if (!g.load) return kDbCannotFormat;
      *format = kFormatDelimitedText;
      *length = static_cast<short>(
          std::snprintf(job.fieldBuffer, kBufferSize, "%lld", value));
      return kDbOk;
    default:
      return kDbCannotFormat;
  }
}

// A counter as text: delimited records take it as it is; a fixed field gets
// it right-aligned and zero-filled to its width.
int counterText(const Generation &g, long long value, short *format, short *length) {
  char text[24];
  const int n = std::snprintf(text, sizeof text, "%lld", value);
  const bool fixed = job.separator == 0;
  *format = fixed ? kFormatFixed : kFormatDelimitedText;
  if (!fixed || n == g.width) {
    std::memcpy(job.fieldBuffer, text, static_cast<size_t>(n) + 1);
    *length = static_cast<short>(n);
    return kDbOk;
  }
  if (n > g.width) return kDbTruncated;
  const int zeros = g.width - n;
  std::memset(job.fieldBuffer, '0', static_cast<size_t>(zeros));
  std::memcpy(job.fieldBuffer + zeros, text, static_cast<size_t>(n) + 1);
  *length = static_cast<short>(g.width);
  return kDbOk;
}

template <typename T>
int storeBinary(T value, short binaryFormat, short *format, short *length) {
  std::memcpy(job.fieldBuffer, &value, sizeof value);
  *format = binaryFormat;
  *length = static_cast<short>(sizeof value);
  return kDbOk;
}

}  // namespace
