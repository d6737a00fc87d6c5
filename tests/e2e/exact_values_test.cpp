// Scaled numbers, 64-bit integers, TIME and BOOLEAN columns through the
// built lodrun: loaded from delimited and fixed files, compared with
// isql-fb's view, unloaded and loaded again into an empty copy; rounding on
// load; number texts of any length; and the texts of other values, which
// must not move.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "testsupport.h"

namespace {

const char kColumns[] =
    " (id integer not null primary key, n41 numeric(4,1), n92 numeric(9,2),"
    " n180 numeric(18,0), n182 numeric(18,2), n184 numeric(18,4), n188 numeric(18,8),"
    " bi bigint, tm time, b boolean);";

// One row of extremes: the text loaded, isql-fb's view of it, the text the
// unload writes.
struct Extreme {
  const char *loaded;
  const char *shown;
  const char *unloaded;
};

const Extreme kExtremes[] = {
    {"1,3276.7,21474836.47,9223372036854775807,92233720368547758.07,922337203685477.5807,"
     "92233720368.54775807,9223372036854775807,23:59:59,true",
     "1|3276.7|21474836.47|9223372036854775807|92233720368547758.07|922337203685477.5807|"
     "92233720368.54775807|9223372036854775807|23:59:59.0000|<true>",
     "1,3276.7,21474836.47,9223372036854775807,92233720368547758.07,922337203685477.5807,"
     "92233720368.54775807,9223372036854775807,23:59:59,TRUE"},
    {"2,-3276.8,-21474836.48,-9223372036854775808,-92233720368547758.08,"
     "-922337203685477.5808,-92233720368.54775808,-9223372036854775808,00:00:00,false",
     "2|-3276.8|-21474836.48|-9223372036854775808|-92233720368547758.08|"
     "-922337203685477.5808|-92233720368.54775808|-9223372036854775808|00:00:00.0000|<false>",
     "2,-3276.8,-21474836.48,-9223372036854775808,-92233720368547758.08,"
     "-922337203685477.5808,-92233720368.54775808,-9223372036854775808,00:00:00,FALSE"},
    {"3,0.1,0.01,1,0.01,0.0001,0.00000001,1,00:00:01,T",
     "3|0.1|0.01|1|0.01|0.0001|0.00000001|1|00:00:01.0000|<true>",
     "3,0.1,0.01,1,0.01,0.0001,0.00000001,1,00:00:01,TRUE"},
    {"4,-0.1,-0.01,-1,-0.25,-0.0001,-0.00000001,-1,12:00,F",
     "4|-0.1|-0.01|-1|-0.25|-0.0001|-0.00000001|-1|12:00:00.0000|<false>",
     "4,-0.1,-0.01,-1,-0.25,-0.0001,-0.00000001,-1,12:00:00,FALSE"},
    {"5,0,-0.00,0,0.0,-0,0.00000000,0,0:00,0",
     "5|0.0|0.00|0|0.00|0.0000|0.00000000|0|00:00:00.0000|<false>",
     "5,0,0,0,0,0,0,0,00:00:00,FALSE"},
    {"6,-12.5,12.50,-1000000000000000000,7.00,123456789012.5678,-1.10000000,"
     "1000000000000000000,10:11:12,1",
     "6|-12.5|12.50|-1000000000000000000|7.00|123456789012.5678|-1.10000000|"
     "1000000000000000000|10:11:12.0000|<true>",
     "6,-12.5,12.5,-1000000000000000000,7,123456789012.5678,-1.1,1000000000000000000,"
     "10:11:12,TRUE"},
    {"7,,,,,,,,,",
     "7|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>",
     "7,,,,,,,,,"},
};

// Byte widths of the columns in the fixed file; every value left-aligned.
const int kFixedWidths[] = {3, 8, 13, 21, 23, 23, 23, 21, 14, 6};

class ExactValuesRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(createDatabase(db, std::string("create table e") + kColumns +
                                       "create table e2" + kColumns + "create table e3" +
                                       kColumns));
  }
  // Runs lodrun -x with an options line naming the database and `options`,
  // then `statement`.
  void run(const std::string &options, const std::string &statement) {
    writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA passwd=masterkey " +
                                       options + "\n" + statement + "\n");
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    out = withoutLineNumbers(r.out);
    exitCode = r.exitCode;
  }
  // isql-fb's own view of a select (list mode): a row's values joined by '|'.
  std::vector<std::string> shown(const std::string &select) const {
    const std::string text = isql(db, "set list on; " + select + ";");
    std::vector<std::string> rows;
    std::string row;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      start = end + 1;
      if (line.empty()) {
        if (!row.empty()) rows.push_back(row);
        row.clear();
        continue;
      }
      const size_t gap = line.find(' ');
      const size_t value = line.find_first_not_of(' ', gap);
      row += (row.empty() ? "" : "|") + (value == std::string::npos ? "" : line.substr(value));
    }
    if (!row.empty()) rows.push_back(row);
    return rows;
  }

  TempDir dir;
  const std::string db = dir.file("exact.fdb");
  std::string out;
  int exitCode = -1;
};

std::string joined(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\n";
  return text;
}

}  // namespace

TEST_F(ExactValuesRun, Extremes_LoadUnloadAndCopyExactly) {
  std::vector<std::string> loaded, shownRows, unloaded;
  for (const Extreme &row : kExtremes) {
    loaded.push_back(row.loaded);
    shownRows.push_back(row.shown);
    unloaded.push_back(row.unloaded);
  }
  const std::string insert = " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
  writeFile(dir.file("in.csv"), joined(loaded));
  run("direction=i file=in.csv variables=10 delimiter=, short_ok", "insert into e" + insert);
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(shown("select * from e order by id"), shownRows);

  // The same values from a fixed file (all but the NULL row: a blank time
  // field is no time).
  std::string fixed;
  std::string layout;
  for (int column = 0, position = 1; column < 10; position += kFixedWidths[column++]) {
    layout += std::string(column ? ", " : "") + "?{position=" + std::to_string(position) +
              " size=" + std::to_string(kFixedWidths[column]) + (column == 8 ? " dateform=11}" : "}");
  }
  for (size_t r = 0; r + 1 < loaded.size(); ++r) {
    size_t start = 0;
    for (int column = 0; column < 10; ++column) {
      size_t end = loaded[r].find(',', start);
      if (end == std::string::npos) end = loaded[r].size();
      std::string value = loaded[r].substr(start, end - start);
      value.resize(static_cast<size_t>(kFixedWidths[column]), ' ');
      fixed += value;
      start = end + 1;
    }
    fixed += "\n";
  }
  writeFile(dir.file("in.fix"), fixed);
  run("direction=i file=in.fix variables=10", "insert into e3 values (" + layout + ")");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(shown("select * from e3 order by id"),
            std::vector<std::string>(shownRows.begin(), shownRows.end() - 1));

  run("direction=o file=out.csv variables=10 delimiter=, lineend=u",
      "select * from e order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("out.csv")), joined(unloaded));
  run("direction=i file=out.csv variables=10 delimiter=, short_ok", "insert into e2" + insert);
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(shown("select * from e2 order by id"), shownRows);

  // A fixed field as wide as the text takes the whole value.
  run("direction=o file=out.fix variables=6 lineend=u",
      "select bi{position=1 size=20}, n182{position=21 size=21}, n188{position=42 size=21},"
      " n41{position=63 size=7}, tm{position=70 size=8 dateform=16}, b{position=78 size=6}"
      " from e where id = 2");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("out.fix")),
            "-9223372036854775808-92233720368547758.08-92233720368.54775808-3276.8"
            "00:00:00FALSE  \n");  // and the record's one pad byte
}

TEST_F(ExactValuesRun, Load_FractionDigitsRoundHalfAwayFromZeroAndBadValuesAreRejected) {
  writeFile(dir.file("in.csv"),
            "1,0.05,12.345,,,,0.000000005,,10:11:12.5,\n"
            "2,-0.05,-12.345,,,,-0.000000005,,,\n"
            "3,3276.75,,,,,,,,\n"
            "4,,,,,,,,,maybe\n"
            "5,,,,,,,,25:00,\n"
            "6,,,,92233720368547758.08,,,,,\n"
            "7,0.04,0.004,0.4,0.004,0.00004,0.000000004,,,\n"
            "8,,1.5e-3,,,,,,,\n");
  run("direction=i file=in.csv variables=10 delimiter=, short_ok errors=10",
      "insert into e values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(shown("select id, n41, n92, n180, n182, n184, n188, tm from e order by id"),
            (std::vector<std::string>{
                "1|0.1|12.35|<null>|<null>|<null>|0.00000001|10:11:12.5000",
                "2|-0.1|-12.35|<null>|<null>|<null>|-0.00000001|<null>",
                "7|0.0|0.00|0|0.00|0.0000|0.00000000|<null>",
            }));
  const char *const refusals[] = {
      "Got dblib error 20102 while doing data sensitive Putfield with SQL field 2: data "
      "truncated (string, or numeric\r\n3,3276.75,,,,,,,,\r\n",
      "Got dblib error 20030 while doing data sensitive Putfield with SQL field 10: Number "
      "Conversion Error\r\n4,,,,,,,,,maybe\r\n",
      "Got dblib error 20108 while doing data sensitive Putfield with SQL field 9: bad time in "
      "date\r\n5,,,,,,,,25:00,\r\n",
      "Got dblib error 20102 while doing data sensitive Putfield with SQL field 5: data "
      "truncated (string, or numeric\r\n6,,,,92233720368547758.08,,,,,\r\n",
      // An exponent is no part of these texts, with a minus sign neither.
      "Got dblib error 20030 while doing data sensitive Putfield with SQL field 3: Number "
      "Conversion Error\r\n8,,1.5e-3,,,,,,,\r\n",
  };
  for (const char *refusal : refusals) EXPECT_NE(out.find(refusal), std::string::npos) << out;
}

// Every number's text fits a delimited field, the longest double's too;
// FLOAT and DOUBLE keep their "%f" text.
TEST_F(ExactValuesRun, Delimited_NumberTextsOfAnyLengthFit) {
  isql(db,
       "create table r (id integer, d double precision, f float, bi bigint);"
       "insert into r values (1, 1.7976931348623157e308, 3.4028234e38, -1000000000000000000);"
       "insert into r values (2, -1.7976931348623157e308, -1e20, -9223372036854775808);"
       "insert into r values (3, 1e20, 0.1, 9223372036854775807);");
  run("direction=o file=out.csv variables=4 delimiter=, lineend=u",
      "select * from r order by id");
  ASSERT_EQ(exitCode, 0) << out;
  auto printed = [](double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%f", value);
    std::string trimmed = text;
    while (trimmed.back() == '0') trimmed.pop_back();
    return trimmed;
  };
  const float largestFloat = 3.4028234e38f, lowFloat = -1e20f;
  EXPECT_EQ(readFile(dir.file("out.csv")),
            "1," + printed(1.7976931348623157e308) + "," + printed(largestFloat) +
                ",-1000000000000000000\n"
                "2," + printed(-1.7976931348623157e308) + "," + printed(lowFloat) +
                ",-9223372036854775808\n"
                "3,100000000000000000000.,0.1,9223372036854775807\n");
  EXPECT_EQ(printed(1.7976931348623157e308).size(), 310u);
}

// Texts written before scaled numbers became exact, wherever they were
// right: they must stay byte for byte.
TEST_F(ExactValuesRun, OldTexts_StayAsTheyWere) {
  isql(db,
       "create table o (id integer not null primary key, i integer, s smallint, bi bigint,"
       " d double precision, f float, n92 numeric(9,2), n184 numeric(18,4), n41 numeric(4,1),"
       " dt date, ts timestamp, c char(5), v varchar(8));"
       "insert into o values (1, -7, 32767, 9000000000, 2.9999999, 1.5, 12.50, 123.4500, 12.5,"
       " '2009-01-12', '2009-01-12 14:05:09', 'ab', 'x y');"
       "insert into o values (2, 2147483647, -32768, -922337203685477580, -12.5, -0.5, 7.00,"
       " -0.2500, -0.5, '2008-03-01', '2008-12-31 23:59:59', '', null);"
       "insert into o values (3, 0, 0, 0, 1e10, 0.1, -0.25, 0.0001, 0, '0001-01-01',"
       " '9999-12-31 23:59:59', 'abcde', 'last');");
  run("direction=o file=out.csv variables=13 delimiter=, lineend=u", "select * from o order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("out.csv")),
            "1,-7,32767,9000000000,3.,1.5,12.5,123.45,12.5,12/01/2009,12/01/2009,ab,x y\n"
            "2,2147483647,-32768,-922337203685477580,-12.5,-0.5,7,-0.25,-0.5,01/03/2008,"
            "31/12/2008,,\n"
            "3,0,0,0,10000000000,0.1,-0.25,0.0001,0,01/01/0001,31/12/9999,abcde,last\n");
  run("direction=o file=out.fix variables=13 lineend=u",
      "select id{position=1 size=2}, i{position=3 size=11}, s{position=14 size=6},"
      " bi{position=20 size=20}, d{position=40 size=12}, f{position=52 size=5},"
      " n92{position=57 size=8}, n184{position=65 size=20}, n41{position=85 size=6},"
      " dt{position=91 size=10 dateform=16}, ts{position=101 size=19 dateform=17},"
      " c{position=120 size=5}, v{position=125 size=8} from o order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("out.fix")),
            "01000000000-70327670000000000900000000000000000003.001.5000012.50000000000000012"
            "3.450012.512/01/200912/01/2009 14:05:09ab   x y      \n"
            "0202147483647-327680-9223372036854775800000000-12.50-0.500000007000000000000000-"
            "0.2500-0.501/03/200831/12/2008 23:59:59              \n"
            "030000000000000000000000000000000000000010000000000000.1000-0.25000000000000000."
            "000100000001/01/000131/12/9999 23:59:59abcdelast     \n");
}
