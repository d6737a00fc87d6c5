// file=-: an unload writes its records to standard output and every message
// to standard error; a load reads standard input. A load from a pipe or FIFO
// executes the records that have arrived before it waits for more.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "background.h"
#include "unload_fixture.h"

namespace {

std::string options(const std::string &db, const std::string &rest) {
  return "options db=" + db + " user=SYSDBA passwd=masterkey " + rest + "\n";
}

}  // namespace

// The records on standard output are byte for byte those of a file; the
// summary and a verbose run's dumps are on standard error. Loaded back from
// standard input, they give an equal table; standard input cannot carry
// both the commands and the records; a reader that goes away cuts the
// output with a message and status 1.
TEST_F(UnloadRun, StandardStreams_UnloadToDashAndLoadFromStandardInput) {
  const std::string columns = "id, c4, v, n, i, s, b, f, d, dt, tm, ts, bt";
  const std::string select = "select " + columns + " from t\n";
  run(options(db, "direction=o csv variables=13 file=file.txt") + select);
  ASSERT_EQ(exitCode, 0) << out;
  writeFile(dir.file("run.cmd"), options(db, "direction=o csv variables=13 file=-") + select);
  const RunResult unloaded = runLodrun({"-v", "-x", "run.cmd"}, "", {}, dir.path());
  EXPECT_EQ(unloaded.exitCode, 0);
  EXPECT_EQ(unloaded.out, output("file.txt"));
  EXPECT_NE(unloaded.err.find("Control file is: run.cmd"), std::string::npos) << unloaded.err;
  EXPECT_EQ(unloaded.err.substr(unloaded.err.size() - 33), " 3 records selected into file -\r\n");

  const std::string load = options(db, "direction=i csv variables=13 file=-") + "insert into t2 (" +
                           columns + ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)\n";
  writeFile(dir.file("load.cmd"), load);
  const RunResult loaded = runLodrun({"-x", "load.cmd"}, unloaded.out, {}, dir.path());
  EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, "");
  EXPECT_EQ(loaded.err,
            " 3 input (or update) records (short: 0, skipped: 0)\r\n"
            "\tBlobs loaded 1, no filename: 0, errors 0\r\n\tprocessed from file -\r\n");
  EXPECT_EQ(queryRows(db, "select " + columns + " from t2 order by id"),
            queryRows(db, "select " + columns + " from t order by id"));

  const RunResult refused = runLodrun({}, load, {}, dir.path());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(withoutLineNumbers(refused.err)
                .find("file=- reads the records from standard input, which holds the commands"),
            std::string::npos)
      << refused.err;

  writeFile(dir.file("many.cmd"),
            options(db, "direction=o delimiter=, variables=2 file=-") +
                "select a.rdb$type, a.rdb$type_name from rdb$types a, rdb$types b\n");
  const RunResult cut = runProgram(
      "/bin/bash",
      {"-c", "'" + lodrunBinary() + "' -x many.cmd | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}"},
      "", {}, dir.path());
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.err.find("Unexpected system error writing output: Broken pipe"),
            std::string::npos)
      << cut.err;
}

// 50 000 records written into a FIFO whose writer stays: every one of them
// is read and executed without more input. The last repeats the first key,
// so the run ends by itself (status 1) only once its batch has executed.
TEST_F(UnloadRun, StandardStreams_RecordsFromAPausedFifoAreExecuted) {
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  std::string data;
  for (int i = 1; i <= 50000; ++i) data += std::to_string(i) + "\n";
  data += "1\n";
  for (const char *format : {"delimiter=,", "csv"}) {
    isql(db, "delete from t2;");
    writeFile(dir.file("run.cmd"), options(db, std::string("direction=i variables=1 file=pipe ") +
                                                   format) +
                                       "insert into t2 (id) values (?)\n");
    const int writer = open(dir.file("pipe").c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    BackgroundRun run(lodrunBinary(), {"-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                      dir.file("err.txt"));
    // Never blocked: a run that ends early leaves the FIFO full.
    fcntl(writer, F_SETFL, O_NONBLOCK);
    const double giveUp = secondsNow() + 20;
    int status = -1;
    for (size_t done = 0; done < data.size() && secondsNow() < giveUp;) {
      const ssize_t n = write(writer, data.data() + done, data.size() - done);
      if (n > 0) done += static_cast<size_t>(n);
      else if ((status = run.wait(0.05)) >= 0) break;
    }
    if (status < 0) status = run.wait(giveUp - secondsNow());
    close(writer);
    const std::string out = readFile(dir.file("out.txt"));
    EXPECT_EQ(status, 1) << format << out;
    EXPECT_NE(out.find("current record count: 50001"), std::string::npos) << out;
    EXPECT_EQ(queryRows(db, "select count(*) from t2"), (std::vector<std::string>{"50000"}));
  }
}
