// Fixed-size loads from the outside: text, binary and date fields, raw
// discards, fixed positions over lines, and records cut short.
#include <cstdint>
#include <cstring>
#include <string>

#include "load_fixture.h"

namespace {

template <typename T>
std::string bytesOf(T value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(&bytes[0], &value, sizeof value);
  return bytes;
}

// One 90-byte record of the layout below, line feed included.
std::string typesRecord(const std::string &id, const std::string &date) {
  return id + std::string(1, '\xFF') + bytesOf<int64_t>(9000000000) + bytesOf<int32_t>(123456) +
         bytesOf<double>(2.5) + bytesOf<float>(0.25f) + "abc       " + "hello" + date +
         bytesOf<int32_t>(20030201) + "01/01/2000 13:45:10" + "blob.txt    " + "\n";
}

const char kTypesInsert[] =
    "insert into t (id, sm, bi, n92, dp, fl, c10, v20, d, ts, tm, bt) values (\n"
    "?{position=1 size=4}, ?{position=5 size=1 external=int}, ?{position=6 size=8 external=int},\n"
    "?{position=14 size=4 external=int}, ?{position=18 size=8 external=float},\n"
    "?{position=26 size=4 external=float}, ?{position=30 size=10}, ?{position=40 size=5},\n"
    "?{position=45 size=10 dateform=16}, ?{position=55 size=4 external=int dateform=20},\n"
    "?{position=59 size=19 dateform=17}, ?{position=78 size=12 ascii_blob})\n";

}  // namespace

TEST_F(LoadRun, FixedLoad_EveryRepresentationArrivesAndRejectsKeepTheirBytes) {
  writeFile(dir.file("blob.txt"), "file content\n");
  const std::string bad = typesRecord("0002", "99/99/1999");
  writeFile(dir.file("data.fix"), typesRecord("0001", "31/12/1999") + bad);
  run(header("lrecl=90 variables=12 errors=2 discards=bad.fix file=data.fix") + kTypesInsert);
  EXPECT_EQ(out,
            "Got dblib error 20107 while doing fixed Putfield with SQL field 9: bad date\r\n"
            " 2 input (or update) records (short: 0, skipped: 1)\r\n"
            "\tBlobs loaded 1, no filename: 0, errors 0\r\n"
            "\tprocessed from file data.fix\r\n");
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(readFile(dir.file("bad.fix")), bad);
  EXPECT_EQ(rows("select id, sm, bi, n92, dp, fl, c10, v20, d, cast(ts as date), tm, bt from t"),
            (std::vector<std::string>{"1|-1|9000000000|123456.00|2.500000000000000|0.25000000|"
                                      "abc       |hello|1999-12-31|2003-02-01|13:45:10.0000|"
                                      "file content\n"}));
}

TEST_F(LoadRun, FixedLoad_PositionsOverLinesNeverReadPastTheLine) {
  run(header("variables=2") + "insert into p values (?{position=1 size=3}, ?{position=4 size=10})\n"
                              "STARTDATA\n  1abcdefghijklmn\n  2xy\r\n  3\n");
  EXPECT_EQ(out, summary(3, 0, 0));
  EXPECT_EQ(rows("select id, name from p order by id"),
            (std::vector<std::string>{"1|abcdefghij", "2|xy", "3|<null>"}));
}

TEST_F(LoadRun, FixedLoad_RecordCutShortStopsTheRunAndRollsBack) {
  writeFile(dir.file("data.fix"), "  1\n  2\n  3");
  run(header("lrecl=4 variables=1 file=data.fix") + "insert into p (id) values (?{position=1 size=3})\n");
  EXPECT_EQ(out, "Lodrun #: Lodrun: short read for last input (size 3, wanted 4), line count 2\r\n" +
                     aborted(2));
  EXPECT_EQ(exitCode, 1);
  EXPECT_TRUE(rows("select id from p").empty());
}
