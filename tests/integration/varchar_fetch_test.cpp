// VARCHAR columns that FetchRow receives as VARCHAR and hands on as text,
// against CHAR columns of the same values and lengths, which the client
// itself delivers as padded text: every form GetField offers, sizes and
// stored bytes must agree, over many values in three character sets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "dblib/dbfuncs.h"
#include "testsupport.h"

namespace {

constexpr int kFetchRows = 600;

const char *const kPieces[] = {"a", " ", "Z", "\xC3\xA9", "\xE6\x97\xA5", ",", "0", "  "};

// A text of up to `characters` characters from the pieces (some multi-byte
// for UTF8, single bytes otherwise), as an SQL literal.
std::string literal(std::mt19937 &random, int characters, bool multiByte) {
  std::string text;
  const int count = static_cast<int>(random() % static_cast<unsigned>(characters + 1));
  for (int i = 0; i < count; ++i) {
    const char *piece = kPieces[random() % (multiByte ? 6 : 3)];
    if (piece[1] == ' ' && i + 1 == count) piece = " ";
    text += piece;
  }
  if (random() % 7 == 0) return "null";
  return "'" + text + "'";
}

std::string script() {
  std::mt19937 random(5);
  std::string sql =
      "create table w (id integer not null, vu varchar(6) character set utf8,"
      " vo varchar(5) character set octets, vn varchar(8) character set none,"
      " vl varchar(300) character set none);";
  for (int row = 1; row <= kFetchRows; ++row) {
    // the first rows fill every column to its length
    const std::string longest(row == 1 ? 300 : 0, 'x');
    sql += "insert into w values (" + std::to_string(row) + ", " +
           (row == 1 ? "'\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5'"
                     : literal(random, 6, true)) +
           ", " + (row == 1 ? "'abcde'" : literal(random, 5, false)) + ", " +
           (row == 1 ? "'12345678'" : literal(random, 8, false)) + ", " +
           (row == 1 ? "'" + longest + "'" : literal(random, 300, false)) + ");";
  }
  return sql;
}

// What GetField and its neighbours say about output column `column`.
std::string describe(QueryRecord *query, int column, int declared) {
  std::string seen;
  for (const ExternalFormat format : {FmtText, FmtFixedText, FmtCountedText, FmtCounted16Text}) {
    for (const int length : {declared + 1, declared, 3, 1}) {
      alignas(8) char buffer[400];
      std::memset(buffer, '#', sizeof buffer);
      const int code = GetField(column, query, format, length, buffer);
      seen += std::to_string(format) + "/" + std::to_string(length) + ":" +
              std::to_string(code) + ":" + std::string(buffer, static_cast<size_t>(length) + 1) +
              "|";
    }
  }
  int size = -2;
  seen += "size " + std::to_string(GetFieldSize(false, query, column, &size)) + " " +
          std::to_string(size);
  const char *data = nullptr;
  int length = -1;
  const int code = GetFieldBytes(column, query, &data, &length);
  seen += " bytes " + std::to_string(code);
  if (code == kDbOk) seen += " " + std::string(data, static_cast<size_t>(length));
  return seen;
}

class VarcharFetch : public ::testing::TestWithParam<const char *> {};

TEST_P(VarcharFetch, TextFormsEqualThoseOfTheSameValuesAsChar) {
  TempDir dir;
  const std::string path = dir.file("varchar.fdb");
  ASSERT_TRUE(createDatabase(path, script()));
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const char *charSet = GetParam();
  ASSERT_EQ(DBopen(path.c_str(), "SYSDBA", "masterkey", &db, *charSet ? charSet : nullptr), kDbOk);
  ASSERT_EQ(StartTransaction("varchar", 1, &db, &tr), kDbOk);
  QueryRecord query;
  query.cursorName = "Varchars";
  query.sqlText =
      "select vu, cast(vu as char(6) character set utf8), vo, cast(vo as char(5) character set "
      "octets), vn, cast(vn as char(8) character set none), vl, cast(vl as char(300) character "
      "set none) from w order by id";
  query.outputCount = 8;
  ASSERT_EQ(PrepareQuery(&query, &tr), kDbOk);
  int declared[8];
  for (int column = 1; column <= 8; ++column) {
    short type = 0;
    ASSERT_EQ(GetFieldType(column, &query, false, &type), kDbOk);
    EXPECT_EQ(type, kSqlText) << column;
    ASSERT_EQ(GetFieldSize(false, &query, column, &declared[column - 1]), kDbOk);
  }
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  int rows = 0;
  while (FetchRow(&query) == kDbOk) {
    ++rows;
    for (int column = 1; column <= 8; column += 2) {
      ASSERT_EQ(declared[column - 1], declared[column]) << column;
      ASSERT_EQ(describe(&query, column, declared[column - 1]),
                describe(&query, column + 1, declared[column]))
          << "row " << rows << " column " << column;
    }
  }
  EXPECT_EQ(rows, kFetchRows);
  EXPECT_EQ(CloseCursor(&query), kDbOk);
  EXPECT_EQ(CommitTransaction(&tr), kDbOk);
  EXPECT_EQ(DBclose(&db), kDbOk);
}

INSTANTIATE_TEST_SUITE_P(ConnectionCharacterSets, VarcharFetch, ::testing::Values("", "UTF8"));

}  // namespace
