// dates.cpp - external dates to and from broken-down time records.
//
//   date text / binary date --scanDate--> struct tm --isc_encode_timestamp--> variable   (PutField)
//   variable --isc_decode_timestamp--> struct tm --formatDate--> date text / binary date (GetField)
//   variable --formatTimestampText--> date text (the unload's columns read directly)
//
// A struct tm travels between the two sides; only its first nine ints (the
// time record of format 18) carry meaning here. While a date is scanned the
// month field holds 1-12 and the year field the year as written; both are
// converted once the scan is complete.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

bool isLeapYear(long long year);
int monthLength(int month, long long year);
int monthFromName(const char *word);
bool isLetter(char c);
int scanDateText(const char *text, struct tm *record, int format, int *components);
bool scanPlainDate(const char *text, long long *values, int *count);
int julianToDateNumber(int32_t value, long long *number);
int checkCalendar(const struct tm *record, int components);
void readTimeRecord(const char *source, struct tm *record);
void writeTimeRecord(const struct tm *time, char *destination);
bool writeDateText(int format, long long year, const struct tm *time, char sep,
                   char *destination);
char *putTwo(char *out, int value);
char *putFour(char *out, long long value);
void decodeCalendarDay(ISC_DATE date, struct tm *record);

const char *const kMonthAbbreviations[12] = {"Jan", "Feb", "Mar", "Apr",
                                             "May", "Jun", "Jul", "Aug",
                                             "Sep", "Oct", "Nov", "Dec"};

// Date texts are read from at most this many characters.
constexpr int kDateTextLimit = 19;
constexpr int kMaxComponents = 6;
// A component longer than nine digits is nonsense for any field; holding it
// at this value keeps the arithmetic defined and still fails every check
// (the year check included).
constexpr long long kComponentCap = 999999999;
// The database stores years 1 to 9999 only.
constexpr long long kFirstYear = 1, kLastYear = 9999;

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar
// (month 1-12), in eras of 400 years that start on March 1st.
constexpr long long daysFromCivil(long long year, int month, int day) {
  const long long y = month <= 2 ? year - 1 : year;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yearOfEra = y - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}
// An ISC_DATE counts days from 1858-11-17.
constexpr long long kIscDateEpoch = daysFromCivil(1858, 11, 17);
constexpr ISC_DATE kFirstIscDate =
    static_cast<ISC_DATE>(daysFromCivil(kFirstYear, 1, 1) - kIscDateEpoch);
constexpr ISC_DATE kLastIscDate =
    static_cast<ISC_DATE>(daysFromCivil(kLastYear, 12, 31) - kIscDateEpoch);
// ISC_TIME counts 1/10000 seconds.
constexpr ISC_TIME kTimeUnitsPerSecond = 10000;
constexpr ISC_TIME kTimeUnitsPerDay = 86400 * kTimeUnitsPerSecond;

}  // namespace

// Format 18 is copied unchecked; every other format is scanned, given full
// years by the century split and checked as a calendar date and time.
int scanDate(const char *source, struct tm *record, int format) {
  if (format == FmtTimeRecord && source != nullptr) {
    readTimeRecord(source, record);
    return kDbOk;
  }
  std::memset(record, 0, sizeof *record);
  if (format < FmtTimestamp || format > FmtInt64Date) return kDbCannotFormat;
  if (source == nullptr) return kDbOk;

  if (format == FmtTimestamp) {
    ISC_TIMESTAMP stamp;
    std::memcpy(&stamp, source, sizeof stamp);
    isc_decode_timestamp(&stamp, record);
    return kDbOk;
  }

  int components = 0;
  if (format >= FmtDoubleDate) {
    long long number = 0;
    if (format == FmtDoubleDate) {
      double value;
      std::memcpy(&value, source, sizeof value);
      number = truncateToWhole(value * 1000000.0);
    } else if (format == FmtLongDate) {
      int32_t value;
      std::memcpy(&value, source, sizeof value);
      number = static_cast<long long>(value) * 1000000;
    } else if (format == FmtJulianDate) {
      int32_t value;
      std::memcpy(&value, source, sizeof value);
      int status = julianToDateNumber(value, &number);
      if (status != kDbOk) return status;
    } else {
      std::memcpy(&number, source, sizeof number);
    }
    unpackDateNumber(record, number);
    components = kMaxComponents;
  } else {
    if (source[0] == '0' && source[1] == '\0') return kDbOk;
    int status = scanDateText(source, record, format, &components);
    if (status != kDbOk) return status;
  }
  applyCenturySplit(record);

  int status = checkCalendar(record, components);
  if (status != kDbOk) return status;
  record->tm_mon -= 1;
  return kDbOk;
}

ISC_TIMESTAMP encodeCheckedTimestamp(const struct tm &record) {
  const long long day =
      daysFromCivil(record.tm_year + 1900LL, record.tm_mon + 1, record.tm_mday) - kIscDateEpoch;
  const int seconds = (record.tm_hour * 60 + record.tm_min) * 60 + record.tm_sec;
  return ISC_TIMESTAMP{static_cast<ISC_DATE>(day),
                       static_cast<ISC_TIME>(seconds) * kTimeUnitsPerSecond};
}

// Two-digit years go to 20yy, or to 19yy when above the run's century split.
void applyCenturySplit(struct tm *record) {
  int year = record->tm_year;
  if (year < 0) return;
  if (year < 100) {
    int split = runSettings->centurySplit;
    year += (split != 0 && year > split) ? 1900 : 2000;
  }
  record->tm_year = year - 1900;
}

// number is YYYYMMDDhhmmss; a number without a positive date part sets nothing.
void unpackDateNumber(struct tm *record, long long number) {
  if (number == 0) return;
  long long date = number / 1000000;
  if (date <= 0) return;
  record->tm_mday = static_cast<int>(date % 100);
  record->tm_mon = static_cast<int>(date / 100 % 100);
  record->tm_year = static_cast<int>(date / 10000);
  long long time = number - date * 1000000;
  if (time == 0) return;
  record->tm_sec = static_cast<int>(time % 100);
  record->tm_min = static_cast<int>(time / 100 % 100);
  record->tm_hour = static_cast<int>(time / 10000);
}

// Writes at most the byte count of each format (texts with their NUL), so an
// odd field can cut a text short but never write past it.
int formatDate(int format, const struct tm *time, char *destination) {
  if (time == nullptr || !isAligned(time, 4)) return kDbMisaligned;
  if (destination == nullptr) return kDbMisaligned;
  if (format == FmtTimeRecord) {
    if (!isAligned(destination, 4)) return kDbMisaligned;
    writeTimeRecord(time, destination);
    return kDbOk;
  }
  if (format < FmtYMDdate || format > FmtInt64Date) return kDbCannotFormat;

  const long long year = time->tm_year + 1900LL;
  // The database holds years 1-9999; beyond them the binary forms overflow.
  if (year < kFirstYear || year > kLastYear) return kDbBadDate;
  if (time->tm_mon == INT_MAX) return kDbBadDate;  // it has no month number
  const int month = time->tm_mon + 1;
  const int day = time->tm_mday;
  const int hours = time->tm_hour, minutes = time->tm_min, seconds = time->tm_sec;
  const char sep = runSettings->dateSeparator;
  const int bytes = dateFormatBytes(format);
  if (writeDateText(format, year, time, sep, destination)) return kDbOk;

  switch (format) {
    case FmtYMDdate:
      std::snprintf(destination, bytes, "%04lld%c%02d%c%02d", year, sep, month, sep, day);
      return kDbOk;
    case FmtMDYdateUS:
      std::snprintf(destination, bytes, "%02d%c%02d%c%04lld", month, sep, day, sep, year);
      return kDbOk;
    case FmtYMDtime:
      std::snprintf(destination, bytes, "%04lld%c%02d%c%02d %02d:%02d:%02d", year, sep,
                    month, sep, day, hours, minutes, seconds);
      return kDbOk;
    case FmtMDYtime:
      std::snprintf(destination, bytes, "%02d%c%02d%c%04lld %02d:%02d:%02d", month, sep,
                    day, sep, year, hours, minutes, seconds);
      return kDbOk;
    case FmtDMonYdate:
      if (month < 1 || month > 12) return kDbBadDate;
      std::snprintf(destination, bytes, "%02d%c%s%c%04lld", day, sep,
                    kMonthAbbreviations[month - 1], sep, year);
      return kDbOk;
    case FmtMDYdate:
      std::snprintf(destination, bytes, "%02d%c%02d%c%04lld", day, sep, month, sep, year);
      return kDbOk;
    case FmtDMYtime:
      std::snprintf(destination, bytes, "%02d%c%02d%c%04lld %02d:%02d:%02d", day, sep,
                    month, sep, year, hours, minutes, seconds);
      return kDbOk;
    default:
      break;
  }

  const long long dateNumber = year * 10000 + month * 100LL + day;
  const long long timeNumber = hours * 10000LL + minutes * 100LL + seconds;
  if (format == FmtDoubleDate || format == FmtInt64Date) {
    if (!isAligned(destination, 8)) return kDbMisaligned;
    if (format == FmtDoubleDate) {
      double value = static_cast<double>(dateNumber) + static_cast<double>(timeNumber) * 0.000001;
      std::memcpy(destination, &value, sizeof value);
    } else {
      long long value = dateNumber * 1000000 + timeNumber;
      std::memcpy(destination, &value, sizeof value);
    }
    return kDbOk;
  }
  if (!isAligned(destination, 4)) return kDbMisaligned;
  long long value = dateNumber;
  if (format == FmtJulianDate) {
    long long dayOfYear = day;
    for (int m = 1; m < month && m <= 12; ++m) dayOfYear += monthLength(m, year);
    value = year * 1000 + dayOfYear;
  }
  int32_t narrow = static_cast<int32_t>(value);
  std::memcpy(destination, &narrow, sizeof narrow);
  return kDbOk;
}

// The client's own decoding costs a call and a full struct tm per value; the
// unload writes one such text per row and column. Within the database's
// range of years the calendar arithmetic below gives the same fields.
int formatTimestampText(const char *data, int format, char *out) {
  if (format < FmtYMDdate || format > FmtDMYtime) return -1;
  ISC_TIMESTAMP stamp;
  std::memcpy(&stamp, data, sizeof stamp);
  if (stamp.timestamp_date < kFirstIscDate || stamp.timestamp_date > kLastIscDate ||
      stamp.timestamp_time >= kTimeUnitsPerDay)
    return -1;
  struct tm time = {};
  decodeCalendarDay(stamp.timestamp_date, &time);
  const ISC_TIME seconds = stamp.timestamp_time / kTimeUnitsPerSecond;
  time.tm_hour = static_cast<int>(seconds / 3600);
  time.tm_min = static_cast<int>(seconds / 60 % 60);
  time.tm_sec = static_cast<int>(seconds % 60);
  if (!writeDateText(format, time.tm_year + 1900LL, &time, runSettings->dateSeparator, out))
    return -1;
  return dateFormatBytes(format) - 1;
}

int dateFormatBytes(int format) {
  switch (format) {
    case FmtYMDdate: case FmtMDYdateUS: case FmtMDYdate: return 11;
    case FmtYMDtime: case FmtMDYtime: case FmtDMYtime: return 20;
    case FmtDMonYdate: return 12;
    case FmtTimeRecord: return kTimeRecordBytes;
    case FmtDoubleDate: case FmtInt64Date: return 8;
    case FmtLongDate: case FmtJulianDate: return 4;
    default: return 0;
  }
}

namespace {

bool isLeapYear(long long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// month 1-12
int monthLength(int month, long long year) {
  static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kLengths[month - 1];
}

// The month named by the lower-case word (its first three letters decide),
// or 0 when it names none. June and July need "ju" so that a misspelt
// "jxn" is refused rather than read as June.
int monthFromName(const char *word) {
  const char first = word[0];
  const char second = first != '\0' ? word[1] : '\0';
  const char third = second != '\0' ? word[2] : '\0';
  switch (lowered(first)) {
    case 'j':
      if (lowered(second) == 'a') return 1;
      if (lowered(second) != 'u') return 0;
      if (lowered(third) == 'n') return 6;
      if (lowered(third) == 'l') return 7;
      return 0;
    case 'f': return 2;
    case 'm':
      if (lowered(third) == 'r') return 3;
      if (lowered(third) == 'y') return 5;
      return 0;
    case 'a':
      if (lowered(second) == 'p') return 4;
      if (lowered(second) == 'u') return 8;
      return 0;
    case 's': return 9;
    case 'o': return 10;
    case 'n': return 11;
    case 'd': return 12;
    default: return 0;
  }
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Reads up to six numeric components (date in the format's order, then
// hours, minutes, seconds) from the first 19 characters of a NUL-ended text.
// A seventh component is refused: the record has no place for it.
int scanDateText(const char *text, struct tm *record, int format, int *components) {
  long long values[kMaxComponents] = {};
  int count = 0;
  long long value = 0;
  bool digitsSeen = false;
  bool overflow = false;
  auto store = [&]() {
    if (count < kMaxComponents)
      values[count++] = value;
    else if (digitsSeen)
      overflow = true;
    value = 0;
    digitsSeen = false;
  };

  // The usual text is read straight; a month name never is.
  bool stopped = format != FmtDMonYdate && scanPlainDate(text, values, &count);
  for (int i = 0; i < kDateTextLimit && !stopped; ++i) {
    const char c = text[i];
    if (format == FmtDMonYdate && count == 1 && value == 0) {
      value = monthFromName(text + i);
      if (value == 0) return kDbBadDate;
      digitsSeen = true;
      while (i + 1 < kDateTextLimit && isLetter(text[i + 1])) ++i;
      continue;
    }
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (value > kComponentCap) value = kComponentCap;
      digitsSeen = true;
    } else if (c == ' ' || c == '-' || c == '/' || c == ':') {
      if (digitsSeen) store();
    } else {
      store();  // any other character, the closing NUL included, ends the date
      stopped = true;
    }
  }
  if (!stopped && digitsSeen) store();
  if (overflow) return kDbBadDate;

  long long year, month, day;
  switch (format) {
    case FmtYMDdate: case FmtYMDtime:
      year = values[0]; month = values[1]; day = values[2];
      break;
    case FmtMDYdateUS: case FmtMDYtime:
      month = values[0]; day = values[1]; year = values[2];
      break;
    default:  // 15, 16, 17: day first
      day = values[0]; month = values[1]; year = values[2];
      break;
  }
  record->tm_year = static_cast<int>(year);
  record->tm_mon = static_cast<int>(month);
  record->tm_mday = static_cast<int>(day);
  record->tm_hour = static_cast<int>(values[3]);
  record->tm_min = static_cast<int>(values[4]);
  record->tm_sec = static_cast<int>(values[5]);
  *components = count;
  return kDbOk;
}

// The usual date text: three runs of one to four digits between single
// separators, ended by the NUL. True with the three values stored as the
// full scan would store them; false (nothing stored) for anything else.
bool scanPlainDate(const char *text, long long *values, int *count) {
  long long found[3];
  int i = 0;
  for (int group = 0; group < 3; ++group) {
    const int start = i;
    long long value = 0;
    while (i - start < 4 && text[i] >= '0' && text[i] <= '9')
      value = value * 10 + (text[i++] - '0');
    if (i == start) return false;
    const char c = text[i++];
    if (group < 2 ? !(c == ' ' || c == '-' || c == '/' || c == ':') : c != '\0') return false;
    found[group] = value;
  }
  std::memcpy(values, found, sizeof found);
  *count = 3;
  return true;
}

// YYYYDDD to YYYYMMDD000000; 0 stays 0.
int julianToDateNumber(int32_t value, long long *number) {
  *number = 0;
  if (value == 0) return kDbOk;
  const long long year = value / 1000;
  long long day = value % 1000;
  if (year <= 0 || day <= 0) return kDbCannotFormat;
  int month = 1;
  while (day > monthLength(month, year)) {
    day -= monthLength(month, year);
    if (++month > 12) return kDbCannotFormat;
  }
  *number = (year * 10000 + month * 100 + day) * 1000000;
  return kDbOk;
}

// Month still 1-12, year already years since 1900.
int checkCalendar(const struct tm *record, int components) {
  if (components < 3) return kDbBadDate;
  const int month = record->tm_mon, day = record->tm_mday;
  if (month < 1 || month > 12) return kDbBadDate;
  if (day < 1 || day > 31) return kDbBadDate;
  if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return kDbBadDate;
  const long long year = record->tm_year + 1900LL;
  if (month == 2 && (day > 29 || (day == 29 && !isLeapYear(year)))) return kDbBadDate;
  if (year < kFirstYear || year > kLastYear) return kDbBadDate;
  if (record->tm_hour < 0 || record->tm_hour > 23 || record->tm_min > 59 || record->tm_sec > 59)
    return kDbBadTime;
  return kDbOk;
}

void readTimeRecord(const char *source, struct tm *record) {
  int32_t fields[9];
  std::memcpy(fields, source, kTimeRecordBytes);
  record->tm_sec = fields[0];
  record->tm_min = fields[1];
  record->tm_hour = fields[2];
  record->tm_mday = fields[3];
  record->tm_mon = fields[4];
  record->tm_year = fields[5];
  record->tm_wday = fields[6];
  record->tm_yday = fields[7];
  record->tm_isdst = fields[8];
}

// The texts of formats 11-17 written digit by digit, the same bytes as their
// snprintf forms below (NUL included) when every field has its usual width:
// a year of 0-9999, the other fields 0-99 and, for format 15, a month of
// 1-12. False, with nothing written, for any other format or value: the
// snprintf forms then decide.
bool writeDateText(int format, long long year, const struct tm *time, char sep,
                   char *destination) {
  if (format < FmtYMDdate || format > FmtDMYtime) return false;
  const int month = time->tm_mon + 1, day = time->tm_mday;
  auto twoDigits = [](int value) { return value >= 0 && value <= 99; };
  if (year < 0 || year > 9999 || !twoDigits(month) || !twoDigits(day)) return false;
  if (format == FmtDMonYdate && (month < 1 || month > 12)) return false;
  const bool timed = format == FmtYMDtime || format == FmtMDYtime || format == FmtDMYtime;
  if (timed && !(twoDigits(time->tm_hour) && twoDigits(time->tm_min) && twoDigits(time->tm_sec)))
    return false;

  char *out = destination;
  switch (format) {
    case FmtYMDdate: case FmtYMDtime:
      out = putFour(out, year);
      *out++ = sep;
      out = putTwo(out, month);
      *out++ = sep;
      out = putTwo(out, day);
      break;
    case FmtMDYdateUS: case FmtMDYtime:
      out = putTwo(out, month);
      *out++ = sep;
      out = putTwo(out, day);
      *out++ = sep;
      out = putFour(out, year);
      break;
    case FmtDMonYdate:
      out = putTwo(out, day);
      *out++ = sep;
      std::memcpy(out, kMonthAbbreviations[month - 1], 3);
      out += 3;
      *out++ = sep;
      out = putFour(out, year);
      break;
    default:  // 16, 17: day first
      out = putTwo(out, day);
      *out++ = sep;
      out = putTwo(out, month);
      *out++ = sep;
      out = putFour(out, year);
      break;
  }
  if (timed) {
    *out++ = ' ';
    out = putTwo(out, time->tm_hour);
    *out++ = ':';
    out = putTwo(out, time->tm_min);
    *out++ = ':';
    out = putTwo(out, time->tm_sec);
  }
  *out = '\0';
  return true;
}

// Day, month (0-11) and year (since 1900) of a date within years 1-9999:
// the inverse of daysFromCivil.
void decodeCalendarDay(ISC_DATE date, struct tm *record) {
  const long long days = date + kIscDateEpoch + 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  record->tm_mday = day;
  record->tm_mon = month - 1;
  record->tm_year = static_cast<int>(year - 1900);
}

// value 0-99 as two digits
char *putTwo(char *out, int value) {
  out[0] = static_cast<char>('0' + value / 10);
  out[1] = static_cast<char>('0' + value % 10);
  return out + 2;
}

// value 0-9999 as four digits
char *putFour(char *out, long long value) {
  const int year = static_cast<int>(value);
  putTwo(out, year / 100);
  return putTwo(out + 2, year % 100);
}

void writeTimeRecord(const struct tm *time, char *destination) {
  const int32_t fields[9] = {time->tm_sec,  time->tm_min,  time->tm_hour,
                             time->tm_mday, time->tm_mon,  time->tm_year,
                             time->tm_wday, time->tm_yday, time->tm_isdst};
  std::memcpy(destination, fields, kTimeRecordBytes);
}

}  // namespace
