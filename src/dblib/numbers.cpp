// numbers.cpp - the numeric pair every number conversion goes through.
//
//   load:   text --scanNumber--------> pair --storeNumber--> numeric variable
//           binary --readBinaryNumber--> pair --formatNumber--> text variable
//   unload: numeric variable --readVariableNumber--> pair --emitNumber--> binary or text
//
// A pair holds one value twice: as a double and as a 64-bit integer truncated
// toward zero. Integer destinations take the integer, floating ones the double.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

int storeFloat(char *destination, double value);
bool wholeIsClamped(const NumericPair *pair);
int checkBinaryWidth(const char *pointer, int length, int width);
int writeWhole(long long value, char *out);
int writeSixDecimals(double value, char *out);

// Fraction digits beyond this divisor change nothing a double can hold; they
// are checked but not accumulated, so the divisor never overflows.
constexpr double kDivisorLimit = 1e300;
// The largest magnitude of a positive whole part.
constexpr unsigned long long kWholeLimit = LLONG_MAX;

// Below 2^63 the whole part of a double fits an unsigned 64-bit integer.
constexpr double kExactWholeLimit = 9223372036854775808.0;
// The fraction scaled by 1e6 is below 2^20, so its rounding error is at most
// 2^-34. Rounding it to the nearest integer agrees with a correctly rounded
// "%f" unless its own fraction lies within that error of one half; this
// margin is far wider, and the few values inside it go to snprintf.
constexpr double kHalfwayMargin = 1e-7;

}  // namespace

long long truncateToWhole(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return LLONG_MAX;
  if (value <= -9223372036854775808.0) return LLONG_MIN;
  return static_cast<long long>(value);
}

// Blanks may surround the number but not split it; "-" counts only as the
// very first character; a text with an exponent ("1e5", "1.5e-3") is
// refused, never read in part. A second decimal point
// is refused: "1.234,5" read with comma fractions would otherwise become 235.5.
// An integer part beyond the 64-bit range (-2^63 included) is refused rather
// than wrapped.
int scanNumber(NumericPair *pair, int length, const char *text, char stop) {
  if (length < 1) length = static_cast<int>(std::strlen(text));
  // The usual text, digits only (at most 18: no overflow), to its end or the
  // stop: the value the full scan gives.
  int plain = 0;
  unsigned long long digits = 0;
  for (; plain < length && plain < 18 && text[plain] != stop; ++plain) {
    const unsigned digit = static_cast<unsigned>(text[plain] - '0');
    if (digit > 9) break;
    digits = digits * 10 + digit;
  }
  if (plain > 0 && (plain == length || text[plain] == stop)) {
    pair->whole = static_cast<long long>(digits);
    pair->real = static_cast<double>(pair->whole);
    return kDbOk;
  }
  enum { kBefore, kInside, kAfter } phase = kBefore;
  bool negative = false, pointSeen = false;
  unsigned long long whole = 0;  // the magnitude: -2^63 has no positive twin
  double fraction = 0.0, divisor = 1.0;

  for (int i = 0; i < length && text[i] != stop; ++i) {
    const char c = text[i];
    if (c == ' ') {
      if (phase == kInside) phase = kAfter;
      continue;
    }
    if (phase == kAfter) return kDbNumberConversion;
    phase = kInside;
    if (c == '.' || (c == ',' && runSettings->fractComma)) {
      if (pointSeen) return kDbNumberConversion;
      pointSeen = true;
      divisor = 1.0;
    } else if (c == ',') {
      // a thousands separator
    } else if (c == '-') {
      if (i != 0) return kDbNumberConversion;
      negative = true;
    } else if (c >= '0' && c <= '9') {
      const int digit = c - '0';
      if (!pointSeen) {
        // Below a tenth of the range, ten times the value and a digit fit.
        if (whole >= kWholeLimit / 10 &&
            whole > ((negative ? kWholeLimit + 1 : kWholeLimit) - digit) / 10)
          return kDbNumberConversion;
        whole = whole * 10 + digit;
      } else if (divisor < kDivisorLimit) {
        divisor *= 10.0;
        fraction = fraction * 10.0 + digit;
      }
    } else {
      return kDbNumberConversion;
    }
  }

  pair->whole = negative ? static_cast<long long>(0ULL - whole) : static_cast<long long>(whole);
  pair->real = static_cast<double>(pair->whole);
  if (pointSeen)
    pair->real = negative ? pair->real - fraction / divisor : pair->real + fraction / divisor;
  return kDbOk;
}

int readBinaryNumber(const char *source, int length, NumericPair *pair, int format) {
  if (source == nullptr) return kDbMisaligned;
  switch (format) {
    case FmtShort: {
      int status = checkBinaryWidth(source, length, 2);
      if (status != kDbOk) return status;
      int16_t value;
      std::memcpy(&value, source, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case FmtLong: {
      int status = checkBinaryWidth(source, length, 4);
      if (status != kDbOk) return status;
      int32_t value;
      std::memcpy(&value, source, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case FmtInt64: {
      int status = checkBinaryWidth(source, length, 8);
      if (status != kDbOk) return status;
      int64_t value;
      std::memcpy(&value, source, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case FmtFloat: {
      int status = checkBinaryWidth(source, length, 4);
      if (status != kDbOk) return status;
      float value;
      std::memcpy(&value, source, sizeof value);
      pair->real = value;
      pair->whole = truncateToWhole(pair->real);
      return kDbOk;
    }
    case FmtDouble: {
      int status = checkBinaryWidth(source, length, 8);
      if (status != kDbOk) return status;
      std::memcpy(&pair->real, source, sizeof pair->real);
      pair->whole = truncateToWhole(pair->real);
      return kDbOk;
    }
    default:
      return kDbCannotFormat;
  }
}

// Integers outside the variable's range store their low bits and give
// kDbTruncated; so does a double too large for any integer.
int storeNumber(char *destination, const NumericPair *pair, int type) {
  if (destination == nullptr) return kDbMisaligned;
  switch (nullableType(type)) {
    case kSqlDouble:
      if (!isAligned(destination, 8)) return kDbMisaligned;
      std::memcpy(destination, &pair->real, sizeof pair->real);
      return kDbOk;
    case kSqlFloat:
      if (!isAligned(destination, 4)) return kDbMisaligned;
      return storeFloat(destination, pair->real);
    case kSqlLong: {
      if (!isAligned(destination, 4)) return kDbMisaligned;
      const int32_t value = static_cast<int32_t>(static_cast<uint32_t>(pair->whole));
      std::memcpy(destination, &value, sizeof value);
      return (pair->whole < INT32_MIN || pair->whole > INT32_MAX || wholeIsClamped(pair))
                 ? kDbTruncated : kDbOk;
    }
    case kSqlShort: {
      if (!isAligned(destination, 2)) return kDbMisaligned;
      const int16_t value = static_cast<int16_t>(static_cast<uint16_t>(pair->whole));
      std::memcpy(destination, &value, sizeof value);
      return (pair->whole < INT16_MIN || pair->whole > INT16_MAX || wholeIsClamped(pair))
                 ? kDbTruncated : kDbOk;
    }
    case kSqlInt64: {
      if (!isAligned(destination, 8)) return kDbMisaligned;
      const int64_t value = pair->whole;
      std::memcpy(destination, &value, sizeof value);
      return wholeIsClamped(pair) ? kDbTruncated : kDbOk;
    }
    default:
      return kDbCannotFormat;
  }
}

// "%lld" for a whole value; otherwise "%f" less its trailing zeros (the point
// stays, so 2.9999999 prints as "3."). Both are written digit by digit where
// that is provably the same text; NaN, infinities, magnitudes from 2^63 and
// fractions too close to a rounding tie go through snprintf.
int formatWholeNumber(long long value, char *out) { return writeWhole(value, out); }

int formatNumber(const NumericPair *pair) {
  if (pair->real == static_cast<double>(pair->whole)) return writeWhole(pair->whole, infoBuffer);
  int length = writeSixDecimals(pair->real, infoBuffer);
  if (length >= 0) return length;
  length = std::snprintf(infoBuffer, kInfoBufferSize, "%f", pair->real);
  if (length >= kInfoBufferSize) length = kInfoBufferSize - 1;
  if (std::memchr(infoBuffer, '.', length) != nullptr)
    while (length > 0 && infoBuffer[length - 1] == '0') infoBuffer[--length] = '\0';
  return length;
}

const char *NumberText() { return infoBuffer; }

int readVariableNumber(const char *data, int type, NumericPair *pair) {
  if (data == nullptr) return kDbMisaligned;
  switch (nullableType(type)) {
    case kSqlShort: {
      if (!isAligned(data, 2)) return kDbMisaligned;
      int16_t value;
      std::memcpy(&value, data, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case kSqlLong: {
      if (!isAligned(data, 4)) return kDbMisaligned;
      int32_t value;
      std::memcpy(&value, data, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case kSqlInt64: {
      if (!isAligned(data, 8)) return kDbMisaligned;
      int64_t value;
      std::memcpy(&value, data, sizeof value);
      pair->whole = value;
      pair->real = static_cast<double>(pair->whole);
      return kDbOk;
    }
    case kSqlFloat: {
      if (!isAligned(data, 4)) return kDbMisaligned;
      float value;
      std::memcpy(&value, data, sizeof value);
      pair->real = value;
      pair->whole = truncateToWhole(pair->real);
      return kDbOk;
    }
    case kSqlDouble: {
      if (!isAligned(data, 8)) return kDbMisaligned;
      std::memcpy(&pair->real, data, sizeof pair->real);
      pair->whole = truncateToWhole(pair->real);
      return kDbOk;
    }
    default:
      return kDbBadFieldType;
  }
}

// Binary forms store the value (integers cut to their low bits with
// kDbTruncated); text forms keep the rightmost characters when the text does
// not fit.
int emitNumber(int length, const NumericPair *pair, char *destination, int format) {
  if (destination == nullptr) return kDbMisaligned;
  switch (format) {
    case FmtShort: {
      int status = checkBinaryWidth(destination, length, 2);
      if (status != kDbOk) return status;
      const int16_t value = static_cast<int16_t>(static_cast<uint16_t>(pair->whole));
      std::memcpy(destination, &value, sizeof value);
      return (pair->whole < INT16_MIN || pair->whole > INT16_MAX || wholeIsClamped(pair))
                 ? kDbTruncated : kDbOk;
    }
    case FmtLong: {
      int status = checkBinaryWidth(destination, length, 4);
      if (status != kDbOk) return status;
      const int32_t value = static_cast<int32_t>(static_cast<uint32_t>(pair->whole));
      std::memcpy(destination, &value, sizeof value);
      return (pair->whole < INT32_MIN || pair->whole > INT32_MAX || wholeIsClamped(pair))
                 ? kDbTruncated : kDbOk;
    }
    case FmtInt64: {
      int status = checkBinaryWidth(destination, length, 8);
      if (status != kDbOk) return status;
      const int64_t value = pair->whole;
      std::memcpy(destination, &value, sizeof value);
      return wholeIsClamped(pair) ? kDbTruncated : kDbOk;
    }
    case FmtFloat: {
      int status = checkBinaryWidth(destination, length, 4);
      if (status != kDbOk) return status;
      return storeFloat(destination, pair->real);
    }
    case FmtDouble: {
      int status = checkBinaryWidth(destination, length, 8);
      if (status != kDbOk) return status;
      std::memcpy(destination, &pair->real, sizeof pair->real);
      return kDbOk;
    }
    case FmtText: case FmtFixedText: case FmtCountedText: case FmtCounted16Text:
      return emitNumberText(length, destination, format, formatNumber(pair));
    default:
      return kDbCannotFormat;
  }
}

namespace {

// A double beyond the float range stores the float nearest to it and gives
// kDbTruncated (narrowing it directly is undefined).
int storeFloat(char *destination, double value) {
  float narrow;
  int status = kDbOk;
  if (value > FLT_MAX) {
    narrow = FLT_MAX;
    status = kDbTruncated;
  } else if (value < -FLT_MAX) {
    narrow = -FLT_MAX;
    status = kDbTruncated;
  } else {
    narrow = static_cast<float>(value);
  }
  std::memcpy(destination, &narrow, sizeof narrow);
  return status;
}

// True when the double lies beyond the 64-bit range or is NaN: the integer
// then holds only the nearest end of the range (or 0), so an integer
// destination would receive a wrong value.
bool wholeIsClamped(const NumericPair *pair) {
  return std::isnan(pair->real) || pair->real > 9223372036854775808.0 ||
         pair->real < -9223372036854775808.0;
}

}  // namespace

// A destination too small for even the terminator or count is refused.
int emitNumberText(int length, char *destination, int format, int n) {
  const char *text = infoBuffer;
  int room = length;                            // characters that fit
  if (format == FmtText || format == FmtCountedText) room = length - 1;
  if (format == FmtCounted16Text) {
    if (!isAligned(destination, 2)) return kDbMisaligned;
    room = length - 2;
  }
  if (format == FmtCountedText && room > 255) room = 255;
  if (room < 0) return kDbFieldSize;

  const int kept = n <= room ? n : room;
  const char *start = text + (n - kept);       // the rightmost characters
  const int status = n <= room ? kDbOk : kDbTruncated;
  switch (format) {
    case FmtText:
      std::memcpy(destination, start, kept);
      destination[kept] = '\0';
      break;
    case FmtFixedText:
      if (kept < room) {
        // right-aligned, zero-filled; a minus sign stays after the zeros
        std::memset(destination, '0', room - kept);
      }
      std::memcpy(destination + (room - kept), start, kept);
      break;
    case FmtCountedText:
      destination[0] = static_cast<char>(static_cast<unsigned char>(kept));
      std::memcpy(destination + 1, start, kept);
      break;
    default: {
      const uint16_t count = static_cast<uint16_t>(kept);
      std::memcpy(destination, &count, sizeof count);
      std::memcpy(destination + 2, start, kept);
      break;
    }
  }
  return status;
}

namespace {

// Binary sources and destinations: exactly `width` bytes, aligned to it.
int checkBinaryWidth(const char *pointer, int length, int width) {
  if (length != width) return kDbFieldSize;
  if (!isAligned(pointer, static_cast<std::uintptr_t>(width))) return kDbMisaligned;
  return kDbOk;
}

// The "%lld" text of value and its NUL into out; returns the length.
int writeWhole(long long value, char *out) {
  char digits[24];
  char *const end = digits + sizeof digits;
  // The magnitude in unsigned arithmetic: LLONG_MIN has no positive twin.
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                : static_cast<unsigned long long>(value);
  char *start = digitsBefore(end, magnitude);
  if (value < 0) *--start = '-';
  const int length = static_cast<int>(end - start);
  std::memcpy(out, start, static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

// The "%f" text of value less its trailing zeros, and its NUL, into out;
// returns the length, or -1 (nothing written) when the value is not finite,
// not below 2^63 in magnitude, or its seventh decimal is too near a tie to
// decide without exact arithmetic.
//   whole part: trunc() is exact, and so is the fraction left over;
//   six decimals: the fraction times 1e6, rounded to the nearest integer; a
//   carry of 1000000 goes into the whole part.
int writeSixDecimals(double value, char *out) {
  const double magnitude = std::fabs(value);
  if (!(magnitude < kExactWholeLimit)) return -1;  // NaN fails this too
  const double whole = std::trunc(magnitude);
  const double scaled = (magnitude - whole) * 1e6;
  double micros = std::floor(scaled);
  const double rest = scaled - micros;  // exact
  if (std::fabs(rest - 0.5) < kHalfwayMargin) return -1;
  if (rest > 0.5) micros += 1.0;

  unsigned long long wholeDigits = static_cast<unsigned long long>(whole);
  unsigned long fraction = static_cast<unsigned long>(micros);
  if (fraction >= 1000000) {
    fraction -= 1000000;
    ++wholeDigits;  // at most 2^63: still fits
  }
  char text[32];
  char *const end = text + sizeof text;
  char *cursor = end;
  // Six decimals less the trailing zeros; the point always stays.
  int decimals = 6;
  while (decimals > 0 && fraction % 10 == 0) {
    fraction /= 10;
    --decimals;
  }
  for (int i = 0; i < decimals; ++i, fraction /= 10)
    *--cursor = static_cast<char>('0' + fraction % 10);
  *--cursor = '.';
  cursor = digitsBefore(cursor, wholeDigits);
  if (std::signbit(value)) *--cursor = '-';  // "%f" keeps the sign of -0.0000001
  const int length = static_cast<int>(end - cursor);
  std::memcpy(out, cursor, static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

}  // namespace

// Two digits a step: half the divisions.
char *digitsBefore(char *end, unsigned long long value) {
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  while (value >= 100) {
    const unsigned pair = static_cast<unsigned>(value % 100) * 2;
    value /= 100;
    *--end = kPairs[pair + 1];
    *--end = kPairs[pair];
  }
  if (value >= 10) {
    const unsigned pair = static_cast<unsigned>(value) * 2;
    *--end = kPairs[pair + 1];
    *--end = kPairs[pair];
  } else {
    *--end = static_cast<char>('0' + value);
  }
  return end;
}
