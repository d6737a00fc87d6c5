// Delimited loads from the outside: column types, field text rules, line
// ends, data sources, short records, headings, skip, rows and generated values.
#include <ctime>
#include <string>

#include "load_fixture.h"

namespace {

const char kTypesInsert[] =
    "insert into t values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?{dateform=17}, ?{dateform=17}, ?)\n";

std::string today(const char *format) {
  const std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

TEST_F(LoadRun, DelimitedLoad_EveryColumnTypeArrivesAndBlankLinesAreNoRecords) {
  writeFile(dir.file("blob.txt"), "file content\n");
  run(header("delimiter=, variables=12") + kTypesInsert + "STARTDATA\n" +
      "1,-7,9000000000,1234.56,2.5,0.25,abc,hello,31/12/1999,01/01/2000 13:45:10,"
      "01/02/2003 04:05:06,blob.txt\r\n"
      "\r\n"
      "2,,,,,,,,,,,inline text\n");
  EXPECT_EQ(out,
            "blob input field 12 format unknown, set to segmented binary\r\n"
            "Lodrun: open failed (using text as string): inline text\r\n"
            " 2 input (or update) records (short: 0, skipped: 0)\r\n"
            "\tBlobs loaded 2, no filename: 0, errors 1\r\n"
            "\tprocessed from file run.cmd\r\n");
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(rows("select id, sm, bi, n92, cast(dp as numeric(5,2)), cast(fl as numeric(5,2)), "
                 "c10, v20, d, tm, cast(ts as date), cast(ts as time), bt from t order by id"),
            (std::vector<std::string>{
                "1|-7|9000000000|1234.56|2.50|0.25|abc       |hello|1999-12-31|13:45:10.0000|"
                "2003-02-01|04:05:06.0000|file content\n",
                "2|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|"
                "<null>|inline text"}));
}

TEST_F(LoadRun, DelimitedLoad_QuotesEscapesBlanksAndLineEndsShapeTheText) {
  writeFile(dir.file("data.csv"),
            "\xEF\xBB\xBF" "1,plain\r\n"
            "2,\"quoted\"\n"
            "3,  $ lead\r\r\n"
            "4,a\\,b\n"
            "5,x\\ny\\tz\n"
            "6,\"q\"\"q\"\n"
            "7,ctl\x01\x02z\n"
            "8,\"b,c\" beyond\n"
            "9,trail  \n"
            "10,back\\slash\n"
            "11,lf\x01" "only\n"
            "12,cr\x02" "only");
  run(header("delimiter=, variables=2 file=data.csv") + "insert into p values (?, ?)\n");
  EXPECT_EQ(out, summary(12, 0, 0, "data.csv"));
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"1|plain", "2|quoted", "3|lead", "4|a,b", "5|x\ny\tz",
                                      "6|q\"\"q", "7|ctl\n\rz", "8|b", "9|trail  ",
                                      "10|back\\slash", "11|lf\nonly", "12|cr\ronly"}));
}

TEST_F(LoadRun, DelimitedLoad_DataOnStandardInputIsNamedStdin) {
  const RunResult r = runLodrun({}, header("delimiter=; variables=2") +
                                        "insert into p values (?, ?)\nSTARTDATA\n1;one\n2;two\n",
                                {}, dir.path());
  EXPECT_EQ(r.out, "Lodrun> Lodrun> Lodrun> " + summary(2, 0, 0, "stdin"));
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"1|one", "2|two"}));
}

TEST_F(LoadRun, DelimitedLoad_ShortRecordsAreNullOnlyWithShortOk) {
  const std::string data = "STARTDATA\n1,a\n2,\n3,,x\n4,b,c,d\n";
  run(header("delimiter=, variables=2 errors=5 discards=bad.txt") +
      "insert into p values (?, ?)\n" + data);
  EXPECT_EQ(out, "Lodrun #: record 2 contains null field at 2 (short) - discarded)\r\n" +
                     summary(4, 1, 1));
  EXPECT_EQ(readFile(dir.file("bad.txt")), "2,\r\n");
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"1|a", "3|<null>", "4|b"}));

  isql(db, "delete from p; commit;");
  run(header("delimiter=, variables=2 short_ok") + "insert into p values (?, ?)\n" + data);
  EXPECT_EQ(out, summary(4, 1, 0));
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"1|a", "2|<null>", "3|<null>", "4|b"}));
}

TEST_F(LoadRun, DelimitedLoad_HeadingSkipAndRowsLimitChooseTheRecords) {
  run(header("delimiter=, variables=2 excel skip=2 rows=3") +
      "insert into p values (?, ?)\nSTARTDATA\n"
      "ID,NAME\n\n1,skipped\n2,skipped\n\n3,c\n4,d\n5,e\n6,f\n7,g\n");
  // The record that goes beyond the limit is counted, not loaded.
  EXPECT_EQ(out, summary(4, 0, 0));
  EXPECT_EQ(rows("select id from p order by id"), (std::vector<std::string>{"3", "4", "5"}));

  run(header("delimiter=, variables=2 excel") + "insert into p values (?, ?)\nSTARTDATA\nID,NAME\n");
  EXPECT_EQ(out, summary(0, 0, 0));
  EXPECT_EQ(exitCode, 0);
}

TEST_F(LoadRun, DelimitedLoad_GeneratedCountersAndDatesFillTheirColumns) {
  run(header("delimiter=, variables=2 startcount=100") +
      "insert into p (id, name) values (?{enum}, ?)\nSTARTDATA\na\nb\n");
  EXPECT_EQ(out, summary(2, 0, 0));
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"101|a", "102|b"}));

  // A smallint counter past 32767 is cut, with a warning.
  run(header("delimiter=, variables=5 startcount=32765") +
      "insert into t (id, sm, d, ts, bi) values (?, ?{enum}, ?{sysdate}, ?{sysdate}, ?{enum})\n"
      "STARTDATA\n1\n2\n3\n");
  EXPECT_EQ(out, "Lodrun #:  Warning: generated field exceeded 16bit integer\r\n" +
                     summary(3, 0, 0));
  const std::string day = today("%Y-%m-%d");
  EXPECT_EQ(rows("select id, sm, d, cast(ts as date), cast(ts as time), bi from t order by id"),
            (std::vector<std::string>{"1|32766|" + day + "|" + day + "|00:00:00.0000|32766",
                                      "2|32767|" + day + "|" + day + "|00:00:00.0000|32767",
                                      "3|-32768|" + day + "|" + day + "|00:00:00.0000|32768"}));
}

// Short counts fields, not records: a record that stops two fields early
// adds two. Without short_ok the first missing field rejects the record and
// the count stops there.
TEST_F(LoadRun, DelimitedLoad_ShortCountRisesOncePerMissingField) {
  const std::string data = "STARTDATA\n1,2,full,01/01/2000\n2,3\n3\n4,5,x\n";
  run(header("delimiter=, variables=4 short_ok") +
      "insert into t (id, sm, v20, d) values (?, ?, ?, ?)\n" + data);
  EXPECT_EQ(out, summary(4, 6, 0));
  EXPECT_EQ(rows("select id, sm, v20, d from t order by id"),
            (std::vector<std::string>{"1|2|full|2000-01-01", "2|3|<null>|<null>",
                                      "3|<null>|<null>|<null>", "4|5|x|<null>"}));

  isql(db, "delete from t; commit;");
  run(header("delimiter=, variables=4 errors=5 discards=bad.txt") +
      "insert into t (id, sm, v20, d) values (?, ?, ?, ?)\n" + data);
  EXPECT_NE(out.find(summary(4, 3, 3)), std::string::npos) << out;
  EXPECT_EQ(readFile(dir.file("bad.txt")), "2,3\r\n3\r\n4,5,x\r\n");
}
