// fuzz_csvvalues.cpp - the value texts of CSV mode: ISO 8601 dates and times
// read and written again, and the shortest texts of FLOAT and DOUBLE.
//
//   text --scanIsoDateTime--> stamp --formatIso*--> text --scan--> same stamp
//   raw date, time, double, float --format*--> text --read back--> same value
//
// Input: the date text as it stands; its first 8 bytes are also a raw date
// and time of day, a raw double, and (the first 4) a raw float.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "csv/csvvalues.h"
#include "dblib/dbfuncs.h"
#include "harness.h"

namespace {

// The day numbers of 1 January 1 and 31 December 9999, the dates a column
// can hold.
constexpr ISC_DATE kFirstDay = -678575;
constexpr ISC_DATE kLastDay = 2973483;
constexpr ISC_TIME kTicksPerDay = 864000000;

void expect(bool holds, const char *what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_csvvalues: %s\n", what);
  std::abort();
}

// A text written into kCsvValueRoom bytes: its length as returned, NUL-ended.
void expectText(const char *out, int length) {
  expect(length > 0 && length < kCsvValueRoom && std::strlen(out) == static_cast<size_t>(length),
         "text length");
}

// `text` reads as `parts` of `expected`.
void expectScan(const char *text, int length, int parts, const ISC_TIMESTAMP &expected) {
  ISC_TIMESTAMP stamp = {};
  int found = 0;
  expect(scanIsoDateTime(text, length, &stamp, &found) == kDbOk, "written text does not read");
  expect(found == parts, "written text reads as other parts");
  expect(stamp.timestamp_date == expected.timestamp_date &&
             stamp.timestamp_time == expected.timestamp_time,
         "written text reads as another value");
}

void roundTrip(const ISC_TIMESTAMP &stamp) {
  char out[kCsvValueRoom];
  int length = formatIsoTimestamp(stamp, out);
  expectText(out, length);
  const ISC_TIMESTAMP timeOnly = {0, stamp.timestamp_time % kTicksPerDay};
  const ISC_TIMESTAMP dateOnly = {stamp.timestamp_date, 0};
  const ISC_TIMESTAMP both = {stamp.timestamp_date, timeOnly.timestamp_time};
  const bool calendarDay =
      stamp.timestamp_date >= kFirstDay && stamp.timestamp_date <= kLastDay;
  if (calendarDay) expectScan(out, length, kIsoDateTime, both);
  length = formatIsoDate(stamp.timestamp_date, out);
  expectText(out, length);
  if (calendarDay) expectScan(out, length, kIsoDateOnly, dateOnly);
  length = formatIsoTime(stamp.timestamp_time, out);
  expectText(out, length);
  expectScan(out, length, kIsoTimeOnly, timeOnly);

  struct tm calendar;
  timestampToCalendar(stamp, &calendar);
  expect(calendar.tm_mon >= 0 && calendar.tm_mon <= 11 && calendar.tm_mday >= 1 &&
             calendar.tm_mday <= 31 && calendar.tm_wday >= 0 && calendar.tm_wday <= 6 &&
             calendar.tm_yday >= 0 && calendar.tm_yday <= 365 && calendar.tm_hour <= 23,
         "calendar fields out of range");
  // The dateform texts of an unload take the same calendar record.
  if (!calendarDay) return;
  for (int format = FmtYMDdate; format <= FmtDMYtime; ++format) {
    alignas(8) char text[kCsvValueRoom];
    formatDate(format, &calendar, text);
  }
}

void shortestTexts(const uint8_t *bytes) {
  double real = 0;
  float single = 0;
  std::memcpy(&real, bytes, sizeof real);
  std::memcpy(&single, bytes, sizeof single);
  char out[kCsvValueRoom];
  int length = formatShortestDouble(real, out);
  expectText(out, length);
  if (std::isfinite(real)) expect(std::strtod(out, nullptr) == real, "double reads back");
  length = formatShortestFloat(single, out);
  expectText(out, length);
  if (std::isfinite(single)) expect(std::strtof(out, nullptr) == single, "float reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  freshJob();
  const char *text = reinterpret_cast<const char *>(data);
  const int length = static_cast<int>(size);
  ISC_TIMESTAMP stamp = {};
  int parts = 0;
  const int status = scanIsoDateTime(text, length, &stamp, &parts);
  expect(status == kDbOk || status == kDbBadDate || status == kDbBadTime ||
             status == kDbCannotFormat || status == kIsoTimeZone,
         "scan status");
  if (status == kDbOk) {
    expect(parts >= kIsoDateOnly && parts <= kIsoDateTime, "parts");
    expect(stamp.timestamp_date >= kFirstDay && stamp.timestamp_date <= kLastDay,
           "date outside the calendar");
    expect(stamp.timestamp_time < kTicksPerDay, "time outside the day");
    roundTrip(stamp);
  }

  uint8_t raw[8] = {};
  std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
  ISC_TIMESTAMP rawStamp;
  std::memcpy(&rawStamp.timestamp_date, raw, 4);
  std::memcpy(&rawStamp.timestamp_time, raw + 4, 4);
  roundTrip(rawStamp);
  shortestTexts(raw);
  return 0;
}
