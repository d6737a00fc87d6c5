// exactvalues.h - exact texts of the column types that must not pass through
// a double: scaled integers (NUMERIC/DECIMAL), times of day (TIME) and
// BOOLEAN. PutField and GetField use them; any module that writes or reads
// these values itself (a CSV writer, say) may include this header.
//
//   NUMERIC value v, scale s (sqlscale, 0 to -18): v / 10^-s exactly
//     formatScaled: 1250,-2 -> "12.5"   700,-2 -> "7"   -25,-2 -> "-0.25"
//     scanScaled:   "12.345",-2 -> 1235 (half away from zero)
//   strict number text --scanDecimal--> DecimalText, the exact decimal it writes
//     --decimalToScaled: "1.5e3",2 -> 150000   "-2.5",0 -> -3 (half away from zero)
//     --decimalToDouble / decimalToFloat: the nearest value, subnormals included
//   TIME (ISC_TIME, 1/10000 s since midnight) <-> "hh:mm:ss[.ffff]"
//   BOOLEAN <-> "TRUE" / "FALSE"; read: true false t f 1 0, any case
//
// None of these functions keeps state or allocates; results are written to
// the caller's buffer and live as long as it does.
#ifndef LODRUN_DBLIB_EXACTVALUES_H
#define LODRUN_DBLIB_EXACTVALUES_H

#include <ibase.h>

#include <string_view>

// Fraction digits a scaled integer can have (NUMERIC(18,18)).
constexpr int kMaxScaleDigits = 18;
// Room for formatScaled's text and its NUL: "-9.223372036854775808".
constexpr int kScaledTextRoom = 24;
// Room for formatTimeOfDay's text and its NUL: "hh:mm:ss.ffff".
constexpr int kTimeTextRoom = 16;
// Room for the longest number text GetField writes for any numeric column,
// its NUL included: "%f" of the largest double has 309 digits before its
// point.
constexpr int kNumberTextRoom = 320;

// Writes the exact decimal text of value * 10^scale (scale 0 to -18; others
// are taken as 0 and -18) and a NUL into out (kScaledTextRoom bytes);
// returns its length. Trailing zeros of the fraction are dropped, and the
// point with them when the fraction is 0: 1250,-2 gives 12.5; 0 gives 0.
int formatScaled(long long value, int scale, char *out);

// Reads a number text (the syntax of scanNumber: blanks around it, "-" only as
// the very first character, "," a thousands separator or, with the run's
// fractComma setting, the decimal point, no exponent) of `length`
// bytes, ending early at a NUL, as an integer of `scale` (0 to -18). Fraction
// digits beyond the scale round half away from zero. Returns 0 with *value set;
// kDbNumberConversion for a text that is not a number, or whose whole part is
// beyond the 64-bit range; kDbTruncated when the scaled value is beyond the
// 64-bit range. *value is untouched on failure.
int scanScaled(const char *text, int length, int scale, long long *value);

// A number text of the strict grammar as the exact decimal it writes:
// (-1 if negative) * 0.digits * 10^(whole.size() + exponent), digits being
// whole and fraction read as one string. The views point into the scanned
// text and live as long as it does.
struct DecimalText {
  bool negative = false;
  bool commaPoint = false;      // the point was written as a comma
  std::string_view whole;       // digits before the point; may be empty
  std::string_view fraction;    // digits after it; may be empty, not both
  long long exponent = 0;       // held at +-10^9
  std::string_view body;        // the text less its blanks and sign
};

// Reads `length` bytes as [blanks][+|-]mantissa[(e|E)[+|-]digits][blanks],
// the mantissa being 5, 5., .5 or 5.25 (any number of digits), blanks
// spaces and tabs; with commaPoint a comma may stand for the point (a point
// still is one). Returns 0 with *decimal set, or kDbNumberConversion for
// any other text (a thousands separator, an inner blank, a currency sign,
// inf, nan, hex, a lone sign or point, an empty text) with *decimal
// untouched.
int scanDecimal(const char *text, int length, bool commaPoint, DecimalText *decimal);

// The decimal times 10^digits (0-18 fraction digits of a scaled column; 0
// for an integer), rounded half away from zero. 0 with *value set, or
// kDbTruncated (*value untouched) beyond the 64-bit range.
int decimalToScaled(const DecimalText &decimal, int digits, long long *value);

// The double (float) nearest to the decimal, subnormals included. 0 with
// *value set, or kDbTruncated (*value untouched) when it lies beyond the
// type's largest value or so near zero that its nearest value would be 0
// (a text of zeros is 0).
int decimalToDouble(const DecimalText &decimal, double *value);
int decimalToFloat(const DecimalText &decimal, float *value);

// value * 10^scale as the double nearest to it (as strtod reads its text),
// and as the nearest float.
double scaledToDouble(long long value, int scale);
float scaledToFloat(long long value, int scale);

// The double's exact value as an integer of `scale`, rounded half away from
// zero. Returns 0, or kDbTruncated (*value untouched) for NaN, infinities and
// results beyond the 64-bit range.
int doubleToScaled(double real, int scale, long long *value);

// Writes time (its seconds below one day) as "hh:mm:ss", followed by a point
// and the first `fractionDigits` (1-4) digits of its fraction of a second
// when fractionDigits is above 0, and a NUL into out (kTimeTextRoom bytes);
// returns the length.
int formatTimeOfDay(ISC_TIME time, int fractionDigits, char *out);

// Reads "h:mm", "hh:mm", "hh:mm:ss" or "hh:mm:ss.f" with 1-4 fraction digits,
// blanks around it allowed, from `length` bytes (ending early at a NUL).
// Returns 0 with *time set; kDbCannotFormat when the text has another form (it
// may be a date: the caller decides); kDbBadTime for a time of that form
// outside 00:00:00-23:59:59.9999. *time is untouched on failure.
int scanTimeOfDay(const char *text, int length, ISC_TIME *time);

// "TRUE" or "FALSE".
const char *booleanText(bool value);

// Reads true, false, t, f, 1 or 0 in any letter case, blanks around it
// allowed, from `length` bytes (ending early at a NUL). Returns 0 with *value
// set, or kDbNumberConversion (*value untouched).
int scanBoolean(const char *text, int length, bool *value);

#endif  // LODRUN_DBLIB_EXACTVALUES_H
