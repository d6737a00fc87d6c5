// SQL completion and its numbering, and the byte-order-mark skip.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "driver/commandfile.h"
#include "job/textfile.h"
#include "job_fixture.h"

namespace {

using Fields = std::vector<std::pair<int, int>>;  // (sqlField, position)

class Completion : public JobTest {
 protected:
  // Completes `sql` with `variables` SQL variables; returns what was printed.
  std::string complete(const std::string &sql, short variables = 5) {
    SetUp();
    std::snprintf(job.sqlText, kBufferSize, "%s", sql.c_str());
    job.sqlVariableCount = variables;
    return printed([this] { result = completeSql(); });
  }
  static Fields fields() {
    Fields used;
    for (int i = 0; i < job.fieldCount; ++i)
      if (job.fieldTable[i].sqlField != 0)
        used.emplace_back(job.fieldTable[i].sqlField, job.fieldTable[i].position);
    return used;
  }
  int result = -1;
};

}  // namespace

TEST_F(Completion, AnnotationsAreCutAndNumberedByTheVariableTheyFollow) {
  const struct {
    const char *sql, *completed;
    Fields fields;
  } rows[] = {
      {"insert into t (a {position=1 size=3}, b {position=4 size=2}) values (?, ?)",
       "insert into t (a, b) values (?, ?)", {{1, 1}, {2, 4}}},
      {"UPDATE OR INSERT into t (a, b) values (?, substring(? from 1) {position=5})",
       "UPDATE OR INSERT into t (a, b) values (?, substring(? from 1))", {{2, 5}}},
      {"update t set a = ? {position=1}, b = ? {position=2} where k = ? {position=3}",
       "update t set a = ?, b = ? where k = ?", {{1, 1}, {2, 2}, {3, 3}}},
      {"update t set a = coalesce(?, 0) {position=1}, b = ? {position=2}",
       "update t set a = coalesce(?, 0), b = ?", {{1, 1}, {2, 2}}},
      {"select a{}, '{x}', b {position=3} from t", "select a, '{x}', b from t", {{3, 3}}},
      {"select a, b {position=2 from t", "select a, b", {}},  // unclosed: the rest goes
  };
  for (const auto &row : rows) {
    EXPECT_EQ(complete(row.sql), "") << row.sql;
    EXPECT_EQ(result, 0) << row.sql;
    EXPECT_STREQ(job.sqlText, row.completed) << row.sql;
    EXPECT_EQ(fields(), row.fields) << row.sql;
  }
}

TEST_F(Completion, ErrorsStopTheWalkAtTheFailingAnnotation) {
  EXPECT_EQ(complete("select a {size=1} from t", 0),
            "Lodrun #: number of sql variables must be known by now, giving up\n");
  EXPECT_NE(result, 0);
  EXPECT_EQ(complete("select a {size=1} from t", -1),  // "?": the table has no room
            "Lodrun #: no more field positions available for 1\n");
  EXPECT_NE(result, 0);
  EXPECT_EQ(complete("select a {size=0}, b {size=2} from t"),
            "Lodrun #: size invalid: 0\n\tfield: 1, STRING: size=0\n");
  EXPECT_NE(result, 0);
  EXPECT_STREQ(job.sqlText, "select a");
  EXPECT_EQ(fields(), Fields{});
}

TEST_F(Completion, BraceTextOfNearlyTheWholeBufferIsHandedOver) {
  EXPECT_EQ(complete("select a {size=2" + std::string(kBufferSize - 30, ' ') + "} from t"), "");
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(job.sqlText, "select a from t");
  EXPECT_EQ(job.fieldTable[0].size, 2);
}

using CommandFile = JobTest;

TEST_F(CommandFile, ByteOrderMarkIsSkippedAndOtherwiseNothingIsLost) {
  TempDir dir;
  const std::string path = dir.file("bom.txt");
  for (const std::string content : {"\xEF\xBB\xBFoptions", "\xEF\xBB", "\xEF\xBBX"}) {
    writeFile(path, content);
    setLine("record in progress");
    FILE *in = skipByteOrderMark(std::fopen(path.c_str(), "r"), path.c_str(), "r");
    char rest[16] = {};
    const size_t got = std::fread(rest, 1, sizeof rest - 1, in);
    EXPECT_EQ(std::string(rest, got), content.rfind("\xEF\xBB\xBF", 0) == 0 ? "options" : content);
    EXPECT_STREQ(job.inputBuffer, "record in progress");  // callers may be mid-record
    std::fclose(in);
  }
}
