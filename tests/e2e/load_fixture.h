// load_fixture.h - loads with the built lodrun binary into a fresh embedded
// database per test, with the location prefixes' line numbers as '#'.
#ifndef LODRUN_TESTS_E2E_LOAD_FIXTURE_H
#define LODRUN_TESTS_E2E_LOAD_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport.h"

class LoadRun : public ::testing::Test {
 protected:
  // A table of every column type the loads convert, and a small one.
  static constexpr const char *kSchema =
      "create table t (id integer not null primary key, sm smallint, bi bigint, "
      "n92 numeric(9,2), dp double precision, fl float, c10 char(10), v20 varchar(20), "
      "d date, tm time, ts timestamp, bt blob sub_type text);"
      "create table p (id integer not null primary key, name varchar(10));";

  void SetUp() override { ASSERT_TRUE(createDatabase(db, kSchema)); }

  // The options line that names the database and the direction.
  std::string header(const std::string &options) const {
    return "options db=" + db + " user=SYSDBA passwd=masterkey direction=i " + options + "\n";
  }
  // Runs lodrun -x on `commands` in the temp directory.
  void run(const std::string &commands, const std::vector<std::string> &extraArgs = {},
           const std::vector<std::string> &env = {}) {
    writeFile(dir.file("run.cmd"), commands);
    std::vector<std::string> args = {"-x", "run.cmd"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const RunResult r = runLodrun(args, "", env, dir.path());
    out = withoutLineNumbers(r.out);
    err = r.err;
    exitCode = r.exitCode;
  }
  std::vector<std::string> rows(const std::string &select) const {
    return queryRows(db, select);
  }
  // The summary of a load that read `records` from `source`.
  static std::string summary(int records, int shortCount, int skipped,
                             const std::string &source = "run.cmd") {
    return " " + std::to_string(records) + " input (or update) records (short: " +
           std::to_string(shortCount) + ", skipped: " + std::to_string(skipped) +
           ")\r\n\tprocessed from file " + source + "\r\n";
  }
  // The fatal stop; after the session is open it also rolls back.
  static std::string aborted(int records, bool sessionOpen = true) {
    return "Lodrun aborting due to fatal error(s), current record count: " +
           std::to_string(records) + "\r\n" +
           (sessionOpen ? "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n" : "");
  }

  TempDir dir;
  const std::string db = dir.file("load.fdb");
  std::string out, err;
  int exitCode = -1;
};

#endif  // LODRUN_TESTS_E2E_LOAD_FIXTURE_H
