// Execution, cursors and fetch against a real embedded database.
#include <sys/resource.h>

#include "dblib_fixture.h"

using DblibExecute = DblibTest;

namespace {

int rowCountOf(QueryRecord *record) {
  int rows = -99;
  EXPECT_EQ(QueryRowCount(record, &rows), kDbOk);
  return rows;
}

}  // namespace

TEST_F(DblibExecute, RowCountsFollowStatementType) {
  for (int id = 101; id <= 103; ++id) exec("insert into items values (" + std::to_string(id) + ", 'x')");
  const struct { const char *sql; int32_t value; short type; int rows; } statements[] = {
      {"insert into items (id) values (?)", 104, kStmtInsert, 1},
      {"update items set name = 'u' where id between ? and 103", 101, kStmtUpdate, 3},
      {"update items set name = 'v' where id = ?", 999, kStmtUpdate, 0},
      {"delete from items where id > ?", 102, kStmtDelete, 2},
      {"execute procedure noop(?)", 1, kStmtExecProcedure, 0},
  };
  for (int i = 0; i < 5; ++i) {
    QueryRecord *record = &records[i + 2];
    ASSERT_EQ(prepare(record, statements[i].sql, 1, 0), kDbOk) << statements[i].sql;
    setLong(record, 1, statements[i].value);
    ASSERT_EQ(ExecuteQuery(record, &tr), kDbOk) << statements[i].sql;
    EXPECT_EQ(entryOf(record)->statementType, statements[i].type) << statements[i].sql;
    EXPECT_EQ(rowCountOf(record), statements[i].rows) << statements[i].sql;
  }
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibExecute, RefusalsBeforeTheClient) {
  ASSERT_EQ(prepare(&query, "select id from items", 0, 1), kDbOk);
  ASSERT_EQ(prepare(&other, "insert into items (id) values (?)", 1, 0), kDbOk);
  EXPECT_EQ(ExecuteQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(OpenCursor(&other, &tr), kDbSqlError);
  EXPECT_EQ(entryOf(&query)->executionCount + entryOf(&other)->executionCount, 0);
  EXPECT_EQ(capture.take(), "Couldn't execute query (has output) ->Lodrun<-\r\n"
                            "Couldn't open cursor (no output) ->Other<-\r\n");

  // A transaction of another database than the statement's.
  isc_db_handle second = 0;
  isc_tr_handle secondTr = 0;
  ASSERT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  ASSERT_EQ(StartTransaction("second", 1, &second, &secondTr), kDbOk);
  setLong(&other, 1, 301);
  EXPECT_EQ(ExecuteQuery(&other, &secondTr), kDbBadTriplet);
  EXPECT_EQ(capture.take(), "DB handle (" + std::to_string(second) + ") not handle (" +
                                std::to_string(db) + ") for transaction (" +
                                std::to_string(secondTr) + ")\r\n");
}

TEST_F(DblibExecute, CursorStatesAndTrimmedTexts) {
  exec("insert into alltypes (id, c10, v10, i) values (401, 'abc', 'xyz  ', 7)");
  exec("insert into alltypes (id, c10, v10, i) values (402, '          ', '', null)");
  exec("insert into alltypes (id, c10, v10, i) values (403, null, '0123456789', -1)");
  ASSERT_EQ(prepare(&query, "select c10, v10, i from alltypes where id > 400 order by id", 0, 3),
            kDbOk);
  EXPECT_EQ(FetchRow(&query), kDbCursorNotOpen);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(OpenCursor(&query, &tr), kDbCursorOpen);
  const struct { const char *c10, *v10; short c10Null, iNull; } expected[] = {
      {"abc", "xyz", 0, 0}, {"", "", 0, -1}, {"", "0123456789", -1, 0}};
  for (const auto &row : expected) {
    ASSERT_EQ(FetchRow(&query), kDbOk);
    XSQLVAR *c10 = variable(&query, 1, false), *v10 = variable(&query, 2, false);
    EXPECT_STREQ(c10->sqldata, row.c10);
    EXPECT_EQ(*c10->sqlind, row.c10Null);
    EXPECT_STREQ(v10->sqldata, row.v10);  // a full value ends at the extra byte
    EXPECT_EQ(*variable(&query, 3, false)->sqlind, row.iNull);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FetchRow(&query), kDbEndOfData);
  QueryEntry *entry = entryOf(&query);
  EXPECT_EQ(entry->endCount, 1);  // later fetches did not ask the client
  EXPECT_EQ(rowCountOf(&query), 3);

  ASSERT_EQ(CloseCursor(&query), kDbOk);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(rowCountOf(&query), 0);
  ASSERT_EQ(FetchRow(&query), kDbOk);
  // Ending the transaction closes its cursor; the statement stays prepared.
  ASSERT_EQ(RollbackTransaction(&tr), kDbOk);
  EXPECT_EQ(entry->cursorState, 0);
  EXPECT_EQ(FetchRow(&query), kDbCursorNotOpen);
  ASSERT_EQ(StartTransaction("again", 1, &db, &tr), kDbOk);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(FetchRow(&query), kDbEndOfData);  // the rows were rolled back
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibExecute, CommitRetainingKeepsStatementAndBlobIdIsSpent) {
  ASSERT_EQ(prepare(&query, "insert into alltypes (id, n92, bt) values (?, ?, ?)", 3, 0), kDbOk);
  const isc_tr_handle value = tr;
  const int32_t n92 = 1250;  // a scaled number travels as its integer of hundredths
  for (int32_t id = 601; id <= 602; ++id) {
    ISC_STATUS_ARRAY status;
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = {};
    ASSERT_EQ(isc_create_blob2(status, &db, &tr, &blob, &blobId, 0, nullptr), 0);
    ASSERT_EQ(isc_put_segment(status, &blob, 4, "text") + isc_close_blob(status, &blob), 0);
    setLong(&query, 1, id);
    setInput(&query, 2, &n92, 4);
    setInput(&query, 3, &blobId, 8);
    ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk) << capture.take();
    const char zeros[8] = {};
    EXPECT_EQ(std::memcmp(variable(&query, 3, true)->sqldata, zeros, 8), 0);
    ASSERT_EQ(RestartTransaction(&tr), kDbOk);
  }
  EXPECT_EQ(tr, value);
  EXPECT_EQ(rows("select id, n92, bt from alltypes where id > 600 order by id"),
            (std::vector<std::string>{"601|12.50|text", "602|12.50|text"}));
  exec("delete from alltypes where id > 600");
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
  EXPECT_EQ(tr, 0u);
}

TEST_F(DblibExecute, FailedExecutionDumpsInputsAtLevelTwo) {
  capture.settings.statusDumpLevel = 2;
  ASSERT_EQ(prepare(&query, "execute procedure raise_boom(?)", 1, 0), kDbOk);
  setLong(&query, 1, 42);
  EXPECT_EQ(ExecuteQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(entryOf(&query)->errorCount, 1);
  // -836, a raised exception, shows every interpreted message.
  const std::string text = capture.take();
  const std::vector<std::string> lines = messageLines(text);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[1], "SQLCODE: -836 doing exec prepared from Lodrun");
  EXPECT_TRUE(startsWith(lines[3], "\t+ ")) << text;
  EXPECT_NE(text.find("\t+ boom raised\r\n"), std::string::npos) << text;
  EXPECT_TRUE(startsWith(lines[lines.size() - 4], " SQLDA type:input name: q")) << text;
  EXPECT_TRUE(startsWith(lines[lines.size() - 5], "\t+ ")) << text;
  EXPECT_TRUE(startsWith(lines[lines.size() - 2], "   1->\t497\t  4\t"));
  EXPECT_EQ(lines.back(), "\tContents: <Int32:  42>");
}

TEST_F(DblibExecute, ManyExecutionsDoNotGrowTheProcess) {
#if defined(__SANITIZE_ADDRESS__)
  const bool sanitized = true;  // its allocator keeps freed memory: walk the path only
#else
  const bool sanitized = false;
#endif
  const int total = sanitized ? 10000 : 100000;
  auto peakResidentKb = [] {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
  };
  ASSERT_EQ(prepare(&query, "update items set name = ? where id = ?", 2, 0), kDbOk);
  long before = 0;
  for (int i = 1; i <= total; ++i) {
    const std::string name = "name" + std::to_string(i % 1000);
    setInput(&query, 1, name.data(), static_cast<int>(name.size()));
    setLong(&query, 2, -i);  // matches no row: the database does not grow
    ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk);
    if (i % 5000 == 0) {
      ASSERT_EQ(RestartTransaction(&tr), kDbOk);
    }
    if (i == total / 10) before = peakResidentKb();
  }
  EXPECT_EQ(entryOf(&query)->executionCount, total);
  if (!sanitized) {
    EXPECT_LT(peakResidentKb() - before, 1024) << "kB grown after the warm-up";
  }
}
