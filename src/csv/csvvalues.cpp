// csvvalues.cpp - ISO 8601 date texts and shortest FLOAT/DOUBLE texts.
//
//   text --scanIsoDateTime--> civil date, time --> day number, 1/10000 s
//   day number --civilFromDays--> YYYY-MM-DD;  1/10000 s --> hh:mm:ss.ffff
//   double --"%.15g" .. "%.17g", first that strtod reads back--> text
#include "csv/csvvalues.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dblib/dbfuncs.h"

namespace {

// Day 0 of the database's calendar, 17 November 1858, counted from 1 January
// 1970 as the civil-date arithmetic below counts.
constexpr long kDatabaseEpoch = -40587;
constexpr long kTicksPerSecond = 10000;
constexpr long kTicksPerDay = 86400 * kTicksPerSecond;
// Nanoseconds, as other programs write them; the fifth digit rounds.
constexpr int kMostFractionDigits = 9;

// 9999-12-31, the last day the database keeps.
constexpr long kLastDay = 2973483;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `count` digits at text[*at]; false when they are not there.
bool readDigits(std::string_view text, size_t *at, int count, int *value) {
  int result = 0;
  for (int i = 0; i < count; ++i) {
    if (*at >= text.size() || !isDigit(text[*at])) return false;
    result = result * 10 + (text[(*at)++] - '0');
  }
  *value = result;
  return true;
}

bool leapYear(long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(long year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long daysFromCivil(long year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(long days, long *year, int *month, int *day) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long shifted = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

// YYYY-MM-DD at text[*at]: 0 with the day number, kDbCannotFormat another form,
// kDbBadDate no calendar day.
int scanDatePart(std::string_view text, size_t *at, long *dayNumber) {
  int year = 0, month = 0, day = 0;
  if (!readDigits(text, at, 4, &year) || *at >= text.size() || text[*at] != '-')
    return kDbCannotFormat;
  ++*at;
  if (!readDigits(text, at, 2, &month) || *at >= text.size() || text[*at] != '-')
    return kDbCannotFormat;
  ++*at;
  if (!readDigits(text, at, 2, &day)) return kDbCannotFormat;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
    return kDbBadDate;
  *dayNumber = daysFromCivil(year, month, day) - kDatabaseEpoch;
  return kDbOk;
}

// hh:mm[:ss[.f..fffffffff]] at text[*at]: 0 with the ticks, kDbCannotFormat,
// kDbBadTime. Digits past the fourth round half away from zero, as extra
// decimals do for a scaled number; the carry may make the ticks a whole day.
int scanTimePart(std::string_view text, size_t *at, long *ticks) {
  int hours = 0, minutes = 0, seconds = 0, fraction = 0;
  if (!readDigits(text, at, 2, &hours) || *at >= text.size() || text[*at] != ':')
    return kDbCannotFormat;
  ++*at;
  if (!readDigits(text, at, 2, &minutes)) return kDbCannotFormat;
  if (*at < text.size() && text[*at] == ':') {
    ++*at;
    if (!readDigits(text, at, 2, &seconds)) return kDbCannotFormat;
    if (*at < text.size() && text[*at] == '.') {
      ++*at;
      int digits = 0;
      bool roundUp = false;
      while (*at < text.size() && isDigit(text[*at]) && digits < kMostFractionDigits) {
        const int digit = text[(*at)++] - '0';
        if (digits < 4) fraction = fraction * 10 + digit;
        if (digits == 4) roundUp = digit >= 5;
        ++digits;
      }
      if (digits == 0 || (*at < text.size() && isDigit(text[*at]))) return kDbCannotFormat;
      for (; digits < 4; ++digits) fraction *= 10;
      if (roundUp) ++fraction;
    }
  }
  if (hours > 23 || minutes > 59 || seconds > 59) return kDbBadTime;
  *ticks = ((hours * 60L + minutes) * 60 + seconds) * kTicksPerSecond + fraction;
  return kDbOk;
}

// "Z", "+hh:mm", "-hh:mm", "+hhmm" or "+hh" from text[at] to its end.
bool isZoneSuffix(std::string_view zone) {
  if (zone == "Z" || zone == "z") return true;
  if (zone.size() < 3 || (zone[0] != '+' && zone[0] != '-')) return false;
  size_t at = 1;
  int value = 0;
  if (!readDigits(zone, &at, 2, &value)) return false;
  if (at < zone.size() && zone[at] == ':') ++at;
  return at == zone.size() || (readDigits(zone, &at, 2, &value) && at == zone.size());
}

std::string_view trimmed(const char *text, int length) {
  std::string_view view(text, length > 0 ? static_cast<size_t>(length) : 0);
  const size_t first = view.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return view.substr(first, view.find_last_not_of(" \t") - first + 1);
}

}  // namespace

int scanIsoDateTime(const char *source, int length, ISC_TIMESTAMP *stamp, int *parts) {
  const std::string_view text = trimmed(source, length);
  size_t at = 0;
  long day = 0;
  long ticks = 0;
  int found = 0;
  // A time alone has its colon third: "hh:".
  if (text.size() >= 3 && text[2] == ':') {
    const int status = scanTimePart(text, &at, &ticks);
    if (status != kDbOk) return status;
    found = kIsoTimeOnly;
  } else {
    int status = scanDatePart(text, &at, &day);
    if (status != kDbOk) return status;
    found = kIsoDateOnly;
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
      ++at;
      status = scanTimePart(text, &at, &ticks);
      if (status != kDbOk) return status;
      found = kIsoDateTime;
    }
  }
  if (at != text.size())
    return found != kIsoDateOnly && isZoneSuffix(text.substr(at)) ? kIsoTimeZone : kDbCannotFormat;
  if (ticks == kTicksPerDay) {
    // Rounded up to midnight: the next day, when there is one.
    if (found == kIsoTimeOnly) return kDbBadTime;
    if (day == kLastDay) return kDbBadDate;
    ++day;
    ticks = 0;
  }
  stamp->timestamp_date = static_cast<ISC_DATE>(day);
  stamp->timestamp_time = static_cast<ISC_TIME>(ticks);
  *parts = found;
  return kDbOk;
}

int formatIsoDate(ISC_DATE date, char *out) {
  long year = 0;
  int month = 0, day = 0;
  civilFromDays(static_cast<long>(date) + kDatabaseEpoch, &year, &month, &day);
  return std::snprintf(out, kCsvValueRoom, "%04ld-%02d-%02d", year, month, day);
}

int formatIsoTime(ISC_TIME time, char *out) {
  const long ticks = static_cast<long>(time % kTicksPerDay);
  const long seconds = ticks / kTicksPerSecond;
  return std::snprintf(out, kCsvValueRoom, "%02ld:%02ld:%02ld.%04ld", seconds / 3600,
                       seconds / 60 % 60, seconds % 60, ticks % kTicksPerSecond);
}

int formatIsoTimestamp(const ISC_TIMESTAMP &stamp, char *out) {
  char date[kCsvValueRoom];
  char time[kCsvValueRoom];
  formatIsoDate(stamp.timestamp_date, date);
  formatIsoTime(stamp.timestamp_time, time);
  const int length = std::snprintf(out, kCsvValueRoom, "%s %s", date, time);
  return length < kCsvValueRoom ? length : kCsvValueRoom - 1;
}

void timestampToCalendar(const ISC_TIMESTAMP &stamp, struct tm *calendar) {
  long year = 0;
  int month = 0, day = 0;
  const long days = static_cast<long>(stamp.timestamp_date) + kDatabaseEpoch;
  civilFromDays(days, &year, &month, &day);
  const long seconds = static_cast<long>(stamp.timestamp_time % kTicksPerDay) / kTicksPerSecond;
  *calendar = {};
  calendar->tm_sec = static_cast<int>(seconds % 60);
  calendar->tm_min = static_cast<int>(seconds / 60 % 60);
  calendar->tm_hour = static_cast<int>(seconds / 3600);
  calendar->tm_mday = day;
  calendar->tm_mon = month - 1;
  calendar->tm_year = static_cast<int>(year - 1900);
  calendar->tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  calendar->tm_yday = static_cast<int>(days - daysFromCivil(year, 1, 1));
}

// %.15g gives the shortest text whenever one of at most 15 digits reads back:
// the value lies closer to that text than half a step of the 15-digit grid.
int formatShortestDouble(double value, char *out) {
  int length = 0;
  for (int digits = 15; digits <= 17; ++digits) {
    length = std::snprintf(out, kCsvValueRoom, "%.*g", digits, value);
    if (std::strtod(out, nullptr) == value) break;
  }
  return length;
}

int formatShortestFloat(float value, char *out) {
  int length = 0;
  for (int digits = 6; digits <= 9; ++digits) {
    length = std::snprintf(out, kCsvValueRoom, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(out, nullptr) == value) break;
  }
  return length;
}
