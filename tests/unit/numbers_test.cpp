// The numeric pair: number texts scanned, binary values read, values stored
// into variables with their range checks, and the text and binary forms
// written on output.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

class NumberTest : public ::testing::Test {
 protected:
  void TearDown() override { DBrunSettings().fractComma = 0; }
};

template <typename T>
T readAs(const char *bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

TEST_F(NumberTest, ScanNumber_ReadsSignDigitsAndFraction) {
  const struct { const char *text; long long whole; double real; } rows[] = {
      {"42", 42, 42.0},          {"  42  ", 42, 42.0},    {"-42", -42, -42.0},
      {"12.7", 12, 12.7},        {"-12.5", -12, -12.5},   {"-0.5", 0, -0.5},
      {"1,234.5", 1234, 1234.5}, {"1,000,000", 1000000, 1e6},
      {".5", 0, 0.5},            {"7.", 7, 7.0},          {"", 0, 0.0},
      {"    ", 0, 0.0},          {"-", 0, 0.0},
      {"9223372036854775807", LLONG_MAX, 9223372036854775807.0},
      {"0.000001", 0, 0.000001},
  };
  for (const auto &row : rows) {
    NumericPair pair;
    pair.whole = 99;
    pair.real = 99;
    ASSERT_EQ(scanNumber(&pair, static_cast<int>(std::strlen(row.text)), row.text, '\0'), 0)
        << row.text;
    EXPECT_EQ(pair.whole, row.whole) << row.text;
    EXPECT_DOUBLE_EQ(pair.real, row.real) << row.text;
  }
}

TEST_F(NumberTest, ScanNumber_RefusesWhatIsNotANumber) {
  const char *rows[] = {
      "4 2",  " -42", "4-2", "1e5", "1E-3", "+5", "12a", "1.2.3", "\t5", "5e", "1.5e-3", "e-",
      "99999999999999999999", "9223372036854775808",
  };
  for (const char *text : rows) {
    NumericPair pair;
    EXPECT_EQ(scanNumber(&pair, static_cast<int>(std::strlen(text)), text, '\0'),
              kDbNumberConversion) << text;
  }
}

TEST_F(NumberTest, ScanNumber_CommaIsTheDecimalPointWithCommaFractions) {
  const struct { unsigned char fractComma; const char *text; int code; double real; } rows[] = {
      {1, "1234,5", 0, 1234.5},   {1, "-0,25", 0, -0.25},  {0, "1234,5", 0, 12345.0},
      {1, "1.234,5", kDbNumberConversion, 0}, {1, "1,2,3", kDbNumberConversion, 0},
  };
  for (const auto &row : rows) {
    DBrunSettings().fractComma = row.fractComma;
    NumericPair pair;
    ASSERT_EQ(scanNumber(&pair, 0, row.text, '\0'), row.code) << row.text;
    if (row.code == 0) {
      EXPECT_DOUBLE_EQ(pair.real, row.real) << row.text;
    }
  }
}

TEST_F(NumberTest, ScanNumber_LengthAndStopCharacterEndTheText) {
  NumericPair pair;
  ASSERT_EQ(scanNumber(&pair, 5, "12;34", ';'), 0);
  EXPECT_EQ(pair.whole, 12);
  ASSERT_EQ(scanNumber(&pair, 2, "1234", '\0'), 0);
  EXPECT_EQ(pair.whole, 12);
  ASSERT_EQ(scanNumber(&pair, 0, "77", '\0'), 0);  // up to the NUL
  EXPECT_EQ(pair.whole, 77);
  ASSERT_EQ(scanNumber(&pair, 4, "5\0x9", '\0'), 0);  // an embedded NUL stops too
  EXPECT_EQ(pair.whole, 5);

  const std::string longFraction = "0." + std::string(400, '1');
  ASSERT_EQ(scanNumber(&pair, static_cast<int>(longFraction.size()), longFraction.c_str(), '\0'),
            0);
  EXPECT_TRUE(std::isfinite(pair.real));
  EXPECT_NEAR(pair.real, 1.0 / 9.0, 1e-12);
}

TEST_F(NumberTest, FormatNumber_WholeValuesAsIntegersOthersTrimmed) {
  const struct { long long whole; double real; const char *text; } rows[] = {
      {42, 42.0, "42"},        {12, 12.5, "12.5"},     {12, 12.0, "12"},
      {-7, -7.0, "-7"},        {2, 2.9999999, "3."},   {0, 0.1, "0.1"},
      {0, -0.5, "-0.5"},       {0, -0.0, "0"},         {0, 1e-7, "0."},
      {LLONG_MAX, 1e20, "100000000000000000000."},
      {9007199254740993LL, 9007199254740992.0, "9007199254740993"},
  };
  for (const auto &row : rows) {
    NumericPair pair;
    pair.whole = row.whole;
    pair.real = row.real;
    const int length = formatNumber(&pair);
    EXPECT_EQ(std::string(NumberText(), length), row.text) << row.real;
    EXPECT_EQ(std::strlen(NumberText()), static_cast<size_t>(length));
  }
}

TEST_F(NumberTest, EmitNumber_TextFormsKeepTheRightmostCharacters) {
  const struct { int format, length; long long whole; double real; std::string bytes; int code; }
      rows[] = {
          {7, 4, -5, -5.0, "00-5", 0},
          {7, 6, -42, -42.0, "000-42", 0},
          {7, 4, 123456, 123456.0, "3456", kDbTruncated},
          {7, 3, 12, 12.5, "2.5", kDbTruncated},
          {6, 10, 12, 12.5, std::string("12.5\0", 5), 0},
          {6, 5, 12, 12.5, std::string("12.5\0", 5), 0},
          {6, 3, 12345, 12345.0, std::string("45\0", 3), kDbTruncated},
          {8, 10, 42, 42.0, "\x02" "42", 0},
          {8, 3, 12345, 12345.0, "\x02" "45", kDbTruncated},
          {9, 10, 42, 42.0, std::string("\x02\0" "42", 4), 0},
          {9, 4, 12345, 12345.0, std::string("\x02\0" "45", 4), kDbTruncated},
      };
  for (const auto &row : rows) {
    alignas(8) char out[32];
    std::memset(out, '#', sizeof out);
    NumericPair pair;
    pair.whole = row.whole;
    pair.real = row.real;
    EXPECT_EQ(emitNumber(row.length, &pair, out, row.format), row.code)
        << row.format << "/" << row.length << "/" << row.real;
    EXPECT_EQ(std::string(out, row.bytes.size()), row.bytes) << row.format << "/" << row.real;
    EXPECT_EQ(out[row.length], '#') << "wrote past " << row.length;
  }
}

TEST_F(NumberTest, EmitNumber_BinaryFormsCheckWidthAlignmentAndRange) {
  alignas(8) char out[16];
  NumericPair pair;
  pair.whole = 40000;
  pair.real = 40000.0;
  EXPECT_EQ(emitNumber(2, &pair, out, 1), kDbTruncated);
  EXPECT_EQ(readAs<int16_t>(out), static_cast<int16_t>(40000 - 65536));
  EXPECT_EQ(emitNumber(4, &pair, out, 2), 0);
  EXPECT_EQ(readAs<int32_t>(out), 40000);
  EXPECT_EQ(emitNumber(8, &pair, out, 3), 0);
  EXPECT_EQ(readAs<int64_t>(out), 40000);
  EXPECT_EQ(emitNumber(4, &pair, out, 4), 0);
  EXPECT_EQ(readAs<float>(out), 40000.0f);
  EXPECT_EQ(emitNumber(8, &pair, out, 5), 0);
  EXPECT_EQ(readAs<double>(out), 40000.0);
  pair.whole = 3000000000LL;
  EXPECT_EQ(emitNumber(4, &pair, out, 2), kDbTruncated);
  pair.whole = LLONG_MAX;  // a double beyond every integer
  pair.real = 1e300;
  EXPECT_EQ(emitNumber(8, &pair, out, 3), kDbTruncated);
  EXPECT_EQ(emitNumber(4, &pair, out, 4), kDbTruncated);
  EXPECT_EQ(readAs<float>(out), FLT_MAX);

  const struct { int format, length, offset, code; } refusals[] = {
      {1, 4, 0, kDbFieldSize},   {1, 2, 1, kDbMisaligned}, {2, 8, 0, kDbFieldSize},
      {2, 4, 2, kDbMisaligned},  {3, 8, 4, kDbMisaligned}, {4, 8, 0, kDbFieldSize},
      {5, 8, 4, kDbMisaligned},  {9, 10, 1, kDbMisaligned}, {6, 0, 0, kDbFieldSize},
      {8, 0, 0, kDbFieldSize},   {9, 1, 0, kDbFieldSize},   {10, 8, 0, kDbCannotFormat},
      {16, 11, 0, kDbCannotFormat}, {22, 8, 0, kDbCannotFormat},
  };
  for (const auto &row : refusals)
    EXPECT_EQ(emitNumber(row.length, &pair, out + row.offset, row.format), row.code)
        << row.format << "/" << row.length << "/" << row.offset;
  EXPECT_EQ(emitNumber(8, &pair, nullptr, 6), kDbMisaligned);
}
