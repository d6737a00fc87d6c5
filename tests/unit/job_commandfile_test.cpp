// Pieces of the command-file reader: SQL completion and its numbering, line
// reading, the byte-order mark and the case-blind comparison.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "job/commandfile.h"
#include "job_fixture.h"

namespace {

class Completion : public JobTest {
 protected:
  // Completes `sql` with `variables` SQL variables; returns what was printed.
  std::string complete(const std::string &sql, short variables = 5) {
    std::snprintf(job.sqlText, kBufferSize, "%s", sql.c_str());
    job.sqlVariableCount = variables;
    return printed([this] { result = completeSql(); });
  }
  // (sqlField, position) of every used entry, in table order.
  static std::vector<std::pair<int, int>> fields() {
    std::vector<std::pair<int, int>> used;
    for (int i = 0; i < job.fieldCount; ++i)
      if (job.fieldTable[i].sqlField != 0)
        used.emplace_back(job.fieldTable[i].sqlField, job.fieldTable[i].position);
    return used;
  }
  int result = -1;
};

using Fields = std::vector<std::pair<int, int>>;

}  // namespace

TEST_F(Completion, AnnotationsAreCutAndNumberedByTheVariableTheyFollow) {
  const struct {
    const char *sql, *completed;
    Fields fields;
  } rows[] = {
      {"insert into t (a {position=1 size=3}, b {position=4 size=2}) values (?, ?)",
       "insert into t (a, b) values (?, ?)", {{1, 1}, {2, 4}}},
      {"INSERT into t (a, b) values (?{position=7}, ? {position=9})",
       "INSERT into t (a, b) values (?, ?)", {{1, 7}, {2, 9}}},
      {"update or insert into t (a, b, c {position=3}) values (?, ?, ?) matching (a)",
       "update or insert into t (a, b, c) values (?, ?, ?) matching (a)", {{3, 3}}},
      {"update t set a = ? {position=1}, b = ? {position=2} where k = ? {position=3}",
       "update t set a = ?, b = ? where k = ?", {{1, 1}, {2, 2}, {3, 3}}},
      {"update t set a = coalesce(?, 0) {position=1}, b = ? {position=2}",
       "update t set a = coalesce(?, 0), b = ?", {{1, 1}, {2, 2}}},
      {"insert into t (a, b) values (?, substring(? from 1 for 2) {position=5})",
       "insert into t (a, b) values (?, substring(? from 1 for 2))", {{2, 5}}},
      {"select a{position=1}, b {position=2} from t", "select a, b from t",
       {{1, 1}, {2, 2}}},
      {"select a{}, b {position=2} from t", "select a, b from t", {{2, 2}}},
      {"select '{x}', a {position=2} from t", "select '{x}', a from t", {{2, 2}}},
      {"select a, b {position=2 from t", "select a, b", {}},
      {"select a {enum} , b from t", "select a , b from t", {{1, 0}}},
  };
  for (const auto &row : rows) {
    resetJobSettings();
    allocateJobBuffers();
    EXPECT_EQ(complete(row.sql), "") << row.sql;
    EXPECT_EQ(result, 0) << row.sql;
    EXPECT_STREQ(job.sqlText, row.completed) << row.sql;
    EXPECT_EQ(fields(), row.fields) << row.sql;
  }
}

TEST_F(Completion, TextWithoutBracesIsLeftAlone) {
  complete("select a from t", 0);
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(job.sqlText, "select a from t");
  EXPECT_EQ(job.fieldTable, nullptr);
}

TEST_F(Completion, BracesNeedAVariableCountWithRoom) {
  EXPECT_EQ(complete("select a {size=1} from t", 0),
            "Lodrun #: number of sql variables must be known by now, giving up\n");
  EXPECT_NE(result, 0);
  resetJobSettings();
  allocateJobBuffers();
  job.lineEnd = kLineEndUnix;
  EXPECT_EQ(complete("select a {size=1} from t", -1),
            "Lodrun #: no more field positions available for 1\n");
  EXPECT_NE(result, 0);
}

TEST_F(Completion, RejectedSpecificationStopsTheWalkThere) {
  EXPECT_EQ(complete("select a {size=0}, b {size=2} from t"),
            "Lodrun #: size invalid: 0\n\tfield: 1, STRING: size=0\n");
  EXPECT_NE(result, 0);
  EXPECT_STREQ(job.sqlText, "select a");
  EXPECT_EQ(fields(), Fields{});
}

TEST_F(Completion, BraceTextOfNearlyTheWholeBufferIsHandedOver) {
  const std::string spec = "size=2" + std::string(kBufferSize - 30, ' ');
  EXPECT_EQ(complete("select a {" + spec + "} from t"), "");
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(job.sqlText, "select a from t");
  EXPECT_EQ(job.fieldTable[0].size, 2);
}

namespace {

class LineReading : public JobTest {
 protected:
  FILE *openWith(const std::string &content) {
    path = dir.file("lines.txt");
    writeFile(path, content);
    return std::fopen(path.c_str(), "r");
  }
  TempDir dir;
  std::string path;
};

}  // namespace

TEST_F(LineReading, LinesLoseTheirEndsAndEmptyLinesAreSkipped) {
  FILE *in = openWith("first\r\n\r\n\n\rsecond\n \nlast");
  EXPECT_EQ(readLine(in), 5);
  EXPECT_STREQ(job.inputBuffer, "first");
  EXPECT_EQ(readLine(in), 7);  // a lone CR inside a line stays
  EXPECT_STREQ(job.inputBuffer, "\rsecond");
  EXPECT_EQ(readLine(in), 1);
  EXPECT_EQ(readLine(in), 4);
  EXPECT_EQ(readLine(in), 0);
  EXPECT_STREQ(job.inputBuffer, "");
  std::fclose(in);
}

TEST_F(LineReading, LongLineArrivesInBufferSizedPieces) {
  FILE *in = openWith(std::string(20000, 'a') + "\n" + std::string(kBufferSize - 1, 'b') +
                      "\r\n");
  EXPECT_EQ(readLine(in), kBufferSize - 1);
  EXPECT_EQ(readLine(in), kBufferSize - 1);
  EXPECT_EQ(readLine(in), 20000 - 2 * (kBufferSize - 1));
  EXPECT_EQ(readLine(in), kBufferSize - 1);  // then "\r\n" alone, skipped
  EXPECT_EQ(readLine(in), 0);
  std::fclose(in);
}

TEST_F(LineReading, ByteOrderMarkIsSkippedAndOtherwiseNothingIsLost) {
  const struct {
    std::string content, rest;
  } rows[] = {
      {"\xEF\xBB\xBFoptions", "options"},
      {"options", "options"},
      {"\xEF\xBB", "\xEF\xBB"},
      {"\xEF\xBBX", "\xEF\xBBX"},
      {"", ""},
  };
  for (const auto &row : rows) {
    setLine("record in progress");
    FILE *in = skipByteOrderMark(openWith(row.content), path.c_str(), "r");
    char rest[32] = {};
    EXPECT_EQ(std::fread(rest, 1, sizeof rest - 1, in), row.rest.size());
    EXPECT_EQ(std::string(rest), row.rest);
    EXPECT_STREQ(job.inputBuffer, "record in progress");
    std::fclose(in);
  }
}

TEST(CaseBlind, StrnicmpComparesAsciiLettersWithoutCase) {
  const struct {
    const char *a, *b;
    int n, result;
  } rows[] = {
      {"EXIT", "exit", 4, 0},   {"exitnow", "EXIT", 4, 0}, {"abc", "abd", 3, -1},
      {"abd", "ABC", 3, 1},     {"ab", "abc", 3, -1},      {"\xC9", "\xE9", 1, -1},
      {"[", "{", 1, -1},        {"abc", "abc", 0, 0},
  };
  for (const auto &row : rows)
    EXPECT_EQ(strnicmp(row.a, row.b, row.n), row.result) << row.a << " " << row.b;
  EXPECT_TRUE(hasPrefix("where ", "WHERE k = 1"));
  EXPECT_FALSE(hasPrefix("where ", "whereas"));
  EXPECT_FALSE(hasPrefix("values ", "val"));
}
