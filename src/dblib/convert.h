// convert.h - helpers shared by dblib's conversion modules (dates, numbers,
// scaled numbers, times of day, booleans, PutField, GetField). Nothing outside
// src/dblib includes this header; exactvalues.h is the public face of the
// exact conversions.
#ifndef LODRUN_DBLIB_CONVERT_H
#define LODRUN_DBLIB_CONVERT_H

#include <ibase.h>

#include <cstdint>

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

// Places the number text of n characters now in infoBuffer in text format
// 6-9 into destination, never more than `length` bytes: a text that does not
// fit keeps its rightmost characters and gives 20102; format 7 right-aligns
// and fills with zeros. 20106 when there is no room for the NUL or count,
// 20021 for a misaligned format-9 destination.
int emitNumberText(int length, char *destination, int format, int n);

// Places `total` characters of text in text format 6-9 as a text column's
// value is placed (GetField): the leading characters that fit, 20102 when
// some were cut; format 7 fills with blanks. 20101 when total is 0 or the
// destination has no room, 20103 for another format.
int placeText(const char *text, int total, int format, int length, char *destination);

// Places a NUL-ended date or time text in `length` bytes: whole, with its
// NUL when there is room for it; a longer text is cut to `length` with
// 20102.
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

#endif  // LODRUN_DBLIB_CONVERT_H
