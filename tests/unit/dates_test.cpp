// Date scanning and formatting: texts of formats 11-17 with their component
// orders, separators and month names, the binary date forms, the century
// split, the calendar checks, and the texts and numbers formatDate writes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

struct Date {
  int year, month, day, hour, minute, second;  // month 1-12, full year
};

Date dateOf(const struct tm &t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::string show(const Date &d) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month,
                d.day, d.hour, d.minute, d.second);
  return text;
}

// Restores the run settings the tests change.
class DateTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DBrunSettings().centurySplit = 0;
    DBrunSettings().dateSeparator = '/';
  }
};

struct tm january12() {
  struct tm t = {};
  t.tm_year = 109;
  t.tm_mon = 0;
  t.tm_mday = 12;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  return t;
}

}  // namespace

TEST_F(DateTest, ScanDate_TextFormatsReadComponentsInTheirOrder) {
  const struct { int format; const char *text; Date expected; } rows[] = {
      {16, "31/12/1999", {1999, 12, 31, 0, 0, 0}},
      {16, "31-12-1999", {1999, 12, 31, 0, 0, 0}},
      {16, "31 12 1999", {1999, 12, 31, 0, 0, 0}},
      {16, "31 / 12 -- 1999", {1999, 12, 31, 0, 0, 0}},  // separator runs count once
      {17, "12/01/2009 14:05:09", {2009, 1, 12, 14, 5, 9}},
      {12, "02/29/2000", {2000, 2, 29, 0, 0, 0}},
      {12, "02/29/2004", {2004, 2, 29, 0, 0, 0}},
      {14, "01/12/2009 14:05:09", {2009, 1, 12, 14, 5, 9}},
      {12, "01/12/2009 14:05:09", {2009, 1, 12, 14, 5, 9}},   // time optional both ways
      {13, "2009/01/12 14:05:09", {2009, 1, 12, 14, 5, 9}},
      {13, "2009/01/12", {2009, 1, 12, 0, 0, 0}},
      {11, "2009-1-2 3:4", {2009, 1, 2, 3, 4, 0}},
      {11, "2009/01/12T10:00", {2009, 1, 12, 0, 0, 0}},       // a letter ends the date
      {13, "2009/01/12 14:05:0912", {2009, 1, 12, 14, 5, 9}},  // only 19 characters read
      {13, "2009/01/12  14:05:09", {2009, 1, 12, 14, 5, 0}},
      {15, "12-Jan-2009", {2009, 1, 12, 0, 0, 0}},
      {15, "12 JANUARY 2009", {2009, 1, 12, 0, 0, 0}},
      {15, "12/jan/2009", {2009, 1, 12, 0, 0, 0}},
      {15, "1 february 2009", {2009, 2, 1, 0, 0, 0}},
      {15, "1 Apr 2009", {2009, 4, 1, 0, 0, 0}},
      {15, "1 jun 2009", {2009, 6, 1, 0, 0, 0}},
      {15, "1 JULY 2009", {2009, 7, 1, 0, 0, 0}},
      {15, "1 sept 2009", {2009, 9, 1, 0, 0, 0}},
      {15, "1 nov 2009 1:2:3", {2009, 11, 1, 1, 2, 3}},
      {15, "31 Dec 2009", {2009, 12, 31, 0, 0, 0}},
  };
  for (const auto &row : rows) {
    struct tm t;
    ASSERT_EQ(scanDate(row.text, &t, row.format), 0) << row.format << " " << row.text;
    EXPECT_EQ(show(dateOf(t)), show(row.expected)) << row.format << " " << row.text;
    EXPECT_EQ(t.tm_wday + t.tm_yday + t.tm_isdst, 0) << row.text;
  }
}

TEST_F(DateTest, ScanDate_RefusesImpossibleDatesAndTimes) {
  const struct { int format; const char *text; int code; } rows[] = {
      {16, "31/04/2000", kDbBadDate},
      {16, "30/02/2000", kDbBadDate},
      {12, "02/29/1900", kDbBadDate},
      {16, "00/01/2009", kDbBadDate},
      {16, "01/13/2009", kDbBadDate},
      {16, "32/01/2009", kDbBadDate},
      {13, "2009/01/12 24:00:00", kDbBadTime},
      {13, "2009/01/12 23:60:00", kDbBadTime},
      {15, "12-Jxn-2009", kDbBadDate},
      {15, "12-Mxx-2009", kDbBadDate},
      {15, "12-Bob-2009", kDbBadDate},
      {15, "12-13-2009", kDbBadDate},   // a digit where the month name belongs
      {15, "12-", kDbBadDate},
      {16, "12/01", kDbBadDate},
      {16, "", kDbBadDate},
      {11, "2009.01.12", kDbBadDate},   // the point ends the date after one part
      {11, "1/2/3/4/5/6/7", kDbBadDate},  // a seventh component has no place
      {11, "10000/01/01", kDbBadDate},  // beyond the years a timestamp holds
      {11, "99999999999999/1/1", kDbBadDate},
      {9, "2009/01/12", kDbCannotFormat},
      {23, "2009/01/12", kDbCannotFormat},
  };
  for (const auto &row : rows) {
    struct tm t;
    EXPECT_EQ(scanDate(row.text, &t, row.format), row.code) << row.format << " " << row.text;
  }
}

TEST_F(DateTest, ScanDate_LoneZeroAndNullSourceGiveAllZeroRecord) {
  for (int format = 10; format <= 22; ++format) {
    struct tm t;
    std::memset(&t, 0x5a, sizeof t);
    ASSERT_EQ(scanDate(nullptr, &t, format), 0) << format;
    EXPECT_EQ(t.tm_year + t.tm_mon + t.tm_mday + t.tm_hour + t.tm_sec, 0) << format;
  }
  for (int format = 11; format <= 17; ++format) {
    struct tm t;
    std::memset(&t, 0x5a, sizeof t);
    ASSERT_EQ(scanDate("0", &t, format), 0) << format;
    EXPECT_EQ(t.tm_year + t.tm_mon + t.tm_mday + t.tm_hour + t.tm_min + t.tm_sec, 0);
  }
  struct tm t;
  EXPECT_EQ(scanDate("00", &t, 16), kDbBadDate);
}

TEST_F(DateTest, ScanDate_TwoDigitYearsFollowTheCenturySplit) {
  const struct { short split; const char *text; int year; } rows[] = {
      {50, "01/02/49", 2049}, {50, "01/02/50", 2050}, {50, "01/02/51", 1951},
      {50, "01/02/99", 1999}, {0, "01/02/49", 2049},  {0, "01/02/51", 2051},
      {0, "01/02/99", 2099},  {50, "01/02/149", 149}, {50, "01/02/0", 2000},
  };
  for (const auto &row : rows) {
    DBrunSettings().centurySplit = row.split;
    struct tm t;
    ASSERT_EQ(scanDate(row.text, &t, 16), 0) << row.text;
    EXPECT_EQ(t.tm_year + 1900, row.year) << row.split << " " << row.text;
  }
  struct tm t = {};
  t.tm_year = -3;
  applyCenturySplit(&t);
  EXPECT_EQ(t.tm_year, -3);
}

TEST_F(DateTest, ScanDate_BinaryFormsGoThroughTheDateNumber) {
  alignas(8) char source[8];
  auto scanInt = [&](int format, int32_t value, struct tm *t) {
    std::memcpy(source, &value, sizeof value);
    return scanDate(source, t, format);
  };
  struct tm t;
  ASSERT_EQ(scanInt(20, 20090112, &t), 0);
  EXPECT_EQ(show(dateOf(t)), "2009-01-12 00:00:00");
  ASSERT_EQ(scanInt(20, 490201, &t), 0);  // two-digit years take the century rule
  EXPECT_EQ(show(dateOf(t)), "2049-02-01 00:00:00");
  EXPECT_EQ(scanInt(20, 20090230, &t), kDbBadDate);
  EXPECT_EQ(scanInt(20, 0, &t), kDbBadDate);
  EXPECT_EQ(scanInt(20, -20090112, &t), kDbBadDate);

  const long long stamp = 20090112140509LL;
  std::memcpy(source, &stamp, sizeof stamp);
  ASSERT_EQ(scanDate(source, &t, 22), 0);
  EXPECT_EQ(show(dateOf(t)), "2009-01-12 14:05:09");
  const long long lateStamp = 20090112240000LL;
  std::memcpy(source, &lateStamp, sizeof lateStamp);
  EXPECT_EQ(scanDate(source, &t, 22), kDbBadTime);

  const double real = 20090112.140509;
  std::memcpy(source, &real, sizeof real);
  ASSERT_EQ(scanDate(source, &t, 19), 0);
  EXPECT_EQ(show(dateOf(t)), "2009-01-12 14:05:09");

  const struct { int32_t value; int code; const char *date; } julian[] = {
      {2008061, 0, "2008-03-01"}, {2009060, 0, "2009-03-01"}, {2008366, 0, "2008-12-31"},
      {2009365, 0, "2009-12-31"}, {2009001, 0, "2009-01-01"}, {2009366, kDbCannotFormat, ""},
      {2009000, kDbCannotFormat, ""}, {-2009001, kDbCannotFormat, ""}, {999, kDbCannotFormat, ""},
      {0, kDbBadDate, ""},
  };
  for (const auto &row : julian) {
    ASSERT_EQ(scanInt(21, row.value, &t), row.code) << row.value;
    if (row.code == 0) {
      EXPECT_EQ(show(dateOf(t)).substr(0, 10), row.date) << row.value;
    }
  }
}

TEST_F(DateTest, ScanDate_TimeRecordAndTimestampAreTakenUnchecked) {
  alignas(4) int32_t record[9] = {61, 70, 30, 40, 13, 109, 1, 2, 1};
  struct tm t;
  ASSERT_EQ(scanDate(reinterpret_cast<const char *>(record), &t, 18), 0);
  const int copied[9] = {t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon,
                         t.tm_year, t.tm_wday, t.tm_yday, t.tm_isdst};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(copied[i], record[i]) << i;

  struct tm original = january12();
  ISC_TIMESTAMP stamp;
  isc_encode_timestamp(&original, &stamp);
  ASSERT_EQ(scanDate(reinterpret_cast<const char *>(&stamp), &t, 10), 0);
  EXPECT_EQ(show(dateOf(t)), "2009-01-12 14:05:09");
}

TEST_F(DateTest, FormatDate_DayOfYearCountsLeapFebruaries) {
  const struct { int year, month, day, expected; } rows[] = {
      {2008, 3, 1, 2008061}, {2009, 3, 1, 2009060}, {2008, 12, 31, 2008366},
      {2000, 3, 1, 2000061}, {1900, 3, 1, 1900060}, {2009, 1, 1, 2009001},
  };
  for (const auto &row : rows) {
    struct tm t = {};
    t.tm_year = row.year - 1900;
    t.tm_mon = row.month - 1;
    t.tm_mday = row.day;
    alignas(4) char out[4];
    ASSERT_EQ(formatDate(21, &t, out), 0);
    int32_t value;
    std::memcpy(&value, out, 4);
    EXPECT_EQ(value, row.expected) << row.year << "-" << row.month << "-" << row.day;
  }
}

TEST_F(DateTest, FormatDate_RefusesOtherFormatsAndMisalignedBuffers) {
  const struct tm t = january12();
  alignas(8) char out[48] = {};
  for (int format : {0, 1, 6, 9, 10, 23})
    EXPECT_EQ(formatDate(format, &t, out), kDbCannotFormat) << format;
  EXPECT_EQ(formatDate(18, &t, out + 2), kDbMisaligned);
  EXPECT_EQ(formatDate(19, &t, out + 4), kDbMisaligned);
  EXPECT_EQ(formatDate(22, &t, out + 4), kDbMisaligned);
  EXPECT_EQ(formatDate(20, &t, out + 2), kDbMisaligned);
  EXPECT_EQ(formatDate(21, &t, out + 1), kDbMisaligned);
  EXPECT_EQ(formatDate(11, &t, nullptr), kDbMisaligned);
  alignas(8) char shifted[sizeof(struct tm) + 8];
  std::memcpy(shifted + 2, &t, sizeof t);
  EXPECT_EQ(formatDate(11, reinterpret_cast<const struct tm *>(shifted + 2), out),
            kDbMisaligned);
  EXPECT_EQ(formatDate(11, &t, out + 1), 0);  // texts need no alignment
}

// Years the database cannot hold are refused before anything is written:
// the binary forms would overflow on them.
TEST_F(DateTest, FormatDate_YearOutsideOneTo9999IsRefusedUnwritten) {
  struct tm t = january12();
  for (int year : {123456 - 1900, -1900, 10000 - 1900, INT_MAX, INT_MIN}) {
    t.tm_year = year;
    for (int format = 11; format <= 22; ++format) {
      if (format == 18) continue;  // the time record is copied as it is
      alignas(8) char out[40];
      std::memset(out, '#', sizeof out);
      EXPECT_EQ(formatDate(format, &t, out), kDbBadDate) << format << " " << year;
      EXPECT_EQ(out[0], '#') << format;
    }
  }
  t.tm_year = 9999 - 1900;
  alignas(8) char out[40];
  EXPECT_EQ(formatDate(22, &t, out), 0);
  long long value;
  std::memcpy(&value, out, sizeof value);
  EXPECT_EQ(value, 99990112140509LL);
}
