// timeofday.cpp - TIME columns: a time of day with no date.
//
//   load:   "hh:mm[:ss[.ffff]]" --scanTimeOfDay--> ISC_TIME --> variable
//           other date text / binary date --scanDate--> its time part --/
//   unload: variable --formatTimeOfDay--> "hh:mm:ss"         (formats 11-17)
//                    \--> timestamp fields with a zero date   (formats 10, 18-22)
//
// The variable keeps the 4-byte ISC_TIME the database describes: a time
// coerced to a timestamp would be given a date of today on its way out.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/exactvalues.h"

namespace {

constexpr int kUnitsPerSecond = ISC_TIME_SECONDS_PRECISION;  // 10000
constexpr ISC_TIME kUnitsPerDay = 86400u * kUnitsPerSecond;
constexpr int kMaxFractionDigits = 4;
// The date scanner looks at no more than 19 characters.
constexpr int kDateTextCopy = 19;

int timeFromRecord(const struct tm *record, ISC_TIME *time);
int timeFromNumber(long long hhmmss, ISC_TIME *time);
int readBinaryTime(int format, int length, const char *source, ISC_TIME *time);
int readDateTime(int format, int length, const char *source, ISC_TIME *time);
int writeBinaryTime(int format, ISC_TIME time, int length, char *destination);
bool readDigits(const char *text, int end, int *at, int count, int *value);

}  // namespace

int formatTimeOfDay(ISC_TIME time, int fractionDigits, char *out) {
  time %= kUnitsPerDay;
  const unsigned seconds = time / kUnitsPerSecond;
  const unsigned parts[3] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
  char *cursor = out;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) *cursor++ = ':';
    *cursor++ = static_cast<char>('0' + parts[i] / 10);
    *cursor++ = static_cast<char>('0' + parts[i] % 10);
  }
  if (fractionDigits > kMaxFractionDigits) fractionDigits = kMaxFractionDigits;
  if (fractionDigits > 0) {
    *cursor++ = '.';
    unsigned fraction = time % kUnitsPerSecond;
    for (unsigned divisor = kUnitsPerSecond / 10; fractionDigits > 0; --fractionDigits) {
      *cursor++ = static_cast<char>('0' + fraction / divisor);
      fraction %= divisor;
      divisor /= 10;
    }
  }
  *cursor = '\0';
  return static_cast<int>(cursor - out);
}

// The form is checked first, the ranges after, so a text shaped like a time
// is never handed to the date scanner.
int scanTimeOfDay(const char *text, int length, ISC_TIME *time) {
  int end = 0;
  while (end < length && text[end] != '\0') ++end;
  int at = 0;
  while (at < end && text[at] == ' ') ++at;
  while (end > at && text[end - 1] == ' ') --end;

  int hours = 0, minutes = 0, seconds = 0, fraction = 0;
  const bool twoDigitHour = at + 2 < end && text[at + 2] == ':';
  if (!readDigits(text, end, &at, twoDigitHour ? 2 : 1, &hours)) return kDbCannotFormat;
  if (at >= end || text[at++] != ':' || !readDigits(text, end, &at, 2, &minutes))
    return kDbCannotFormat;
  if (at < end) {
    if (text[at++] != ':' || !readDigits(text, end, &at, 2, &seconds)) return kDbCannotFormat;
  }
  if (at < end) {
    if (text[at++] != '.') return kDbCannotFormat;
    const int digits = end - at;
    if (digits < 1 || digits > kMaxFractionDigits || !readDigits(text, end, &at, digits, &fraction))
      return kDbCannotFormat;
    for (int i = digits; i < kMaxFractionDigits; ++i) fraction *= 10;
  }
  if (hours > 23 || minutes > 59 || seconds > 59) return kDbBadTime;
  *time = static_cast<ISC_TIME>(((hours * 60 + minutes) * 60 + seconds)) * kUnitsPerSecond +
          static_cast<ISC_TIME>(fraction);
  return kDbOk;
}

// Text forms: a time of day; the date texts (11-17) also whatever the date
// scanner reads, its time part kept. Binary forms: the time part of format
// 10, 19 and 22 alone, of 18, 20 and 21 as the date scanner reads them.
int putTimeOfDay(XSQLVAR *variable, int format, int length, const char *source) {
  ISC_TIME time = 0;
  int status = kDbCannotFormat;
  if (format >= FmtText && format <= FmtCounted16Text) {
    status = scanTimeOfDay(source, length, &time);
  } else if (format >= FmtYMDdate && format <= FmtDMYtime) {
    status = scanTimeOfDay(source, length, &time);
    if (status == kDbCannotFormat) status = readDateTime(format, length, source, &time);
  } else if (format >= FmtTimestamp) {
    status = readBinaryTime(format, length, source, &time);
  }
  if (status != kDbOk) return status;
  std::memcpy(variable->sqldata, &time, sizeof time);
  return kDbOk;
}

// The text forms carry "hh:mm:ss" as a date text is carried; the binary ones
// the time of a timestamp whose date part is zero.
int getTimeOfDay(const XSQLVAR *variable, int format, int length, char *destination) {
  ISC_TIME time;
  std::memcpy(&time, variable->sqldata, sizeof time);
  if (format >= FmtYMDdate && format <= FmtDMYtime) {
    char text[kTimeTextRoom];
    formatTimeOfDay(time, 0, text);
    return placeDateText(text, length, destination);
  }
  if (format == FmtTimestamp || (format >= FmtTimeRecord && format <= FmtInt64Date))
    return writeBinaryTime(format, time, length, destination);
  return kDbCannotFormat;
}

namespace {

int timeFromRecord(const struct tm *record, ISC_TIME *time) {
  if (record->tm_hour < 0 || record->tm_hour > 23 || record->tm_min < 0 || record->tm_min > 59 ||
      record->tm_sec < 0 || record->tm_sec > 59)
    return kDbBadTime;
  *time = static_cast<ISC_TIME>((record->tm_hour * 60 + record->tm_min) * 60 + record->tm_sec) *
          kUnitsPerSecond;
  return kDbOk;
}

// hhmmss, the time part of a YYYYMMDDhhmmss number.
int timeFromNumber(long long hhmmss, ISC_TIME *time) {
  struct tm record = {};
  record.tm_hour = static_cast<int>(hhmmss / 10000);
  record.tm_min = static_cast<int>(hhmmss / 100 % 100);
  record.tm_sec = static_cast<int>(hhmmss % 100);
  return timeFromRecord(&record, time);
}

// Each binary form with exactly its width, aligned as for a timestamp.
int readBinaryTime(int format, int length, const char *source, ISC_TIME *time) {
  const int width = format == FmtTimestamp ? static_cast<int>(sizeof(ISC_TIMESTAMP))
                                           : dateFormatBytes(format);
  if (length != width) return kDbFieldSize;
  if (format == FmtTimestamp) {
    if (!isAligned(source, 4)) return kDbMisaligned;
    ISC_TIMESTAMP stamp;
    std::memcpy(&stamp, source, sizeof stamp);
    *time = stamp.timestamp_time % kUnitsPerDay;
    return kDbOk;
  }
  if (format == FmtDoubleDate) {
    double value;
    std::memcpy(&value, source, sizeof value);
    if (!std::isfinite(value) || value < 0) return kDbBadTime;
    const double whole = std::floor(value);
    return timeFromNumber(std::llround((value - whole) * 1000000.0), time);
  }
  if (format == FmtInt64Date) {
    long long value;
    std::memcpy(&value, source, sizeof value);
    if (value < 0) return kDbBadTime;
    return timeFromNumber(value % 1000000, time);
  }
  struct tm record;
  const int status = scanDate(source, &record, format);
  if (status != kDbOk) return status;
  return timeFromRecord(&record, time);
}

// A date text scanned from a NUL-ended copy of at most the characters the
// scanner examines.
int readDateTime(int format, int length, const char *source, ISC_TIME *time) {
  char text[kDateTextCopy + 1] = {};
  std::memcpy(text, source, length < kDateTextCopy ? length : kDateTextCopy);
  struct tm record;
  const int status = scanDate(text, &record, format);
  if (status != kDbOk) return status;
  return timeFromRecord(&record, time);
}

int writeBinaryTime(int format, ISC_TIME time, int length, char *destination) {
  time %= kUnitsPerDay;
  const int seconds = static_cast<int>(time / kUnitsPerSecond);
  if (format == FmtTimestamp) {
    if (length != static_cast<int>(sizeof(ISC_TIMESTAMP))) return kDbFieldSize;
    if (!isAligned(destination, 4)) return kDbMisaligned;
    ISC_TIMESTAMP stamp = {0, time};
    std::memcpy(destination, &stamp, sizeof stamp);
    return kDbOk;
  }
  if (length < dateFormatBytes(format)) return kDbFieldSize;
  struct tm record = {};
  record.tm_hour = seconds / 3600;
  record.tm_min = seconds / 60 % 60;
  record.tm_sec = seconds % 60;
  if (format == FmtTimeRecord) return formatDate(format, &record, destination);
  const long long hhmmss = record.tm_hour * 10000LL + record.tm_min * 100 + record.tm_sec;
  const int width = dateFormatBytes(format);
  if (!isAligned(destination, static_cast<std::uintptr_t>(width))) return kDbMisaligned;
  if (format == FmtDoubleDate) {
    const double value = static_cast<double>(hhmmss) * 0.000001;
    std::memcpy(destination, &value, sizeof value);
  } else if (format == FmtInt64Date) {
    std::memcpy(destination, &hhmmss, sizeof hhmmss);
  } else {
    const int32_t none = 0;  // a date-only form: the time has no date
    std::memcpy(destination, &none, sizeof none);
  }
  return kDbOk;
}

// Exactly `count` digits at *at, not past end.
bool readDigits(const char *text, int end, int *at, int count, int *value) {
  if (count < 1 || *at + count > end) return false;
  int result = 0;
  for (int i = 0; i < count; ++i) {
    const char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *at += count;
  *value = result;
  return true;
}

}  // namespace
