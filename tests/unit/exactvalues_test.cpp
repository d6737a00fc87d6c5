// The exact conversions without a database: scaled integers to and from
// text and floating point, times of day, booleans, and the 64-bit ends of
// the number scanner.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

class ExactValues : public ::testing::Test {
 protected:
  void TearDown() override { DBrunSettings().fractComma = 0; }
};

std::string scaledText(long long value, int scale) {
  char text[kScaledTextRoom];
  const int length = formatScaled(value, scale, text);
  EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
  return text;
}

int scan(const std::string &text, int scale, long long *value) {
  return scanScaled(text.c_str(), static_cast<int>(text.size()), scale, value);
}

// The canonical text of a scaled value built digit by digit, the slow way.
std::string slowText(long long value, int scale) {
  std::string digits = std::to_string(value);
  const bool negative = digits[0] == '-';
  if (negative) digits.erase(0, 1);
  const size_t places = static_cast<size_t>(-scale);
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - places);
  std::string fraction = digits.substr(digits.size() - places);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

}  // namespace

TEST_F(ExactValues, FormatScaled_ExactTextWithoutTrailingZeros) {
  const struct { long long value; int scale; const char *text; } rows[] = {
      {1250, -2, "12.5"},       {700, -2, "7"},          {-25, -2, "-0.25"},
      {0, -8, "0"},             {1, -8, "0.00000001"},   {-1, -8, "-0.00000001"},
      {5, -2, "0.05"},          {-3277, -1, "-327.7"},   {32767, -1, "3276.7"},
      {-42, 0, "-42"},          {120, 1, "120"},         {1000000, -6, "1"},
      {LLONG_MAX, 0, "9223372036854775807"},
      {LLONG_MIN, 0, "-9223372036854775808"},
      {LLONG_MIN, -18, "-9.223372036854775808"},
      {LLONG_MIN, -2, "-92233720368547758.08"},
      {9999999999999999, -2, "99999999999999.99"},
      {1234567890125678, -4, "123456789012.5678"},
      {-1, -18, "-0.000000000000000001"},
  };
  for (const auto &row : rows) EXPECT_EQ(scaledText(row.value, row.scale), row.text);
}

TEST_F(ExactValues, ScanScaled_ConvertsExactlyAndRoundsHalfAwayFromZero) {
  const struct { const char *text; int scale; long long value; } rows[] = {
      {"12.345", -2, 1235},      {"-12.345", -2, -1235},   {"12.344999", -2, 1234},
      {"0.005", -2, 1},          {"-0.005", -2, -1},       {"0.0049999", -2, 0},
      {"12.5", -2, 1250},        {"  7  ", -2, 700},       {"7.", -2, 700},
      {".5", -1, 5},             {"1,234.5", -2, 123450},  {"-0", -2, 0},
      {"", -2, 0},               {"   ", -4, 0},
      {"12.7", 0, 13},           {"-12.5", 0, -13},        {"3276.7", -1, 32767},
      {"99999999999999.995", -2, 10000000000000000},
      {"-9223372036854775808", 0, LLONG_MIN},
      {"9223372036854775807", 0, LLONG_MAX},
      {"-92233720368547758.08", -2, LLONG_MIN},
      {"0.000000000000000001", -18, 1},
      {"1.00000000000000000049", -18, 1000000000000000000},
  };
  for (const auto &row : rows) {
    long long value = 99;
    ASSERT_EQ(scan(row.text, row.scale, &value), 0) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
  DBrunSettings().fractComma = 1;
  long long value = 0;
  ASSERT_EQ(scan("1234,5", -2, &value), 0);
  EXPECT_EQ(value, 123450);
}

TEST_F(ExactValues, ScanScaled_RefusesNonNumbersAndValuesBeyond64Bits) {
  const struct { const char *text; int scale; int code; } rows[] = {
      {"4 2", -2, kDbNumberConversion},   {" -1", -2, kDbNumberConversion},
      {"+5", -2, kDbNumberConversion},    {"1.2.3", -2, kDbNumberConversion},
      {"1e5", -2, kDbNumberConversion},   {"1E-3", -2, kDbNumberConversion},
      {"1.5e-3", -2, kDbNumberConversion},
      {"12a", -2, kDbNumberConversion},   {"4-2", 0, kDbNumberConversion},
      {"9223372036854775808", 0, kDbNumberConversion},
      {"-9223372036854775809", 0, kDbNumberConversion},
      {"92233720368547758.08", -2, kDbTruncated},
      {"-92233720368547758.09", -2, kDbTruncated},
      {"9223372036854775807.5", 0, kDbTruncated},  // rounds past the end
      {"10", -18, kDbTruncated},
  };
  for (const auto &row : rows) {
    long long value = 99;
    EXPECT_EQ(scan(row.text, row.scale, &value), row.code) << row.text;
    EXPECT_EQ(value, 99) << row.text;
  }
}

// Every value of every scale comes back from its text unchanged, and that
// text is the canonical one.
TEST_F(ExactValues, ScaledText_RandomValuesRoundTripThroughTheirText) {
  std::mt19937_64 random(20260101);
  for (int i = 0; i < 200000; ++i) {
    const int scale = -static_cast<int>(random() % 19);
    const int width = 1 + static_cast<int>(random() % 63);
    long long value = static_cast<long long>(random() >> (64 - width));
    if (random() & 1) value = -value;
    if (i < 19) value = i % 2 ? LLONG_MIN : LLONG_MAX;
    const std::string text = scaledText(value, scale);
    ASSERT_EQ(text, slowText(value, scale)) << value << " " << scale;
    long long back = 0;
    ASSERT_EQ(scan(text, scale, &back), 0) << text;
    ASSERT_EQ(back, value) << text;
  }
}

TEST_F(ExactValues, FloatingPoint_NearestBothWaysAndRoundedHalfAwayFromZero) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int scale = -static_cast<int>(random() % 19);
    const long long value = static_cast<long long>(random()) >> (random() % 63);
    const std::string text = scaledText(value, scale);
    ASSERT_EQ(scaledToDouble(value, scale), std::strtod(text.c_str(), nullptr)) << text;
    ASSERT_EQ(scaledToFloat(value, scale), std::strtof(text.c_str(), nullptr)) << text;
  }
  const struct { double real; int scale; long long value; } rows[] = {
      {0.125, -2, 13},          {-0.125, -2, -13},       {12.5, -2, 1250},
      {2.675, -2, 267},         // the double lies just below 2.675
      {12.345, -2, 1235},       // and this one just above 12.345
      {0.5, 0, 1},              {-0.5, 0, -1},           {0.0, -18, 0},
      {1e-20, -18, 0},          {1e-18, -18, 1},         {1e15, -3, 1000000000000000000},
      {-9223372036854775808.0, 0, LLONG_MIN},
  };
  for (const auto &row : rows) {
    long long value = 99;
    ASSERT_EQ(doubleToScaled(row.real, row.scale, &value), 0) << row.real;
    EXPECT_EQ(value, row.value) << row.real;
  }
  const double beyondRange[] = {9223372036854775808.0, 1e19, -1e19, 1e300, 1e17, HUGE_VAL,
                                std::nan("")};
  for (double beyond : beyondRange) {
    long long value = 99;
    EXPECT_EQ(doubleToScaled(beyond, beyond == 1e17 ? -2 : 0, &value), kDbTruncated) << beyond;
    EXPECT_EQ(value, 99);
  }
}

// CSV mode's number texts: one grammar, converted from their exact decimal.
// A row's results are for scale 2, scale 0, DOUBLE and FLOAT; `beyond`
// names those (s, w, d, f) whose range the value leaves.
TEST_F(ExactValues, Decimal_StrictGrammarConvertedExactly) {
  const struct {
    const char *text;
    long long scaled, whole;
    double real;
    float narrow;
    const char *beyond;
  } rows[] = {
      {"2.7", 270, 3, 2.7, 2.7f, ""},              {"-2.5", -250, -3, -2.5, -2.5f, ""},
      {"0.9999", 100, 1, 0.9999, 0.9999f, ""},     {"+7.25", 725, 7, 7.25, 7.25f, ""},
      {"1.5e3", 150000, 1500, 1500, 1500, ""},     {".5", 50, 1, 0.5, 0.5f, ""},
      {"5.", 500, 5, 5, 5, ""},
      {" \t-12.345E+1 ", -12345, -123, -123.45, -123.45f, ""},
      {"-0.005", -1, 0, -0.005, -0.005f, ""},
      {"00000000000000000000042", 4200, 42, 42, 42, ""},
      {"0e999999999999999999", 0, 0, 0, 0, ""},    {"-0", 0, 0, -0.0, -0.0f, ""},
      {"9223372036854775807", 0, LLONG_MAX, 9223372036854775807.0, 9223372036854775807.0f, "s"},
      {"-9223372036854775808", 0, LLONG_MIN, -9223372036854775808.0, -9223372036854775808.0f,
       "s"},
      {"9223372036854775807.5", 0, 0, 9223372036854775807.5, 9223372036854775807.5f, "sw"},
      {"0.0000000000000000000000000000000000000000000123e9999999999", 0, 0, 0, 0, "swdf"},
      {"4.94065645841247e-324", 0, 0, 4.94065645841247e-324, 0, "f"},
      {"1e-310", 0, 0, 1e-310, 0, "f"},
      {"1.4013e-45", 0, 0, 1.4013e-45, 1.4013e-45f, ""},
      {"1e400", 0, 0, 0, 0, "swdf"},               {"1e39", 0, 0, 1e39, 0, "swf"},
      {"1e-400", 0, 0, 0, 0, "df"},
  };
  for (const auto &row : rows) {
    const std::string text = row.text;
    DecimalText decimal;
    ASSERT_EQ(scanDecimal(text.data(), static_cast<int>(text.size()), false, &decimal), 0) << text;
    auto expectCode = [&](char which, int status) {
      EXPECT_EQ(status, std::strchr(row.beyond, which) ? kDbTruncated : 0) << text << " " << which;
      return status == 0;
    };
    long long value = 0;
    if (expectCode('s', decimalToScaled(decimal, 2, &value))) {
      EXPECT_EQ(value, row.scaled) << text;
    }
    if (expectCode('w', decimalToScaled(decimal, 0, &value))) {
      EXPECT_EQ(value, row.whole) << text;
    }
    double real = 1;
    if (expectCode('d', decimalToDouble(decimal, &real))) {
      EXPECT_EQ(real, row.real) << text;
      EXPECT_EQ(std::signbit(real), std::signbit(row.real)) << text;
    }
    float narrow = 1;
    if (expectCode('f', decimalToFloat(decimal, &narrow))) {
      EXPECT_EQ(narrow, row.narrow) << text;
    }
  }
  // Thousands separators, inner blanks, currency, words, hex and lone signs.
  for (const char *text : {"12,34", "1 000", "$5", "NaN", "nan", "inf", "-Infinity", "0x10", ".",
                           "-", "+", "", "  ", "+-1", "--1", "1e", "1e+", "e5", "1.2.3", "5-",
                           "1e5.5", "1_000", "\xd9\xa3", "1d5"}) {
    DecimalText decimal;
    decimal.exponent = 77;
    EXPECT_EQ(scanDecimal(text, static_cast<int>(std::strlen(text)), false, &decimal),
              kDbNumberConversion) << text;
    EXPECT_EQ(decimal.exponent, 77) << text;
  }
  // A comma point, with fractcomma; the point stays a point.
  for (const char *text : {"12,34", "12.34"}) {
    DecimalText decimal;
    ASSERT_EQ(scanDecimal(text, 5, true, &decimal), 0) << text;
    double real = 0;
    ASSERT_EQ(decimalToDouble(decimal, &real), 0);
    EXPECT_EQ(real, 12.34);
    long long value = 0;
    ASSERT_EQ(decimalToScaled(decimal, 1, &value), 0);
    EXPECT_EQ(value, 123);
  }
  DecimalText decimal;
  EXPECT_EQ(scanDecimal("1,2,3", 5, true, &decimal), kDbNumberConversion);
  // Thousands of leading zeros that the exponent moves back.
  const std::string longText = "0." + std::string(4999, '0') + "15e5000";
  ASSERT_EQ(scanDecimal(longText.data(), static_cast<int>(longText.size()), false, &decimal), 0);
  long long value = 0;
  ASSERT_EQ(decimalToScaled(decimal, 0, &value), 0);
  EXPECT_EQ(value, 2);
  double real = 0;
  ASSERT_EQ(decimalToDouble(decimal, &real), 0);
  EXPECT_EQ(real, 1.5);
}

TEST_F(ExactValues, TimeOfDay_FormsAndRanges) {
  const struct { const char *text; int code; unsigned time; } rows[] = {
      {"10:11:12", 0, 366720000},   {"10:11", 0, 366600000},     {"1:05", 0, 39000000},
      {" 23:59:59.9999 ", 0, 863999999}, {"00:00:00.5", 0, 5000},  {"12:00:00.25", 0, 432002500},
      {"24:00", kDbBadTime, 0},     {"10:60", kDbBadTime, 0},    {"10:11:60", kDbBadTime, 0},
      {"10:11:12.12345", kDbCannotFormat, 0},  {"10/11/12", kDbCannotFormat, 0},
      {"10:1", kDbCannotFormat, 0}, {"10:11:", kDbCannotFormat, 0},
      {"10:11:12.", kDbCannotFormat, 0},       {"", kDbCannotFormat, 0},
      {"12/01/2009 10:11:12", kDbCannotFormat, 0},  {"123:11", kDbCannotFormat, 0},
  };
  for (const auto &row : rows) {
    ISC_TIME time = 7;
    EXPECT_EQ(scanTimeOfDay(row.text, static_cast<int>(std::strlen(row.text)), &time), row.code)
        << row.text;
    EXPECT_EQ(time, row.code == 0 ? row.time : 7u) << row.text;
  }
  char text[kTimeTextRoom];
  EXPECT_EQ(formatTimeOfDay(0, 0, text), 8);
  EXPECT_STREQ(text, "00:00:00");
  EXPECT_EQ(formatTimeOfDay(863999999, 4, text), 13);
  EXPECT_STREQ(text, "23:59:59.9999");
  formatTimeOfDay(432002500, 2, text);
  EXPECT_STREQ(text, "12:00:00.25");
}

TEST_F(ExactValues, Boolean_WordsInAnyCase) {
  const struct { const char *text; int code; bool value; } rows[] = {
      {"true", 0, true},   {"TRUE", 0, true},  {"tRuE", 0, true},  {"t", 0, true},
      {"T", 0, true},      {"1", 0, true},     {" true  ", 0, true},
      {"false", 0, false}, {"False", 0, false}, {"f", 0, false},   {"F", 0, false},
      {"0", 0, false},
      {"yes", kDbNumberConversion, false}, {"", kDbNumberConversion, false},
      {"2", kDbNumberConversion, false},   {"tru", kDbNumberConversion, false},
      {"true1", kDbNumberConversion, false}, {"t f", kDbNumberConversion, false},
  };
  for (const auto &row : rows) {
    bool value = !row.value;
    EXPECT_EQ(scanBoolean(row.text, static_cast<int>(std::strlen(row.text)), &value), row.code)
        << row.text;
    if (row.code == 0) {
      EXPECT_EQ(value, row.value) << row.text;
    }
  }
  EXPECT_STREQ(booleanText(true), "TRUE");
  EXPECT_STREQ(booleanText(false), "FALSE");
}

// The plain number scanner reaches the lower end of the 64-bit range too.
TEST_F(ExactValues, ScanNumber_ReadsTheSmallest64BitInteger) {
  NumericPair pair;
  ASSERT_EQ(scanNumber(&pair, 20, "-9223372036854775808", '\0'), 0);
  EXPECT_EQ(pair.whole, LLONG_MIN);
  EXPECT_EQ(scanNumber(&pair, 20, "-9223372036854775809", '\0'), kDbNumberConversion);
  EXPECT_EQ(scanNumber(&pair, 19, "9223372036854775808", '\0'), kDbNumberConversion);
}
