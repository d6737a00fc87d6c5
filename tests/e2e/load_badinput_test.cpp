// Hostile input: binary files, NUL bytes, huge lines, unreadable data and a
// load killed in the middle. Each ends with a clear message or a database
// holding only what was committed.
#include <string>

#include "load_fixture.h"

TEST_F(LoadRun, BadInput_BinaryDataIsRefusedBeforeItLoads) {
  // An executable starts "\x7f" "ELF" and a few header bytes, then a NUL
  // (where depends on the ABI byte the linker chose).
  const std::string executable = readFile(lodrunBinary());
  const std::string firstNul = std::to_string(executable.find('\0') + 1);
  const struct {
    std::string data, message;
  } cases[] = {
      {executable, "Lodrun #: input record 1 contains binary data at byte " + firstNul + "\r\n"},
      {std::string(100000, '\0'), "Lodrun #: input record 1 contains binary data at byte 1\r\n"},
      {std::string("1,a\n2,b\0c\n", 10), "Lodrun #: input record 2 contains binary data at byte 4\r\n"},
  };
  for (const auto &c : cases) {
    writeFile(dir.file("data.csv"), c.data);
    run(header("delimiter=, variables=2 file=data.csv") + "insert into p values (?, ?)\n");
    EXPECT_EQ(out, c.message + aborted(c.message.find("record 2") != std::string::npos ? 1 : 0));
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(rows("select id from p").empty());
  }
}

// A line too long for the record buffer is one rejected record, all of it in
// the discards: no piece of it loads as a row. In fixed-size records a NUL in
// a field read as text is binary data (binary fields may hold any byte), so
// an endless source of zeros stops at the errors limit.
TEST_F(LoadRun, BadInput_LongLineIsOneRecordNulTextIsBinaryUnreadableDataStops) {
  const std::string longLine = "1," + std::string(8181, 'x') + "9,tail";
  const std::string longerLine = "3," + std::string(99998, 'y');
  writeFile(dir.file("data.csv"), longLine + "\n2,ok\n" + longerLine + "\r\n4,end");
  run(header("delimiter=, variables=2 errors=3 discards=bad.csv file=data.csv") +
      "insert into p values (?, ?)\n");
  EXPECT_EQ(out, "Lodrun #: input record 1 is longer than 8183 bytes - discarded\r\n"
                 "Lodrun #: input record 3 is longer than 8183 bytes - discarded\r\n" +
                     summary(4, 0, 2, "data.csv"));
  EXPECT_TRUE(readFile(dir.file("bad.csv")) == longLine + "\r\n" + longerLine + "\r\n");
  EXPECT_EQ(rows("select id, name from p order by id"), (std::vector<std::string>{"2|ok", "4|end"}));

  run(header("lrecl=100 variables=2 discards=bad.fix file=/dev/zero") +
      "insert into p values (?{position=1 size=4}, ?{position=5 size=10})\n");
  EXPECT_EQ(out, "Lodrun #: input record 1 contains binary data at byte 1\r\n" + aborted(1));
  EXPECT_EQ(readFile(dir.file("bad.fix")), std::string(100, '\0'));

  run(header("delimiter=, variables=2 file=.") + "insert into p values (?, ?)\n");
  EXPECT_EQ(out, aborted(0));
  EXPECT_EQ(err, "Unexpected system error reading input record: Is a directory\n");
  EXPECT_EQ(exitCode, 1);
}

TEST_F(LoadRun, BadInput_KilledLoadKeepsWholeRestartsOnly) {
  constexpr int kRecords = 1000000;
  std::string data;
  for (int i = 1; i <= kRecords; ++i) data += std::to_string(i) + ",n\n";
  writeFile(dir.file("data.csv"), data);
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 trans=1000 file=data.csv") +
                                     "insert into p values (?, ?)\n");
  const RunResult r = runProgram("/usr/bin/timeout", {"-s", "KILL", "2", lodrunBinary(),
                                                      "-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(r.exitCode, 137) << r.out;
  const std::vector<std::string> count = rows("select count(*) from p");
  ASSERT_EQ(count.size(), 1u);
  const int loaded = std::stoi(count[0]);
  EXPECT_EQ(loaded % 1000, 0);
  EXPECT_GT(loaded, 0);
  EXPECT_LT(loaded, kRecords);
}
