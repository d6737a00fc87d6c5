// XSQLDA handling without a database: data buffer layout, refusals,
// identifiers and the dump format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

namespace {

// A zeroed XSQLDA of n described variables.
struct TestSqlda {
  explicit TestSqlda(int n) : storage(XSQLDA_LENGTH(n) / sizeof(std::max_align_t) + 1) {
    std::memset(storage.data(), 0, storage.size() * sizeof(std::max_align_t));  // padding too
    da()->sqln = da()->sqld = static_cast<short>(n);
  }
  XSQLDA *da() { return reinterpret_cast<XSQLDA *>(storage.data()); }
  XSQLVAR &describe(int i, short type, short length, short scale = 0) {
    XSQLVAR &var = da()->sqlvar[i];
    var.sqltype = type;
    var.sqllen = length;
    var.sqlscale = scale;
    return var;
  }
  std::vector<std::max_align_t> storage;
};

}  // namespace

TEST(DblibSqlda, LaysOutLargestAlignmentFirst) {
  TestSqlda sqlda(5);
  sqlda.describe(0, 452, 10);     // text: 11 with its terminator
  sqlda.describe(1, 496, 4, -2);  // scaled long: stays a long, with its scale
  sqlda.describe(2, 497, 4);
  sqlda.describe(3, 500, 2);
  sqlda.describe(4, 580, 8);
  int size = 0;
  char *data = AllocSqlData(sqlda.da(), "input", &size);
  ASSERT_NE(data, nullptr);
  const long offsets[] = {18, 8, 12, 16, 0};
  const short types[] = {453, 497, 497, 501, 581}, lengths[] = {11, 4, 4, 2, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(sqlda.da()->sqlvar[i].sqldata - data, offsets[i]) << i;
    EXPECT_EQ(sqlda.da()->sqlvar[i].sqltype, types[i]) << i;
    EXPECT_EQ(sqlda.da()->sqlvar[i].sqllen, lengths[i]) << i;
  }
  EXPECT_EQ(sqlda.da()->sqlvar[1].sqlscale, -2);
  EXPECT_EQ(size, 32);
  std::free(data);
}

TEST(DblibSqlda, RefusesTextWithoutRoomForTerminator) {
  MessageCapture capture;
  TestSqlda sqlda(1);
  sqlda.describe(0, 453, 32767);  // 32768 does not fit a 16-bit length
  int size = 0;
  EXPECT_EQ(AllocSqlData(sqlda.da(), "output", &size), nullptr);
  EXPECT_EQ(capture.take(), "Query: <>\r\n output variable 1 of 32767 bytes is too long\r\n");
}

TEST(DblibSqlda, UnknownTypeIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DBrunSettings().messageStream = stderr;
        TestSqlda sqlda(2);
        sqlda.describe(0, 496, 4);
        std::strcpy(sqlda.describe(1, SQL_NULL + 1, 1).aliasname, "FLAG");
        InitSqlda(sqlda.da(), 2, 0);
        int size = 0;
        AllocSqlData(sqlda.da(), "output", &size);
      },
      "Err at qrfuncs line 109\r\nUnknown SQL type \\(32767\\) for query <q[0-9]{6}/FLAG {28}> "
      "variable 2\r\nPanicExitDb called");
}

TEST(DblibSqlda, IdentifiersHaveSixDigitsAndWrap) {
  const int saved = sqldaCounter;
  TestSqlda sqlda(1);
  const struct { int before; const char *identifier; } rows[] = {
      {0, "q000001"}, {1, "q000002"}, {999998, "q999999"}, {999999, "q000000"}};
  for (const auto &row : rows) {
    sqldaCounter = row.before;
    InitSqlda(sqlda.da(), 1, 123);
    EXPECT_STREQ(sqlda.da()->sqldaid, row.identifier);
  }
  sqldaCounter = saved;
}

TEST(DblibSqlda, DumpWritesLongTextInPieces) {
  MessageCapture capture;
  TestSqlda sqlda(2);
  std::memcpy(sqlda.da()->sqldaid, "q000042", 8);
  short indicators[2] = {0, -1};
  char data[2][128] = {};
  const std::string text = std::string(50, 'a') + std::string(50, 'b') + "cc";
  std::memcpy(data[0], text.data(), text.size());
  for (int i = 0; i < 2; ++i) {
    XSQLVAR &var = sqlda.describe(i, 453, i == 0 ? 121 : 8);
    var.sqldata = data[i];
    var.sqlind = &indicators[i];
    std::snprintf(var.aliasname, sizeof var.aliasname, "COL%d", i + 1);
  }
  DumpSqlda("output", sqlda.da(), nullptr);
  std::string dump = capture.take();
  for (int i = 0; i < 2; ++i) {  // addresses differ from run to run
    char addresses[64];
    std::snprintf(addresses, sizeof addresses, "%10lld %10lld",
                  static_cast<long long>(reinterpret_cast<uintptr_t>(data[i])),
                  static_cast<long long>(reinterpret_cast<uintptr_t>(&indicators[i])));
    ASSERT_NE(dump.find(addresses), std::string::npos);
    dump.replace(dump.find(addresses), std::strlen(addresses), "ADDR");
  }
  const std::string pad(28, ' ');
  EXPECT_EQ(dump, " SQLDA type:output name: q000042, sqlda version: 0, size: 0, sqld/sqln: 2/2\r\n"
                  "\tType\tSize\t      Data      Ind. (=)  Name\r\n"
                  "   1->\t453\t121\tADDR   0  COL1" + pad + "\r\n"
                  "\tString (  102): <" + std::string(50, 'a') + "\r\n"
                  "\t------------------" + std::string(50, 'b') + "\r\n"
                  "\t------------------cc>\r\n"
                  "   2->\t453\t  8\tADDR  -1  COL2" + pad + "\r\n"
                  "\tString ( 0): <>\r\n");
}
