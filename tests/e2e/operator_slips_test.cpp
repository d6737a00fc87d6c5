// Operator slips and hostile inputs: an output naming an input, standard
// output that cannot be written, passwords left in memory, blob names that
// leave their folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "load_fixture.h"
#include "testsupport.h"

namespace {

class Slips : public LoadRun {};

}  // namespace

TEST_F(Slips, AnOutputNamingAnInputOrAnotherOutputStopsTheRunBeforeWriting) {
  const std::string data = "1,a\n2,b\n";
  const struct {
    std::string options;            // added to the options line
    std::vector<std::string> args;  // added to the command line
    std::string message;
  } cases[] = {
      {"reasons=in.csv", {}, "reasons file <in.csv> (reasons=) is also the data file (file=)"},
      {"discards=in.csv", {}, "discards file <in.csv> (discards=) is also the data file (file=)"},
      {"logfile=in.csv", {}, "log file <in.csv> (logfile=) is also the data file (file=)"},
      {"", {"-s", "in.csv"}, "log file <in.csv> (-s) is also the data file (file=)"},
      {"discards=run.cmd", {}, "discards file <run.cmd> (discards=) is also the command file (-x)"},
      {"reasons=./run.cmd", {}, "reasons file <./run.cmd> (reasons=) is also the command file (-x)"},
      {"logfile=run.cmd", {}, "log file <run.cmd> (logfile=) is also the command file (-x)"},
      {"", {"-s", "run.cmd"}, "log file <run.cmd> (-s) is also the command file (-x)"},
      {"discards=" + db, {}, "discards file <" + db + "> (discards=) is also the database file (db=)"},
      {"reasons=load.fdb", {}, "reasons file <load.fdb> (reasons=) is also the database file (db=)"},
      {"logfile=load.fdb", {}, "log file <load.fdb> (logfile=) is also the database file (db=)"},
      {"discards=out.txt reasons=out.txt", {},
       "reasons file <out.txt> (reasons=) is also the discards file (discards=)"},
      {"discards=out.txt", {"-s", "out.txt"},
       "discards file <out.txt> (discards=) is also the log file (-s)"},
  };
  for (const auto &row : cases) {
    writeFile(dir.file("in.csv"), data);
    writeFile(dir.file("out.txt"), "kept\n");
    const std::string commands = header("delimiter=, variables=2 file=in.csv " + row.options) +
                                 "insert into p (id, name) values (?, ?)\n";
    const std::string before = readFile(db);
    run(commands, row.args);
    EXPECT_EQ(out, "Lodrun #: " + row.message + "\r\n" + aborted(0, false)) << row.options;
    EXPECT_EQ(exitCode, 1) << row.options;
    EXPECT_EQ(readFile(dir.file("in.csv")), data) << row.options;
    EXPECT_EQ(readFile(dir.file("run.cmd")), commands) << row.options;
    EXPECT_EQ(readFile(dir.file("out.txt")), "kept\n") << row.options;
    EXPECT_TRUE(readFile(db) == before) << row.options;
  }
  EXPECT_EQ(rows("select count(*) from p"), std::vector<std::string>{"0"});
}
