// Connections against a real embedded database: registration rules, failure
// reports, and the emergency stop.
#include <algorithm>

#include "dblib_fixture.h"

using DblibConnect = DblibTest;

TEST_F(DblibConnect, RegistersNameCutAtSpaceAndRefusesReuse) {
  EXPECT_EQ(DatabaseDialect(&db), 3);
  isc_db_handle second = 0, third = 0;
  ASSERT_EQ(DBopen((otherName() + " and more").c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  EXPECT_EQ(std::string(databaseList[1].name), otherName());
  EXPECT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &third), kDbNameDuplicate);
  isc_db_handle live = second;  // a variable that still holds a live handle
  EXPECT_EQ(DBopen("/x/fresh.fdb", "SYSDBA", "masterkey", &live), kDbHandleLive);
  EXPECT_EQ(live, second);
  EXPECT_EQ(DBclose(&second), kDbOk);
  EXPECT_EQ(second, 0u);
  isc_db_handle never = 12345;
  EXPECT_EQ(DBclose(&never), kDbDatabaseNotFound);
  EXPECT_EQ(never, 12345u);
  EXPECT_EQ(capture.take(), "DB handle in use cannot re-open for </x/fresh.fdb>\r\n"
                            "Database handle (12345) not registered\r\n");
  // Without credentials no DPB is sent; a character set is sent on its own.
  EXPECT_EQ(DBopen(otherName().c_str(), nullptr, nullptr, &second, "NO_SUCH_SET"), kDbSqlError);
  EXPECT_EQ(DBopen(otherName().c_str(), nullptr, nullptr, &second), kDbOk);
  EXPECT_EQ(DatabaseCount(), 2);
}

TEST_F(DblibConnect, FailedAttachReportsAtBothLevelsWithoutPassword) {
  const std::string prefix = sharedDir().path() + "/";
  // Not a database: the attach fails inside the embedded engine (a missing
  // file would be tried on a local server as well).
  const std::string name = prefix + std::string(255 - prefix.size(), 'n');
  writeFile(name, std::string(16384, 'g'));
  isc_db_handle other = 0;
  EXPECT_EQ(DBopen((name + "n").c_str(), "SYSDBA", "masterkey", &other), kDbNameTooLong);
  ASSERT_EQ(DBopen(name.c_str(), "SYSDBA", "masterkey", &other), kDbSqlError);
  EXPECT_EQ(other, 0u);
  std::vector<std::string> lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Couldn't open database >" + name + "< as <SYSDBA>/<********>");
  EXPECT_EQ(lines[2], "ISC error code: 335544323");
  EXPECT_EQ(lines[3], "SQLCODE: -922 doing DBopen failure");
  EXPECT_TRUE(startsWith(lines[4], "\t- ")) << lines[4];

  // Level 2: all 20 longs; below -900 the interpreted message replaces the text.
  capture.settings.statusDumpLevel = 2;
  ASSERT_EQ(DBopen(name.c_str(), nullptr, nullptr, &other), kDbSqlError);
  lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Couldn't open database >" + name + "<");
  EXPECT_TRUE(startsWith(lines[2], "Contents of GDS longs after DBopen failure: 1, 335544323, "));
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 19);
  EXPECT_NE(lines[4].find("is not a valid database"), std::string::npos) << lines[4];
  EXPECT_EQ(DatabaseCount(), 1);
}

TEST_F(DblibConnect, PanicExitRollsBackAndClosesEverything) {
  isc_db_handle second = 0;
  isc_tr_handle secondTr = 0;
  ASSERT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  ASSERT_EQ(StartTransaction("second", 2, &second, &secondTr), kDbOk);
  exec("insert into items values (901, 'first')");
  exec("insert into items values (902, 'second')", &secondTr, &second);
  const isc_db_handle firstValue = db;
  PanicExitDb();
  EXPECT_EQ(DatabaseCount() + TransactionCount(), 0);
  EXPECT_EQ(db, firstValue);
  EXPECT_EQ(capture.take(), "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
  EXPECT_EQ(rows("select count(*) from items where id > 900"), std::vector<std::string>{"0"});
}
