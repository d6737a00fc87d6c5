// XSQLDA handling without a database: coercion of described types, the data
// buffer layout, identifiers, and the dump format.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

namespace {

// A zeroed XSQLDA of n variables, as the client leaves it after a describe.
class TestSqlda {
 public:
  explicit TestSqlda(int n)
      : storage_((XSQLDA_LENGTH(n) + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)) {
    da()->version = SQLDA_VERSION1;
    da()->sqln = da()->sqld = static_cast<short>(n);
  }
  XSQLDA *da() { return reinterpret_cast<XSQLDA *>(storage_.data()); }
  XSQLVAR &var(int i) { return da()->sqlvar[i]; }
  void describe(int i, short type, short length, short scale = 0) {
    var(i).sqltype = type;
    var(i).sqllen = length;
    var(i).sqlscale = scale;
  }

 private:
  std::vector<std::max_align_t> storage_;
};

// Replaces the two addresses of each variable line ("->\t type \t size \t
// data ind") by ADDR; they differ from run to run.
std::string withoutAddresses(const std::string &dump) {
  std::string out;
  size_t start = 0;
  while (start < dump.size()) {
    size_t end = dump.find('\n', start);
    end = end == std::string::npos ? dump.size() : end + 1;
    std::string line = dump.substr(start, end - start);
    if (line.find("->\t") != std::string::npos) {
      size_t at = line.find('\t', line.find('\t', line.find('\t') + 1) + 1) + 1;
      size_t stop = at;
      for (int number = 0; number < 2; ++number) {
        while (line[stop] == ' ') ++stop;
        while (std::isdigit(static_cast<unsigned char>(line[stop]))) ++stop;
        if (number == 0) ++stop;  // the space between the addresses
      }
      line.replace(at, stop - at, "ADDR");
    }
    out += line;
    start = end;
  }
  return out;
}

}  // namespace

TEST(DblibSqlda, CoercesEveryDescribedType) {
  const struct { short type, scale, length, newType, newLength; } rows[] = {
      {452, 0, 10, 453, 11},  {453, 0, 10, 453, 11},  {448, 0, 10, 453, 11},
      {449, 0, 1, 453, 2},    {14, 0, 5, 453, 6},     {37, 0, 5, 453, 6},
      {41, 0, 5, 453, 6},     {500, 0, 2, 501, 2},    {501, -1, 2, 483, 4},
      {7, -2, 2, 483, 4},     {496, 0, 4, 497, 4},    {497, -2, 4, 481, 8},
      {8, 0, 4, 497, 4},      {580, 0, 8, 581, 8},    {581, -4, 8, 481, 8},
      {16, -1, 8, 481, 8},    {482, 0, 4, 483, 4},    {10, 0, 4, 483, 4},
      {480, 0, 8, 481, 8},    {530, 0, 8, 481, 8},    {27, 0, 8, 481, 8},
      {510, 0, 8, 511, 8},    {560, 0, 4, 511, 8},    {571, 0, 4, 511, 8},
      {35, 0, 8, 511, 8},     {520, 0, 8, 521, 8},    {9, 0, 8, 521, 8},
      {45, 0, 8, 521, 8},     {261, 0, 8, 521, 8},    {541, 0, 8, 541, 8},
  };
  const int n = static_cast<int>(sizeof rows / sizeof rows[0]);
  TestSqlda sqlda(n);
  for (int i = 0; i < n; ++i) sqlda.describe(i, rows[i].type, rows[i].length, rows[i].scale);
  int size = 0;
  char *data = AllocSqlData(sqlda.da(), "output", &size);
  ASSERT_NE(data, nullptr);
  for (int i = 0; i < n; ++i) {
    const XSQLVAR &var = sqlda.var(i);
    EXPECT_EQ(var.sqltype, rows[i].newType) << "described " << rows[i].type;
    EXPECT_EQ(var.sqllen, rows[i].newLength) << "described " << rows[i].type;
    const long offset = var.sqldata - data;
    EXPECT_TRUE(offset >= 0 && offset + var.sqllen <= size) << i;
  }
  std::free(data);
}

TEST(DblibSqlda, LaysOutLargestAlignmentFirst) {
  TestSqlda sqlda(5);
  sqlda.describe(0, 452, 10);      // text, 11 after coercion
  sqlda.describe(1, 496, 4, -2);   // scaled long: double, 8
  sqlda.describe(2, 497, 4);       // long, 4
  sqlda.describe(3, 500, 2);       // short, 2
  sqlda.describe(4, 580, 8);       // int64, 8
  int size = 0;
  char *data = AllocSqlData(sqlda.da(), "input", &size);
  ASSERT_NE(data, nullptr);
  const long expected[] = {22, 0, 16, 20, 8};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(sqlda.var(i).sqldata - data, expected[i]) << i;
  EXPECT_EQ(size, 36);
  std::free(data);
}

TEST(DblibSqlda, RefusesCountMismatchAndUnterminableText) {
  MessageCapture capture;
  QueryRecord record;
  record.sqlText = "insert into t values (?, ?, ?)";
  QueryEntry entry = {};
  entry.owner = &record;
  currentQuery = &entry;

  TestSqlda mismatch(3);
  mismatch.da()->sqln = 2;
  int size = -1;
  EXPECT_EQ(AllocSqlData(mismatch.da(), "input", &size), nullptr);
  EXPECT_EQ(capture.take(), "Query: <insert into t values (?, ?, ?)>\r\n"
                            " input has <=> counts for sqln/sqld: 2/3\r\n");

  // A 32767-byte text leaves no room for the terminator in a 16-bit length.
  TestSqlda wide(1);
  wide.describe(0, 453, 32767);
  EXPECT_EQ(AllocSqlData(wide.da(), "output", &size), nullptr);
  EXPECT_NE(capture.take().find("variable 1 of 32767 bytes is too long"), std::string::npos);
  currentQuery = nullptr;
}

TEST(DblibSqlda, UnknownTypeIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DBrunSettings().messageStream = stderr;
        TestSqlda sqlda(2);
        sqlda.describe(0, 496, 4);
        sqlda.describe(1, SQL_BOOLEAN + 1, 1);
        std::memcpy(sqlda.var(1).aliasname, "FLAG", 5);
        InitSqlda(sqlda.da(), 2, 0);
        int size = 0;
        AllocSqlData(sqlda.da(), "output", &size);
      },
      "Err at qrfuncs line 109.*Unknown SQL type \\(32765\\) for query <q[0-9]{6}/FLAG {28}> "
      "variable 2.*PanicExitDb called");
}

TEST(DblibSqlda, IdentifiersHaveSixDigitsAndWrap) {
  const int saved = sqldaCounter;
  TestSqlda sqlda(1);
  const struct { int before; const char *identifier; } rows[] = {
      {0, "q000001"}, {1, "q000002"}, {41, "q000042"}, {999998, "q999999"}, {999999, "q000000"},
  };
  for (const auto &row : rows) {
    sqldaCounter = row.before;
    InitSqlda(sqlda.da(), 3, 123);
    EXPECT_STREQ(sqlda.da()->sqldaid, row.identifier);
  }
  EXPECT_EQ(sqlda.da()->version, 1);
  EXPECT_EQ(sqlda.da()->sqln, 3);
  EXPECT_EQ(sqlda.da()->sqldabc, 123);
  sqldaCounter = saved;
}

TEST(DblibSqlda, DumpWritesEveryValueForm) {
  MessageCapture capture;
  const int saved = sqldaCounter;
  sqldaCounter = 122;
  TestSqlda sqlda(12);
  InitSqlda(sqlda.da(), 12, 1000);
  short indicators[12] = {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  alignas(8) char data[12][128] = {};
  const std::string longText = std::string(50, 'a') + std::string(50, 'b') + std::string(20, 'c');
  std::memcpy(data[1], longText.data(), longText.size());
  const double d = 12.5;
  const float f = 1.25f;
  const int32_t l = -5, stamp[2] = {58849, 36000000}, blob[2] = {1, 2}, array[2] = {3, 4};
  const short s = 7;
  const long long big = 1234567890123LL;
  std::memcpy(data[2], &d, 8);
  std::memcpy(data[3], &f, 4);
  std::memcpy(data[4], &l, 4);
  std::memcpy(data[5], &s, 2);
  std::memcpy(data[6], stamp, 8);
  std::memcpy(data[7], blob, 8);
  std::memcpy(data[8], array, 8);
  std::memcpy(data[9], &big, 8);
  const short types[12] = {453, 453, 481, 483, 497, 501, 511, 521, 541, 581, 32765, 497};
  for (int i = 0; i < 12; ++i) {
    sqlda.describe(i, types[i], i == 1 ? 121 : 8);
    sqlda.var(i).sqldata = i == 11 ? nullptr : data[i];  // no data area: not dumped
    sqlda.var(i).sqlind = &indicators[i];
    std::snprintf(sqlda.var(i).aliasname, 32, "COL%d", i + 1);
  }
  DumpSqlda("output", sqlda.da(), nullptr);
  const std::string dump = withoutAddresses(capture.take());
  auto row = [](int n, int type, int size, int ind) {
    char line[128];
    std::snprintf(line, sizeof line, "  %2d->\t%3d\t%3d\tADDR %3d  %-32s\r\n", n, type, size, ind,
                  ("COL" + std::to_string(n)).c_str());
    return std::string(line);
  };
  const std::string expected =
      " SQLDA type:output name: q000123, sqlda version: 1, size: 1000, sqld/sqln: 12/12\r\n"
      "\tType\tSize\t      Data      Ind. (=)  Name\r\n" +
      row(1, 453, 8, -1) + "\tString ( 0): <>\r\n" +
      row(2, 453, 121, 0) + "\tString (  120): <" + std::string(50, 'a') + "\r\n" +
      "\t------------------" + std::string(50, 'b') + "\r\n" +
      "\t------------------" + std::string(20, 'c') + ">\r\n" +
      row(3, 481, 8, 0) + "\tContents: <Double:      12.5000000>\r\n" +
      row(4, 483, 8, 0) + "\tContents: <Float:        1.2500000>\r\n" +
      row(5, 497, 8, 0) + "\tContents: <Int32:  -5>\r\n" +
      row(6, 501, 8, 0) + "\tContents: <Int16:  7>\r\n" +
      row(7, 511, 8, 0) + "\tContents: <Date:   58849/36000000>\r\n" +
      row(8, 521, 8, 0) + "\tContents: <Blob:   1/2>\r\n" +
      row(9, 541, 8, 0) + "\tContents: <Array:  3/4>\r\n" +
      row(10, 581, 8, 0) + "\tContents: <Int64:  1234567890123>\r\n" +
      row(11, 32765, 8, 0) + "\tContents: <Unknown TYPE!>\r\n";
  EXPECT_EQ(dump, expected);

  // An input dump shows the laid-out capacity; no variables stops after the header.
  const short lengths[1] = {40};
  TestSqlda one(1);
  InitSqlda(one.da(), 1, 200);
  one.describe(0, 453, 3);
  one.var(0).sqldata = data[1];
  one.var(0).sqlind = &indicators[1];
  DumpSqlda("input", one.da(), lengths);
  EXPECT_NE(withoutAddresses(capture.take()).find("  1->\t453\t 40\tADDR   0  "), std::string::npos);
  one.da()->sqld = 0;
  DumpSqlda("input", one.da(), lengths);
  EXPECT_EQ(capture.take(),
            " SQLDA type:input name: q000124, sqlda version: 1, size: 200, sqld/sqln: 0/1\r\n");
  sqldaCounter = saved;
}
