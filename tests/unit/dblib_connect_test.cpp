// Connection parameter blocks and the checks DBopen makes before it calls the
// client; transaction parameter blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

namespace {

std::string dpb(const char *user, const char *password, const char *charSet,
                int capacity = 1024) {
  char buffer[1100];
  std::memset(buffer, 0x5A, sizeof buffer);
  const int length = BuildDpb(buffer, capacity, user, password, charSet);
  if (length < 0) return "refused";
  EXPECT_EQ(static_cast<unsigned char>(buffer[capacity]), 0x5A) << "wrote past the buffer";
  if (length > 0) {
    EXPECT_EQ(buffer[length], 0) << "a NUL follows the last item";
  }
  return std::string(buffer, static_cast<size_t>(length));
}

}  // namespace

TEST(DblibConnect, DpbBytes) {
  EXPECT_EQ(dpb("SYSDBA", "masterky", nullptr),
            std::string("\x01\x1c\x06SYSDBA\x1d\x08masterky", 19));
  EXPECT_EQ(dpb("SYSDBA", "pw", "UTF8"),
            std::string("\x01\x1c\x06SYSDBA\x1d\x02pw\x30\x04UTF8", 19));
  EXPECT_EQ(dpb(nullptr, nullptr, "WIN1252"), std::string("\x01\x30\x07WIN1252", 10));
  EXPECT_EQ(dpb(nullptr, nullptr, nullptr), "");
  EXPECT_EQ(dpb(nullptr, nullptr, ""), "");
  const std::string max(255, 'u'), over(256, 'u');
  EXPECT_EQ(dpb(max.c_str(), "p", nullptr).size(), 1u + 2 + 255 + 2 + 1);
  EXPECT_EQ(dpb(over.c_str(), "p", nullptr), "refused");
  EXPECT_EQ(dpb("u", over.c_str(), nullptr), "refused");
  EXPECT_EQ(dpb("u", "p", over.c_str()), "refused");
  // 1 + 8 + 8 = 17 bytes need 18 with the NUL.
  EXPECT_EQ(dpb("user12", "pass12", nullptr, 17), "refused");
  EXPECT_EQ(dpb("user12", "pass12", nullptr, 18).size(), 17u);
}

TEST(DblibConnect, RefusesCredentialsBeforeCallingClient) {
  MessageCapture capture;
  const std::string over(256, 'p');
  const struct {
    const char *name, *user, *password;
    int expected;
  } rows[] = {
      {"/nonexistent/a.fdb", nullptr, "secret", kDbMissingCredentials},
      {"/nonexistent/a.fdb", "SYSDBA", nullptr, kDbMissingCredentials},
      {"/nonexistent/a.fdb", "SYSDBA", "", kDbMissingCredentials},
      {"/nonexistent/a.fdb", "", "secret", kDbMissingCredentials},
      {nullptr, nullptr, nullptr, kDbMissingCredentials},
      {"/nonexistent/a.fdb", "SYSDBA", over.c_str(), kDbStrangeReturn},
  };
  for (const auto &row : rows) {
    isc_db_handle db = 0;
    EXPECT_EQ(DBopen(row.name, row.user, row.password, &db), row.expected);
    EXPECT_EQ(db, 0u);
  }
  EXPECT_EQ(DatabaseCount(), 0);
  const std::string text = capture.take();
  EXPECT_EQ(text, "Interbase DPB item too long: password, max 255 bytes!\r\n");
}

TEST(DblibTransactions, TpbBytes) {
  const struct { int type; std::string bytes; } rows[] = {
      {1, std::string("\x01\x09\x02\x06", 4)},
      {2, std::string("\x01\x09\x02\x07", 4)},
      {3, std::string("\x01\x08\x02\x07", 4)},
      {4, std::string("\x01\x08\x0f\x07\x12", 5)},
      {0, std::string("\x01\x09\x02\x06", 4)},
      {5, std::string("\x01\x09\x02\x06", 4)},
      {-1, std::string("\x01\x09\x02\x06", 4)},
  };
  for (const auto &row : rows) {
    char tpb[5] = {};
    const int length = BuildTpb(row.type, tpb);
    EXPECT_EQ(std::string(tpb, static_cast<size_t>(length)), row.bytes) << row.type;
  }
}
