// Execution, cursors and fetch against a real embedded database.
#include <cstdint>
#include <cstring>

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
  exec("insert into items values (101, 'a')");
  exec("insert into items values (102, 'b')");
  exec("insert into items values (103, 'c')");
  const struct {
    const char *sql;
    int inputs;
    short type;
    int rows;
  } statements[] = {
      {"insert into items (id, name) values (?, 'new')", 1, kStmtInsert, 1},
      {"update items set name = 'upd' where id between ? and 103", 1, kStmtUpdate, 3},
      {"update items set name = 'none' where id = ?", 1, kStmtUpdate, 0},
      {"delete from items where id > ?", 1, kStmtDelete, 2},
      {"execute procedure noop(?)", 1, kStmtExecProcedure, 0},
  };
  const int32_t values[] = {104, 101, 999, 102, 1};
  for (size_t i = 0; i < sizeof statements / sizeof statements[0]; ++i) {
    QueryRecord *record = &more[i];
    const char *sql = statements[i].sql;
    ASSERT_EQ(prepare(record, sql, static_cast<short>(statements[i].inputs), 0), kDbOk)
        << sql << capture.take();
    setLong(record, 1, values[i]);
    ASSERT_EQ(ExecuteQuery(record, &tr), kDbOk) << sql << capture.take();
    EXPECT_EQ(entryOf(record)->statementType, statements[i].type) << sql;
    EXPECT_EQ(rowCountOf(record), statements[i].rows) << sql;
    EXPECT_EQ(entryOf(record)->executionCount, 1);
  }
  ASSERT_EQ(RestartTransaction(&tr), kDbOk);
  EXPECT_EQ(rows("select id, name from items where id between 101 and 104"),
            (std::vector<std::string>{"101|upd", "102|upd"}));
  exec("delete from items where id between 101 and 104");
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibExecute, ScaledNumbersTravelAsRealValues) {
  ASSERT_EQ(prepare(&query, "insert into alltypes (id, n41, n92, n184, bi, sm) "
                            "values (?, ?, ?, ?, ?, ?)", 6, 0), kDbOk);
  const float n41 = -3.7f;
  const double n92 = 12.5, n184 = 1234.5678;
  const long long bi = 9007199254740993LL;
  const short sm = -32768;
  setLong(&query, 1, 201);
  setInput(&query, 2, &n41, 4);
  setInput(&query, 3, &n92, 8);
  setInput(&query, 4, &n184, 8);
  setInput(&query, 5, &bi, 8);
  setInput(&query, 6, &sm, 2);
  ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk) << capture.take();
  ASSERT_EQ(RestartTransaction(&tr), kDbOk);
  EXPECT_EQ(rows("select n41, n92, n184, bi, sm from alltypes where id = 201"),
            std::vector<std::string>{"-3.7|12.50|1234.5678|9007199254740993|-32768"});
  exec("delete from alltypes where id = 201");
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
}

TEST_F(DblibExecute, RefusalsBeforeTheClient) {
  ASSERT_EQ(prepare(&query, "select id from items", 0, 1), kDbOk);
  ASSERT_EQ(prepare(&other, "insert into items (id) values (?)", 1, 0), kDbOk);
  EXPECT_EQ(ExecuteQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(capture.take(), "Couldn't execute query (has output) ->Lodrun<-\r\n");
  EXPECT_EQ(entryOf(&query)->executionCount, 0);
  EXPECT_EQ(OpenCursor(&other, &tr), kDbSqlError);
  EXPECT_EQ(capture.take(), "Couldn't open cursor (no output) ->Other<-\r\n");

  isc_tr_handle unknown = 606;
  EXPECT_EQ(ExecuteQuery(&other, &unknown), kDbTransactionNotFound);
  EXPECT_EQ(OpenCursor(&query, &unknown), kDbTransactionNotFound);
  EXPECT_EQ(capture.take(), "Transaction handle (606) not known\r\n"
                            "Transaction handle (606) not known\r\n");
  third.outputCount = 0;
  EXPECT_EQ(ExecuteQuery(&third, &tr), kDbQueryNotFound);
  EXPECT_EQ(FetchRow(&third), kDbQueryNotFound);
  EXPECT_EQ(CloseCursor(&third), kDbQueryNotFound);

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
  EXPECT_EQ(entryOf(&other)->executionCount, 0);
}

TEST_F(DblibExecute, CursorStateTransitions) {
  exec("insert into items values (401, 'x')");
  exec("insert into items values (402, 'y')");
  exec("insert into items values (403, 'z')");
  ASSERT_EQ(prepare(&query, "select id from items where id between 401 and 403", 0, 1), kDbOk);
  EXPECT_EQ(FetchRow(&query), kDbCursorNotOpen);
  EXPECT_EQ(CloseCursor(&query), kDbOk);  // nothing to close
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(OpenCursor(&query, &tr), kDbCursorOpen);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(FetchRow(&query), kDbOk);
  EXPECT_EQ(rowCountOf(&query), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FetchRow(&query), kDbEndOfData);
  QueryEntry *entry = entryOf(&query);
  EXPECT_EQ(entry->endCount, 1);  // later fetches did not ask the client
  EXPECT_EQ(entry->fetchCount, 3);
  EXPECT_EQ(entry->cursorState, 2);
  EXPECT_EQ(lastSqlCode, 100);

  ASSERT_EQ(CloseCursor(&query), kDbOk);
  EXPECT_EQ(entry->cursorState, 0);
  EXPECT_EQ(entry->cursorTransaction, 0u);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(rowCountOf(&query), 0);
  ASSERT_EQ(FetchRow(&query), kDbOk);
  EXPECT_EQ(rowCountOf(&query), 1);
  EXPECT_EQ(entry->executionCount, 2);

  // Ending the transaction closes its cursor; the statement stays prepared.
  EXPECT_EQ(entry->cursorTransaction, tr);
  ASSERT_EQ(RollbackTransaction(&tr), kDbOk);
  EXPECT_EQ(entry->cursorState, 0);
  EXPECT_EQ(FetchRow(&query), kDbCursorNotOpen);
  ASSERT_EQ(StartTransaction("again", 1, &db, &tr), kDbOk);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  EXPECT_EQ(FetchRow(&query), kDbEndOfData);  // the rows were rolled back
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibExecute, FetchTrimsTextsAndFlagsNulls) {
  exec("insert into alltypes (id, c10, v10, i) values (501, 'abc', 'xyz  ', 7)");
  exec("insert into alltypes (id, c10, v10, i) values (502, '          ', '', null)");
  exec("insert into alltypes (id, c10, v10, i) values (503, null, '0123456789', -1)");
  ASSERT_EQ(prepare(&query, "select c10, v10, i from alltypes where id > 500 order by id", 0, 3),
            kDbOk);
  ASSERT_EQ(OpenCursor(&query, &tr), kDbOk);
  const struct { const char *c10, *v10; short c10Null; int32_t i; short iNull; } expected[] = {
      {"abc", "xyz", 0, 7, 0},
      {"", "", 0, 0, -1},
      {"", "0123456789", -1, -1, 0},
  };
  for (const auto &row : expected) {
    ASSERT_EQ(FetchRow(&query), kDbOk);
    XSQLVAR *c10 = column(&query, 1), *v10 = column(&query, 2), *i = column(&query, 3);
    EXPECT_STREQ(c10->sqldata, row.c10);
    EXPECT_EQ(*c10->sqlind, row.c10Null);
    EXPECT_STREQ(v10->sqldata, row.v10);
    if (std::strlen(row.v10) == 10) {
      EXPECT_EQ(v10->sqldata[10], 0);  // the extra byte ends even a full value
    }
    int32_t value = 0;
    std::memcpy(&value, i->sqldata, 4);
    EXPECT_EQ(value, row.i);
    EXPECT_EQ(*i->sqlind, row.iNull);
  }
  EXPECT_EQ(FetchRow(&query), kDbEndOfData);
}

TEST_F(DblibExecute, CommitRetainingKeepsStatementUsable) {
  ASSERT_EQ(prepare(&query, "insert into items (id, name) values (?, ?)", 2, 0), kDbOk);
  const isc_tr_handle value = tr;
  for (int id = 601; id <= 604; ++id) {
    setLong(&query, 1, id);
    if (id == 603)
      setNull(&query, 2);
    else
      setText(&query, 2, "name" + std::to_string(id));
    ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk) << capture.take();
    if (id % 2 == 0) {
      ASSERT_EQ(RestartTransaction(&tr), kDbOk);
    }
  }
  EXPECT_EQ(tr, value);
  EXPECT_EQ(entryOf(&query)->executionCount, 4);
  EXPECT_EQ(rows("select id, name from items where id between 601 and 604 order by id"),
            (std::vector<std::string>{"601|name601", "602|name602", "603|<null>", "604|name604"}));
  exec("delete from items where id between 601 and 604");
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibExecute, BlobIdentifierIsClearedAfterExecution) {
  ASSERT_EQ(prepare(&query, "insert into alltypes (id, bt) values (?, ?)", 2, 0), kDbOk);
  ISC_STATUS_ARRAY status;
  isc_blob_handle blob = 0;
  ISC_QUAD id = {};
  ASSERT_EQ(isc_create_blob2(status, &db, &tr, &blob, &id, 0, nullptr), 0);
  ASSERT_EQ(isc_put_segment(status, &blob, 9, "blob text"), 0);
  ASSERT_EQ(isc_close_blob(status, &blob), 0);
  setLong(&query, 1, 701);
  setInput(&query, 2, &id, 8);
  ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk) << capture.take();
  const char zeros[8] = {};
  EXPECT_EQ(std::memcmp(entryOf(&query)->inputSqlda->sqlvar[1].sqldata, zeros, 8), 0);
  ASSERT_EQ(RestartTransaction(&tr), kDbOk);
  EXPECT_EQ(rows("select bt from alltypes where id = 701"), std::vector<std::string>{"blob text"});
  exec("delete from alltypes where id = 701");
  ASSERT_EQ(CommitTransaction(&tr), kDbOk);
}

TEST_F(DblibExecute, FailedExecutionReportsInputsAtLevelTwo) {
  capture.settings().statusDumpLevel = 2;
  // -836 (a raised exception) shows every interpreted message.
  ASSERT_EQ(prepare(&query, "execute procedure raise_boom(?)", 1, 0), kDbOk);
  setLong(&query, 1, 42);
  EXPECT_EQ(ExecuteQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(entryOf(&query)->errorCount, 1);
  std::vector<std::string> lines = messageLines(capture.take());
  ASSERT_GE(lines.size(), 8u);
  EXPECT_TRUE(startsWith(lines[0], "Contents of GDS longs after exec prepared: 1, "));
  EXPECT_EQ(lines[1], "SQLCODE: -836 doing exec prepared from Lodrun");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];
  size_t at = 3;
  bool raised = false;
  for (; at < lines.size() && startsWith(lines[at], "\t+ "); ++at)
    raised = raised || lines[at].find("boom raised") != std::string::npos;
  EXPECT_TRUE(raised);
  ASSERT_EQ(lines.size(), at + 4);
  const std::string id = entryOf(&query)->inputSqlda->sqldaid;
  EXPECT_EQ(lines[at], " SQLDA type:input name: " + id + ", sqlda version: 1, size: " +
                           std::to_string(XSQLDA_LENGTH(1)) + ", sqld/sqln: 1/1");
  EXPECT_EQ(lines[at + 1], "\tType\tSize\t      Data      Ind. (=)  Name");
  EXPECT_TRUE(startsWith(lines[at + 2], "   1->\t497\t  4\t")) << lines[at + 2];
  EXPECT_EQ(lines[at + 3], "\tContents: <Int32:  42>");

  // -803 (a duplicate key) keeps to the SQLCODE text.
  exec("insert into items values (801, 'dup')");
  ASSERT_EQ(prepare(&other, "insert into items (id) values (?)", 1, 0), kDbOk);
  setLong(&other, 1, 801);
  EXPECT_EQ(ExecuteQuery(&other, &tr), kDbSqlError);
  lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], "SQLCODE: -803 doing exec prepared from Other");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];
  EXPECT_TRUE(startsWith(lines[3], " SQLDA type:input")) << lines[3];
}
