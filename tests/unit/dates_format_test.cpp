// Date texts written digit by digit against their printf forms: formats
// 11-17 must give the same bytes (NUL included, nothing beyond) as their
// snprintf forms, for every day of years 1-9999 and for odd field values.
//
// By default each day is checked in one format, separator and time of day,
// taken in turn; LODRUN_EQUIVALENCE_SCALE=k checks k of the 56 combinations a
// day (56 or more: all of them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/dbinternal.h"

namespace {

// The formats' texts as snprintf made them: at most bytes - 1 characters,
// then the NUL.
int printfDate(int format, const struct tm &t, char sep, char *out) {
  static const char *const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const long long year = t.tm_year + 1900LL;
  const int month = t.tm_mon + 1, day = t.tm_mday;
  const int h = t.tm_hour, m = t.tm_min, s = t.tm_sec;
  if (year < 1 || year > 9999) return kDbBadDate;  // nothing is written then
  char text[128];
  int bytes = 11;
  switch (format) {
    case 11:
      std::snprintf(text, sizeof text, "%04lld%c%02d%c%02d", year, sep, month, sep, day);
      break;
    case 12:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%04lld", month, sep, day, sep, year);
      break;
    case 13:
      std::snprintf(text, sizeof text, "%04lld%c%02d%c%02d %02d:%02d:%02d", year, sep, month, sep,
                    day, h, m, s);
      bytes = 20;
      break;
    case 14:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%04lld %02d:%02d:%02d", month, sep, day, sep,
                    year, h, m, s);
      bytes = 20;
      break;
    case 15:
      if (month < 1 || month > 12) return kDbBadDate;
      std::snprintf(text, sizeof text, "%02d%c%s%c%04lld", day, sep, kMonths[month - 1], sep,
                    year);
      bytes = 12;
      break;
    case 16:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%04lld", day, sep, month, sep, year);
      break;
    default:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%04lld %02d:%02d:%02d", day, sep, month, sep,
                    year, h, m, s);
      bytes = 20;
      break;
  }
  const size_t kept = std::min(std::strlen(text), static_cast<size_t>(bytes - 1));
  std::memcpy(out, text, kept);
  out[kept] = '\0';
  return 0;
}

// One comparison: the result code, the text with its NUL, and the bytes
// after it left alone.
::testing::AssertionResult sameAsPrintf(int format, const struct tm &t, char sep) {
  DBrunSettings().dateSeparator = sep;
  char got[48], expected[48];
  std::memset(got, '#', sizeof got);
  std::memset(expected, '#', sizeof expected);
  const int gotCode = formatDate(format, &t, got);
  const int expectedCode = printfDate(format, t, sep, expected);
  if (gotCode == expectedCode && std::memcmp(got, expected, sizeof got) == 0)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "format " << format << " separator " << sep << " year " << t.tm_year + 1900
         << " month " << t.tm_mon + 1 << " day " << t.tm_mday << " " << t.tm_hour << ":"
         << t.tm_min << ":" << t.tm_sec << ": got " << gotCode << " \""
         << std::string(got, sizeof got) << "\", printf gives " << expectedCode << " \""
         << std::string(expected, sizeof expected) << "\"";
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

class DateFormat : public ::testing::Test {
 protected:
  void TearDown() override { DBrunSettings().dateSeparator = '/'; }
};

}  // namespace

TEST_F(DateFormat, EveryDayOfYearsOneTo9999PrintsAsPrintfDoes) {
  static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  static const int kTimes[4][3] = {{0, 0, 0}, {9, 5, 7}, {12, 30, 45}, {23, 59, 59}};
  static const char kSeparators[2] = {'/', '-'};
  constexpr int kCombinations = 7 * 2 * 4;
  const char *text = std::getenv("LODRUN_EQUIVALENCE_SCALE");
  int perDay = text != nullptr ? std::atoi(text) : 1;
  if (perDay < 1) perDay = 1;
  if (perDay > kCombinations) perDay = kCombinations;

  long long dayNumber = 0;
  int failures = 0;
  for (int year = 1; year <= 9999; ++year) {
    for (int month = 1; month <= 12; ++month) {
      const int length = month == 2 && isLeap(year) ? 29 : kLengths[month - 1];
      for (int day = 1; day <= length; ++day, ++dayNumber) {
        for (int k = 0; k < perDay; ++k) {
          // consecutive days take consecutive combinations
          const long long combination = (dayNumber * perDay + k) % kCombinations;
          struct tm t = {};
          t.tm_year = year - 1900;
          t.tm_mon = month - 1;
          t.tm_mday = day;
          const int *time = kTimes[combination / 14];
          t.tm_hour = time[0];
          t.tm_min = time[1];
          t.tm_sec = time[2];
          const auto result = sameAsPrintf(11 + static_cast<int>(combination % 7), t,
                                           kSeparators[combination / 7 % 2]);
          if (!result) {
            ADD_FAILURE() << result.message();
            if (++failures == 5) return;
          }
        }
      }
    }
  }
  EXPECT_EQ(dayNumber, 3652059);
}

// Fields outside their usual widths: years beyond four digits or below 1
// (refused), months and days of three digits or negative, hours past 99.
TEST_F(DateFormat, OddFieldValuesPrintAsPrintfDoes) {
  const struct { int year, month, day, hour, minute, second; } rows[] = {
      {0, 1, 1, 0, 0, 0},        {9999, 12, 31, 23, 59, 59}, {10000, 1, 1, 0, 0, 0},
      {-1, 6, 15, 12, 0, 0},     {-1900, 1, 1, 0, 0, 0},     {123456, 1, 1, 0, 0, 0},
      {2009, 0, 12, 14, 5, 9},   {2009, 13, 12, 14, 5, 9},   {2009, 100, 12, 14, 5, 9},
      {2009, -5, 12, 14, 5, 9},  {2009, 1, 0, 0, 0, 0},      {2009, 1, -3, 0, 0, 0},
      {2009, 1, 99, 0, 0, 0},    {2009, 1, 100, 0, 0, 0},    {2009, 1, 12, 24, 60, 61},
      {2009, 1, 12, 99, 99, 99}, {2009, 1, 12, 100, 5, 9},   {2009, 1, 12, 14, -1, 9},
      {2009, 1, 12, 14, 5, 1000},
  };
  for (const auto &row : rows) {
    struct tm t = {};
    t.tm_year = row.year - 1900;
    t.tm_mon = row.month - 1;
    t.tm_mday = row.day;
    t.tm_hour = row.hour;
    t.tm_min = row.minute;
    t.tm_sec = row.second;
    for (int format = 11; format <= 17; ++format)
      for (char sep : {'/', '-'}) EXPECT_TRUE(sameAsPrintf(format, t, sep));
  }
}
