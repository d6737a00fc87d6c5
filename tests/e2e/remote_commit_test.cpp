// A server killed between commits: the commit that then fails may or may
// not have reached it, and lodrun must say so rather than claim a rollback.
// The server is a private one on a port of its own, so that killing it
// disturbs no other test.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "background.h"
#include "privateserver.h"
#include "testsupport.h"

namespace {

// Rows of p as the server sees them; -1 when it cannot tell.
int rowCount(const PrivateServer &server, const std::string &database) {
  const RunResult r = runProgram("/usr/bin/isql-fb",
                                 {"-q", "-u", "SYSDBA", "-p", server.password(), database},
                                 "set heading off;\nselect count(*) from p;\n");
  try {
    return std::stoi(r.out);
  } catch (...) {
    return -1;
  }
}

}  // namespace

TEST(RemoteCommit, ServerKilledBeforeTheFinalCommitMakesItsOutcomeUnknown) {
  PrivateServer server;
  if (!server.unavailable().empty()) {
    if (ciRun()) FAIL() << "CI=true but no private server: " << server.unavailable();
    GTEST_SKIP() << server.unavailable();
  }
  TempDir dir;
  chmod(dir.path().c_str(), 0777);
  const std::string database = server.databaseName(dir.file("r.fdb"));
  const RunResult made = runProgram(
      "/usr/bin/isql-fb", {"-q", "-b"},
      "create database '" + database + "' user 'SYSDBA' password '" + server.password() +
          "';\ncreate table p (id integer not null primary key, name varchar(10));\ncommit;\n");
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;

  writeFile(dir.file("secret"), server.password() + "\n");
  chmod(dir.file("secret").c_str(), 0600);
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  writeFile(dir.file("run.cmd"), "options db=" + database + " user=SYSDBA passwd_file=secret "
                                 "direction=i delimiter=, variables=2 trans=100 batch=1 file=pipe\n"
                                 "insert into p values (?, ?)\n");
  BackgroundRun load(lodrunBinary(), {"-x", "run.cmd"}, dir.path(), dir.file("out.txt"),
                     dir.file("err.txt"));
  // The load opens the FIFO once its session is set up.
  int writer = -1;
  for (int i = 0; i < 400 && writer < 0; ++i) {
    writer = open(dir.file("pipe").c_str(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ASSERT_GE(writer, 0) << readFile(dir.file("out.txt"));
  // The reader takes a FIFO in 64 KiB blocks: blank lines (passed over)
  // fill the first block up so that the records arrive before the end.
  std::string data;
  for (int i = 1; i <= 250; ++i) data += std::to_string(i) + ",n\n";
  data += std::string(70000, '\n');
  for (size_t sent = 0; sent < data.size();) {
    const ssize_t n = write(writer, data.data() + sent, data.size() - sent);
    if (n > 0)
      sent += static_cast<size_t>(n);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  // Records 1-200 are committed by the restarts; 201-250 wait for the end.
  int committed = -1;
  for (int i = 0; i < 200 && committed != 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    committed = rowCount(server, database);
  }
  ASSERT_EQ(committed, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  server.kill();
  close(writer);  // the end of the data: now the final commit

  EXPECT_EQ(load.wait(20), 1);
  const std::string out = readFile(dir.file("out.txt"));
  EXPECT_NE(out.find("Lodrun: the database connection was lost while committing records 201 to "
                     "250: the outcome of that commit is unknown (50 records); 200 records were "
                     "committed before it\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("rolled back"), std::string::npos) << out;
}
