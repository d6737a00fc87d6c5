// Delimited unloads end to end: output files byte for byte, the discards,
// the messages and the exit status.
#include <string>

#include "dblib/dbfuncs.h"
#include "unload_fixture.h"

namespace {

const char kAllColumns[] = "select id, c4, v, n, i, d, ts from t order by id";

TEST_F(UnloadRun, Delimited_QuotingSeparatorsAndLineBreaks) {
  struct Case {
    const char *options;
    const char *select;
    const char *file;
    std::string printed;
    const char *discards;
  };
  const Case cases[] = {
      {"variables=7 delimiter=, quote=\" excel", kAllColumns,
       "\"ID\",\"C4\",\"V\",\"N\",\"I\",\"D\",\"TS\"\r\n"
       "1,\"ab\",\"x,y\",12.5,,2.25,12/01/2009\r\n"
       "2,\"\",\"a\2\1b\",-3.25,-42,10000000000,31/12/2008\r\n"
       "3,\"\",\"\",,,,\r\n",
       selected(3), ""},
      {"variables=7 delimiter=\\t lineend=u", kAllColumns,
       "1\tab\tx,y\t12.5\t\t2.25\t12/01/2009\n"
       "2\t\ta\2\1b\t-3.25\t-42\t10000000000\t31/12/2008\n"
       "3\t\t\t\t\t\t\n",
       " 3 records selected into file out.txt\n", ""},
      // Unquoted, the comma in a value miscounts its record.
      {"variables=7 delimiter=, errors=2 discards=bad.txt", kAllColumns,
       "2,,a\2\1b,-3.25,-42,10000000000,31/12/2008\r\n3,,,,,,\r\n",
       "Lodrun #: wrong number of separators on delimited output line 1 (s.b. 7, is 8)\r\n" +
           selected(3),
       "1,ab,x,y,12.5,,2.25,12/01/2009\r\n"},
      // With lrecl: records of exactly that size, padded, no line end; the
      // discards take lrecl bytes too, cutting a longer record.
      {"variables=3 delimiter=, lrecl=11 pad=. errors=3 discards=bad.txt",
       "select id, v, n from t order by id", "3,,........",
       "Lodrun #: wrong number of separators on delimited output line 1 (s.b. 3, is 4)\r\n"
       "Lodrun #: Lodrun: record size too small for, is 11 need 12\r\n" +
           selected(3),
       "1,x,y,12.5.2,a\r\nb,-3.2"},
  };
  for (const Case &c : cases) {
    writeFile(dir.file("bad.txt"), "");
    unload(c.options, c.select);
    EXPECT_EQ(exitCode, 0) << c.options;
    EXPECT_EQ(out, c.printed) << c.options;
    EXPECT_EQ(output(), c.file) << c.options;
    EXPECT_EQ(output("bad.txt"), c.discards) << c.options;
  }
}

TEST_F(UnloadRun, Delimited_UnplacedColumnsFillFreePositionsAfterFillers) {
  unload("variables=2 xtra_fields=3 delimiter=, excel startcount=10"
         " filler=3;4;*;7 filler=4;0;enum;7 filler=5;0;sysdate;11",
         "select c4, id{position=1} from t order by id");
  const std::string date = runDate();
  EXPECT_EQ(output(), "ID,C4,filler1,filler2,filler3\r\n1,ab,****,11," + date +
                          "\r\n2,,****,12," + date + "\r\n3,,****,13," + date + "\r\n");
  EXPECT_EQ(out, selected(3));
}

TEST_F(UnloadRun, Delimited_FailedRecordCountsOnceAndGoesToDiscardsAsBuilt) {
  // No field has position 2: every record fails there.
  const char select[] = "select id{position=1}, c4{position=3} from t order by id";
  const std::string failure = "Lodrun #: cannot find field specifier for 2\r\n";
  auto discarded = [&](int line) {
    return failure + "Lodrun #: wrong number of separators on delimited output line " +
           std::to_string(line) + " (s.b. 2, is 1)\r\n";
  };
  unload("variables=2 delimiter=, errors=4 discards=bad.txt", select);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(out, discarded(1) + discarded(2) + discarded(3) + selected(3));
  EXPECT_EQ(output("bad.txt"), "1\r\n2\r\n3\r\n");
  EXPECT_EQ(output(), "");

  // The record that reaches the limit stops the run unwritten.
  unload("variables=2 delimiter=, errors=3 discards=bad.txt", select);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(out, discarded(1) + discarded(2) + failure + aborted(3));
  EXPECT_EQ(output("bad.txt"), "1\r\n2\r\n");

  unload("variables=1 delimiter=, rows=2", "select id from t order by id");
  EXPECT_EQ(output(), "1\r\n2\r\n");
  EXPECT_EQ(out, selected(2));
}

TEST_F(UnloadRun, Delimited_SeparatorCountDecidesBetweenFileAndDiscards) {
  const char *const cases[][4] = {
      // options, values, output file, discards
      {"", "'a\\,b', 1", "a\\,b,1\r\n", ""},  // an escaped separator is data
      {"", "'a,b', 1", "", "a,b,1\r\n"},
      {"quote=\"", "'a,b', 1", "\"a,b\",1\r\n", ""},
      {"quote=\"", "'x\",y', 1", "", "\"x\",y\",1\r\n"},  // the quote closes before ','
  };
  for (const auto &c : cases) {
    unload(std::string("variables=2 delimiter=, errors=2 discards=bad.txt ") + c[0],
           std::string("select ") + c[1] + " from t where id = 1");
    EXPECT_EQ(output(), c[2]) << c[1];
    EXPECT_EQ(output("bad.txt"), c[3]) << c[1];
  }
}

// A blob or a record beyond the 8184-byte buffers fails its record only.
TEST_F(UnloadRun, Delimited_BlobBytesAndTheirLimits) {
  const char options[] = "variables=2 delimiter=, errors=3 discards=bad.txt";
  isql(db, "update t set bt = lpad('', 9000, 'x') where id = 2;");
  unload(options, "select id, bt from t order by id");
  EXPECT_EQ(output(), "1,some text\r\n3,\r\n");
  EXPECT_EQ(output("bad.txt"), "2\r\n");
  EXPECT_NE(out.find("WARNING binary or long blobs not allowed\r\n"
                     "warning blob at col 2 is binary - EXPECT failure!\r\n"
                     "Lodrun #: blob for col 2, record 2 too long (9000, max: 8183)\r\n"
                     "Lodrun #: wrong number of separators on delimited output line 2 (s.b. 2, is 1)\r\n" +
                     selected(3)),
            std::string::npos)
      << out;

  unload(options, "select cast(lpad('', 6000, 'y') as varchar(6000)),"
                  " cast(lpad('', 6000, 'y') as varchar(6000)) from t where id = 1");
  EXPECT_EQ(out, "Lodrun #: Lodrun: output buffer size too small for, is 8184 need 12003\r\n"
                 "Lodrun #: wrong number of separators on delimited output line 1 (s.b. 2, is 1)\r\n" +
                     selected(1));
  EXPECT_EQ(output("bad.txt"), std::string(6000, 'y') + "\r\n");

  isql(db, "update t set bb = x'410042' where id = 2;");
  unload("variables=2 delimiter=,", "select id, bb from t order by id");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("Lodrun #: blob for field 2, record 2 contains binary data at byte 1\r\n" +
                     aborted(2)),
            std::string::npos)
      << out;

  // A delimited field has room for the text of any number.
  unload("variables=1 delimiter=,", "select cast(1e20 as double precision) from t where id = 1");
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(output(), "100000000000000000000.\r\n");  // "%f" trimmed, as ever
}

// Every column type out and back in through a load: the copy must equal
// the source, as isql-fb shows them.
TEST_F(UnloadRun, Delimited_RoundTripThroughALoadGivesAnEqualTable) {
  const char columns[] = "id, c4, v, n, i, s, b, f, d, dt, tm, ts, bt, bb";
  // The load refuses empty blob fields: both rows carry their blobs.
  isql(db, "update t set bt = 'more' || ascii_char(10) || 'text', bb = x'0A43' where id = 2;");
  // Tab-separated: a load splits fields at every separator, quoted or not.
  unload("variables=14 delimiter=\\t",
         std::string("select id, c4, v, n, i, s, b, f, d, dt, tm{dateform=17}, ts{dateform=17},"
                     " bt, bb from t where id < 3 order by id"));
  ASSERT_EQ(exitCode, 0) << out;
  run("options db=" + db + " user=SYSDBA passwd=masterkey direction=i file=out.txt"
      " variables=14 delimiter=\\t\ninsert into t2 (" + columns +
      ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?{dateform=17}, ?{dateform=17}, ?, ?)\n");
  ASSERT_EQ(exitCode, 0) << out;
  // Blobs as their bytes: isql-fb would show their ids, which differ.
  const std::string show =
      "select id, c4, v, n, i, s, b, f, d, dt, tm, ts, cast(bt as varchar(20)),"
      " cast(bb as varchar(20) character set octets) from ";
  const std::string copy = isql(db, show + "t2 order by id;");
  EXPECT_EQ(copy, isql(db, show + "t where id < 3 order by id;"));
  EXPECT_NE(copy.find("some text"), std::string::npos) << copy;
}

}  // namespace
