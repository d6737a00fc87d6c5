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

TEST_F(LoadRun, BadInput_LongLineArrivesInPiecesAndUnreadableDataStops) {
  writeFile(dir.file("data.csv"), "1," + std::string(99998, 'x') + "\n");
  run(header("delimiter=, variables=2 discards=bad.csv file=data.csv") +
      "insert into p values (?, ?)\n");
  EXPECT_EQ(out, "Lodrun #: truncating record 1, field 2 (was 8181 bytes, now: 10\r\n" +
                     aborted(1));
  EXPECT_EQ(readFile(dir.file("bad.csv")), "1," + std::string(8181, 'x') + "\r\n");

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
