// The exact output types a run may ask dblib for (VARCHAR with its length,
// DATE apart from TIMESTAMP), the stored bytes GetFieldBytes hands out, and
// the empty text PutEmptyText makes; the same through located columns.
#include <cstring>
#include <string>

#include "dblib_fixture.h"

namespace {

class RawFieldTest : public DblibTest {
 protected:
  // The bytes of output column n of the fetched row, or "<null>"; the
  // column located once answers the same.
  std::string bytesOf(int n) {
    const char *data = nullptr;
    int length = -1;
    const int status = GetFieldBytes(n, &query, &data, &length);
    FetchedColumn located;
    EXPECT_EQ(LocateOutputColumn(n, &query, &located), kDbOk);
    const char *locatedData = nullptr;
    int locatedLength = -1;
    EXPECT_EQ(GetLocatedBytes(located, &locatedData, &locatedLength), status) << n;
    if (status == kDbNull) return "<null>";
    EXPECT_EQ(status, kDbOk);
    EXPECT_EQ(std::string(locatedData, static_cast<size_t>(locatedLength)),
              std::string(data, static_cast<size_t>(length)))
        << n;
    return std::string(data, static_cast<size_t>(length));
  }
};

TEST_F(RawFieldTest, ExactOutputTypes_KeepVarcharLengthAndDateApart) {
  exec("insert into alltypes (id, c10, v10, d) values (1, 'ab', 'ab  ', '2000-01-12')");
  exec("insert into alltypes (id, c10, v10) values (2, '', '')");
  static const char sql[] = "select c10, v10, d, ts from alltypes where id in (1, 2) order by id";
  query.exactOutputTypes = true;
  ASSERT_EQ(prepare(&query, sql, 0, 4), kDbOk);
  FieldFacts facts = {};
  ASSERT_EQ(GetFieldFacts(false, &query, 2, &facts), kDbOk);
  EXPECT_EQ(facts.type, SQL_VARYING);
  EXPECT_EQ(facts.length, 10);
  ASSERT_EQ(GetFieldFacts(false, &query, 3, &facts), kDbOk);
  EXPECT_EQ(facts.type, SQL_TYPE_DATE);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  ASSERT_EQ(FetchRow(&query), kDbOk);
  EXPECT_EQ(bytesOf(1), "ab");    // CHAR without its pad
  EXPECT_EQ(bytesOf(2), "ab  ");  // VARCHAR as stored
  int32_t day = 0;
  std::memcpy(&day, bytesOf(3).data(), sizeof day);
  EXPECT_EQ(day, 51555);
  EXPECT_EQ(bytesOf(4), "<null>");
  ASSERT_EQ(FetchRow(&query), kDbOk);
  EXPECT_EQ(bytesOf(1), "");  // empty, not NULL
  EXPECT_EQ(bytesOf(2), "");
  EXPECT_EQ(bytesOf(3), "<null>");
  EXPECT_EQ(CloseCursor(&query), kDbOk);

  // Another query without the setting: the same columns travel as before.
  ASSERT_EQ(prepare(&other, sql, 0, 4), kDbOk);
  ASSERT_EQ(GetFieldFacts(false, &other, 2, &facts), kDbOk);
  EXPECT_EQ(facts.type, SQL_TEXT);
  ASSERT_EQ(GetFieldFacts(false, &other, 3, &facts), kDbOk);
  EXPECT_EQ(facts.type, SQL_TIMESTAMP);
}

TEST_F(RawFieldTest, PutEmptyText_StoresTheEmptyTextNotNull) {
  static const char sql[] = "insert into items (id, name) values (?, ?)";
  ASSERT_EQ(prepare(&query, sql, 2, 0), kDbOk);
  EXPECT_EQ(PutEmptyText(&query, 1), kDbCannotFormat);  // an integer
  const int32_t id = 7;
  ASSERT_EQ(PutField(FmtLong, &query, 1, sizeof id, reinterpret_cast<const char *>(&id)), kDbOk);
  ASSERT_EQ(PutEmptyText(&query, 2), kDbOk);
  ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk);
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
  EXPECT_EQ(rows("select id, name, name is null from items where id = 7"),
            (std::vector<std::string>{"7||FALSE"}));
  // The table is shared with the other tests of this process.
  ASSERT_EQ(StartTransaction("cleanup", 1, &db, &tr), kDbOk);
  exec("delete from items where id = 7");
  EXPECT_EQ(CommitTransaction(&tr), kDbOk);
}

}  // namespace
