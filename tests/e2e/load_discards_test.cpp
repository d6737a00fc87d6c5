// Rejected records, the errors limit, the commit cadence and a refused
// execute: what the discards hold and what the database keeps.
#include <initializer_list>
#include <string>

#include "load_fixture.h"

namespace {

// Records 1..count as "id,name"; the ids in `bad` are not numbers.
std::string records(int count, std::initializer_list<int> bad) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    bool rejected = false;
    for (int b : bad) rejected |= b == i;
    text += (rejected ? "x" : "") + std::to_string(i) + ",n" + std::to_string(i) + "\n";
  }
  return text;
}

const char kNumberError[] =
    "Got dblib error 20030 while doing data sensitive Putfield with SQL field 1: "
    "Number Conversion Error\r\n";

}  // namespace

TEST_F(LoadRun, Discards_BelowTheLimitTheLoadCompletes) {
  writeFile(dir.file("data.csv"), records(10, {4, 7}));
  run(header("delimiter=, variables=2 errors=3 discards=bad.csv file=data.csv") +
      "insert into p values (?, ?)\n");
  EXPECT_EQ(out, kNumberError + std::string(kNumberError) + summary(10, 0, 2, "data.csv"));
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(readFile(dir.file("bad.csv")), "x4,n4\r\nx7,n7\r\n");
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"8"}));

  // Without a discards file the record follows the message, with the line end.
  isql(db, "delete from p; commit;");
  run(header("delimiter=, variables=2 errors=3 lineend=u") +
      "insert into p values (?, ?)\nSTARTDATA\n1,a\nx2,b\n");
  EXPECT_EQ(out, "Got dblib error 20030 while doing data sensitive Putfield with SQL field 1: "
                 "Number Conversion Error\nx2,b\n 2 input (or update) records (short: 0, "
                 "skipped: 1)\n\tprocessed from file run.cmd\n");
}

TEST_F(LoadRun, Discards_AtTheLimitTheRunStopsAtTheLastRestart) {
  writeFile(dir.file("data.csv"), records(250, {150, 230}));
  run(header("delimiter=, variables=2 errors=2 trans=100 discards=bad.csv file=data.csv verbose") +
      "insert into p values (?, ?)\n");
  const std::string tail = "Commit at count:    100\r\n" + std::string(kNumberError) +
                           "Commit at count:    200\r\n" + kNumberError + aborted(230);
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(readFile(dir.file("bad.csv")), "x150,n150\r\nx230,n230\r\n");
  EXPECT_EQ(rows("select count(*), max(id) from p"), (std::vector<std::string>{"199|200"}));
}

TEST_F(LoadRun, Discards_RefusedExecuteIsFatalWhateverTheLimit) {
  writeFile(dir.file("data.csv"), records(150, {}) + "120,again\n");
  run(header("delimiter=, variables=2 errors=1000 trans=100 file=data.csv") +
      "insert into p values (?, ?)\n");
  const std::string tail = "Got dblib error 20006 while doing execute prepared: SQL error was "
                           "found + reported to logfile\r\n" + aborted(151);
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  EXPECT_NE(out.find("SQLCODE: -803 doing exec prepared from Lodrun"), std::string::npos) << out;
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"100"}));
}
