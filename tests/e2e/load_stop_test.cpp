// SIGTERM and SIGINT end a run within a second wherever it waits: in the
// middle of a long load, in the open of a FIFO without a writer, in a read
// that gets no data. The run rolls back to its last restart, says how many
// records are committed, and exits with status 1.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

  // A writer that sends nothing: the first read blocks.
  const int writer = open(dir.file("pipe").c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  stopped = stopAfter(dir, 700, SIGTERM);
  close(writer);
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_LT(stopped.seconds, stopLimit());
  EXPECT_EQ(committedOnStopLine(stopped.out, "SIGTERM"), 0) << stopped.out;

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
