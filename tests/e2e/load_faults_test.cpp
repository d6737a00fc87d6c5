// Loads under faults an operator meets on a bad day: a load killed at a
// random moment, discards, standard output and log on a full device, and
// standard output closed by the reader. Rejected records must be on stable
// storage before the commit that keeps their neighbours, and every failed
// write must end the run with status 1 before that commit.
#include <signal.h>

#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "background.h"
#include "load_fixture.h"

namespace {

// Records 1..count as "id,name"; the id is no number for every
// `rejectEvery`-th record from `firstReject` on (never when 0).
std::string records(int count, int rejectEvery, int firstReject = 1) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    const bool rejected = rejectEvery > 0 && i >= firstReject && (i - firstReject) % rejectEvery == 0;
    text += (rejected ? "x" : "") + std::to_string(i) + ",n\n";
  }
  return text;
}

int firstNumber(const std::vector<std::string> &rows) {
  return rows.empty() || rows[0] == "<null>" ? 0 : std::stoi(rows[0]);
}

// The ids the discards name ("x<id>,n" lines).
std::set<int> discardedIds(const std::string &text) {
  std::set<int> ids;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.size() > 1 && line[0] == 'x') ids.insert(std::stoi(line.substr(1)));
  return ids;
}

}  // namespace

TEST_F(LoadRun, Faults_KilledLoadsKeepEveryRejectOfEveryCommittedRow) {
  constexpr int kRecords = 300000, kRejectEvery = 97;
  writeFile(dir.file("data.csv"), records(kRecords, kRejectEvery, kRejectEvery));
  std::random_device seedSource;
  const unsigned seed = seedSource();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> killAfterMillis(150, 900);
  for (int run = 1; run <= 3; ++run) {
    const std::string database = dir.file("killed" + std::to_string(run) + ".fdb");
    ASSERT_TRUE(createDatabase(database, kSchema));
    writeFile(dir.file("run.cmd"),
              "options db=" + database + " user=SYSDBA passwd=masterkey direction=i"
              " delimiter=, variables=2 trans=500 errors=100000 discards=bad.csv file=data.csv\n"
              "insert into p values (?, ?)\n");
    const int delay = killAfterMillis(random);
    {
      BackgroundRun load(lodrunBinary(), {"-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                         dir.file("err.txt"));
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      load.signal(SIGKILL);
      load.wait(10);
    }
    // Every reject below the highest committed id belongs to a committed
    // stretch of records: it must be in the discards.
    const int highest = firstNumber(queryRows(database, "select max(id) from p"));
    const std::set<int> discarded = discardedIds(readFile(dir.file("bad.csv")));
    int missing = 0;
    for (int id = kRejectEvery; id < highest; id += kRejectEvery) missing += !discarded.count(id);
    EXPECT_LT(highest, kRecords) << "the load ended before the kill";
    EXPECT_EQ(missing, 0) << "seed " << seed << ", run " << run << ", killed after " << delay
                          << " ms, highest committed id " << highest;
  }
}

TEST_F(LoadRun, Faults_FullDeviceStopsTheRunBeforeTheCommit) {
  // The first reject (record 50) must be durable before the restart at 100.
  writeFile(dir.file("data.csv"), records(300, 100, 50));
  const std::string load = header("delimiter=, variables=2 trans=100 errors=100 file=data.csv") +
                           "insert into p values (?, ?)\n";

  run(header("delimiter=, variables=2 trans=100 errors=100 discards=/dev/full file=data.csv") +
      "insert into p values (?, ?)\n");
  EXPECT_NE(out.find("Lodrun #: could not write discards file </dev/full>: No space left on "
                     "device\r\n" + aborted(100)),
            std::string::npos)
      << out;
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"0"}));

  // Without discards the rejects go to standard output: on a full device
  // the report goes to standard error.
  writeFile(dir.file("run.cmd"), load);
  const std::string lodrun = lodrunBinary() + " -x run.cmd";
  RunResult r = runProgram("/bin/bash", {"-c", lodrun + " > /dev/full"}, "", {}, dir.path());
  EXPECT_EQ(withoutLineNumbers(r.err),
            "Lodrun #: could not write standard output </dev/full>: No space left on device\r\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"0"}));

  // A log on the full device: nothing can report it, but the status does.
  r = runProgram(lodrunBinary(), {"-s", "/dev/full", "-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"0"}));
}

TEST_F(LoadRun, Faults_ClosedStandardOutputIsAWriteErrorNotADeathBySigpipe) {
  writeFile(dir.file("data.csv"), records(250, 0));
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 trans=100 file=data.csv") +
                                     "insert into p values (?, ?)\n");
  // The reader is gone before the summary is written; the restarts at 100
  // and 200 stand, the last 50 records are rolled back.
  const RunResult r = runProgram(
      "/bin/bash", {"-c", lodrunBinary() + " -x run.cmd | true; exit ${PIPESTATUS[0]}"}, "", {},
      dir.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(withoutLineNumbers(r.err),
            "Lodrun #: could not write standard output: Broken pipe\r\n"
            "lodrun: 200 records were committed before the stop; to go on with the next one, "
            "run again with skip=200\n");
  EXPECT_EQ(rows("select count(*) from p"), (std::vector<std::string>{"200"}));
}
