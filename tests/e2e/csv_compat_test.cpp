// csv_compat_test.cpp - command files without csv give the bytes they gave
// before CSV mode existed, even when they carry the words CSV mode added
// (null=, blobfile), which mean nothing without csv. The expected texts are
// those of the program before CSV mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport.h"

namespace {

const char kSchema[] =
    "create table t (id integer not null primary key, c4 char(4), v varchar(20),"
    " n numeric(9,2), i integer, s smallint, b bigint, f float, d double precision, dt date,"
    " ts timestamp, bt blob sub_type text);"
    "create table p (id integer, a varchar(20), b varchar(20));"
    "insert into t values (1, 'ab', 'x,y', 12.50, null, 7, 9000000000, 1.5, 2.25, '2009-01-12',"
    " '2009-01-12 14:05:09', 'some text');"
    "insert into t values (2, null, 'a' || ascii_char(10) || 'b', -3.25, -42, -1, -9, -0.5, 1e10,"
    " '2008-03-01', '2008-12-31 23:59:59', null);"
    "insert into t (id, c4) values (3, '');";

struct Case {
  const char *name;
  const char *commands;  // after the options naming the database
  const char *stdoutText;
  const char *dataFile;  // the unload's file, or nullptr
  const char *dataText;
};

const Case kCases[] = {
    {"delimited unload, quoted, heading",
     "direction=o file=out.txt delimiter=, quote=\" excel variables=12 null=NULL\n"
     "select id, c4, v, n, i, s, b, f, d, dt, ts, bt{blobfile} from t order by id\n",
     " Warning: binary or long blobs may cause problems\r\n"
     "blob output field 1 format unknown, set to segmented binary\r\n"
     "WARNING binary or long blobs not allowed\r\n"
     "warning blob at col 12 is binary - EXPECT failure!\r\n"
     " 3 records selected into file out.txt\r\n",
     "out.txt",
     "\"ID\",\"C4\",\"V\",\"N\",\"I\",\"S\",\"B\",\"F\",\"D\",\"DT\",\"TS\",\"BT\"\r\n"
     "1,\"ab\",\"x,y\",12.5,,7,9000000000,1.5,2.25,12/01/2009,12/01/2009,some text\r\n"
     "2,\"\",\"a\x01" "b\",-3.25,-42,-1,-9,-0.5,10000000000,01/03/2008,31/12/2008,\r\n"
     "3,\"\",\"\",,,,,,,,,\r\n"},
    {"fixed unload",
     "direction=o file=out.txt variables=4 null=NULL\n"
     "select id{position=1 size=5}, c4{position=6 size=4}, n{position=10 size=10},"
     " ts{position=20 size=20 dateform=17} from t order by id\n",
     " 3 records selected into file out.txt\r\n", "out.txt",
     "00001ab  00000012.512/01/2009 14:05:09  \r\n"
     "00002    00000-3.2531/12/2008 23:59:59  \r\n"
     "00003                                   \r\n"},
    {"delimited load, quotes and escapes",
     "direction=i delimiter=, variables=3 errors=3 short_ok null=X\n"
     "insert into p (id, a, b) values (?, ?, ?)\nSTARTDATA\n"
     "1,\"b,c\",\\,x\n2, $12,\"q\"\"q\"\n3,a\\nb\n4,a,b,c\n",
     " 4 input (or update) records (short: 1, skipped: 0)\r\n\tprocessed from file run.cmd\r\n",
     nullptr, nullptr},
};

TEST(CsvCompat, CommandFilesWithoutCsvGiveTheBytesOfBefore) {
  TempDir dir;
  const std::string db = dir.file("compat.fdb");
  ASSERT_TRUE(createDatabase(db, kSchema));
  for (const Case &c : kCases) {
    writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA passwd=masterkey " +
                                       c.commands);
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << c.name;
    EXPECT_EQ(r.out, c.stdoutText) << c.name;
    if (c.dataFile != nullptr) {
      EXPECT_EQ(readFile(dir.file(c.dataFile)), c.dataText) << c.name;
    }
  }
  EXPECT_EQ(queryRows(db, "select id, a, b from p order by id"),
            (std::vector<std::string>{"1|b|c\"", "2|12|q\"\"q", "3|a\nb|<null>", "4|a|b"}));
}

}  // namespace
