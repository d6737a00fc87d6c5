// The run from the outside: switches, exit status, line ends, log files and
// the settings report after the switches.
#include <string>

#include "front_fixture.h"

namespace {

const char kNothingToDo[] = "Lodrun #: NO SQL string supplied, there is nothing to do\r\n";

}  // namespace

TEST_F(FrontRun, EmptyCommandStreamHasNothingToDo) {
  run({});
  EXPECT_EQ(out, std::string("Lodrun> ") + kNothingToDo + kAbort);
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, MissingSwitchArgumentEndsBeforeAnythingElse) {
  run({"-v", "-n"});
  EXPECT_EQ(out, lodrunBinary() + ": Attempt to use argument 3 - past end\r\n");
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, BadSwitchesAreReportedAndTheRunGoesOn) {
  run({"-j", "-lx", "-z", "3", "-b", "79", "-X", "missing.cmd"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-j> - ignored\r\n"
            "Lodrun #: cannot understand argument <-lx> - ignored\r\n"
            "Lodrun #: cannot understand argument <3> - ignored\r\n"
            "Lodrun #: ridiculous blob size (79) - ignored\r\n"
            "Lodrun #: could not open command file <missing.cmd>\r\n" +
                std::string(kAbort));
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, VerboseReportAfterSwitchesHidesThePassword) {
  run({"-v", "-d", "db.fdb", "-u", "bob", "-p", "secret", "-i", "data.txt", "-c", ",",
       "-y", "50", "-t", "UTF8", "-x", commands("select 1 from rdb$database\n")});
  EXPECT_EQ(out,
            " After parsing command line, variables:\r\n"
            "\tControl file is: run.cmd\r\n"
            "\tDbName: db.fdb\r\n"
            "\t Sql input variables 0, filler fields 0, Default date format 16\r\n"
            "\ttranslation character set: UTF8\r\n"
            "\t SQL user: bob/********, internal query type -1\r\n"
            "\tInput file data.txt\r\n"
            "\t maximum error count 1\r\n"
            "\t File format is data sensitive, load short (null field) records: no\r\n"
            "\tCentury split set to 50\r\n"
            "\tSeparator character: >,< (44)\r\n"
            "\t Excel format not set, terminator style: PC, don't quote strings, "
            "timestamp off\r\n"
            "\r\n"
            "SQL before parse: >select 1 from rdb$database<\r\n" +
                std::string(kLayoutStop) + kAbort);
  EXPECT_EQ(out.find("secret"), std::string::npos);
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, LineEndStyleEndsEveryLaterMessage) {
  run({"-j", "-l", "u", "-j"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-j> - ignored\r\n"
            "Lodrun #: switch not understood <-j> - ignored\n"
            "Lodrun> Lodrun #: NO SQL string supplied, there is nothing to do\n"
            "Lodrun aborting due to fatal error(s), current record count: 0\n");
  run({"-L", "M", "-j"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-j> - ignored\r"
            "Lodrun> Lodrun #: NO SQL string supplied, there is nothing to do\r"
            "Lodrun aborting due to fatal error(s), current record count: 0\r");
}

TEST_F(FrontRun, HelpOnStandardInputPrintsUsageAndQuitEndsInput) {
  run({}, "help\nQuit\nselect 1\n");
  const size_t end = out.find("\r\nLodrun> ") + 2;  // after the 28 usage lines
  const std::string usage = out.substr(8, end - 8);
  EXPECT_EQ(usage.substr(0, 44), "Lodrun Usage: Lodrun loads or unloads fixed-");
  EXPECT_NE(usage.find("\r\nLodrun \t-i input_file_name\t    OR   -o output_file_name\r\n"),
            std::string::npos);
  size_t lines = 0;
  for (size_t at = 0; at < usage.size(); at = usage.find("\r\n", at) + 2)
    lines += usage.compare(at, 7, "Lodrun ") == 0;
  EXPECT_EQ(lines, 28u);
  EXPECT_EQ(out.substr(end), "Lodrun> " + std::string(kNothingToDo) + kAbort);
  run({}, "options verbose\nselect 1\nEXITNOW\nselect 2\n");
  EXPECT_EQ(out, "Lodrun> Lodrun> Lodrun> SQL before parse: >select 1<\r\n" +
                     std::string(kLayoutStop) + kAbort);
}

TEST_F(FrontRun, LogFileTakesMessagesAfterItsEarlierText) {
  writeFile(dir.file("run.log"), "earlier run\n");
  run({"-s", "no/such/dir/run.log", "-s", "run.log"});
  EXPECT_EQ(out, " could not open logfile - no/such/dir/run.log, ignored\r\n");
  EXPECT_EQ(withoutLineNumbers(readFile(dir.file("run.log"))),
            std::string("earlier run\nLodrun> ") + kNothingToDo + kAbort);
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, LogFileOptionMovesMessagesToTheLastLog) {
  run({"-x", commands("options logfile=a.log\noptions logfile=b.log\nselect 1\n")});
  EXPECT_EQ(out, "");
  EXPECT_EQ(readFile(dir.file("a.log")), " Warning: file  already set to a.log, setting again\r\n");
  EXPECT_EQ(withoutLineNumbers(readFile(dir.file("b.log"))),
            " reassigning logfile to b.log\r\n" + std::string(kLayoutStop) + kAbort);
}
