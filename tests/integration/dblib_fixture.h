// dblib_fixture.h - shared set-up of the dblib integration tests: one embedded
// database per test process with a table of every column type the library
// coerces, opened and with a transaction started before each test.
#ifndef LODRUN_TESTS_DBLIB_FIXTURE_H
#define LODRUN_TESTS_DBLIB_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../unit/dblib_capture.h"
#include "dblib/dbinternal.h"
#include "testsupport.h"

// Every column type the coercion table knows, a plain table for row counts,
// and procedures for execute-procedure statements.
inline const char *dblibSchema() {
  return "create table alltypes (id integer not null primary key, c10 char(10), "
         "v10 varchar(10), sm smallint, i integer, bi bigint, n41 numeric(4,1), "
         "n92 numeric(9,2), n184 numeric(18,4), f float, dp double precision, d date, "
         "t time, ts timestamp, bt blob sub_type text, bb blob, arr integer[3]);"
         "create table items (id integer not null primary key, name varchar(20));"
         "create exception boom 'boom raised';"
         "set term ^ ;"
         "create procedure noop (x integer) as begin end^"
         "create procedure raise_boom (x integer) as begin exception boom; end^"
         "set term ; ^";
}

class DblibTest : public testing::Test {
 protected:
  // The database is made once per process; tests leave it as they found it
  // (their work is rolled back at TearDown unless they commit on purpose).
  static TempDir &sharedDir() {
    static TempDir dir;
    return dir;
  }
  static const std::string &databasePath() {
    static const std::string path = sharedDir().file("dblib.fdb");
    static const bool created = createDatabase(path, dblibSchema());
    (void)created;
    return path;
  }
  // Another name for the same file: a second, separately registered database.
  static std::string otherName() {
    const std::string &path = databasePath();
    const size_t slash = path.rfind('/');
    return path.substr(0, slash) + "/." + path.substr(slash);
  }

  // A file that is not a database: attaching it fails in the embedded engine
  // itself (a missing file would also be tried on a local server).
  static std::string notADatabase(const std::string &name = "garbage.fdb") {
    const std::string path = sharedDir().file(name);
    writeFile(path, std::string(16384, 'g'));
    return path;
  }

  void SetUp() override {
    ASSERT_EQ(DBopen(databasePath().c_str(), "SYSDBA", "masterkey", &db), kDbOk)
        << capture.take();
    ASSERT_EQ(StartTransaction("test", 1, &db, &tr), kDbOk) << capture.take();
  }

  void TearDown() override {
    for (int i = databaseCount - 1; i >= 0; --i) {
      isc_db_handle copy = databaseList[i].handle;
      DBclose(&copy);
    }
  }

  // Runs a statement directly through the client in `transaction` (default tr).
  void exec(const std::string &sql, isc_tr_handle *transaction = nullptr,
            isc_db_handle *database = nullptr) {
    ISC_STATUS_ARRAY status;
    if (isc_dsql_execute_immediate(status, database ? database : &db,
                                   transaction ? transaction : &tr, 0, sql.c_str(), 3,
                                   nullptr) != 0)
      ADD_FAILURE() << "exec failed: " << sql;
  }

  std::vector<std::string> rows(const std::string &select) {
    return queryRows(databasePath(), select);
  }

  // Prepares `sql` in tr with the given declared counts; the record keeps
  // the text, so `sql` must outlive it. Cursor names must differ within an
  // attachment, so each record has its own.
  int prepare(QueryRecord *record, const char *sql, short inputs, short outputs,
              isc_tr_handle *transaction = nullptr) {
    static const char *const kMoreNames[8] = {"M0", "M1", "M2", "M3", "M4", "M5", "M6", "M7"};
    record->cursorName = record == &query ? "Lodrun" : record == &other ? "Other"
                         : record == &third ? "Third" : record == &fourth ? "Fourth"
                         : kMoreNames[(record - more) & 7];
    QueryRecord *query = record;
    query->sqlText = sql;
    query->inputCount = inputs;
    query->outputCount = outputs;
    return PrepareQuery(query, transaction ? transaction : &tr);
  }

  QueryEntry *entryOf(QueryRecord *query) {
    EXPECT_EQ(FindQuery(query), kDbOk);
    return currentQuery;
  }

  // Puts a value into input variable n as PutField would leave it.
  void setInput(QueryRecord *query, int n, const void *value, int length) {
    ASSERT_EQ(FindVariable(n, query, true), kDbOk);
    XSQLVAR *var = currentVariable;
    ASSERT_LE(length, currentQuery->inputDataLengths[n - 1]);
    std::memcpy(var->sqldata, value, static_cast<size_t>(length));
    if ((var->sqltype & ~1) == SQL_TEXT) var->sqllen = static_cast<short>(length);
    *var->sqlind = 0;
  }
  void setLong(QueryRecord *query, int n, int32_t value) { setInput(query, n, &value, 4); }
  void setText(QueryRecord *query, int n, const std::string &text) {
    setInput(query, n, text.data(), static_cast<int>(text.size()));
  }
  void setNull(QueryRecord *query, int n) {
    ASSERT_EQ(FindVariable(n, query, true), kDbOk);
    *currentVariable->sqlind = -1;
  }

  // Output column n of the fetched row.
  XSQLVAR *column(QueryRecord *query, int n) {
    EXPECT_EQ(FindVariable(n, query, false), kDbOk);
    return currentVariable;
  }

  // Query records live as long as the fixture: closing a database marks
  // the records of its statements unprepared.
  QueryRecord query, other, third, fourth;
  QueryRecord more[8];
  MessageCapture capture;
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
};

// Splits a message text into its lines, each without its "\r\n".
inline std::vector<std::string> messageLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

inline bool startsWith(const std::string &text, const std::string &prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

#endif  // LODRUN_TESTS_DBLIB_FIXTURE_H
