// The run from the outside: switches, exit status, line ends, log files and
// the settings report after the switches.
#include <string>

#include "front_fixture.h"

namespace {

const char kUsage[] =
    "Lodrun Usage: Lodrun loads or unloads fixed-size or delimited file\r\n"
    "Lodrun \t-a <nothing> => Ascii blob segments, LINE oriented (NL,NL/CR,CR; see -l param)\r\n"
    "Lodrun \t-b blob_seg_sz max size of an output blob segment (default 80)\r\n"
    "Lodrun \t-c character_separator (use xNN notation for special chars; e.g. x08 for tab)\r\n"
    "Lodrun \t-d dbName\r\n"
    "Lodrun \t-e <nothing> => I/O file in EXCEL format (ignore first line in or gen. names out)\r\n"
    "Lodrun \t-f external_date_format  (default FmtMDYdate, see dbfuncs for more)\r\n"
    "Lodrun \t-h use hyphen instead of slash for output dates\r\n"
    "Lodrun \t-i input_file_name\t    OR   -o output_file_name\r\n"
    "Lodrun \t-l m/p/u - one char to specify line ending type (Mac, Pc, Unix; default U\r\n"
    "Lodrun \t-m comma separates fractions (yuck!)\r\n"
    "Lodrun \t-n number_of_variables in/out (may be '?' - but escape it so cmd parser ignores)\r\n"
    "Lodrun \t-p password for DB - optional for Unix/Linux (environment variables OK)\r\n"
    "Lodrun \t-q <nothing> => quote strings using double quotes - (use if -c option only)\r\n"
    "Lodrun \t-r overRide blob style (1 - force segmented (default), 2 force stream style)\r\n"
    "Lodrun \t-t character_string from translation character set (must be known to DB)\r\n"
    "Lodrun \t-u username for DB - optional for Unix/Linux (environment variables OK)\r\n"
    "Lodrun \t-v 0/1/2/3 - verbose (0 silent, 1 errors only (default), 2 warnings, 3 prattle)\r\n"
    "Lodrun \t-x filename for control file (if not stdin for commands)\r\n"
    "Lodrun \t-y NN (treat 2 digit dates after this number as prior century)\r\n"
    "Lodrun \t-z load short data records (if too few fields, treat trailing as null)\r\n"
    "Lodrun  All above switches are accepted in upper or lower case (MS compatible)\r\n"
    "Lodrun  Blobs are supported for input files - where the in-field is the blob file name\r\n"
    "Lodrun      or if the file is not found - the actual text will be loaded into the blog\r\n"
    "Lodrun   N.B. You may only specify one blob_seg_sz or date format here, so all blobs must\r\n"
    "Lodrun    use the same blob-parameters and all dates must use the same style format too\r\n"
    "Lodrun   Do NOT try to load two or more blobs (or dates) of different types in one load.\r\n"
    "Lodrun   But you may use the command file interface (allows features at the field level).\r\n";

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
  run({"-k", "-lx", "-v", "3", "-b", "79", "-x", "missing.cmd"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-k> - ignored\r\n"
            "Lodrun #: cannot understand argument <-lx> - ignored\r\n"
            "Lodrun #: cannot understand argument <3> - ignored\r\n"
            "Lodrun #: ridiculous blob size (79) - ignored\r\n"
            " After parsing command line, variables:\r\n"
            "\tControl file is: missing.cmd\r\n"
            "\tDbName: (null)\r\n"
            "\t Sql (null) variables 0, filler fields 0, Default date format 16\r\n"
            "\t SQL user: (null)/(null), internal query type -1\r\n"
            "DIRECTION of data still unknown\r\n"
            "\t Excel format not set, terminator style: PC, don't quote strings, "
            "timestamp off\r\n"
            "\r\n"
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
  run({"-k", "-l", "u", "-k"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-k> - ignored\r\n"
            "Lodrun #: switch not understood <-k> - ignored\n"
            "Lodrun> Lodrun #: NO SQL string supplied, there is nothing to do\n"
            "Lodrun aborting due to fatal error(s), current record count: 0\n");
  run({"-L", "M", "-k"});
  EXPECT_EQ(out,
            "Lodrun #: switch not understood <-k> - ignored\r"
            "Lodrun> Lodrun #: NO SQL string supplied, there is nothing to do\r"
            "Lodrun aborting due to fatal error(s), current record count: 0\r");
}

TEST_F(FrontRun, HelpOnStandardInputPrintsUsageAndQuitEndsInput) {
  run({}, "help\nQuit\nselect 1\n");
  EXPECT_EQ(out, std::string("Lodrun> ") + kUsage + "Lodrun> " + kNothingToDo + kAbort);
  run({}, "options verbose\nselect 1\nEXITNOW\nselect 2\n");
  EXPECT_EQ(out, "Lodrun> Lodrun> Lodrun> SQL before parse: >select 1<\r\n" +
                     std::string(kLayoutStop) + kAbort);
}

TEST_F(FrontRun, LogFileTakesMessagesAfterItsEarlierText) {
  writeFile(dir.file("run.log"), "earlier run\n");
  run({"-s", "run.log"});
  EXPECT_EQ(out, "");
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

TEST_F(FrontRun, LogFileThatCannotBeOpenedLeavesMessagesOnStandardOutput) {
  run({"-s", "no/such/dir/run.log"});
  EXPECT_EQ(out, " could not open logfile - no/such/dir/run.log, ignored\r\nLodrun> " +
                     std::string(kNothingToDo) + kAbort);
}
