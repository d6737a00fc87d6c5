// Transactions against a real embedded database: names, types, the effects of
// commit, rollback and restart, and registry growth.
#include <string>

#include "dblib_fixture.h"

using DblibTransactions = DblibTest;

TEST_F(DblibTransactions, NamesAreCutUniqueAndBounded) {
  isc_tr_handle a = 0, b = 0, c = 0;
  EXPECT_EQ(StartTransaction(std::string(32, 'n').c_str(), 1, &db, &a), kDbNameTooLong);
  EXPECT_EQ(StartTransaction(std::string(31, 'n').c_str(), 1, &db, &a), kDbOk);
  EXPECT_EQ(StartTransaction("standard trans", 1, &db, &b), kDbOk);
  EXPECT_EQ(std::string(transactionList[transactionCount - 1].name), "standard");
  EXPECT_EQ(StartTransaction("standard other", 1, &db, &c), kDbNameDuplicate);
  EXPECT_EQ(c, 0u);
  EXPECT_EQ(capture.take(), "");

  isc_db_handle unknown = 4321;
  c = 77;
  EXPECT_EQ(StartTransaction("elsewhere", 1, &unknown, &c), kDbDatabaseNotFound);
  EXPECT_EQ(c, 77u);
  EXPECT_EQ(capture.take(), "Database handle (4321) not registered\r\n");
  EXPECT_EQ(TransactionCount(), 3);
}

TEST_F(DblibTransactions, EveryTypeStartsAndReadOnlyTypesRefuseWrites) {
  const struct { int type; bool writes; } rows[] = {
      {-1, true}, {0, true}, {2, true}, {3, false}, {4, false}, {5, true},
  };
  for (const auto &row : rows) {
    isc_tr_handle t = 0;
    const std::string name = "type" + std::to_string(row.type);
    ASSERT_EQ(StartTransaction(name.c_str(), row.type, &db, &t), kDbOk) << row.type;
    EXPECT_EQ(TransactionDialect(&t), 3);
    ISC_STATUS_ARRAY status;
    const ISC_STATUS result = isc_dsql_execute_immediate(
        status, &db, &t, 0, "insert into items values (950, 'x')", 3, nullptr);
    EXPECT_EQ(result == 0, row.writes) << row.type;
    EXPECT_EQ(RollbackTransaction(&t), kDbOk);
  }
  isc_tr_handle unknown = 999;
  EXPECT_EQ(TransactionDialect(&unknown), 1);
  EXPECT_EQ(capture.take(), "Transaction handle (999) not known\r\n");
}

TEST_F(DblibTransactions, RestartKeepsTransactionAndCommitsWork) {
  const int before = TransactionCount();
  const isc_tr_handle value = tr;
  exec("insert into items values (960, 'kept')");
  ASSERT_EQ(RestartTransaction(&tr), kDbOk);
  EXPECT_EQ(tr, value);
  EXPECT_EQ(TransactionCount(), before);
  exec("insert into items values (961, 'dropped')");
  ASSERT_EQ(RollbackTransaction(&tr), kDbOk);
  EXPECT_EQ(tr, 0u);
  EXPECT_EQ(TransactionCount(), before - 1);
  EXPECT_EQ(rows("select id from items where id in (960, 961)"),
            std::vector<std::string>{"960"});

  isc_tr_handle cleanup = 0;
  ASSERT_EQ(StartTransaction("cleanup", 1, &db, &cleanup), kDbOk);
  exec("delete from items where id = 960", &cleanup);
  ASSERT_EQ(CommitTransaction(&cleanup), kDbOk);
  EXPECT_EQ(cleanup, 0u);
  EXPECT_EQ(rows("select count(*) from items where id = 960"), std::vector<std::string>{"0"});
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibTransactions, UnknownHandlesAreRefused) {
  const struct { isc_tr_handle value; const char *message; } rows[] = {
      {0, "Transaction handle (0) not known\r\n"},
      {31337, "Transaction handle (31337) not known\r\n"},
  };
  for (const auto &row : rows) {
    isc_tr_handle t = row.value;
    EXPECT_EQ(CommitTransaction(&t), kDbTransactionNotFound);
    EXPECT_EQ(RollbackTransaction(&t), kDbTransactionNotFound);
    EXPECT_EQ(RestartTransaction(&t), kDbTransactionNotFound);
    EXPECT_EQ(t, row.value);
    EXPECT_EQ(capture.take(), std::string(row.message) + row.message + row.message);
  }
}

TEST_F(DblibTransactions, RegistryGrowsAndCloseRollsBackEveryTransaction) {
  std::vector<isc_tr_handle> handles(40, 0);
  for (size_t i = 0; i < handles.size(); ++i) {
    const std::string name = "grow" + std::to_string(i);
    ASSERT_EQ(StartTransaction(name.c_str(), 1, &db, &handles[i]), kDbOk) << i;
  }
  EXPECT_EQ(TransactionCount(), 41);
  // Removing from the front moves the last entries down; all stay reachable.
  for (size_t i = 0; i < 10; ++i) ASSERT_EQ(CommitTransaction(&handles[i]), kDbOk);
  for (size_t i = 10; i < handles.size(); ++i) {
    ASSERT_EQ(FindTransaction(&handles[i]), kDbOk) << i;
    EXPECT_EQ(*currentDatabase, db);
  }
  exec("insert into items values (970, 'a')", &handles[20]);
  exec("insert into items values (971, 'b')", &handles[39]);

  ASSERT_EQ(DBclose(&db), kDbOk);
  EXPECT_EQ(TransactionCount(), 0);
  EXPECT_EQ(rows("select count(*) from items where id in (970, 971)"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(capture.take(), "");
}
