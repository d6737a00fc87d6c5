// csv_test.cpp - CSV mode end to end: round trips of every column type,
// quoting, NULL against the empty text, ISO dates, inline blobs, and the
// records CSV mode refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "csv_fixture.h"

namespace {

// Values that a CSV file can get wrong: separators, quotes, line breaks (a
// carriage return alone too), blanks at the ends, non-ASCII text, empty
// texts beside NULLs, the ends of the integer ranges, floats without a short
// decimal form, fractions of a second and the ends of the calendar.
const char kTrickyRows[] =
    "insert into t values (1, 32767, -2147483648, 9223372036854775807, -99.99, 123456.789,"
    " 922337203685477.5807, 92233720368547758.07, 0.1, 0.1, '2009-01-12', '14:05:09.1234',"
    " '2009-01-12 14:05:09.5678', 'a' || ascii_char(13) || 'b', 'x,y  ', 'some \"text\", more',"
    " x'00FF0D0A22', true);"
    "insert into t values (2, -32768, 2147483647, -9223372036854775807 - 1, 0.01, -0.001,"
    " -922337203685477.5807 - 0.0001, -0.5, -327.7, 1e-7, '0001-01-01', '00:00:00.0001',"
    " '9999-12-31 23:59:59.9999', 'héllo wö', ' lead' || ascii_char(13) || ascii_char(10) ||"
    " 'next \"q\"', 'line1' || ascii_char(10) || 'line2', null, false);"
    "insert into t (id, c10, v40, bt, bb) values (3, '', '', '', x'');"
    "insert into t (id) values (4);"
    "insert into t (id, fl, dp, dt, c10, v40) values (5, 3.4028234e38, 1.2345678901234567e300,"
    " '1858-11-17', '\"', ',');"
    // Subnormal floats and doubles, which no literal reaches.
    "insert into t (id, fl, dp) values (6, cast(cast(1e-30 as double precision) * 1e-15 as float),"
    " cast(1e-300 as double precision) * 1e-23 / 2);"
    "insert into t (id, fl, dp) values (7, cast(cast(-1e-30 as double precision) * 1e-10 as float),"
    " cast(-1e-300 as double precision) * 1e-10);";

TEST_F(CsvRun, RoundTrip_EveryColumnTypeKeepsItsValues) {
  ASSERT_EQ(isql(db, kTrickyRows).find("Statement failed"), std::string::npos);
  unloadAll("t", "t.csv", "excel");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out, " 7 records selected into file t.csv\r\n");
  loadAll("t2", "t.csv", "excel");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out,
            " 7 input (or update) records (short: 0, skipped: 0)\r\n"
            "\tBlobs loaded 5, no filename: 0, errors 0\r\n\tprocessed from file t.csv\r\n");
  const std::vector<std::string> original = rows("select * from t order by id");
  ASSERT_EQ(original.size(), 7u);
  EXPECT_EQ(rows("select * from t2 order by id"), original);
  EXPECT_EQ(isqlView("t2"), isqlView("t"));
}

TEST_F(CsvRun, Unload_QuotesOnlyWhatNeedsItAndWritesExactTexts) {
  ASSERT_EQ(isql(db, kTrickyRows).find("Statement failed"), std::string::npos);
  unloadAll("t", "t.csv", "excel");
  ASSERT_EQ(exitCode, 0) << out;
  const std::string expected =
      "ID,SM,I,BI,N4,N9,N18,D18,FL,DP,DT,TM,TS,C10,V40,BT,BB,BO\r\n"
      "1,32767,-2147483648,9223372036854775807,-99.99,123456.789,922337203685477.5807,"
      "92233720368547758.07,0.1,0.1,2009-01-12,14:05:09.1234,2009-01-12 14:05:09.5678,\"a\rb\","
      "\"x,y  \",\"some \"\"text\"\", more\",\"" + std::string("\0\xFF\r\n\"\"", 6) +
      "\",TRUE\r\n"
      "2,-32768,2147483647,-9223372036854775808,0.01,-0.001,-922337203685477.5808,-0.5,-327.7,"
      "1e-07,0001-01-01,00:00:00.0001,9999-12-31 23:59:59.9999,héllo wö,"
      "\" lead\r\nnext \"\"q\"\"\",\"line1\nline2\",,FALSE\r\n"
      "3,,,,,,,,,,,,,\"\",\"\",\"\",\"\",\r\n"
      "4,,,,,,,,,,,,,,,,,\r\n"
      "5,,,,,,,,3.4028235e+38,1.2345678901234567e+300,1858-11-17,,,\"\"\"\",\",\",,,\r\n"
      "6,,,,,,,,1.4013e-45,4.94065645841247e-324,,,,,,,,\r\n"
      "7,,,,,,,,-9.99995e-41,-9.99999999999997e-311,,,,,,,,\r\n";
  EXPECT_EQ(readFile(dir.file("t.csv")), expected);
}

TEST_F(CsvRun, Unload_QuoteKeywordQuotesEveryTextAndNullTextBothWays) {
  ASSERT_EQ(isql(db, "insert into p values (1, 'NULL', null);"
                     "insert into p values (2, '', 'plain');"),
            "");
  run('o', "csv quote=\" null=NULL variables=3 file=p.csv", "select id, a, b from p order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("p.csv")), "1,\"NULL\",NULL\r\n2,\"\",\"plain\"\r\n");
  // Read back with the same NULL text: the quoted NULL is a text, the bare one NULL.
  writeFile(dir.file("in.csv"), "3,NULL,\"NULL\"\n4,,\"\"\n5, NULL ,x\n");
  run('i', "csv null=NULL variables=3 file=in.csv", "insert into p values (?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, a, b from p where id > 2 order by id"),
            (std::vector<std::string>{"3|<null>|NULL", "4||", "5| NULL |x"}));
}

TEST_F(CsvRun, Load_QuotedFieldsSpanLinesAndKeepEveryByte) {
  // Doubled quotes, separators and line breaks inside quotes, a quote inside
  // an unquoted field, a backslash, '$' and blanks that are data, blanks
  // after a closing quote that are not, a trailing empty field, and a record
  // ending at the end of the file without a line end.
  writeFile(dir.file("in.csv"),
            "1,\"say \"\"hi\"\", then\r\nleave\",b\"c\r\n"
            "2,C:\\new\\table, $12 \r\n"
            "3,\"a\" ,\n"
            "4,\"last\",");
  run('i', "csv variables=3 file=in.csv", "insert into p values (?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out, " 4 input (or update) records (short: 0, skipped: 0)\r\n"
                 "\tprocessed from file in.csv\r\n");
  EXPECT_EQ(rows("select id, a, b from p order by id"),
            (std::vector<std::string>{"1|say \"hi\", then\r\nleave|b\"c",
                                      "2|C:\\new\\table| $12 ", "3|a|<null>",
                                      "4|last|<null>"}));
}

TEST_F(CsvRun, Load_ExtraFieldsAreRejectedAndShortRecordsFollowShortOk) {
  writeFile(dir.file("in.csv"), "1,a,b\n2,a,b,c\n3,a\n4,a,b,\n5,a,b\n");
  run('i', "csv variables=3 file=in.csv errors=5 discards=bad.csv", "insert into p values (?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out,
            "Lodrun #: record 2 has 4 fields, 3 expected\r\n"
            "Lodrun #: record 3 contains null field at 3 (short) - discarded)\r\n"
            "Lodrun #: record 4 has 4 fields, 3 expected\r\n"
            " 5 input (or update) records (short: 1, skipped: 3)\r\n"
            "\tprocessed from file in.csv\r\n");
  EXPECT_EQ(readFile(dir.file("bad.csv")), "2,a,b,c\r\n3,a\r\n4,a,b,\r\n");
  EXPECT_EQ(rows("select id from p order by id"), (std::vector<std::string>{"1", "5"}));
  // With short_ok the missing field is NULL, and the records' rows all load.
  run('i', "csv short_ok variables=3 file=in.csv errors=5", "insert into p values (?, ?, ?)");
  EXPECT_EQ(rows("select id, a, b from p where id = 3"), (std::vector<std::string>{"3|a|<null>"}));
}

// Every CSV reject has its line in the reasons file: a field too many, a
// value the column refuses, a quote never closed.
TEST_F(CsvRun, Reasons_EveryRejectedRecordSaysWhy) {
  writeFile(dir.file("in.csv"), "1,a,b\n2,a,b,c\nx3,a,b\n4,\"a\n");
  run('i', "csv variables=3 file=in.csv errors=5 reasons=why.txt",
      "insert into p (id, a, b) values (?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("why.txt")),
            "2\t0\t\trecord 2 has 4 fields, 3 expected\t\r\n"
            "3\t1\tid\tGot dblib error 20030 while doing csv Putfield with SQL field 1: "
            "Number Conversion Error\tx3\r\n"
            "4\t0\t\trecord 4 has a quote that is never closed - discarded\t\r\n");
}

TEST_F(CsvRun, Dates_IsoBothWaysAndDateformWhenNamed) {
  writeFile(dir.file("in.csv"),
            "1, 2009-01-12 ,14:05:09,2009-01-12T14:05:09.25\n"
            "2,2008-02-29,23:59,2008-02-29\n"
            "3,2009-02-29,00:00:00,2009-01-01\n"
            "4,2009-01-01,00:00:00,12:00:00\n"
            // Other programs' fractions round to 1/10000 s; a zone is refused.
            "5,2024-01-02,10:11:12.123456,2024-01-02 10:11:12.123456\n"
            "6,2024-01-02,23:59:59.999949999,2024-12-31T23:59:59.999950000\n"
            "7,2024-01-02,10:11:12,2024-01-02T10:11:12Z\n");
  run('i', "csv variables=4 file=in.csv errors=5 reasons=why.txt",
      "insert into t (id, dt, tm, ts) values (?, ?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out, "Got dblib error 20107 while doing csv Putfield with SQL field 2: bad date\r\n"
                 "3,2009-02-29,00:00:00,2009-01-01\r\n"
                 "Got dblib error 20103 while doing csv Putfield with SQL field 4: "
                 "data cannot be formatted as asked for!\r\n"
                 "4,2009-01-01,00:00:00,12:00:00\r\n"
                 "Lodrun #: record 7, field 4 gives a time zone, which the column does not hold "
                 "- discarded\r\n"
                 "7,2024-01-02,10:11:12,2024-01-02T10:11:12Z\r\n"
                 " 7 input (or update) records (short: 0, skipped: 3)\r\n"
                 "\tprocessed from file in.csv\r\n");
  const std::string why = readFile(dir.file("why.txt"));
  EXPECT_EQ(why.substr(why.find("\n7\t")),
            "\n7\t4\tts\trecord 7, field 4 gives a time zone, which the column does not hold "
            "- discarded\t2024-01-02T10:11:12Z\r\n");
  ASSERT_EQ(isql(db, "insert into t2 (id, tm, ts) values (5, '10:11:12.1235',"
                     " '2024-01-02 10:11:12.1235');"
                     "insert into t2 (id, tm, ts) values (6, '23:59:59.9999', '2025-01-01');"),
            "");
  const std::string rounded = "set list on; select id, tm, ts from %s where id > 4 order by id;";
  auto viewOf = [&](const char *table) {
    std::string script = rounded;
    script.replace(script.find("%s"), 2, table);
    return isql(db, script);
  };
  EXPECT_EQ(viewOf("t"), viewOf("t2"));
  run('o', "csv variables=4 file=out.csv", "select id, dt, tm, ts from t order by id");
  EXPECT_EQ(readFile(dir.file("out.csv")),
            "1,2009-01-12,14:05:09.0000,2009-01-12 14:05:09.2500\r\n"
            "2,2008-02-29,23:59:00.0000,2008-02-29 00:00:00.0000\r\n"
            "5,2024-01-02,10:11:12.1235,2024-01-02 10:11:12.1235\r\n"
            "6,2024-01-02,23:59:59.9999,2025-01-01 00:00:00.0000\r\n");
  // A dateform on the field gives that form, both ways.
  run('o', "csv variables=2 file=form.csv", "select id, ts{dateform=17} from t order by id");
  EXPECT_EQ(readFile(dir.file("form.csv")),
            "1,12/01/2009 14:05:09\r\n2,29/02/2008 00:00:00\r\n"
            "5,02/01/2024 10:11:12\r\n6,01/01/2025 00:00:00\r\n");
  run('i', "csv variables=2 file=form.csv",
      "update t set ts = ?{position=2 dateform=17} where id = ?{position=1}");
  EXPECT_EQ(exitCode, 0) << out;
}

TEST_F(CsvRun, Blob_TenMegabytesInlineBothWays) {
  std::string content(10 << 20, 'x');
  for (size_t i = 0; i < content.size(); i += 997) content[i] = static_cast<char>(i % 251);
  content[5] = '"';
  content[6] = ',';
  std::string quoted = "\"";
  for (char c : content) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  quoted += "\"";
  writeFile(dir.file("in.csv"), "1," + quoted + "\r\n2,\"small\"\r\n");
  run('i', "csv variables=2 file=in.csv", "insert into t (id, bb) values (?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  const std::vector<std::string> loaded = rows("select bb from t order by id");
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_TRUE(loaded[0] == content);
  run('o', "csv variables=2 file=out.csv", "select id, bb from t order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_TRUE(readFile(dir.file("out.csv")) == "1," + quoted + "\r\n2,\"small\"\r\n");
}

TEST_F(CsvRun, BlobFile_KeepsTheFileNameMeaning) {
  writeFile(dir.file("content.txt"), "from the file");
  writeFile(dir.file("in.csv"), "1,content.txt\n");
  run('i', "csv variables=2 file=in.csv", "insert into t (id, bt) values (?, ?{blobfile})");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select bt from t"), (std::vector<std::string>{"from the file"}));
}

TEST_F(CsvRun, Refused_FixedSizeRecords) {
  run('i', "csv lrecl=20 variables=3 file=in.csv", "insert into p values (?, ?, ?)");
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(out, "Lodrun #: csv records have no fixed size: lrecl and fixed-size fields cannot "
                 "be used with csv\r\n"
                 "Lodrun aborting due to fatal error(s), current record count: 0\r\n");
  run('i', "csv variables=3 file=in.csv", "insert into p values (?{position=1 size=5}, ?, ?)");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("size=5 cannot be used with csv: csv fields have no fixed size"),
            std::string::npos) << out;
}

TEST_F(CsvRun, BadInput_NulBytesAndAnUnterminatedQuoteLoseNothingElse) {
  // The last quote of the file never closes: only its first line is lost.
  const char data[] = "1,a\n2,\"x\0y\"\n3,\"never closed\n4,after\n5,end";
  writeFile(dir.file("in.csv"), std::string(data, sizeof data - 1));
  run('i', "csv variables=2 file=in.csv errors=5 discards=bad.csv",
      "insert into p (id, a) values (?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(out, "Lodrun #: record 2, field 2 holds a NUL byte - discarded\r\n"
                 "Lodrun #: record 3 has a quote that is never closed - discarded\r\n"
                 " 5 input (or update) records (short: 0, skipped: 2)\r\n"
                 "\tprocessed from file in.csv\r\n");
  EXPECT_EQ(readFile(dir.file("bad.csv")), std::string("2,\"x\0y\"\r\n", 9) + "3,\"never closed\r\n");
  EXPECT_EQ(rows("select id, a from p order by id"),
            (std::vector<std::string>{"1|a", "4|after", "5|end"}));
}

// A closing quote ends its field: blanks may follow it, other text rejects
// the record's line; a quote that never closes rejects its first line. Either
// way the lines after it are read again, so no record is swallowed, and a
// record spanning lines after a stray quote still loads whole.
TEST_F(CsvRun, BadInput_QuotesGoneWrongRejectOneLineEach) {
  const struct {
    const char *name, *data, *out, *discards;
    std::vector<std::string> rows;
  } cases[] = {
      {"blank after the closing quote", "id,a\n1,\"ok\" \n2,\"b\"\t\r\n3,\"c\"\n",
       " 3 input (or update) records (short: 0, skipped: 0)\r\n", "", {"1|ok", "2|b", "3|c"}},
      {"text after the closing quote", "id,a\n1,\"say \"hi\" now\"\n2,\"x\"y\n3,ok\n",
       "Lodrun #: record 1 has text after the closing quote - discarded\r\n"
       "Lodrun #: record 2 has text after the closing quote - discarded\r\n"
       " 3 input (or update) records (short: 0, skipped: 2)\r\n",
       "1,\"say \"hi\" now\"\r\n2,\"x\"y\r\n", {"3|ok"}},
      {"quote never closed", "id,a\n1,a\n2,\"stray\n3,b\n4,\"two\nlines\"\n5,c\n",
       "Lodrun #: record 2 has a quote that is never closed - discarded\r\n"
       " 5 input (or update) records (short: 0, skipped: 1)\r\n",
       "2,\"stray\r\n", {"1|a", "3|b", "4|two\nlines", "5|c"}},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(isql(db, "delete from p;"), "");
    writeFile(dir.file("in.csv"), c.data);
    run('i', "csv excel variables=2 file=in.csv errors=5 discards=bad.csv",
        "insert into p (id, a) values (?, ?)");
    EXPECT_EQ(exitCode, 0) << c.name;
    EXPECT_EQ(out, std::string(c.out) + "\tprocessed from file in.csv\r\n") << c.name;
    EXPECT_EQ(readFile(dir.file("bad.csv")), c.discards) << c.name;
    EXPECT_EQ(rows("select id, a from p order by id"), c.rows) << c.name;
  }
}

TEST_F(CsvRun, BadInput_HundredMegabyteFieldIsRefused) {
  {
    std::string field(100 * 1000 * 1000, 'x');
    writeFile(dir.file("huge.csv"), "1,\"" + field + "\"\n");
  }
  run('i', "csv variables=2 file=huge.csv", "insert into p (id, a) values (?, ?)");
  std::remove(dir.file("huge.csv").c_str());
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(out, "Lodrun #: record 1 is longer than 67108864 bytes, the most a csv record may hold\r\n"
                 "Lodrun aborting due to fatal error(s), current record count: 0\r\n"
                 "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
}

}  // namespace

namespace {

// The README's example, as it stands there.
TEST_F(CsvRun, ReadmeExample_LoadsAndUnloadsAsShown) {
  ASSERT_EQ(isql(db, "create table people (id integer, name varchar(30), note varchar(200),"
                     " born date);"),
            "");
  writeFile(dir.file("people.csv"),
            "id,name,note,born\n1,\"Smith, Ann\",\"says \"\"hi\"\"\",1990-05-17\n"
            "2,O'Brien,,1985-12-01\n3,\"\",\"two\nlines\",\n");
  run('i', "file=people.csv csv excel variables=4",
      "insert into people (id, name, note, born) values (?, ?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, name, note, born from people order by id"),
            (std::vector<std::string>{"1|Smith, Ann|says \"hi\"|1990-05-17",
                                      "2|O'Brien|<null>|1985-12-01", "3||two\nlines|<null>"}));
  run('o', "file=out.csv csv excel null=NULL lineend=u variables=4",
      "select id, name, note, born from people order by id");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("out.csv")),
            "ID,NAME,NOTE,BORN\n1,\"Smith, Ann\",\"says \"\"hi\"\"\",1990-05-17\n"
            "2,O'Brien,NULL,1985-12-01\n3,\"\",\"two\nlines\",NULL\n");
}

}  // namespace

namespace {

TEST_F(CsvRun, Load_BlanksAroundNumbersDatesAndBooleansDoNotCount) {
  writeFile(dir.file("in.csv"), "1, 42 , true ,  12.5 , 2009-01-12 , 14:05:09.5 \n2,-7,0,-0.0005,,\n");
  run('i', "csv variables=6 file=in.csv", "insert into t (id, i, bo, n9, dt, tm) values (?, ?, ?, ?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, i, bo, n9, dt, tm from t order by id"),
            (std::vector<std::string>{"1|42|TRUE|12.500|2009-01-12|14:05:09.5000",
                                      "2|-7|FALSE|-0.001|<null>|<null>"}));
}

}  // namespace

namespace {

TEST_F(CsvRun, SeparatorAndQuoteMayBeChanged_SwitchKTurnsCsvOn) {
  ASSERT_EQ(isql(db, "insert into p values (1, 'it''s; here', 'plain');"), "");
  run('o', "csv delimiter=; quote=' variables=3 file=out.csv", "select id, a, b from p");
  ASSERT_EQ(exitCode, 0) << out;
  // quote= also quotes every text.
  EXPECT_EQ(readFile(dir.file("out.csv")), "1;'it''s; here';'plain'\r\n");
  writeFile(dir.file("run.cmd"), "options db=" + db +
                                     " user=SYSDBA passwd=masterkey direction=i delimiter=; "
                                     "quote=' variables=3 file=out.csv\n"
                                     "insert into p values (?, ?, ?)\n");
  const RunResult r = runLodrun({"-k", "-x", "run.cmd"}, "", {}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(rows("select id, a, b from p order by id"),
            (std::vector<std::string>{"1|it's; here|plain", "1|it's; here|plain"}));
}

}  // namespace

namespace {

TEST_F(CsvRun, EmptyLines_PassedOverUnlessARecordHasOneField) {
  writeFile(dir.file("two.csv"), "1,a\n\r\n\n2,b\n");
  run('i', "csv variables=2 file=two.csv", "insert into p (id, a) values (?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  writeFile(dir.file("one.csv"), "x\n\n\"\"\n");
  run('i', "csv variables=1 file=one.csv", "insert into p (b) values (?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, a, b from p order by id nulls last, b nulls first"),
            (std::vector<std::string>{"1|a|<null>", "2|b|<null>", "<null>|<null>|<null>",
                                      "<null>|<null>|", "<null>|<null>|x"}));
}

}  // namespace

namespace {

TEST_F(CsvRun, Load_OneFieldFeedsANumberAndATextAlike) {
  writeFile(dir.file("in.csv"), "1, 42 \n");
  run('i', "csv variables=3 file=in.csv",
      "insert into t (id, i, v40) values (?{position=1}, ?{position=2}, ?{position=2})");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, i, v40 from t"), (std::vector<std::string>{"1|42| 42 "}));
}

}  // namespace

namespace {

// Number texts other programs write, into every numeric column of t, against
// Firebird's own CAST of each text into t2: the stored values must be the
// same, and a text CAST refuses must be rejected, 20030 where CAST finds no
// number and 20102 where the value is beyond the column's range.
const char *const kNumberTexts[] = {
    "2.7",  "-2.5", "0.9999", "-2.7", "+7.25", "1e5",   "1.5e3", ".5",    "5.",     "1 000",
    "12,34", "$5",  "NaN",    "inf",  "0x10",  ".",     "-",     "+",     " 42 ",   "1e400",
    "1e-3", "1.5e-3", "1.005", "-0.005", "32767.5", "9223372036854775808",
    "-9223372036854775808", "-0", "4.94065645841247e-324", "1e-310", "1.4013e-45", "1e-400",
};
const char *const kNumberColumns[][2] = {
    {"sm", "smallint"},       {"i", "integer"},        {"bi", "bigint"},
    {"n4", "numeric(4,2)"},   {"n9", "numeric(9,3)"},  {"n18", "numeric(18,4)"},
    {"d18", "decimal(18,2)"}, {"fl", "float"},         {"dp", "double precision"},
};
// Where CAST is not what a load must do, t2 and the refusals are mended:
// CAST reads "0x10" (15) as 16 into integers; reads 2^63 (26, 27) into a
// double one step off the nearest value; refuses the subnormal doubles (29,
// 30) that the database holds and a CSV unload writes; and refuses the
// smallest of them for 32-bit columns, where it is 0.
const char kCastsMended[] =
    "update t2 set sm = null, i = null, bi = null, n4 = null, n9 = null, n18 = null, d18 = null"
    " where id = 15;"
    "insert into casts select 15, trim(t), 'c' from (select 'sm' t from rdb$database union all"
    " select 'i' from rdb$database union all select 'bi' from rdb$database union all"
    " select 'n4' from rdb$database union all select 'n9' from rdb$database union all"
    " select 'n18' from rdb$database union all select 'd18' from rdb$database);"
    "update t2 set dp = power(2e0, 63) where id = 26;"
    "update t2 set dp = -power(2e0, 63) where id = 27;"
    "update t2 set sm = 0, i = 0, n4 = 0, n9 = 0,"
    " dp = cast(1e-300 as double precision) * 1e-23 / 2 where id = 29;"
    "update t2 set dp = cast(1e-300 as double precision) * 1e-10 where id = 30;"
    "delete from casts where (id = 29 and col in ('sm', 'i', 'n4', 'n9', 'dp'))"
    " or (id = 30 and col = 'dp');";

TEST_F(CsvRun, Numbers_EveryNumericColumnStoresWhatCastGivesOrRejects) {
  std::string data, texts;
  const int count = static_cast<int>(std::size(kNumberTexts));
  for (int id = 1; id <= count; ++id) {
    const std::string text = kNumberTexts[id - 1];
    data += std::to_string(id) + ",\"" + text + "\"\n";
    texts += "insert into nt values (" + std::to_string(id) + ", '" + text + "');";
  }
  writeFile(dir.file("in.csv"), data);
  // Firebird's casts, and the code of each refusal: c no number, r out of range.
  std::string script = "create table nt (id integer, t varchar(40));"
                       "create table casts (id integer, col varchar(5), code char(1)); commit;" +
                       texts + "insert into t (id) select id from nt; "
                       "insert into t2 (id) select id from nt; commit; set term ^ ;";
  for (const auto &column : kNumberColumns)
    script += std::string("execute block as declare id integer; declare t varchar(40); begin "
                          "for select id, t from nt into :id, :t do begin update t2 set ") +
              column[0] + " = cast(:t as " + column[1] + ") where id = :id; "
              "when any do insert into casts values (:id, '" + column[0] +
              "', iif(gdscode = 335544334, 'c', 'r')); end end^";
  ASSERT_EQ(isql(db, script + "set term ; ^" + kCastsMended), "");
  std::vector<std::string> refusals;
  for (const auto &column : kNumberColumns) {
    const std::string why = std::string("why-") + column[0] + ".txt";
    run('i', "csv variables=2 errors=100 file=in.csv reasons=" + why,
        std::string("update t set ") + column[0] + " = ?{position=2} where id = ?{position=1}");
    EXPECT_EQ(exitCode, 0) << out;
    std::istringstream lines(readFile(dir.file(why)));
    std::string line;
    while (std::getline(lines, line)) {
      const std::string record = line.substr(0, line.find('\t'));
      const char code = line.find("dblib error 20030") != std::string::npos   ? 'c'
                        : line.find("dblib error 20102") != std::string::npos ? 'r'
                                                                                : '?';
      refusals.push_back(record + "|" + column[0] + "|" + code);
    }
  }
  std::vector<std::string> casts = rows("select id, col, code from casts");
  std::sort(refusals.begin(), refusals.end());
  std::sort(casts.begin(), casts.end());
  EXPECT_EQ(refusals, casts);
  EXPECT_EQ(isqlView("t"), isqlView("t2"));
  EXPECT_EQ(rows("select count(*) from t join t2 using (id) where t.fl is distinct from t2.fl"
                 " or t.dp is distinct from t2.dp"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select id, i, n4, fl, dp from t where id in (1, 3, 7, 29, 31)"),
            (std::vector<std::string>{"1|3|2.70|2.7000000|2.700000000000000",
                                      "3|1|1.00|0.99989998|0.9999000000000000",
                                      "7|1500|<null>|1500.0000|1500.000000000000",
                                      "29|0|0.00|<null>|4.940656458412465e-324",
                                      "31|0|0.00|1.4012985e-45|1.401300000000000e-45"}));
}

}  // namespace

namespace {

// heading=match and heading=names against "insert into p (id, a, b)": what
// loads (rows as id|a|b), or the message that stops the run before any
// record (status 1, the table untouched).
struct HeadingCase {
  const char *keyword;
  const char *file;
  const char *stop;  // nullptr: loads
};

const HeadingCase kHeadingCases[] = {
    {"match", " ID,\"a\" ,B\n1,x,y\n2,u,v\n", nullptr},
    {"match", "id,b,a\n1,x,y\n",
     "the heading names column 2 \"b\", the statement column 2 is \"a\""},
    {"match", "id,a,bb\n1,x,y\n",
     "the heading names column 3 \"bb\", the statement column 3 is \"b\""},
    {"match", "id,a,b,c\n1,x,y,z\n",
     "the heading names column 4 \"c\", the statement has 3 columns"},
    {"match", "id,a\n1,x\n", "the heading ends after column 2, the statement column 3 is \"b\""},
    {"names", "b,ID,a\ny,1,x\nv,2,u\n", nullptr},
    {"names", "b,extra,id,a\ny,zz,1,x\nv,zz,2,u\n", nullptr},
    {"names", "a,id\nx,1\n", "the heading does not name the statement column \"b\""},
    {"names", "a,id,b,A\nx,1,y,z\n", "the heading names column \"a\" twice (columns 1 and 4)"},
};

TEST_F(CsvRun, Heading_MatchChecksAndNamesMapTheStatementColumns) {
  for (const HeadingCase &c : kHeadingCases) {
    SCOPED_TRACE(std::string(c.keyword) + ": " + c.file);
    isql(db, "delete from p;");
    writeFile(dir.file("in.csv"), c.file);
    run('i', std::string("csv variables=3 file=in.csv heading=") + c.keyword,
        "insert into p (id, a, b) values (?, ?, ?)");
    if (c.stop == nullptr) {
      EXPECT_EQ(exitCode, 0) << out;
      EXPECT_EQ(isql(db, "set heading off; select id, a, b from p order by id;"),
                isql(db, "set heading off; select id, cast(a as varchar(40)), cast(b as "
                         "varchar(40)) from (select 1 id, 'x' a, 'y' b from rdb$database "
                         "union all select 2, 'u', 'v' from rdb$database);"));
    } else {
      EXPECT_EQ(exitCode, 1);
      EXPECT_EQ(out, std::string("heading=") + c.keyword + ": " + c.stop +
                         "\r\nLodrun aborting due to fatal error(s), current record count: 0\r\n"
                         "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
      EXPECT_TRUE(rows("select id from p").empty());
    }
  }
  // A procedure's arguments have no column names; outside CSV loads the
  // keyword is refused before the database is opened.
  isql(db, "set term ^; create procedure pp (x integer) as begin insert into p (id) values (:x); "
           "end^ set term ;^");
  writeFile(dir.file("in.csv"), "x\n1\n");
  run('i', "csv variables=1 file=in.csv heading=names", "execute procedure pp (?)");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("heading=names: the statement names no column for parameter 1 (a "
                     "procedure's argument, an expression, a condition, or an INSERT without a "
                     "column list)\r\n"),
            std::string::npos) << out;
  EXPECT_TRUE(rows("select id from p").empty());
  run('i', "delimiter=, variables=3 file=in.csv heading=match", "insert into p values (?, ?, ?)");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(err.find("heading= needs CSV mode: give csv or -k"), std::string::npos) << err;
}

}  // namespace
