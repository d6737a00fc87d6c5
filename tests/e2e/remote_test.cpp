// A database reached as host:/path goes through a real Firebird server: the
// same load and unload as on an embedded file, with the credentials taken
// from the environment as scripts would give them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "testsupport.h"

namespace {

// The SYSDBA password the server package wrote at installation.
std::string serverPassword() {
  std::ifstream in("/etc/firebird/3.0/SYSDBA.password");
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "ISC_PASSWORD=";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return "";
}

class RemoteRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const RunResult started =
        runProgram("/bin/bash", {std::string(LODRUN_SOURCE_DIR) + "/scripts/start-server.sh"});
    password_ = serverPassword();
    if (started.exitCode != 0 || password_.empty()) {
      if (ciRun()) FAIL() << "CI=true but no local Firebird server: " << started.err;
      GTEST_SKIP() << "no local Firebird server: " << started.err;
    }
    // The server runs as its own user: it must reach the directory.
    ::chmod(dir_.path().c_str(), 0777);
    db_ = "localhost:" + dir_.file("remote.fdb");
    const std::string create = "CREATE DATABASE '" + db_ + "' USER 'SYSDBA' PASSWORD '" +
                               password_ + "';\n"
                               "create table people (id integer not null primary key,"
                               " name varchar(20), born date, how varchar(5));\n"
                               // Whether the running statement holds a 128th record.
                               "set term ^ ;\ncreate trigger people_how for people before"
                               " insert as begin new.how = (select first 1"
                               " iif(position('N > 127' in s.mon$sql_text) > 0, 'B128', 'other')"
                               " from mon$statements s where s.mon$attachment_id ="
                               " current_connection and s.mon$state = 1); end^\n"
                               "set term ; ^\ncommit;\n";
    const RunResult made = runProgram("/usr/bin/isql-fb", {"-q", "-b"}, create);
    if (made.exitCode != 0) {
      if (ciRun())
        FAIL() << "CI=true but the server refused the database: " << made.out << made.err;
      GTEST_SKIP() << "server refused the database: " << made.out << made.err;
    }
  }

  RunResult lodrun(const std::string &commands) {
    writeFile(dir_.file("run.cmd"), commands);
    return runLodrun({"-x", "run.cmd"}, "",
                     {"ISC_USER=SYSDBA", "ISC_PASSWORD=" + password_}, dir_.path());
  }

  TempDir dir_;
  std::string db_;
  std::string password_;
};

TEST_F(RemoteRun, LoadAndUnloadThroughTheServerWithEnvironmentCredentials) {
  writeFile(dir_.file("in.csv"), "1,Ada,10/12/1815\n2,Alan,23/06/1912\n");
  RunResult r = lodrun("options db=" + db_ + " direction=i file=in.csv delimiter=, variables=3\n"
                       "insert into people (id, name, born) values (?, ?, ?)\n");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, " 2 input (or update) records (short: 0, skipped: 0)\r\n"
                   "\tprocessed from file in.csv\r\n");

  r = lodrun("options db=" + db_ + " direction=o file=out.csv delimiter=, variables=3"
             " lineend=u\nselect id, name, born from people order by id\n");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, " 2 records selected into file out.csv\n");
  EXPECT_EQ(readFile(dir_.file("out.csv")), "1,Ada,10/12/1815\n2,Alan,23/06/1912\n");
}

// Through the server the records travel in blocks, of 128 records by
// default; a duplicate key in the middle of one is reported as when each
// record travels alone.
TEST_F(RemoteRun, BatchedLoadMatchesRecordByRecordThroughTheServer) {
  std::string data;
  // Record 112 repeats the key of record 1.
  for (int i = 1; i <= 120; ++i)
    data += std::to_string(i % 111 + 1) + ",n" + std::to_string(i) + ",01/02/2000\n";
  writeFile(dir_.file("in.csv"), data);
  std::string outputs[2];
  std::string tables[2];
  const char *const batches[2] = {"batch=1", ""};
  for (int b = 0; b < 2; ++b) {
    const RunResult cleared = runProgram(
        "/usr/bin/isql-fb", {"-q", "-user", "SYSDBA", "-password", password_, db_},
        "delete from people; commit;");
    ASSERT_EQ(cleared.exitCode, 0) << cleared.out << cleared.err;
    const RunResult r = lodrun("options db=" + db_ + " direction=i file=in.csv delimiter=,"
                               " variables=3 trans=100 " + batches[b] + "\n"
                               "insert into people (id, name, born) values (?, ?, ?)\n");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    outputs[b] = withoutLineNumbers(r.out);
    const RunResult rows = runProgram(
        "/usr/bin/isql-fb", {"-q", "-user", "SYSDBA", "-password", password_, db_},
        "select count(*), max(id), list(distinct how) from people;");
    tables[b] = rows.out;
  }
  ASSERT_NE(tables[0].find("other"), std::string::npos) << tables[0];
  ASSERT_NE(tables[1].find("B128"), std::string::npos) << tables[1];
  tables[0].resize(tables[0].find("other"));
  tables[1].resize(tables[1].find("B128"));
  EXPECT_EQ(outputs[1], outputs[0]);
  EXPECT_NE(outputs[1].find("current record count: 112\r\n"), std::string::npos) << outputs[1];
  EXPECT_EQ(tables[1], tables[0]);
  EXPECT_NE(tables[1].find("100"), std::string::npos) << tables[1];
}

}  // namespace
