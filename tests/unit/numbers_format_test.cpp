// Number texts written digit by digit against their printf forms: every
// value must give the same bytes as "%lld" for a whole pair, or "%f" less
// its trailing zeros, the way formatNumber printed them through snprintf.
//
// The default run checks about a million values in a second; set
// LODRUN_EQUIVALENCE_SCALE=k to check k times as many (other random values:
// each scale draws further along the same sequences).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "dblib/dbfuncs.h"
#include "dblib/convert.h"

namespace {

long long scale() {
  const char *text = std::getenv("LODRUN_EQUIVALENCE_SCALE");
  const long long value = text != nullptr ? std::atoll(text) : 1;
  return value > 0 ? value : 1;
}

// The text as snprintf made it.
std::string printfText(const NumericPair &pair) {
  char text[1024];
  if (pair.real == static_cast<double>(pair.whole)) {
    std::snprintf(text, sizeof text, "%lld", pair.whole);
    return text;
  }
  int length = std::snprintf(text, sizeof text, "%f", pair.real);
  if (length >= static_cast<int>(sizeof text)) length = sizeof text - 1;
  std::string result(text, static_cast<size_t>(length));
  if (result.find('.') != std::string::npos)
    while (!result.empty() && result.back() == '0') result.pop_back();
  return result;
}

// Counts the values checked and stops a test after its first few mismatches.
class Checker {
 public:
  bool check(long long whole, double real) {
    NumericPair pair;
    pair.whole = whole;
    pair.real = real;
    const int length = formatNumber(&pair);
    const std::string got(NumberText(), static_cast<size_t>(length));
    ++checked_;
    const std::string expected = printfText(pair);
    if (got == expected && std::strlen(NumberText()) == static_cast<size_t>(length)) return true;
    char bits[64];
    std::snprintf(bits, sizeof bits, "%a", real);
    ADD_FAILURE() << "whole " << whole << ", real " << bits << ": got \"" << got
                  << "\", printf gives \"" << expected << "\"";
    return ++failures_ < 5;
  }
  // A double as the numeric pair of a fetched double column.
  bool check(double real) {
    return check(std::isnan(real) ? 0 : truncated(real), real);
  }
  long long checked() const { return checked_; }

 private:
  static long long truncated(double value) {
    if (value >= 9223372036854775807.0) return LLONG_MAX;
    if (value <= -9223372036854775808.0) return LLONG_MIN;
    return static_cast<long long>(value);
  }
  long long checked_ = 0;
  int failures_ = 0;
};

double fromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

TEST(NumberFormat, AnyBitPatternPrintsAsPrintfDoes) {
  std::mt19937_64 random(20240611);
  Checker checker;
  const long long count = 25000 * scale();
  for (long long i = 0; i < count; ++i)
    if (!checker.check(fromBits(random()))) break;
  // Magnitudes from 2^-30 to 2^64, where the digits are written here: random
  // mantissas and signs under every exponent, the 2^63 limit included.
  std::uniform_int_distribution<std::uint64_t> exponent(1023 - 30, 1023 + 64);
  for (long long i = 0; i < 16 * count; ++i) {
    const std::uint64_t bits = (random() & 0x800FFFFFFFFFFFFFULL) | (exponent(random) << 52);
    if (!checker.check(fromBits(bits))) break;
  }
  EXPECT_EQ(checker.checked(), 17 * count);
}

// NUMERIC data arrives as a double: the scaled integer divided by a power of
// ten (or multiplied by its inverse, which gives the neighbouring double).
TEST(NumberFormat, DecimalDataWithTwoToSixPlacesPrintsAsPrintfDoes) {
  std::mt19937_64 random(7);
  static const double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7};
  Checker checker;
  const long long count = 100000 * scale();
  for (long long i = 0; i < count; ++i) {
    const int places = 2 + static_cast<int>(random() % 5);
    const int digits = 1 + static_cast<int>(random() % 18);
    long long scaled = static_cast<long long>(random() % static_cast<std::uint64_t>(
                                                            std::pow(10.0, digits)));
    if (random() & 1) scaled = -scaled;
    const double divided = static_cast<double>(scaled) / kPowers[places];
    const double multiplied = static_cast<double>(scaled) * (1.0 / kPowers[places]);
    if (!checker.check(divided) || !checker.check(multiplied) ||
        !checker.check(std::nextafter(divided, 0.0)) ||
        !checker.check(std::nextafter(divided, divided * 2)))
      break;
  }
  EXPECT_EQ(checker.checked(), 4 * count);
}

// The seventh decimal a 5: values on a rounding tie, the doubles nearest to
// one, and their neighbours on both sides.
TEST(NumberFormat, ValuesAtRoundingTiesPrintAsPrintfDoes) {
  std::mt19937_64 random(11);
  Checker checker;
  const long long count = 50000 * scale();
  for (long long i = 0; i < count; ++i) {
    const double whole = static_cast<double>(random() % 100000000000ULL) *
                         ((random() & 1) ? 1 : -1) / std::pow(10.0, random() % 11);
    const double tie = std::trunc(whole) + (static_cast<double>(random() % 1000000) + 0.5) / 1e6;
    double value = tie;
    for (int step = 0; step < 3; ++step) value = std::nextafter(value, -INFINITY);
    for (int step = 0; step < 7; ++step, value = std::nextafter(value, INFINITY))
      if (!checker.check(value)) return;
  }
  // Exact ties: odd multiples of 1/128 have 7 decimals ending in 5.
  for (int numerator = 1; numerator < 128 * 64; numerator += 2) {
    const double value = numerator / 128.0;
    if (!checker.check(value) || !checker.check(-value) ||
        !checker.check(value + 4503599627370496.0))
      return;
  }
  EXPECT_EQ(checker.checked(), 7 * count + 3 * 64 * 64);
}

TEST(NumberFormat, EdgeValuesPrintAsPrintfDoes) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double edges[] = {
      0.0, -0.0, 1e-7, -1e-7, 4.9e-324, -4.9e-324, 2.2250738585072014e-308, 5e-7, 4.9999999e-7,
      0.9999995, 0.99999949999, 999999.9999995, 0.0000015, 2.9999999, 0.5, -0.5, 12.5, -3.25,
      9007199254740991.5, 4503599627370495.5, 9223372036854775807.0, 9223372036854774784.0,
      -9223372036854775808.0, 18446744073709551616.0, 1e20, -1e20, 1.7976931348623157e308,
      -1.7976931348623157e308, inf, -inf, nan, -nan,
  };
  Checker checker;
  for (double value : edges) {
    checker.check(value);
    checker.check(std::nextafter(value, 0.0));
  }
  // Pairs whose two halves disagree take the double's text.
  checker.check(5, 0.25);
  checker.check(0, -0.0);
  checker.check(7, -0.0);
  checker.check(LLONG_MIN, nan);
}

TEST(NumberFormat, WholeValuesPrintAsLld) {
  std::mt19937_64 random(3);
  Checker checker;
  const long long edges[] = {0, 1, -1, 9, 10, -10, 99, 100, LLONG_MAX, LLONG_MIN, LLONG_MIN + 1,
                             999999999999999999LL, 1000000000000000000LL, -999999999999999999LL};
  for (long long value : edges) checker.check(value, static_cast<double>(value));
  const long long count = 100000 * scale();
  for (long long i = 0; i < count; ++i) {
    // every digit count equally often
    const long long value = static_cast<long long>(random()) >> (random() % 64);
    if (!checker.check(value, static_cast<double>(value))) break;
  }
}
