// What the user sees beside the messages: --help and --version, the missing
// essentials named on standard error, the database's own words for a fatal
// failure, and the progress line on a terminal or with the progress keyword.
// Standard output stays what it was.
#include <string>

#include "front_fixture.h"
#include "load_fixture.h"

namespace {

// Runs argv with standard error on a pseudo-terminal and standard output on
// a pipe; prints the pipe's bytes on standard output and the terminal's on
// standard error, and exits with the program's status.
const char kPtyRunner[] = R"(
import os, pty, subprocess, sys
master, slave = pty.openpty()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.PIPE, stderr=slave)
os.close(slave)
seen = b''
while True:
    try:
        chunk = os.read(master, 65536)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
out = child.stdout.read()
child.wait()
sys.stdout.buffer.write(out)
sys.stderr.buffer.write(seen)
sys.exit(child.returncode)
)";

// One progress text: counts, rate, elapsed and, for a file, percentage and
// time left; '#' stands for one or more digits.
const char kLoadProgress[] =
    "lodrun: 3 records, 1 rejected, #/s, 0:0# elapsed, 100% read, 0:00 left";

// Whether text matches pattern exactly, '#' in the pattern matching a run of
// one or more digits.
bool matches(const std::string &text, const std::string &pattern) {
  size_t t = 0;
  for (const char p : pattern) {
    if (p != '#') {
      if (t >= text.size() || text[t] != p) return false;
      ++t;
      continue;
    }
    const size_t start = t;
    while (t < text.size() && text[t] >= '0' && text[t] <= '9') ++t;
    if (t == start) return false;
  }
  return t == text.size();
}

}  // namespace

TEST_F(FrontRun, Hints_HelpAndVersionAnswerAndExitZero) {
  RunResult r = runLodrun({"--version"});
  EXPECT_EQ(r.out, "lodrun " LODRUN_VERSION "\n");
  EXPECT_EQ(r.exitCode, 0);
  r = runLodrun({"-v", "--help", "-x", "never-read.cmd"});
  EXPECT_EQ(r.out, std::string(kLayoutStop) +
                       "Lodrun  Options lines, keywords, field specifications and exit "
                       "statuses: see lodrun(1)\r\n");
  EXPECT_EQ(r.exitCode, 0);
  // Other words are reported and ignored as before.
  run({"--helps", "-x", commands("")});
  EXPECT_EQ(out.substr(0, 52), "Lodrun #: cannot understand argument <--helps> - ign");
}

TEST_F(FrontRun, Hints_EachMissingEssentialIsNamedBeforeTheUsageText) {
  const struct {
    std::string commands;
    std::string hints;
  } cases[] = {
      {"insert into p values (?)\n",
       "lodrun: no database: give db= or -d\n"
       "lodrun: no direction: give direction=i or direction=o, or -i FILE or -o FILE\n"
       "lodrun: no variables count: give variables= or -n\n"
       "lodrun: no data file: give file=, -i FILE or -o FILE, or the data after STARTDATA\n"},
      {"options db=x.fdb direction=o file=o.txt variables=2 excel\nselect a, b from p\n",
       "lodrun: excel needs delimited records: give delimiter= or -c\n"},
      {"options db=x.fdb direction=i file=i.txt delimiter=,\ninsert into p values (?)\n",
       "lodrun: no variables count: give variables= or -n\n"},
  };
  for (const auto &c : cases) {
    const RunResult r = runLodrun({"-x", commands(c.commands)}, "", {}, dir.path());
    EXPECT_EQ(r.err, c.hints) << c.commands;
    EXPECT_EQ(withoutLineNumbers(r.out), std::string(kLayoutStop) + kAbort) << c.commands;
    EXPECT_EQ(r.exitCode, 1);
  }
  // With a log file taking standard error over, the log keeps its old bytes.
  const RunResult r = runLodrun({"-s", "run.log", "-x", commands(cases[0].commands)}, "", {},
                                dir.path());
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(withoutLineNumbers(readFile(dir.file("run.log"))), std::string(kLayoutStop) + kAbort);
}

TEST_F(LoadRun, Hints_FatalClientFailureShowsTheDatabaseMessages) {
  run(header("delimiter=, variables=2") + "insert into peeple values (?, ?)\nSTARTDATA\n1,a\n");
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(out, "ISC error code: 335544569\r\nSQLCODE: -204 doing prepare query from Lodrun\r\n"
                 "\t- Undefined name\r\nGot dblib error 20006 while doing preparing query: SQL "
                 "error was found + reported to logfile\r\n" + aborted(0));
  EXPECT_EQ(err, "lodrun: Dynamic SQL Error\nlodrun: SQL error code = -204\n"
                 "lodrun: Table unknown\nlodrun: PEEPLE\nlodrun: At line 1, column 13\n");
  // A refused attach: the missing file is named.
  const std::string missing = dir.file("nowhere.fdb");
  run("options db=" + missing + " user=SYSDBA passwd=masterkey direction=i delimiter=, "
      "variables=2\ninsert into p values (?, ?)\nSTARTDATA\n1,a\n");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(err.find(missing), std::string::npos) << err;
}

TEST_F(LoadRun, Hints_ProgressOnATerminalOrWithTheKeywordNeverOnStandardOutput) {
  writeFile(dir.file("data.csv"), "1,a\nx,b\n3,c\n");
  const std::string commands =
      header("delimiter=, variables=2 errors=5 discards=bad.csv file=data.csv") +
      "insert into p values (?, ?)\n";
  run(commands);
  const std::string plainOut = out;
  EXPECT_EQ(err, "");

  isql(db, "delete from p; commit;");
  writeFile(dir.file("run.cmd"), commands);
  RunResult r = runProgram("/usr/bin/python3", {"-c", kPtyRunner, lodrunBinary(), "-x", "run.cmd"}, "",
                           {}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(withoutLineNumbers(r.out), plainOut);
  // The terminal shows the rewritten line, and the last one stays.
  const std::string lastLine = std::string("\r") + kLoadProgress + "\x1b[K\r\n";
  const size_t last = r.err.rfind('\r', r.err.size() - 3);
  ASSERT_NE(last, std::string::npos) << r.err;
  EXPECT_TRUE(matches(r.err.substr(last), lastLine)) << r.err;

  // The keyword writes whole lines to a pipe; a log file's bytes stay.
  isql(db, "delete from p; commit;");
  run(header("delimiter=, variables=2 errors=5 discards=bad.csv file=data.csv progress") +
      "insert into p values (?, ?)\n");
  EXPECT_EQ(out, plainOut);
  EXPECT_TRUE(matches(err, std::string(kLoadProgress) + "\n")) << err;
}

TEST_F(LoadRun, Hints_UnloadProgressCountsRowsWithoutPercentage) {
  isql(db, "insert into p values (1, 'a'); insert into p values (2, 'b'); commit;");
  run("options db=" + db + " user=SYSDBA passwd=masterkey direction=o file=out.txt "
      "delimiter=, variables=2 progress=2\nselect id, name from p\n");
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(out, " 2 records selected into file out.txt\r\n");
  EXPECT_TRUE(matches(err, "lodrun: 2 rows, 0 rejected, #/s, 0:0# elapsed\n")) << err;
}

TEST_F(LoadRun, Hints_WithoutTheNewKeywordsStatusesStayAndStandardErrorStaysQuiet) {
  isql(db, "insert into p values (100, 'old'); commit;");
  const std::string load = "insert into p values (?, ?)\nSTARTDATA\n";
  const struct {
    std::string commands, out;
    int exitCode;
  } cases[] = {
      {header("delimiter=, variables=2") + load + "1,a\n2,b\n", summary(2, 0, 0), 0},
      {header("delimiter=, variables=2 errors=5 discards=bad.csv") + load + "1,a\nx,b\n3,c\n",
       "Got dblib error 20030 while doing data sensitive Putfield with SQL field 1: Number "
       "Conversion Error\r\n" + summary(3, 0, 1), 0},
      {header("delimiter=, variables=2 short_ok") + load + "1,a\n2\n", summary(2, 1, 0), 0},
      {header("delimiter=, variables=2") + load + "x,a\n",
       "Got dblib error 20030 while doing data sensitive Putfield with SQL field 1: Number "
       "Conversion Error\r\nx,a\r\n" + aborted(1), 1},
      {"options db=" + db + " user=SYSDBA passwd=masterkey direction=o file=out.txt "
       "delimiter=, variables=2\nselect id, name from p\n",
       " 1 records selected into file out.txt\r\n", 0},
  };
  for (const auto &c : cases) {
    isql(db, "delete from p where id < 100; commit;");
    run(c.commands);
    EXPECT_EQ(out, c.out) << c.commands;
    EXPECT_EQ(exitCode, c.exitCode) << c.commands;
    EXPECT_EQ(err, "") << c.commands;
  }
  // A fatal database failure with a log file: the log holds what it held.
  run(header("delimiter=, variables=2 logfile=run.log") + "insert into peeple values (?, ?)\n");
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(err, "");
  EXPECT_EQ(readFile(dir.file("run.log")).find("lodrun:"), std::string::npos);
}
