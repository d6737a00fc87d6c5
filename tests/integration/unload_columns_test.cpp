// The unload's located columns against the general way, in-process: every
// row of a table of many values is built as a delimited record twice, once
// with the columns read where the fetch leaves them and once through
// getOutputField, and the two records must be the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "dblib/dbfuncs.h"
#include "driver/commandfile.h"
#include "format/formats.h"
#include "job/settings.h"
#include "layout/validate.h"
#include "testsupport.h"
#include "unload/writer.h"

namespace {

constexpr int kRows = 1500;

const char *const kTexts[] = {"",         " ",        "a",          "ab  ",     "x,y",
                              "'q'",      "a\\,b",    "tab\there",  "  lead",   "12345",
                              "line\nend", "cr\rend", "semi;colon", "\"dq\"",   "trail "};

std::string quotedText(const std::string &text) {
  std::string sql = "'";
  for (const char c : text) {
    if (c == '\n') {
      sql += "' || ascii_char(10) || '";
    } else if (c == '\r') {
      sql += "' || ascii_char(13) || '";
    } else {
      if (c == '\'') sql += '\'';
      sql += c;
    }
  }
  return sql + "'";
}

// The SQL literal of value / 10^digits, cast to `type`.
std::string scaledLiteral(long long value, int digits, const char *type) {
  const bool negative = value < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value);
  std::string text = std::to_string(magnitude);
  if (digits > 0) {
    if (text.size() <= static_cast<size_t>(digits))
      text.insert(0, static_cast<size_t>(digits) + 1 - text.size(), '0');
    text.insert(text.size() - static_cast<size_t>(digits), ".");
  }
  return std::string("cast('") + (negative ? "-" : "") + text + "' as " + type + ")";
}

// Values near the ends of every type, and plain ones; about one in nine NULL.
std::string tableScript() {
  std::mt19937_64 random(20261207);
  auto pick = [&](std::initializer_list<long long> ends, long long low, long long high) {
    if (random() % 3 == 0) {
      auto it = ends.begin();
      std::advance(it, static_cast<long>(random() % ends.size()));
      return *it;
    }
    return low + static_cast<long long>(random() % static_cast<unsigned long long>(high - low));
  };
  auto maybeNull = [&](const std::string &value) {
    return random() % 9 == 0 ? std::string("null") : value;
  };
  std::string sql =
      "create table v (id integer not null, c10 char(10), v12 varchar(12), s smallint,"
      " i integer, b bigint, n41 numeric(4,1), n92 numeric(9,2), n184 numeric(18,4),"
      " d33 decimal(3,3), dt date, ts timestamp);";
  for (int row = 1; row <= kRows; ++row) {
    const std::string text = kTexts[random() % std::size(kTexts)];
    const std::string other = kTexts[random() % std::size(kTexts)];
    const long long s = pick({-32768, 32767, 0, -1}, -32768, 32767);
    const long long i = pick({-2147483647LL - 1, 2147483647, 0, 10}, -2147483647, 2147483647);
    const long long b = pick({INT64_MIN, INT64_MAX, 0, -10}, -1000000000000LL, 1000000000000LL);
    const long long n41 = pick({-32768, 32767, 5, -5}, -32768, 32767);
    const long long n92 = pick({-2147483647LL - 1, 2147483647, 100, -1}, -99999999, 99999999);
    const long long n184 =
        pick({INT64_MIN, INT64_MAX, 10000, -1}, -1000000000000LL, 1000000000000LL);
    const long long d33 = pick({-32768, 32767, 999, -1}, -999, 999);
    // days from 0001-01-01 to 9999-12-31, counted from 1
    const long long day = pick({1, 2, 3652059, 3652059 / 2}, 1, 3652060);
    const long long tenths = pick({0, 863999999, 1, 43200000}, 0, 864000000);
    char values[768];
    std::snprintf(values, sizeof values,
                  "insert into v values (%d, %s, %s, %s, %s, %s, %s, %s, %s, %s,"
                  " dateadd(%lld day to date '0001-01-01'),"
                  " dateadd(%lld millisecond to"
                  " dateadd(%lld day to timestamp '0001-01-01 00:00:00')));",
                  row, maybeNull(quotedText(text)).c_str(), maybeNull(quotedText(other)).c_str(),
                  maybeNull(std::to_string(s)).c_str(), maybeNull(std::to_string(i)).c_str(),
                  maybeNull(scaledLiteral(b, 0, "bigint")).c_str(),
                  maybeNull(scaledLiteral(n41, 1, "numeric(4,1)")).c_str(),
                  maybeNull(scaledLiteral(n92, 2, "numeric(9,2)")).c_str(),
                  maybeNull(scaledLiteral(n184, 4, "numeric(18,4)")).c_str(),
                  maybeNull(scaledLiteral(d33, 3, "decimal(3,3)")).c_str(), day - 1,
                  tenths / 10, (day + 7) % 3652059);
    sql += values;
  }
  return sql;
}

class LocatedColumns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(createDatabase(databasePath(), tableScript())); }
  static std::string databasePath() {
    static TempDir dir;
    return dir.file("columns.fdb");
  }
  void TearDown() override { closeRun(); }

  // Validates an unload of the table with these settings and opens its cursor.
  void open(char separator, bool quoted, short dateFormat, char dateSeparator) {
    closeRun();
    resetJobSettings();
    allocateJobBuffers();
    DBuseRunSettings(&job);
    job.messageStream = stdout;
    job.lineEnd = kLineEndUnix;
    job.lineEndLength = 1;
    job.queryRecord.cursorName = "Lodrun";
    dbName = databasePath();
    job.dbName = dbName.c_str();
    job.userName = "SYSDBA";
    job.password = "masterkey";
    job.direction = 'o';
    job.directionText = "output";
    job.separator = separator;
    job.quoteStrings = quoted;
    job.defaultDateFormat = dateFormat;
    job.dateSeparator = dateSeparator;
    job.sqlVariableCount = 12;
    dataFile = dir.file("out.txt");
    job.dataFileName = dataFile.c_str();
    std::snprintf(job.sqlText, kBufferSize, "%s",
                  "select id, c10, v12, s, i, b, n41, n92, n184, d33, dt, ts from v order by id");
    ASSERT_EQ(completeSql(), 0);
    chooseRecordFormat();
    validateLayout();
    ASSERT_EQ(OpenCursor(&job.queryRecord, &job.transactionHandle), kDbOk);
    output = OutputRecord{};
    indexOutputPositions(&output);
    locateOutputColumns(&output);
  }

  // Every row built both ways; returns the rows compared.
  int compareRows() {
    int rows = 0;
    while (FetchRow(&job.queryRecord) == kDbOk) {
      ++rows;
      job.recordCount = rows;
      output.columnsLocated = true;
      const bool locatedBuilt = buildDelimitedRecord(&output);
      const std::string located(job.inputBuffer, static_cast<size_t>(output.builtLength));
      output.columnsLocated = false;
      const bool generalBuilt = buildDelimitedRecord(&output);
      const std::string general(job.inputBuffer, static_cast<size_t>(output.builtLength));
      EXPECT_EQ(locatedBuilt, generalBuilt) << "row " << rows;
      EXPECT_EQ(located, general) << "row " << rows;
      if (located != general) break;
    }
    return rows;
  }

  void closeRun() {
    if (job.dataStream != nullptr) std::fclose(job.dataStream);
    job.dataStream = nullptr;
    if (job.databaseHandle != 0) DBclose(&job.databaseHandle);
    job.transactionHandle = 0;
  }

  TempDir dir;
  std::string dbName;
  std::string dataFile;
  OutputRecord output;
};

TEST_F(LocatedColumns, DelimitedRecordsEqualTheGeneralWay) {
  open(',', false, 16, '/');
  EXPECT_EQ(compareRows(), kRows);
}

TEST_F(LocatedColumns, QuotedTextsEqualTheGeneralWay) {
  open('|', true, 16, '/');
  EXPECT_EQ(compareRows(), kRows);
}

TEST_F(LocatedColumns, EveryDateTextEqualsTheGeneralWay) {
  for (short format = FmtYMDdate; format <= FmtDMYtime; ++format) {
    open(';', false, format, format % 2 == 0 ? '-' : '/');
    EXPECT_EQ(compareRows(), kRows) << "format " << format;
  }
}

}  // namespace
