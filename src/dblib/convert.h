// convert.h - helpers shared by dblib's conversion modules (dates, numbers,
// scaled numbers, times of day, booleans, PutField, GetField), and the number
// and date conversions behind them. Nothing outside src/dblib (except tests)
// includes this header; exactvalues.h is the public face of the exact
// conversions.
#ifndef LODRUN_DBLIB_CONVERT_H
#define LODRUN_DBLIB_CONVERT_H

#include <ibase.h>

#include <cstdint>
#include <ctime>

// True when pointer is a multiple of size (a power of two).
inline bool isAligned(const void *pointer, std::uintptr_t size) {
  return reinterpret_cast<std::uintptr_t>(pointer) % size == 0;
}

// The double truncated toward zero as a 64-bit integer; values beyond the
// 64-bit range give its nearest end, NaN gives 0 (a plain cast is undefined
// there).
long long truncateToWhole(double value);

// Bytes formatDate writes for `format` 11-22 (the NUL included for the
// texts of 11-17); 0 for any other format.
int dateFormatBytes(int format);

// Length of the `declared` bytes at data without their trailing blanks and
// NUL bytes (the fetched text of a 453 variable).
int trimmedTextLength(const char *data, int declared);

// The coerced type code with its nullable bit set, whichever way it was given.
inline int nullableType(int type) { return type | 1; }

// Writes the decimal digits of value so that they end just before `end`;
// returns the first.
char *digitsBefore(char *end, unsigned long long value);

// Places the number text of n characters now in infoBuffer in text format 6-9
// into destination, never more than `length` bytes: a text that does not fit
// keeps its rightmost characters and gives kDbTruncated; format 7 right-aligns
// and fills with zeros. kDbFieldSize when there is no room for the NUL or
// count, kDbMisaligned for a misaligned format-9 destination.
int emitNumberText(int length, char *destination, int format, int n);

// Places `total` characters of text in text format 6-9 as a text column's
// value is placed (GetField): the leading characters that fit, kDbTruncated when
// some were cut; format 7 fills with blanks. kDbNull when total is 0 or the
// destination has no room, kDbCannotFormat for another format.
int placeText(const char *text, int total, int format, int length, char *destination);

// Places a NUL-ended date or time text in `length` bytes: whole, with its
// NUL when there is room for it; a longer text is cut to `length` with
// kDbTruncated.
int placeDateText(const char *text, int length, char *destination);

// Conversions of the variable types beyond the coercion table's numbers:
// a scaled SQL_SHORT/SQL_LONG/SQL_INT64 (sqlscale below 0), SQL_TYPE_TIME
// and SQL_BOOLEAN. The put side is called after PutField has set the null
// indicator to 0; the get side after GetField has ruled out NULL. Results as
// PutField and GetField document them.
int putScaled(XSQLVAR *variable, int format, int length, const char *source);
int getScaled(const XSQLVAR *variable, int format, int length, char *destination);
int putTimeOfDay(XSQLVAR *variable, int format, int length, const char *source);
int getTimeOfDay(const XSQLVAR *variable, int format, int length, char *destination);
int putBoolean(XSQLVAR *variable, int format, int length, const char *source);
int getBoolean(const XSQLVAR *variable, int format, int length, char *destination);

// True for an integer variable that carries a decimal scale.
inline bool isScaledInteger(const XSQLVAR &variable) {
  if (variable.sqlscale == 0) return false;
  const int type = variable.sqltype | 1;
  return type == SQL_SHORT + 1 || type == SQL_LONG + 1 || type == SQL_INT64 + 1;
}

// ---------------------------------------------------------------------------
// The number and date conversions behind PutField and GetField.

// Size in bytes of a format-18 time record: nine 32-bit ints.
constexpr int kTimeRecordBytes = 9 * 4;

// The numeric pair every number conversion goes through: the same value as a
// double and as a signed 64-bit integer (truncated toward zero).
struct NumericPair {
  double real = 0.0;
  long long whole = 0;
};

// Reads a date of format 10-22 into *record (fields of struct tm; the year as
// years since 1900, month 0-11); texts (11-17) end at their NUL and are read
// from at most 19 characters. Formats 10 and 18 are taken unchecked; every
// other date must be a real calendar date in years 1-9999. 0, kDbCannotFormat
// (format, or a bad day-of-year number), kDbBadDate (bad date) or kDbBadTime
// (bad time). After a failure the record must not be used.
int scanDate(const char *source, struct tm *record, int format);

// What isc_encode_timestamp makes of a record that scanDate checked (any
// format but 10 and 18), computed without the call.
ISC_TIMESTAMP encodeCheckedTimestamp(const struct tm &record);

// Turns the year field as written into years since 1900: two-digit years are
// 20yy, or 19yy when above the run's centurySplit; negative years stay.
void applyCenturySplit(struct tm *record);

// Sets day, month (1-12), year as written and the time from YYYYMMDDhhmmss;
// a number without a positive date part sets nothing.
void unpackDateNumber(struct tm *record, long long number);

// Scans a number text of `length` bytes (up to its NUL when length < 1), ending
// early at `stop`, into *pair. 0 or kDbNumberConversion (*pair untouched then).
int scanNumber(NumericPair *pair, int length, const char *text, char stop);

// Reads a binary number of format 1-5 into *pair: 0, kDbMisaligned (null or
// misaligned source), kDbFieldSize (length not the format's width),
// kDbCannotFormat.
int readBinaryNumber(const char *source, int length, NumericPair *pair,
                     int format);

// Stores the pair into a variable's data by its type: 0, kDbMisaligned (null or
// misaligned destination), kDbTruncated (out of the type's range; the cut value
// is stored), kDbCannotFormat (not a numeric type).
int storeNumber(char *destination, const NumericPair *pair, int type);

// Prints the pair ("%lld" when whole, else "%f" less trailing zeros) into
// dblib's work buffer; returns the length. The text stays valid until the
// next dblib call (NumberText() gives it).
int formatNumber(const NumericPair *pair);

const char *NumberText();

// Fills *pair from a numeric variable's data: 0, kDbMisaligned (null or data not
// aligned to its size), kDbBadFieldType (not a numeric type).
int readVariableNumber(const char *data, int type, NumericPair *pair);

// Writes the pair in format 1-9 into destination, never more than `length`
// bytes: 0, kDbTruncated (cut: low bits of an integer, the rightmost characters
// of a text), kDbFieldSize (binary length not the width, or no room for a
// text's NUL or count), kDbMisaligned (null or misaligned destination),
// kDbCannotFormat (formats 10-22).
int emitNumber(int length, const NumericPair *pair, char *destination,
               int format);

#endif  // LODRUN_DBLIB_CONVERT_H
