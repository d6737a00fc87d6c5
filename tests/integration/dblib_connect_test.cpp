// Connections against a real embedded database: registration, the name and
// handle rules, failure reports, and the emergency stop.
#include <cstring>

#include "dblib_fixture.h"

using DblibConnect = DblibTest;

TEST_F(DblibConnect, RegistersNameCutAtSpaceAndRefusesDuplicates) {
  EXPECT_EQ(std::string(databaseList[0].name), databasePath());
  EXPECT_EQ(DatabaseDialect(&db), 3);
  const int before = DatabaseCount();

  isc_db_handle second = 0;
  const std::string withTail = otherName() + " and more words";
  ASSERT_EQ(DBopen(withTail.c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  EXPECT_EQ(DatabaseCount(), before + 1);
  EXPECT_EQ(std::string(databaseList[before].name), otherName());
  EXPECT_EQ(FindDatabase(&second), kDbOk);
  EXPECT_EQ(currentDatabase, &second);

  isc_db_handle third = 0;
  EXPECT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &third), kDbNameDuplicate);
  EXPECT_EQ(third, 0u);

  // A variable still holding a live handle is not reused.
  isc_db_handle live = second;
  const std::string fresh = databasePath() + "x";
  EXPECT_EQ(DBopen(fresh.c_str(), "SYSDBA", "masterkey", &live), kDbHandleLive);
  EXPECT_EQ(live, second);
  EXPECT_EQ(capture.take(), "DB handle in use cannot re-open for <" + fresh + ">\r\n");

  EXPECT_EQ(DBclose(&second), kDbOk);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(DatabaseCount(), before);
  isc_db_handle never = 12345;
  EXPECT_EQ(DBclose(&never), kDbDatabaseNotFound);
  EXPECT_EQ(never, 12345u);
  EXPECT_EQ(capture.take(), "Database handle (12345) not registered\r\n");
}

TEST_F(DblibConnect, AttachesWithoutDpbOrWithCharacterSet) {
  const struct {
    const char *user, *password, *charSet;
    int expected;
  } rows[] = {
      {nullptr, nullptr, nullptr, kDbOk},          // no DPB at all
      {nullptr, nullptr, "UTF8", kDbOk},           // DPB with only the character set
      {"SYSDBA", "masterkey", "WIN1252", kDbOk},
      {"SYSDBA", "masterkey", "NO_SUCH_SET", kDbSqlError},
  };
  for (const auto &row : rows) {
    isc_db_handle other = 0;
    EXPECT_EQ(DBopen(otherName().c_str(), row.user, row.password, &other, row.charSet),
              row.expected)
        << (row.charSet ? row.charSet : "none");
    if (other != 0) {
      EXPECT_EQ(DBclose(&other), kDbOk);
    }
  }
  EXPECT_EQ(DatabaseCount(), 1);
}

TEST_F(DblibConnect, FailedAttachReportsWithoutPassword) {
  const std::string garbage = notADatabase();
  isc_db_handle other = 0;
  ASSERT_EQ(DBopen(garbage.c_str(), "SYSDBA", "masterkey", &other), kDbSqlError);
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(DatabaseCount(), 1);
  std::string text = capture.take();
  EXPECT_EQ(text.find("masterkey"), std::string::npos);
  std::vector<std::string> lines = messageLines(text);
  ASSERT_EQ(lines.size(), 5u) << text;
  EXPECT_EQ(lines[0], "Couldn't open database >" + garbage + "< as <SYSDBA>/<********>");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "ISC error code: 335544323");
  EXPECT_EQ(lines[3], "SQLCODE: -922 doing DBopen failure");
  EXPECT_TRUE(startsWith(lines[4], "\t- ")) << lines[4];

  // Level 2: all 20 longs, and below -900 the interpreted message.
  capture.settings().statusDumpLevel = 2;
  ASSERT_EQ(DBopen(garbage.c_str(), nullptr, nullptr, &other), kDbSqlError);
  lines = messageLines(capture.take());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Couldn't open database >" + garbage + "<");
  EXPECT_TRUE(startsWith(lines[2], "Contents of GDS longs after DBopen failure: 1, 335544323, "));
  int commas = 0;
  for (char c : lines[2]) commas += c == ',';
  EXPECT_EQ(commas, 19);
  EXPECT_EQ(lines[3], "SQLCODE: -922 doing DBopen failure");
  EXPECT_NE(lines[4].find("is not a valid database"), std::string::npos) << lines[4];
}

TEST_F(DblibConnect, NameLengthLimit) {
  const std::string prefix = sharedDir().path() + "/";
  const std::string name = prefix + std::string(255 - prefix.size(), 'n');
  notADatabase(name.substr(prefix.size()));
  isc_db_handle other = 0;
  // 255 characters reach the client (which finds no database there)...
  EXPECT_EQ(DBopen(name.c_str(), "SYSDBA", "masterkey", &other), kDbSqlError);
  EXPECT_NE(capture.take(), "");
  // ...256 do not.
  EXPECT_EQ(DBopen((name + "n").c_str(), "SYSDBA", "masterkey", &other), kDbNameTooLong);
  EXPECT_EQ(capture.take(), "");
}

TEST_F(DblibConnect, PanicExitRollsBackAndClosesEverything) {
  isc_db_handle second = 0;
  isc_tr_handle secondTr = 0;
  ASSERT_EQ(DBopen(otherName().c_str(), "SYSDBA", "masterkey", &second), kDbOk);
  ASSERT_EQ(StartTransaction("second", 2, &second, &secondTr), kDbOk);
  exec("insert into items values (901, 'first')");
  exec("insert into items values (902, 'second')", &secondTr, &second);
  const isc_db_handle firstValue = db, secondValue = second;

  PanicExitDb();
  EXPECT_EQ(DatabaseCount(), 0);
  EXPECT_EQ(TransactionCount(), 0);
  EXPECT_EQ(db, firstValue);
  EXPECT_EQ(second, secondValue);
  EXPECT_EQ(capture.take(), "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
  EXPECT_EQ(rows("select count(*) from items where id in (901, 902)"),
            std::vector<std::string>{"0"});
}
