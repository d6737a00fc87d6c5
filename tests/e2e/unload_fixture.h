// unload_fixture.h - unloads with the built lodrun binary from a fresh
// embedded database holding every column type, in a temp directory.
#ifndef LODRUN_TESTS_E2E_UNLOAD_FIXTURE_H
#define LODRUN_TESTS_E2E_UNLOAD_FIXTURE_H

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "testsupport.h"

// Row 1 holds values of every type, row 2 negatives, line breaks and a
// binary blob, row 3 an empty text and NULLs. t2 is an empty copy of t.
inline const char kUnloadSchema[] =
    "create table t (id integer not null primary key, c4 char(4), v varchar(20),"
    " n numeric(9,2), i integer, s smallint, b bigint, f float, d double precision,"
    " dt date, tm time, ts timestamp, bt blob sub_type text, bb blob);"
    "create table t2 (id integer not null primary key, c4 char(4), v varchar(20),"
    " n numeric(9,2), i integer, s smallint, b bigint, f float, d double precision,"
    " dt date, tm time, ts timestamp, bt blob sub_type text, bb blob);"
    "insert into t values (1, 'ab', 'x,y', 12.50, null, 7, 9000000000, 1.5, 2.25,"
    " '2009-01-12', '14:05:09', '2009-01-12 14:05:09', 'some text', x'41FF42');"
    "insert into t values (2, null, 'a' || ascii_char(13) || ascii_char(10) || 'b',"
    " -3.25, -42, -1, -9, -0.5, 1e10, '2008-03-01', '00:00:01',"
    " '2008-12-31 23:59:59', null, null);"
    "insert into t (id, c4) values (3, '');";

class UnloadRun : public ::testing::Test {
 protected:
  void SetUp() override {
    db = dir.file("unload.fdb");
    ASSERT_TRUE(createDatabase(db, kUnloadSchema));
  }
  // Runs lodrun -x on `commands` preceded by an options line naming the
  // database, the output file out.txt and `options`.
  void unload(const std::string &options, const std::string &select) {
    run("options db=" + db + " user=SYSDBA passwd=masterkey direction=o file=out.txt " +
        options + "\n" + select + "\n");
  }
  void run(const std::string &commands) {
    writeFile(dir.file("run.cmd"), commands);
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    out = withoutLineNumbers(r.out);
    exitCode = r.exitCode;
  }
  std::string output(const char *name = "out.txt") { return readFile(dir.file(name)); }

  TempDir dir;
  std::string db;
  std::string out;
  int exitCode = -1;
};

// The summary of an unload into out.txt.
inline std::string selected(int rows) {
  return " " + std::to_string(rows) + " records selected into file out.txt\r\n";
}
// The end of a run stopped with its transaction open.
inline std::string aborted(int rows) {
  return "Lodrun aborting due to fatal error(s), current record count: " +
         std::to_string(rows) +
         "\r\nPanicExitDb called - transaction(s) rolled back; db(s) closed\r\n";
}

// The run's day as "%Y/%m/%d": the value of generated dates.
inline std::string runDate() {
  const std::time_t now = std::time(nullptr);
  struct tm local;
  char text[16];
  std::strftime(text, sizeof text, "%Y/%m/%d", localtime_r(&now, &local));
  return text;
}

#endif  // LODRUN_TESTS_E2E_UNLOAD_FIXTURE_H
