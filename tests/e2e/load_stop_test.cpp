// SIGTERM and SIGINT end a run within a second wherever it waits: in the
// middle of a long load, in the open of a FIFO without a writer, in a read
// that gets no data. The run rolls back to its last restart, says how many
// records are committed and the skip= that goes on from there, and exits
// with status 1.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "background.h"
#include "load_fixture.h"

namespace {

// A stop must end the run within a second; the sanitizer build runs the
// rollback and detach several times slower on a loaded machine.
double stopLimit() { return std::getenv("ASAN_OPTIONS") != nullptr ? 2.5 : 1.0; }

struct Stopped {
  int exitCode = -1;
  double seconds = 0;
  std::string out;
};

// Starts run.cmd, waits `afterMillis`, sends `signal`, and waits for the end.
Stopped stopAfter(const TempDir &dir, int afterMillis, int signal) {
  BackgroundRun run(lodrunBinary(), {"-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                    dir.file("err.txt"));
  std::this_thread::sleep_for(std::chrono::milliseconds(afterMillis));
  Stopped result;
  const double start = secondsNow();
  run.signal(signal);
  result.exitCode = run.wait(10);
  result.seconds = secondsNow() - start;
  result.out = readFile(dir.file("out.txt"));
  return result;
}

// The committed count of the stop line that ends `out`, or -1 when the
// line is not there.
int committedOnStopLine(const std::string &out, const std::string &signalName) {
  const std::string head = "Lodrun stopped by " + signalName +
                           ": work since the last commit rolled back, ";
  const std::string tail = " records committed\r\n";
  const size_t at = out.rfind(head);
  if (at == std::string::npos || out.size() < tail.size() ||
      out.compare(out.size() - tail.size(), tail.size(), tail) != 0)
    return -1;
  const std::string number =
      out.substr(at + head.size(), out.size() - tail.size() - at - head.size());
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(number);
}

// The highest "Commit at count: N" of a verbose load's output; 0 before any.
int lastCommitShown(const std::string &out) {
  const std::string head = "Commit at count:";
  int last = 0;
  for (size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + 1))
    last = std::atoi(out.c_str() + at + head.size());
  return last;
}

// Waits (generously: the sanitizer build on a busy machine is slow) until
// the output shows a commit at `records` or more; false when it never does.
bool waitForCommit(const TempDir &dir, int records) {
  const double giveUp = secondsNow() + 120;
  while (lastCommitShown(readFile(dir.file("out.txt"))) < records) {
    if (secondsNow() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::string resumeLine(int committed, int skip) {
  return "lodrun: " + std::to_string(committed) +
         " records were committed before the stop; to go on with the next one, run again "
         "with skip=" + std::to_string(skip) + "\n";
}

}  // namespace

TEST_F(LoadRun, Stop_SignalDuringALongLoadKeepsExactlyTheCommittedRecords) {
  std::string data;
  for (int i = 1; i <= 400000; ++i) data += std::to_string(i) + ",n\n";
  writeFile(dir.file("data.csv"), data);
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 trans=1000 file=data.csv") +
                                     "insert into p values (?, ?)\n");
  for (int signal : {SIGTERM, SIGINT}) {
    isql(db, "delete from p;");
    const Stopped stopped = stopAfter(dir, 700, signal);
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_LT(stopped.seconds, stopLimit());
    const int committed = committedOnStopLine(stopped.out, signal == SIGTERM ? "SIGTERM" : "SIGINT");
    ASSERT_GE(committed, 0) << stopped.out;
    EXPECT_EQ(committed % 1000, 0);
    EXPECT_EQ(rows("select count(*) from p"),
              (std::vector<std::string>{std::to_string(committed)}));
  }
}

TEST_F(LoadRun, Stop_SignalWhileBlockedOnAFifoOpenOrRead) {
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  writeFile(dir.file("run.cmd"), header("delimiter=, variables=2 file=pipe") +
                                     "insert into p values (?, ?)\n");
  // No writer: the open of the data file blocks.
  Stopped stopped = stopAfter(dir, 700, SIGINT);
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_LT(stopped.seconds, stopLimit());
  EXPECT_EQ(stopped.out,
            "Lodrun stopped by SIGINT: work since the last commit rolled back, 0 records "
            "committed\r\n");

  // A writer that sends nothing: the first read blocks. Nothing was
  // committed and nothing skipped: no resume line.
  const int writer = open(dir.file("pipe").c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  stopped = stopAfter(dir, 700, SIGTERM);
  close(writer);
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_LT(stopped.seconds, stopLimit());
  EXPECT_EQ(committedOnStopLine(stopped.out, "SIGTERM"), 0) << stopped.out;
  EXPECT_EQ(readFile(dir.file("err.txt")), "");

  // A command file that is a FIFO: the stop comes before any database work.
  stopped = [&] {
    BackgroundRun run(lodrunBinary(), {"-x", "pipe"}, dir.path(), dir.file("out.txt"),
                      dir.file("err.txt"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Stopped result;
    run.signal(SIGTERM);
    result.exitCode = run.wait(10);
    result.out = readFile(dir.file("out.txt"));
    return result;
  }();
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_EQ(committedOnStopLine(stopped.out, "SIGTERM"), 0) << stopped.out;
  EXPECT_TRUE(rows("select id from p").empty());
}

// An unload stops the same way, here while its output FIFO finds no reader.
TEST_F(LoadRun, Stop_UnloadStopsWhileItsOutputWaits) {
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  isql(db, "insert into p values (1, 'a');");
  writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA passwd=masterkey "
                                 "direction=o delimiter=, variables=2 file=pipe\n"
                                 "select id, name from p\n");
  const Stopped stopped = stopAfter(dir, 700, SIGTERM);
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_LT(stopped.seconds, stopLimit());
  EXPECT_EQ(stopped.out,
            "Lodrun stopped by SIGTERM: work since the last commit rolled back, 0 records "
            "committed\r\n");
}

// A blob field naming a FIFO or a device would wait for data forever: such
// names are refused without opening them for a blocking read.
TEST_F(LoadRun, Stop_BlobNamingAFifoOrDeviceIsRefusedNotWaitedFor) {
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  run(header("delimiter=, variables=2") +
      "insert into t (id, bt) values (?, ? {ascii_blob})\nSTARTDATA\n1,pipe\n2,/dev/zero\n");
  EXPECT_EQ(out, "Lodrun: not a regular file (using text as string): pipe\r\n"
                 "Lodrun: not a regular file (using text as string): /dev/zero\r\n"
                 " 2 input (or update) records (short: 0, skipped: 0)\r\n"
                 "\tBlobs loaded 2, no filename: 0, errors 2\r\n"
                 "\tprocessed from file run.cmd\r\n");
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(rows("select id, bt from t order by id"),
            (std::vector<std::string>{"1|pipe", "2|/dev/zero"}));
}

// Stop, resume, stop, resume: each stop names the skip counted from the
// file's first record, and following it loads every record exactly once.
// The third run reads a FIFO whose writer has gone quiet.
TEST_F(LoadRun, Stop_ResumeAfterEachStopLoadsEveryRecordOnce) {
  std::string data;
  for (int i = 1; i <= 300000; ++i) data += std::to_string(i) + ",n\n";
  writeFile(dir.file("data.csv"), data);
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  const auto commands = [&](int skip, const std::string &file, const std::string &mode) {
    writeFile(dir.file("out.txt"), "");  // no commit of the run before shows
    writeFile(dir.file("run.cmd"), header(mode + " variables=2 trans=10000 skip=" +
                                          std::to_string(skip) + " file=" + file) +
                                       "insert into p values (?, ?)\n");
  };
  const auto countRows = [&] {
    return std::atoi(rows("select count(*) from p").at(0).c_str());
  };

  int skip = 0;
  // Two stops while reading a regular file, the second in a resumed run:
  // right as a commit starts, and a little later, with records gathered in
  // a batch.
  for (int signal : {SIGTERM, SIGINT}) {
    commands(skip, "data.csv", "delimiter=,");
    BackgroundRun run(lodrunBinary(), {"-v", "-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                      dir.file("err.txt"));
    ASSERT_TRUE(waitForCommit(dir, 20000));
    if (signal == SIGINT) std::this_thread::sleep_for(std::chrono::milliseconds(150));
    run.signal(signal);
    ASSERT_EQ(run.wait(300), 1) << readFile(dir.file("err.txt"));
    const std::string out = readFile(dir.file("out.txt"));
    const int committed = committedOnStopLine(out, signal == SIGTERM ? "SIGTERM" : "SIGINT");
    ASSERT_GE(committed, 20000) << out;
    EXPECT_EQ(readFile(dir.file("err.txt")), resumeLine(committed, skip + committed));
    skip += committed;
    EXPECT_EQ(countRows(), skip);
  }

  // A FIFO that carries 25000 records past the skip and then nothing: the
  // run (CSV mode, whose reader is its own) takes them in and waits in its
  // read, the last of them gathered but not committed.
  commands(skip, "pipe", "csv");
  const int writer = open(dir.file("pipe").c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  {
    BackgroundRun run(lodrunBinary(), {"-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                      dir.file("err.txt"));
    size_t end = 0;
    for (int line = 0; line < skip + 25000; ++line) end = data.find('\n', end) + 1;
    for (size_t done = 0; done < end;) {
      const ssize_t n = write(writer, data.data() + done, end - done);
      ASSERT_GT(n, 0) << std::strerror(errno);
      done += static_cast<size_t>(n);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    run.signal(SIGTERM);
    ASSERT_EQ(run.wait(300), 1);
  }
  close(writer);
  const std::string out = readFile(dir.file("out.txt"));
  const int committed = committedOnStopLine(out, "SIGTERM");
  ASSERT_GE(committed, 0) << out;
  EXPECT_LE(committed, 20000);
  EXPECT_EQ(readFile(dir.file("err.txt")), resumeLine(committed, skip + committed));
  skip += committed;
  EXPECT_EQ(countRows(), skip);

  // The last run goes on to the end.
  commands(skip, "data.csv", "delimiter=,");
  const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, summary(300000 - skip, 0, 0, "data.csv"));
  EXPECT_EQ(rows("select count(*), count(distinct id), min(id), max(id) from p"),
            (std::vector<std::string>{"300000|300000|1|300000"}));
}
