// CSV mode's value texts (ISO 8601 dates and times, shortest FLOAT/DOUBLE)
// and its settings: the csv and null keywords, the -k switch.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "csv/csvmode.h"
#include "csv/csvvalues.h"
#include "dblib/dbfuncs.h"
#include "driver/switches.h"
#include "job/messages.h"
#include "job_fixture.h"

namespace {

struct Scanned {
  int status;
  long date;
  long time;
  int parts;
};

Scanned scan(const std::string &text) {
  ISC_TIMESTAMP stamp = {-1, 1};
  int parts = 0;
  const int status = scanIsoDateTime(text.data(), static_cast<int>(text.size()), &stamp, &parts);
  return {status, static_cast<long>(stamp.timestamp_date), static_cast<long>(stamp.timestamp_time),
          parts};
}

std::string isoTimestamp(long date, long time) {
  char out[kCsvValueRoom];
  const ISC_TIMESTAMP stamp = {static_cast<ISC_DATE>(date), static_cast<ISC_TIME>(time)};
  return std::string(out, static_cast<size_t>(formatIsoTimestamp(stamp, out)));
}

}  // namespace

TEST(CsvValues, IsoDateTexts_ReadAsTheDatabasesDayAndTicks) {
  // Day 0 is 17 November 1858; 51555 is 12 January 2000 (0:00).
  const struct {
    const char *text;
    int status;
    long date, time;
    int parts;
  } rows[] = {
      {"1858-11-17", 0, 0, 0, kIsoDateOnly},
      {"2000-01-12", 0, 51555, 0, kIsoDateOnly},
      {"  2000-01-12 14:05:09 ", 0, 51555, 507090000, kIsoDateTime},
      {"2000-01-12T14:05:09.25", 0, 51555, 507092500, kIsoDateTime},
      {"2000-01-12 23:59:59.9999", 0, 51555, 863999999, kIsoDateTime},
      {"0001-01-01", 0, -678575, 0, kIsoDateOnly},
      {"9999-12-31", 0, 2973483, 0, kIsoDateOnly},
      {"14:05", 0, 0, 507000000, kIsoTimeOnly},
      {"00:00:00.0001", 0, 0, 1, kIsoTimeOnly},
      {"2000-02-29", 0, 51603, 0, kIsoDateOnly},
      {"1900-02-29", kDbBadDate, -1, 1, 0},
      {"2000-13-01", kDbBadDate, -1, 1, 0},
      {"0000-01-01", kDbBadDate, -1, 1, 0},
      {"24:00:00", kDbBadTime, -1, 1, 0},
      {"12:60", kDbBadTime, -1, 1, 0},
      // Finer fractions round half away from zero; the carry reaches the year.
      {"2000-01-12 14:05:09.12345", 0, 51555, 507091235, kIsoDateTime},
      {"2000-01-12T14:05:09.123456", 0, 51555, 507091235, kIsoDateTime},
      {"2000-01-12 14:05:09.123449999", 0, 51555, 507091234, kIsoDateTime},
      {"2000-01-12 23:59:59.99994999", 0, 51555, 863999999, kIsoDateTime},
      {"2024-12-31 23:59:59.99995", 0, 60676, 0, kIsoDateTime},
      {"23:59:59.999949", 0, 0, 863999999, kIsoTimeOnly},
      {"9999-12-31 23:59:59.99995", kDbBadDate, -1, 1, 0},
      {"23:59:59.99995", kDbBadTime, -1, 1, 0},
      {"2000-01-12 14:05:09.1234567890", kDbCannotFormat, -1, 1, 0},
      {"2000-01-12T14:05:09Z", kIsoTimeZone, -1, 1, 0},
      {"2000-01-12 14:05:09.123456+02:00", kIsoTimeZone, -1, 1, 0},
      {"14:05-0530", kIsoTimeZone, -1, 1, 0},
      {"2000-01-12Z", kDbCannotFormat, -1, 1, 0},
      {"2000-01-12T14:05:09+2", kDbCannotFormat, -1, 1, 0},
      {"12/01/2000", kDbCannotFormat, -1, 1, 0},
      {"2000-01-12x", kDbCannotFormat, -1, 1, 0},
      {"2000-1-12", kDbCannotFormat, -1, 1, 0},
      {"", kDbCannotFormat, -1, 1, 0},
  };
  for (const auto &row : rows) {
    const Scanned got = scan(row.text);
    EXPECT_EQ(got.status, row.status) << row.text;
    EXPECT_EQ(got.date, row.date) << row.text;
    EXPECT_EQ(got.time, row.time) << row.text;
    if (row.status == 0) {
      EXPECT_EQ(got.parts, row.parts) << row.text;
    }
  }
}

TEST(CsvValues, IsoTexts_WrittenWithFourFractionDigitsAndReadBack) {
  EXPECT_EQ(isoTimestamp(51555, 507092500), "2000-01-12 14:05:09.2500");
  EXPECT_EQ(isoTimestamp(-678575, 1), "0001-01-01 00:00:00.0001");
  EXPECT_EQ(isoTimestamp(2973483, 863999999), "9999-12-31 23:59:59.9999");
  // Every day of a leap-year span round-trips through its text.
  for (long day = 51500; day < 53000; day += 7) {
    const std::string text = isoTimestamp(day, day * 1000 % 864000000);
    const Scanned back = scan(text);
    ASSERT_EQ(back.status, 0) << text;
    EXPECT_EQ(back.date, day) << text;
    EXPECT_EQ(back.time, day * 1000 % 864000000) << text;
  }
  struct tm calendar;
  timestampToCalendar({51555, 507090000}, &calendar);
  EXPECT_EQ(calendar.tm_year, 100);
  EXPECT_EQ(calendar.tm_mon, 0);
  EXPECT_EQ(calendar.tm_mday, 12);
  EXPECT_EQ(calendar.tm_hour, 14);
  EXPECT_EQ(calendar.tm_wday, 3);  // a Wednesday
  EXPECT_EQ(calendar.tm_yday, 11);
}

TEST(CsvValues, Shortest_FloatAndDoubleTextsReadBackTheSameValue) {
  char out[kCsvValueRoom];
  const struct {
    double value;
    const char *text;
  } doubles[] = {{0.1, "0.1"}, {-327.7, "-327.7"}, {1e-7, "1e-07"}, {2.5, "2.5"},
                 {1e20, "1e+20"}, {123456789012345.0, "123456789012345"},
                 {0.1 + 0.2, "0.30000000000000004"}, {DBL_MAX, "1.7976931348623157e+308"},
                 {-0.0, "-0"}};
  for (const auto &row : doubles) {
    formatShortestDouble(row.value, out);
    EXPECT_STREQ(out, row.text);
  }
  formatShortestFloat(-327.7f, out);
  EXPECT_STREQ(out, "-327.7");
  formatShortestFloat(FLT_MAX, out);
  EXPECT_STREQ(out, "3.4028235e+38");
  formatShortestFloat(0.1f, out);
  EXPECT_STREQ(out, "0.1");
  // Values without a short form still come back bit for bit.
  double value = 1.0 / 3.0;
  for (int i = 0; i < 200; ++i, value = value * 1.37 + 1e-9) {
    formatShortestDouble(value, out);
    EXPECT_EQ(std::strtod(out, nullptr), value) << out;
    const float single = static_cast<float>(value);
    formatShortestFloat(single, out);
    EXPECT_EQ(std::strtof(out, nullptr), single) << out;
  }
}

class CsvSettings : public JobTest {};

TEST_F(CsvSettings, CsvImpliesTheCommaUntilADelimiterIsGiven) {
  setLine("options csv null=NULL");
  EXPECT_EQ(printed([] { parseOptions(); }), "");
  EXPECT_EQ(job.csvMode, 1);
  EXPECT_EQ(job.separator, ',');
  EXPECT_STREQ(job.nullText, "NULL");
  EXPECT_NE(printed([] { printSettingsReport("file", 1); })
                .find("\t CSV records, quote character >\"<, NULL text >NULL<\n"),
            std::string::npos);
  // The implied comma is no setting of the user's: no repeat warning.
  setLine("options delimiter=;");
  EXPECT_EQ(printed([] { parseOptions(); }), "");
  EXPECT_EQ(job.separator, ';');
  setLine("options delimiter=|");
  EXPECT_EQ(printed([] { parseOptions(); }), " Warning: delimiter already set to ;, setting again\n");

  SetUp();
  char program[] = "lodrun", tab[] = "-c", tabValue[] = "x9", csv[] = "-K";
  char *argv[] = {program, tab, tabValue, csv};
  parseSwitches(4, argv);
  EXPECT_EQ(job.csvMode, 1);
  EXPECT_EQ(job.separator, '\t');
  EXPECT_EQ(job.quoteChar, '"');
}

TEST_F(CsvSettings, WithoutCsvTheNullTextChangesNothing) {
  setLine("options delimiter=, null=NULL");
  EXPECT_EQ(printed([] { parseOptions(); }), "");
  EXPECT_EQ(job.csvMode, 0);
  EXPECT_FALSE(checkCsvSettings());
  EXPECT_FALSE(job.queryRecord.exactOutputTypes);
  EXPECT_EQ(printed([] { printSettingsReport("file", 1); }).find("CSV"), std::string::npos);
}
