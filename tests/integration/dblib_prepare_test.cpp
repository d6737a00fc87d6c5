// Statement preparation against a real embedded database: coercion of every
// column type, the declared counts, failure reports, and freeing statements.
#include "dblib_fixture.h"

using DblibPrepare = DblibTest;

TEST_F(DblibPrepare, CoercesEveryColumnTypeAndAlignsData) {
  ASSERT_EQ(prepare(&query, "select c10, v10, sm, i, bi, n41, n92, n184, f, dp, d, t, ts, "
                            "bt, bb, arr as list from alltypes", 0, 4088), kDbOk);
  EXPECT_EQ(query.outputCount, 16);
  QueryEntry *entry = entryOf(&query);
  EXPECT_EQ(entry->inputSqlda, nullptr);
  EXPECT_EQ(entry->outputSqlda->sqln, 16);
  EXPECT_EQ(entry->statementType, kStmtSelect);
  const struct { const char *name; short type, length; } columns[] = {
      {"C10", 453, 11}, {"V10", 453, 11}, {"SM", 501, 2},  {"I", 497, 4},    {"BI", 581, 8},
      {"N41", 501, 2},  {"N92", 497, 4},  {"N184", 581, 8}, {"F", 483, 4},   {"DP", 481, 8},
      {"D", 511, 8},    {"T", 561, 4},    {"TS", 511, 8},   {"BT", 521, 8},  {"BB", 521, 8},
      {"LIST", 541, 8},
  };
  for (int i = 0; i < 16; ++i) {
    const XSQLVAR *var = variable(&query, i + 1, false);
    EXPECT_EQ(std::string(var->aliasname), columns[i].name);
    EXPECT_EQ(var->sqltype, columns[i].type) << columns[i].name;
    EXPECT_EQ(var->sqllen, columns[i].length) << columns[i].name;
    EXPECT_EQ(var->sqlind, &entry->outputNullFlags[i]);
    const int size = var->sqllen % 8 == 0 ? 8 : var->sqllen % 4 == 0 ? 4 : var->sqllen % 2 ? 1 : 2;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(var->sqldata) % size, 0u) << columns[i].name;
  }
  EXPECT_EQ(FindVariable(17, &query, false), kDbBadVariable);
  EXPECT_EQ(FindVariable(1, &query, true), kDbNoInput);
}

TEST_F(DblibPrepare, DeclaredCountsAreCheckedAndRetried) {
  const char *select = "select id, name from items";
  EXPECT_EQ(prepare(&other, select, 0, 1), kDbSqldaCounts);
  EXPECT_EQ(other.prepared, 0);

  const char *insert = "insert into items (id, name) values (?, ?)";
  const int before = QueryCount();
  EXPECT_EQ(prepare(&query, insert, 1, 0), kDbSqlError);
  EXPECT_EQ(capture.take(), std::string("Query: <") + insert +
                                ">\r\n input has <=> counts for sqln/sqld: 1/2\r\n");
  EXPECT_EQ(QueryCount(), before + 1);  // the failed attempt stays registered...
  ASSERT_EQ(prepare(&query, insert, 2, 0), kDbOk);
  EXPECT_EQ(QueryCount(), before + 1);  // ...and a retry takes its place
  EXPECT_EQ(prepare(&query, insert, 2, 0), kDbAlreadyPrepared);
  EXPECT_EQ(QueryCount(), before + 1);
  QueryEntry *entry = entryOf(&query);
  short type = 0;
  EXPECT_EQ(GetQueryType(&query, &type), kDbOk);
  EXPECT_EQ(type, kStmtInsert);
  EXPECT_EQ(entry->inputNullFlags[1], -1);
  EXPECT_EQ(entry->inputDataLengths[1], 21);  // varchar(20) and its terminator
  EXPECT_EQ(FindVariable(3, &query, true), kDbBadVariable);
  EXPECT_EQ(FindVariable(1, &query, false), kDbNoOutput);

  query.prepared = 0;  // a record without a cursor name cannot have output
  query.cursorName = nullptr;
  query.outputCount = 2;
  EXPECT_EQ(PrepareQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(capture.take(), std::string("No query/cursor name for query ->") + insert + "<-\r\n");
}

TEST_F(DblibPrepare, FailedPrepareReportsAtBothLevels) {
  EXPECT_EQ(prepare(&query, "selec id from items", 0, 5), kDbSqlError);
  EXPECT_EQ(entryOf(&query)->errorCount, 1);
  std::vector<std::string> lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "ISC error code: 335544569");
  EXPECT_EQ(lines[1], "SQLCODE: -104 doing prepare query from Lodrun");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];

  // Level 2 adds the raw longs and the input SQLDA as far as it got; from
  // -900 to 100 the SQLCODE text stands alone.
  capture.settings.statusDumpLevel = 2;
  EXPECT_EQ(prepare(&other, "insert into no_such_table values (?)", 1, 0), kDbSqlError);
  lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(startsWith(lines[0], "Contents of GDS longs after prepare query: 1, 335544569, "));
  EXPECT_EQ(lines[1], "SQLCODE: -204 doing prepare query from Other");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];
  EXPECT_EQ(lines[3], " SQLDA type:input name: " + std::string(entryOf(&other)->inputSqlda->sqldaid) +
                          ", sqlda version: 1, size: " + std::to_string(XSQLDA_LENGTH(1)) +
                          ", sqld/sqln: 0/1");
}

TEST_F(DblibPrepare, ClosingDatabaseFreesItsStatementsKeepingOrder) {
  isc_db_handle second = 0;
  isc_tr_handle secondTr = 0;
  ASSERT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  ASSERT_EQ(StartTransaction("second", 1, &second, &secondTr), kDbOk);
  const char *sql = "select id from items";
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(prepare(&records[i], sql, 0, 1, i % 2 ? &secondTr : &tr), kDbOk);
  ASSERT_EQ(OpenCursor(&records[2], &tr), kDbOk);
  ASSERT_EQ(DBclose(&db), kDbOk);
  ASSERT_EQ(QueryCount(), 2);
  EXPECT_EQ(queryList[0].owner, &records[1]);
  EXPECT_EQ(queryList[1].owner, &records[3]);
  EXPECT_EQ(records[0].prepared + records[2].prepared, 0);
  EXPECT_EQ(FindQuery(&records[0]), kDbQueryNotFound);
  ASSERT_EQ(OpenCursor(&records[3], &secondTr), kDbOk);  // the other database's still work
  EXPECT_EQ(FetchRow(&records[3]), kDbEndOfData);
  EXPECT_EQ(capture.take(), "");
}
