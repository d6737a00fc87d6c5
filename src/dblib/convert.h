// convert.h - helpers shared by dblib's conversion modules (dates, numbers,
// PutField, GetField). Nothing outside src/dblib includes this header.
#ifndef LODRUN_DBLIB_CONVERT_H
#define LODRUN_DBLIB_CONVERT_H

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

#endif  // LODRUN_DBLIB_CONVERT_H
