// The test helpers themselves: a fresh embedded database and the row reader
// that the other layers check table contents with.
#include <gtest/gtest.h>

#include "testsupport.h"

TEST(TestSupport, CreatesDatabaseAndReadsRowsBack) {
  TempDir dir;
  const std::string db = dir.file("support.fdb");
  ASSERT_TRUE(createDatabase(db,
      "create table t (i integer, c char(4), v varchar(10), n numeric(9,2), "
      "d date, b blob sub_type text);"
      "insert into t values (1, 'ab', 'x y', 12.50, '2009-01-12', 'blob text');"
      "insert into t values (null, null, null, null, null, null);"));
  auto rows = queryRows(db, "select i, c, v, n, d, b from t order by i nulls last");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], "1|ab  |x y|12.50|2009-01-12|blob text");
  EXPECT_EQ(rows[1], "<null>|<null>|<null>|<null>|<null>|<null>");
  // Databases of one schema are copies of one template, each on its own.
  const std::string other = dir.file("other.fdb");
  ASSERT_TRUE(createDatabase(other,
      "create table t (i integer, c char(4), v varchar(10), n numeric(9,2), "
      "d date, b blob sub_type text);"
      "insert into t values (1, 'ab', 'x y', 12.50, '2009-01-12', 'blob text');"
      "insert into t values (null, null, null, null, null, null);"));
  isql(db, "delete from t;");
  EXPECT_EQ(queryRows(db, "select count(*) from t"), std::vector<std::string>{"0"});
  EXPECT_EQ(queryRows(other, "select count(*) from t"), std::vector<std::string>{"2"});
}

TEST(TestSupport, RunsProgramsWithInputAndExitStatus) {
  RunResult r = runProgram("/bin/sh", {"-c", "cat; echo err >&2; exit 3"}, "hello\n");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "hello\n");
  EXPECT_EQ(r.err, "err\n");
  EXPECT_EQ(withoutLineNumbers("Lodrun 123: x\r\nextras 9: y"), "Lodrun #: x\r\nextras #: y");
}
