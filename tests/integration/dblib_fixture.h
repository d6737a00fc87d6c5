// dblib_fixture.h - set-up shared by the dblib integration tests: one embedded
// database per test process holding every column type the library coerces,
// opened with a transaction started before each test.
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

class DblibTest : public testing::Test {
 protected:
  static TempDir &sharedDir() {
    static TempDir dir;
    return dir;
  }
  // Made once per process; tests roll their work back or clean up after it.
  static const std::string &databasePath() {
    static const std::string path = sharedDir().file("dblib.fdb");
    static const bool created = createDatabase(
        path,
        "create table alltypes (id integer not null primary key, c10 char(10), "
        "v10 varchar(10), sm smallint, i integer, bi bigint, n41 numeric(4,1), "
        "n92 numeric(9,2), n184 numeric(18,4), f float, dp double precision, d date, "
        "t time, ts timestamp, bt blob sub_type text, bb blob, arr integer[3]);"
        "create table items (id integer not null primary key, name varchar(20));"
        "create exception boom 'boom raised';"
        "set term ^ ;"
        "create procedure noop (x integer) as begin end^"
        "create procedure raise_boom (x integer) as begin exception boom; end^"
        "set term ; ^");
    (void)created;
    return path;
  }
  // Another name for the same file: a second, separately registered database.
  static std::string otherName() {
    const std::string &path = databasePath();
    return path.substr(0, path.rfind('/')) + "/." + path.substr(path.rfind('/'));
  }
  void SetUp() override {
    ASSERT_EQ(DBopen(databasePath().c_str(), "SYSDBA", "masterkey", &db), kDbOk);
    ASSERT_EQ(StartTransaction("test", 1, &db, &tr), kDbOk);
  }
  void TearDown() override {
    for (int i = databaseCount - 1; i >= 0; --i) {
      isc_db_handle copy = databaseList[i].handle;
      DBclose(&copy);
    }
  }

  // Runs a statement straight through the client.
  void exec(const std::string &sql, isc_tr_handle *transaction = nullptr,
            isc_db_handle *database = nullptr) {
    ISC_STATUS_ARRAY status;
    EXPECT_EQ(isc_dsql_execute_immediate(status, database ? database : &db,
                                         transaction ? transaction : &tr, 0, sql.c_str(), 3,
                                         nullptr), 0) << sql;
  }
  std::vector<std::string> rows(const std::string &select) {
    return queryRows(databasePath(), select);
  }

  // Prepares `sql` (which must outlive the record) with the declared counts.
  // Cursor names must differ within an attachment: each record has its own.
  int prepare(QueryRecord *record, const char *sql, short inputs, short outputs,
              isc_tr_handle *transaction = nullptr) {
    static const char *const kNames[] = {"Lodrun", "Other", "M0", "M1", "M2", "M3", "M4"};
    record->cursorName = kNames[record - records];
    record->sqlText = sql;
    record->inputCount = inputs;
    record->outputCount = outputs;
    return PrepareQuery(record, transaction ? transaction : &tr);
  }
  QueryEntry *entryOf(QueryRecord *record) {
    EXPECT_EQ(FindQuery(record), kDbOk);
    return currentQuery;
  }
  XSQLVAR *variable(QueryRecord *record, int n, bool input) {
    EXPECT_EQ(FindVariable(n, record, input), kDbOk);
    return currentVariable;
  }
  // Puts a value into input variable n as PutField leaves it.
  void setInput(QueryRecord *record, int n, const void *value, int length) {
    XSQLVAR *var = variable(record, n, true);
    ASSERT_LE(length, currentQuery->inputDataLengths[n - 1]);
    std::memcpy(var->sqldata, value, static_cast<size_t>(length));
    if ((var->sqltype & ~1) == SQL_TEXT) var->sqllen = static_cast<short>(length);
    *var->sqlind = 0;
  }
  void setLong(QueryRecord *record, int n, int32_t value) { setInput(record, n, &value, 4); }

  // Records live as long as the fixture: closing a database in TearDown
  // marks the records of its statements unprepared.
  QueryRecord records[7];
  QueryRecord &query = records[0];
  QueryRecord &other = records[1];
  MessageCapture capture;
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
};

// The lines of a message text, each without its "\r\n".
inline std::vector<std::string> messageLines(const std::string &text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

inline bool startsWith(const std::string &text, const std::string &prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

#endif  // LODRUN_TESTS_DBLIB_FIXTURE_H
