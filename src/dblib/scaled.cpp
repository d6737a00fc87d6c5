// scaled.cpp - NUMERIC and DECIMAL columns as the scaled integers they are.
//
//   load:   text --scanScaled--------------> integer of the column's scale --storeNumber--> variable
//           binary integer * 10^digits / binary float --doubleToScaled--/
//   unload: variable --formatScaled--> infoBuffer --emitNumberText--> text forms
//                    \--scaledToDouble / integer part--> emitNumber --> binary forms
//
// A scaled variable keeps the integer type the database describes (16, 32
// or 64 bits) and its sqlscale, so no value ever passes through a double on
// its way to or from a text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/exactvalues.h"

namespace {

using Wide = unsigned __int128;

constexpr unsigned long long kPowersOfTen[kMaxScaleDigits + 1] = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
    1000000000000000000ULL,
};

// Magnitudes of the 64-bit range's ends.
constexpr unsigned long long kMaxPositive = 9223372036854775807ULL;
constexpr unsigned long long kMaxNegative = 9223372036854775808ULL;
// Integers up to 2^53 (doubles) and 2^24 (floats) convert exactly, as do
// powers of ten up to 10^22 and 10^10: one division then rounds correctly.
constexpr long long kExactInDouble = 1LL << 53;
constexpr long long kExactInFloat = 1LL << 24;
constexpr int kExactFloatPower = 10;

int fractionDigits(int scale);
unsigned long long magnitudeOf(long long value);
long long signedValue(unsigned long long magnitude, bool negative);
bool scanPlainScaled(const char *text, int length, int digits, long long *value);
int readScaledVariable(const XSQLVAR *variable, long long *value);
int scaleBinaryInteger(long long whole, int digits, long long *value);

}  // namespace

int formatScaled(long long value, int scale, char *out) {
  int digits = fractionDigits(scale);
  const unsigned long long magnitude = magnitudeOf(value);
  char text[kScaledTextRoom];
  char *const end = text + sizeof text;
  char *cursor = end;
  unsigned long long whole = magnitude;
  if (digits > 0) {
    whole = magnitude / kPowersOfTen[digits];
    unsigned long long fraction = magnitude % kPowersOfTen[digits];
    if (fraction != 0) {
      while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
      }
      char *const stop = cursor - digits;
      cursor = digitsBefore(cursor, fraction);
      while (cursor > stop) *--cursor = '0';  // the zeros after the point
      *--cursor = '.';
    }
  }
  cursor = digitsBefore(cursor, whole);
  if (value < 0) *--cursor = '-';
  const int length = static_cast<int>(end - cursor);
  std::memcpy(out, cursor, static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

// The same walk as scanNumber; the digits past the scale are checked, and
// the first of them decides the rounding.
int scanScaled(const char *text, int length, int scale, long long *value) {
  if (length < 1) length = static_cast<int>(std::strlen(text));
  const int digits = fractionDigits(scale);
  if (scanPlainScaled(text, length, digits, value)) return kDbOk;
  enum { kBefore, kInside, kAfter } phase = kBefore;
  bool negative = false, pointSeen = false, roundUp = false;
  unsigned long long whole = 0, fraction = 0;
  int seen = 0;  // fraction digits seen

  for (int i = 0; i < length && text[i] != '\0'; ++i) {
    const char c = text[i];
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (digit <= 9) {
      if (phase == kAfter) return kDbNumberConversion;
      phase = kInside;
      if (!pointSeen) {
        // Below a tenth of the range, ten times the value and a digit fit.
        if (whole >= kMaxPositive / 10 &&
            whole > ((negative ? kMaxNegative : kMaxPositive) - digit) / 10)
          return kDbNumberConversion;
        whole = whole * 10 + digit;
      } else if (seen < digits) {
        fraction = fraction * 10 + digit;
        ++seen;
      } else if (seen == digits) {
        roundUp = digit >= 5;
        ++seen;
      }
      continue;
    }
    if (c == ' ') {
      if (phase == kInside) phase = kAfter;
      continue;
    }
    if (phase == kAfter) return kDbNumberConversion;
    phase = kInside;
    if (c == '.' || (c == ',' && runSettings->fractComma)) {
      if (pointSeen) return kDbNumberConversion;
      pointSeen = true;
    } else if (c == ',') {
      // a thousands separator
    } else if (c == '-') {
      if (i != 0) return kDbNumberConversion;
      negative = true;
    } else {
      return kDbNumberConversion;
    }
  }

  if (seen < digits) fraction *= kPowersOfTen[digits - seen];
  unsigned long long magnitude;
  if (__builtin_mul_overflow(whole, kPowersOfTen[digits], &magnitude) ||
      __builtin_add_overflow(magnitude, fraction + roundUp, &magnitude) ||
      magnitude > (negative ? kMaxNegative : kMaxPositive))
    return kDbTruncated;
  *value = signedValue(magnitude, negative);
  return kDbOk;
}

double scaledToDouble(long long value, int scale) {
  const int digits = fractionDigits(scale);
  if (value >= -kExactInDouble && value <= kExactInDouble)
    return static_cast<double>(value) / static_cast<double>(kPowersOfTen[digits]);
  char text[kScaledTextRoom];
  formatScaled(value, scale, text);
  return std::strtod(text, nullptr);
}

float scaledToFloat(long long value, int scale) {
  const int digits = fractionDigits(scale);
  if (value >= -kExactInFloat && value <= kExactInFloat && digits <= kExactFloatPower)
    return static_cast<float>(value) / static_cast<float>(kPowersOfTen[digits]);
  char text[kScaledTextRoom];
  formatScaled(value, scale, text);
  return std::strtof(text, nullptr);
}

// |real| = mantissa * 2^exponent with a 53-bit integer mantissa; times
// 10^digits (below 2^60) that is below 2^113, so the product and its
// rounding are exact in 128 bits.
int doubleToScaled(double real, int scale, long long *value) {
  if (!std::isfinite(real)) return kDbTruncated;
  const int digits = fractionDigits(scale);
  const bool negative = std::signbit(real);
  int exponent = 0;
  const double normal = std::frexp(std::fabs(real), &exponent);
  const unsigned long long mantissa =
      static_cast<unsigned long long>(std::ldexp(normal, 53));
  exponent -= 53;
  Wide magnitude = static_cast<Wide>(mantissa) * kPowersOfTen[digits];
  const unsigned long long limit = negative ? kMaxNegative : kMaxPositive;
  if (exponent >= 0) {
    if (magnitude != 0 && (exponent >= 64 || magnitude > (static_cast<Wide>(limit) >> exponent)))
      return kDbTruncated;
    magnitude <<= exponent;
  } else if (-exponent > 113) {
    magnitude = 0;  // below one half of the last digit
  } else {
    const int shift = -exponent;
    const Wide rest = magnitude & ((static_cast<Wide>(1) << shift) - 1);
    magnitude >>= shift;
    if (rest >= (static_cast<Wide>(1) << (shift - 1))) ++magnitude;  // half away from zero
  }
  if (magnitude > limit) return kDbTruncated;
  *value = signedValue(static_cast<unsigned long long>(magnitude), negative);
  return kDbOk;
}

// Binary integers are whole numbers of the column's unit; floats are taken
// at their exact value; every other format is a number text (formats 10-22
// count as text for a numeric column).
int putScaled(XSQLVAR *variable, int format, int length, const char *source) {
  const int type = nullableType(variable->sqltype);
  long long value = 0;
  int status = kDbOk;
  if (format <= FmtDouble) {
    NumericPair pair;
    status = readBinaryNumber(source, length, &pair, format);
    if (status != kDbOk) return status;
    if (format == FmtFloat || format == FmtDouble)
      status = doubleToScaled(pair.real, variable->sqlscale, &value);
    else
      status = scaleBinaryInteger(pair.whole, fractionDigits(variable->sqlscale), &value);
  } else {
    status = scanScaled(source, length, variable->sqlscale, &value);
  }
  if (status != kDbOk) return status;
  NumericPair pair;
  pair.whole = value;
  pair.real = static_cast<double>(value);  // in range: storeNumber checks only the integer
  return storeNumber(variable->sqldata, &pair, type);
}

// Texts are exact; binary integers get the integer part (truncated toward
// zero), binary floats the nearest value of their kind.
int getScaled(const XSQLVAR *variable, int format, int length, char *destination) {
  long long value = 0;
  const int status = readScaledVariable(variable, &value);
  if (status != kDbOk) return status;
  if (destination == nullptr) return kDbMisaligned;
  const int scale = variable->sqlscale;
  if (format >= FmtText && format <= FmtCounted16Text)
    return emitNumberText(length, destination, format, formatScaled(value, scale, infoBuffer));
  NumericPair pair;
  pair.whole = value / static_cast<long long>(kPowersOfTen[fractionDigits(scale)]);
  if (format == FmtFloat)
    pair.real = scaledToFloat(value, scale);  // narrowed back unchanged
  else if (format == FmtDouble)
    pair.real = scaledToDouble(value, scale);
  else
    pair.real = static_cast<double>(pair.whole);
  return emitNumber(length, &pair, destination, format);
}

namespace {

// Fraction digits of a sqlscale: 0 to 18.
// The usual number text, taken in one pass: up to 18 digits (no overflow
// possible), then perhaps a point and no more fraction digits than the scale
// keeps, up to the end or a NUL. False for anything else, which the full
// scan decides; true gives the full scan's value.
bool scanPlainScaled(const char *text, int length, int digits, long long *value) {
  int i = 0;
  unsigned long long whole = 0;
  for (; i < length && i < 18; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (digit > 9) break;
    whole = whole * 10 + digit;
  }
  if (i == 0) return false;
  unsigned long long fraction = 0;
  int seen = 0;
  if (i < length && text[i] == '.') {
    for (++i; i < length && seen < digits; ++i, ++seen) {
      const unsigned digit = static_cast<unsigned>(text[i] - '0');
      if (digit > 9) break;
      fraction = fraction * 10 + digit;
    }
  }
  if (i < length && text[i] != '\0') return false;
  // 18 digits times at most 10^18 can overflow: the full scan reports it.
  unsigned long long magnitude;
  if (__builtin_mul_overflow(whole, kPowersOfTen[digits], &magnitude) ||
      __builtin_add_overflow(magnitude, fraction * kPowersOfTen[digits - seen], &magnitude) ||
      magnitude > kMaxPositive)
    return false;
  *value = static_cast<long long>(magnitude);
  return true;
}

int fractionDigits(int scale) {
  if (scale >= 0) return 0;
  return scale < -kMaxScaleDigits ? kMaxScaleDigits : -scale;
}

// The magnitude in unsigned arithmetic: LLONG_MIN has no positive twin.
unsigned long long magnitudeOf(long long value) {
  return value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                   : static_cast<unsigned long long>(value);
}

// magnitude is at most 2^63 when negative, below it otherwise.
long long signedValue(unsigned long long magnitude, bool negative) {
  return negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
}

// The stored integer, which must be aligned to its size.
int readScaledVariable(const XSQLVAR *variable, long long *value) {
  NumericPair pair;
  const int status = readVariableNumber(variable->sqldata, variable->sqltype, &pair);
  *value = pair.whole;
  return status;
}

// whole * 10^digits, or kDbTruncated beyond the 64-bit range.
int scaleBinaryInteger(long long whole, int digits, long long *value) {
  const bool negative = whole < 0;
  const Wide magnitude = static_cast<Wide>(magnitudeOf(whole)) * kPowersOfTen[digits];
  if (magnitude > (negative ? kMaxNegative : kMaxPositive)) return kDbTruncated;
  *value = signedValue(static_cast<unsigned long long>(magnitude), negative);
  return kDbOk;
}

}  // namespace
