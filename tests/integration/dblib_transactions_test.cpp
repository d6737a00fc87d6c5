// Transactions against a real embedded database: names, types, handles and
// registry growth (restart and commit effects are pinned with statements).
#include "dblib_fixture.h"

using DblibTransactions = DblibTest;

TEST_F(DblibTransactions, NamesAndHandlesAreChecked) {
  isc_tr_handle a = 0, b = 0, unknown = 999;
  EXPECT_EQ(StartTransaction(std::string(32, 'n').c_str(), 1, &db, &a), kDbNameTooLong);
  EXPECT_EQ(StartTransaction(std::string(31, 'n').c_str(), 1, &db, &a), kDbOk);
  EXPECT_EQ(StartTransaction("standard trans", 1, &db, &b), kDbOk);
  EXPECT_EQ(std::string(transactionList[2].name), "standard");
  EXPECT_EQ(StartTransaction("standard other", 1, &db, &unknown), kDbNameDuplicate);
  EXPECT_EQ(capture.take(), "");
  isc_db_handle noDatabase = 4321;
  EXPECT_EQ(StartTransaction("elsewhere", 1, &noDatabase, &unknown), kDbDatabaseNotFound);
  EXPECT_EQ(CommitTransaction(&unknown), kDbTransactionNotFound);
  EXPECT_EQ(RestartTransaction(&unknown), kDbTransactionNotFound);
  EXPECT_EQ(TransactionDialect(&unknown), 1);
  EXPECT_EQ(unknown, 999u);
  EXPECT_EQ(capture.take(), "Database handle (4321) not registered\r\n"
                            "Transaction handle (999) not known\r\n"
                            "Transaction handle (999) not known\r\n"
                            "Transaction handle (999) not known\r\n");
  EXPECT_EQ(TransactionDialect(&a), 3);
  // A read-only type refuses writes: its parameter block reached the server.
  isc_tr_handle readOnly = 0;
  ASSERT_EQ(StartTransaction("read", 3, &db, &readOnly), kDbOk);
  ISC_STATUS_ARRAY status;
  EXPECT_NE(isc_dsql_execute_immediate(status, &db, &readOnly, 0,
                                       "insert into items values (950, 'x')", 3, nullptr), 0);
}

TEST_F(DblibTransactions, RegistryGrowsAndCloseRollsBackEveryTransaction) {
  std::vector<isc_tr_handle> handles(40, 0);
  for (size_t i = 0; i < handles.size(); ++i)
    ASSERT_EQ(StartTransaction(("grow" + std::to_string(i)).c_str(), 1, &db, &handles[i]), 0);
  // Removing from the front moves the last entries down; all stay reachable.
  for (size_t i = 0; i < 10; ++i) ASSERT_EQ(CommitTransaction(&handles[i]), kDbOk);
  for (size_t i = 10; i < handles.size(); ++i) ASSERT_EQ(FindTransaction(&handles[i]), kDbOk);
  EXPECT_EQ(TransactionCount(), 31);
  exec("insert into items values (970, 'a')", &handles[20]);
  exec("insert into items values (971, 'b')", &handles[39]);
  ASSERT_EQ(DBclose(&db), kDbOk);
  EXPECT_EQ(TransactionCount(), 0);
  EXPECT_EQ(rows("select count(*) from items where id >= 970"), std::vector<std::string>{"0"});
  EXPECT_EQ(capture.take(), "");
}
