// decimal.cpp - number texts of the strict grammar as the exact decimals they
// write, and those decimals into integer, scaled and floating variables.
//
//   "  -12.50e3 " --scanDecimal--> DecimalText {negative, "12", "50", 3, "12.50e3"}
//   DecimalText --decimalToScaled--> integer of a scale (half away from zero)
//               --decimalToDouble / decimalToFloat--> nearest value (std::from_chars)
//   DecimalText --PutDecimal / PutLocatedDecimal--> SMALLINT/INTEGER/BIGINT,
//                               NUMERIC/DECIMAL, FLOAT/DOUBLE variable
//
// No value passes through a wider or narrower type on its way: integers are
// built from the digits themselves, floating values are rounded once from
// the whole text.
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <system_error>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/exactvalues.h"

namespace {

// Exponents beyond this move every digit out of any column's reach; they
// are held at it so that positions stay in range.
constexpr long long kExponentLimit = 1000000000LL;
// Digits of the largest 64-bit magnitude, 9223372036854775808.
constexpr long long kMostIntegerDigits = 19;
constexpr unsigned long long kMaxPositive = 9223372036854775807ULL;
constexpr unsigned long long kMaxNegative = 9223372036854775808ULL;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
size_t digitsAt(std::string_view text, size_t at);
char digitOf(const DecimalText &decimal, long long index);
template <typename Real>
int decimalToReal(const DecimalText &decimal, Real *value);
int storeDecimal(XSQLVAR *variable, const DecimalText &decimal);

}  // namespace

int scanDecimal(const char *source, int length, bool commaPoint, DecimalText *decimal) {
  std::string_view text(source, length > 0 ? static_cast<size_t>(length) : 0);
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  DecimalText found;
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) found.negative = text[at++] == '-';
  const size_t bodyStart = at;
  size_t count = digitsAt(text, at);
  found.whole = text.substr(at, count);
  at += count;
  if (at < text.size() && (text[at] == '.' || (commaPoint && text[at] == ','))) {
    found.commaPoint = text[at] == ',';
    count = digitsAt(text, ++at);
    found.fraction = text.substr(at, count);
    at += count;
  }
  if (found.whole.empty() && found.fraction.empty()) return kDbNumberConversion;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    bool negativeExponent = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
      negativeExponent = text[at++] == '-';
    count = digitsAt(text, at);
    if (count == 0) return kDbNumberConversion;
    long long exponent = 0;
    for (size_t i = at; i < at + count; ++i)
      exponent = exponent >= kExponentLimit ? kExponentLimit : exponent * 10 + (text[i] - '0');
    found.exponent = negativeExponent ? -exponent : exponent;
    at += count;
  }
  if (at != text.size()) return kDbNumberConversion;
  found.body = text.substr(bodyStart);
  *decimal = found;
  return kDbOk;
}

// The integer's digits are those of the decimal up to `digits` places after
// its point, zeros where the text has none; the next digit rounds.
int decimalToScaled(const DecimalText &decimal, int digits, long long *value) {
  const long long total = static_cast<long long>(decimal.whole.size() + decimal.fraction.size());
  unsigned long long magnitude = 0;
  if (decimal.exponent == 0 && decimal.fraction.size() <= static_cast<size_t>(digits) &&
      decimal.whole.size() + static_cast<size_t>(digits) <= 18) {
    // The usual number: every digit kept, nothing to round, at most 18
    // places (no overflow): its digits read straight, zeros for the rest of
    // the scale's places.
    for (const char c : decimal.whole) magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    for (const char c : decimal.fraction)
      magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    for (size_t i = decimal.fraction.size(); i < static_cast<size_t>(digits); ++i) magnitude *= 10;
    *value = decimal.negative ? static_cast<long long>(0ULL - magnitude)
                              : static_cast<long long>(magnitude);
    return kDbOk;
  }
  long long lead = 0;
  while (lead < total && digitOf(decimal, lead) == '0') ++lead;
  // Places of the integer: the digits before the point, less the leading
  // zeros, plus the scale's.
  const long long places =
      static_cast<long long>(decimal.whole.size()) + decimal.exponent - lead + digits;
  if (lead < total && places >= 0) {
    if (places > kMostIntegerDigits) return kDbTruncated;
    for (long long i = 0; i < places; ++i) {
      const char digit = lead + i < total ? digitOf(decimal, lead + i) : '0';
      magnitude = magnitude * 10 + static_cast<unsigned>(digit - '0');  // below 10^19
    }
    if (lead + places < total && digitOf(decimal, lead + places) >= '5') ++magnitude;
  }
  if (magnitude > (decimal.negative ? kMaxNegative : kMaxPositive)) return kDbTruncated;
  *value = decimal.negative ? static_cast<long long>(0ULL - magnitude)
                            : static_cast<long long>(magnitude);
  return kDbOk;
}

int decimalToDouble(const DecimalText &decimal, double *value) {
  return decimalToReal(decimal, value);
}

int decimalToFloat(const DecimalText &decimal, float *value) {
  return decimalToReal(decimal, value);
}

int PutDecimal(QueryRecord *query, int field, const DecimalText &decimal) {
  const int found = FindVariable(field, query, true);
  if (found != kDbOk) return found;
  return storeDecimal(currentVariable, decimal);
}

int PutLocatedDecimal(const LocatedInput &located, const DecimalText &decimal) {
  return storeDecimal(located.variable, decimal);
}

namespace {

// PutDecimal after the lookup.
int storeDecimal(XSQLVAR *variable, const DecimalText &decimal) {
  const int type = nullableType(variable->sqltype);
  NumericPair pair;
  int status = kDbOk;
  switch (type) {
    case kSqlShort: case kSqlLong: case kSqlInt64: {
      const int digits = variable->sqlscale < 0 ? -variable->sqlscale : 0;
      status = decimalToScaled(decimal, digits, &pair.whole);
      pair.real = static_cast<double>(pair.whole);  // in range: only the integer is checked
      break;
    }
    case kSqlDouble:
      status = decimalToDouble(decimal, &pair.real);
      break;
    case kSqlFloat: {
      float narrow = 0;
      status = decimalToFloat(decimal, &narrow);
      pair.real = narrow;  // narrowed back unchanged
      break;
    }
    default:
      return kDbCannotFormat;
  }
  if (status != kDbOk) return status;
  *variable->sqlind = 0;
  return storeNumber(variable->sqldata, &pair, type);
}

// The length of the run of digits at text[at].
size_t digitsAt(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && isDigit(text[end])) ++end;
  return end - at;
}

// Digit `index` of the whole part and the fraction read as one string.
char digitOf(const DecimalText &decimal, long long index) {
  const long long whole = static_cast<long long>(decimal.whole.size());
  return index < whole ? decimal.whole[static_cast<size_t>(index)]
                       : decimal.fraction[static_cast<size_t>(index - whole)];
}

// std::from_chars reads the body (sign and blanks are gone) correctly
// rounded, subnormals included; it reports a value beyond the type's range,
// and one so small that it would round to zero, as out of range. A comma
// point is copied away first: from_chars knows only '.'.
template <typename Real>
int decimalToReal(const DecimalText &decimal, Real *value) {
  std::string copy;
  std::string_view body = decimal.body;
  if (decimal.commaPoint) {
    copy.assign(body.data(), body.size());
    copy[decimal.whole.size()] = '.';
    body = copy;
  }
  Real result = 0;
  const char *const end = body.data() + body.size();
  const std::from_chars_result read = std::from_chars(body.data(), end, result);
  if (read.ec == std::errc::result_out_of_range) return kDbTruncated;
  if (read.ec != std::errc() || read.ptr != end) return kDbNumberConversion;
  *value = decimal.negative ? -result : result;
  return kDbOk;
}

}  // namespace
