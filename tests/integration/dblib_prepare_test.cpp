// Statement preparation against a real embedded database: coercion of every
// column type, the declared counts, failure reports, and freeing statements.
#include <cstdint>

#include "dblib_fixture.h"

using DblibPrepare = DblibTest;

namespace {

const char *const kAllColumns =
    "select c10, v10, sm, i, bi, n41, n92, n184, f, dp, d, t, ts, bt, bb, arr from alltypes";

}  // namespace

TEST_F(DblibPrepare, CoercesEveryColumnTypeAndAlignsData) {
  ASSERT_EQ(prepare(&query, kAllColumns, 0, 4088), kDbOk) << capture.take();
  EXPECT_EQ(query.prepared, 1);
  EXPECT_EQ(query.outputCount, 16);
  QueryEntry *entry = entryOf(&query);
  EXPECT_EQ(entry->inputSqlda, nullptr);
  ASSERT_NE(entry->outputSqlda, nullptr);
  EXPECT_EQ(entry->outputSqlda->sqln, 16);
  EXPECT_EQ(entry->outputSqlda->sqldabc, static_cast<ISC_LONG>(XSQLDA_LENGTH(4088)));
  EXPECT_EQ(entry->statementType, kStmtSelect);
  EXPECT_EQ(entry->database, db);
  EXPECT_EQ(entry->dialect, 3);

  const struct { const char *name; short type, length; } columns[] = {
      {"C10", 453, 11}, {"V10", 453, 11}, {"SM", 501, 2},   {"I", 497, 4},
      {"BI", 581, 8},   {"N41", 483, 4},  {"N92", 481, 8},  {"N184", 481, 8},
      {"F", 483, 4},    {"DP", 481, 8},   {"D", 511, 8},    {"T", 511, 8},
      {"TS", 511, 8},   {"BT", 521, 8},   {"BB", 521, 8},   {"ARR", 541, 8},
  };
  int total = 0;
  for (int i = 0; i < 16; ++i) {
    const XSQLVAR *var = column(&query, i + 1);
    EXPECT_EQ(std::string(var->aliasname), columns[i].name);
    EXPECT_EQ(var->sqltype, columns[i].type) << columns[i].name;
    EXPECT_EQ(var->sqllen, columns[i].length) << columns[i].name;
    EXPECT_EQ(var->sqlind, &entry->outputNullFlags[i]);
    const long offset = var->sqldata - entry->outputData;
    const int alignment = var->sqllen % 8 == 0 ? 8 : var->sqllen % 4 == 0 ? 4 : var->sqllen % 2 == 0 ? 2 : 1;
    EXPECT_EQ(offset % alignment, 0) << columns[i].name;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(var->sqldata) % alignment, 0u) << columns[i].name;
    total += var->sqllen;
  }
  EXPECT_EQ(entry->outputDataSize, (total + 3) / 4 * 4);
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibPrepare, OutputCountIsLoweredOrRefusedAndNamesFilled) {
  const char *sql = "select id as ident, name from items";
  ASSERT_EQ(prepare(&query, sql, 0, 4088), kDbOk);
  EXPECT_EQ(query.outputCount, 2);
  EXPECT_EQ(std::string(column(&query, 1)->aliasname), "IDENT");
  EXPECT_EQ(std::string(column(&query, 2)->aliasname), "NAME");
  EXPECT_EQ(std::string(column(&query, 2)->sqlname), "NAME");
  EXPECT_EQ(FindVariable(3, &query, false), kDbBadVariable);

  EXPECT_EQ(prepare(&other, sql, 0, 1), kDbSqldaCounts);
  EXPECT_EQ(other.prepared, 0);
  EXPECT_EQ(other.outputCount, 1);

  // Every XSQLDA gets the next six-digit identifier.
  ASSERT_EQ(prepare(&third, sql, 0, 2), kDbOk);
  const std::string first = entryOf(&query)->outputSqlda->sqldaid;
  const std::string later = entryOf(&third)->outputSqlda->sqldaid;
  ASSERT_EQ(first.size(), 7u);
  EXPECT_EQ(first[0], 'q');
  EXPECT_EQ(std::stoi(later.substr(1)), std::stoi(first.substr(1)) + 2);
}

TEST_F(DblibPrepare, InputCountMismatchThenRetry) {
  const char *sql = "insert into items (id, name) values (?, ?)";
  const int before = QueryCount();
  EXPECT_EQ(prepare(&query, sql, 1, 0), kDbSqlError);
  EXPECT_EQ(capture.take(), std::string("Query: <") + sql +
                                ">\r\n input has <=> counts for sqln/sqld: 1/2\r\n");
  EXPECT_EQ(query.prepared, 0);
  EXPECT_EQ(QueryCount(), before + 1);  // the failed attempt stays registered

  // A retry replaces the failed attempt's entry.
  ASSERT_EQ(prepare(&query, sql, 2, 0), kDbOk);
  EXPECT_EQ(QueryCount(), before + 1);
  QueryEntry *entry = entryOf(&query);
  EXPECT_EQ(entry->statementType, kStmtInsert);
  EXPECT_EQ(entry->outputSqlda, nullptr);
  for (int i = 0; i < 2; ++i) {
    const XSQLVAR *var = &entry->inputSqlda->sqlvar[i];
    EXPECT_EQ(entry->inputNullFlags[i], -1);
    EXPECT_EQ(var->sqlind, &entry->inputNullFlags[i]);
    EXPECT_EQ(entry->inputDataLengths[i], var->sqllen);
  }
  EXPECT_EQ(entry->inputSqlda->sqlvar[1].sqllen, 21);  // varchar(20) + terminator

  EXPECT_EQ(prepare(&query, sql, 2, 0), kDbAlreadyPrepared);
  EXPECT_EQ(QueryCount(), before + 1);
  short type = 0;
  EXPECT_EQ(GetQueryType(&query, &type), kDbOk);
  EXPECT_EQ(type, kStmtInsert);
  EXPECT_EQ(GetQueryType(&fourth, &type), kDbQueryNotFound);
}

TEST_F(DblibPrepare, FailedPrepareReportsAtBothLevels) {
  EXPECT_EQ(prepare(&query, "selec id from items", 0, 5), kDbSqlError);
  EXPECT_EQ(entryOf(&query)->errorCount, 1);
  std::vector<std::string> lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "ISC error code: 335544569");
  EXPECT_EQ(lines[1], "SQLCODE: -104 doing prepare query from Lodrun");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];

  // Level 2 adds the raw longs and the SQLDA the statement had reached.
  capture.settings().statusDumpLevel = 2;
  EXPECT_EQ(prepare(&other, "insert into no_such_table values (?)", 1, 0), kDbSqlError);
  lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(startsWith(lines[0], "Contents of GDS longs after prepare query: 1, 335544569, "));
  EXPECT_EQ(lines[1], "SQLCODE: -204 doing prepare query from Other");
  EXPECT_TRUE(startsWith(lines[2], "\t- ")) << lines[2];
  const std::string id = entryOf(&other)->inputSqlda->sqldaid;
  EXPECT_EQ(lines[3], " SQLDA type:input name: " + id + ", sqlda version: 1, size: " +
                          std::to_string(XSQLDA_LENGTH(1)) + ", sqld/sqln: 0/1");

  // The caller's summary follows on standard output.
  capture.settings().lastDblibError = kDbSqlError;
  testing::internal::CaptureStdout();
  ReportDblibError("preparing query", 0);
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Got dblib error 20006 while doing preparing query: "
            "SQL error was found + reported to logfile\r\n");
}

TEST_F(DblibPrepare, OutputNeedsCursorName) {
  query.sqlText = "select id from items";
  query.outputCount = 3;
  EXPECT_EQ(PrepareQuery(&query, &tr), kDbSqlError);
  EXPECT_EQ(capture.take(), "No query/cursor name for query ->select id from items<-\r\n");
  isc_tr_handle unknown = 5150;
  EXPECT_EQ(PrepareQuery(&other, &unknown), kDbTransactionNotFound);
}

TEST_F(DblibPrepare, ClosingDatabaseFreesItsStatementsKeepingOrder) {
  isc_db_handle second = 0;
  isc_tr_handle secondTr = 0;
  ASSERT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  ASSERT_EQ(StartTransaction("second", 1, &second, &secondTr), kDbOk);
  const char *sql = "select id from items";
  const int before = QueryCount();
  ASSERT_EQ(prepare(&query, sql, 0, 1), kDbOk);
  ASSERT_EQ(prepare(&other, sql, 0, 1, &secondTr), kDbOk);
  ASSERT_EQ(prepare(&third, sql, 0, 1), kDbOk);
  ASSERT_EQ(prepare(&fourth, sql, 0, 1, &secondTr), kDbOk);
  ASSERT_EQ(OpenCursor(&third, &tr), kDbOk);

  ASSERT_EQ(DBclose(&db), kDbOk);
  EXPECT_EQ(QueryCount(), before + 2);
  EXPECT_EQ(queryList[before].owner, &other);
  EXPECT_EQ(queryList[before + 1].owner, &fourth);
  EXPECT_EQ(query.prepared, 0);
  EXPECT_EQ(third.prepared, 0);
  EXPECT_EQ(other.prepared, 1);
  EXPECT_EQ(FindQuery(&query), kDbQueryNotFound);
  EXPECT_EQ(TransactionCount(), 1);

  // The other database's statements still work.
  ASSERT_EQ(OpenCursor(&fourth, &secondTr), kDbOk);
  EXPECT_EQ(FetchRow(&fourth), kDbEndOfData);
  EXPECT_EQ(capture.take(), "");
}
