// Parameter blocks, and the checks DBopen makes before it calls the client.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

TEST(DblibConnect, DpbBytes) {
  auto dpb = [](const char *user, const char *password, const char *charSet, int capacity) {
    char buffer[1100];
    std::memset(buffer, 0x5A, sizeof buffer);
    const int length = BuildDpb(buffer, capacity, user, password, charSet);
    EXPECT_EQ(buffer[capacity], 0x5A) << "wrote past the buffer";
    if (length < 0) return std::string("refused");
    EXPECT_TRUE(length == 0 || buffer[length] == 0) << "a NUL follows the last item";
    return std::string(buffer, static_cast<size_t>(length));
  };
  const std::string over(256, 'x');
  EXPECT_EQ(dpb("SYSDBA", "masterky", nullptr, 1024),
            std::string("\x01\x1c\x06SYSDBA\x1d\x08masterky", 19));
  EXPECT_EQ(dpb("SYSDBA", "pw", "UTF8", 1024),
            std::string("\x01\x1c\x06SYSDBA\x1d\x02pw\x30\x04UTF8", 19));
  EXPECT_EQ(dpb(nullptr, nullptr, "WIN1252", 1024), std::string("\x01\x30\x07WIN1252", 10));
  EXPECT_EQ(dpb(nullptr, nullptr, nullptr, 1024), "");
  EXPECT_EQ(dpb(over.c_str(), "p", nullptr, 1024), "refused");
  EXPECT_EQ(dpb("u", "p", over.c_str(), 1024), "refused");
  EXPECT_EQ(dpb("user12", "pass12", nullptr, 17), "refused");  // 17 bytes and the NUL
  EXPECT_EQ(dpb("user12", "pass12", nullptr, 18).size(), 17u);
}

TEST(DblibConnect, RefusesCredentialsBeforeCallingClient) {
  MessageCapture capture;
  const std::string over(256, 'p');
  const struct { const char *user, *password; int expected; } rows[] = {
      {nullptr, "secret", kDbMissingCredentials}, {"SYSDBA", nullptr, kDbMissingCredentials},
      {"SYSDBA", "", kDbMissingCredentials},      {"", "secret", kDbMissingCredentials},
      {"SYSDBA", over.c_str(), kDbStrangeReturn},
  };
  for (const auto &row : rows) {
    isc_db_handle db = 0;
    EXPECT_EQ(DBopen("/nonexistent/a.fdb", row.user, row.password, &db), row.expected);
  }
  EXPECT_EQ(DatabaseCount(), 0);
  EXPECT_EQ(capture.take(), "Interbase DPB item too long: password, max 255 bytes!\r\n");
}

TEST(DblibTransactions, TpbBytes) {
  const struct { int type; std::string bytes; } rows[] = {
      {1, std::string("\x01\x09\x02\x06", 4)},     {2, std::string("\x01\x09\x02\x07", 4)},
      {3, std::string("\x01\x08\x02\x07", 4)},     {4, std::string("\x01\x08\x0f\x07\x12", 5)},
      {0, std::string("\x01\x09\x02\x06", 4)},     {-1, std::string("\x01\x09\x02\x06", 4)},
  };
  for (const auto &row : rows) {
    char tpb[5] = {};
    EXPECT_EQ(std::string(tpb, static_cast<size_t>(BuildTpb(row.type, tpb))), row.bytes);
  }
}
