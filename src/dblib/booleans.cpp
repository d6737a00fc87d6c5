// booleans.cpp - BOOLEAN columns (Firebird 3): one byte, FB_TRUE or FB_FALSE.
//
//   load:   "true" "false" "t" "f" "1" "0" (any case) --scanBoolean--> byte
//           binary number 1 or 0 -------------------------------------/
//   unload: byte --booleanText--> "TRUE" / "FALSE" --placeText--> text forms
//                \--> 1 or 0 --emitNumber--> binary forms
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/exactvalues.h"

namespace {

// The words a boolean is read from, lower case.
struct BooleanWord {
  const char *word;
  bool value;
};
constexpr BooleanWord kBooleanWords[] = {
    {"true", true}, {"false", false}, {"t", true}, {"f", false}, {"1", true}, {"0", false},
};

char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const char *booleanText(bool value) { return value ? "TRUE" : "FALSE"; }

int scanBoolean(const char *text, int length, bool *value) {
  int end = 0;
  while (end < length && text[end] != '\0') ++end;
  int start = 0;
  while (start < end && text[start] == ' ') ++start;
  while (end > start && text[end - 1] == ' ') --end;
  const int size = end - start;
  for (const BooleanWord &candidate : kBooleanWords) {
    if (static_cast<int>(std::strlen(candidate.word)) != size) continue;
    int i = 0;
    while (i < size && lowerCase(text[start + i]) == candidate.word[i]) ++i;
    if (i == size) {
      *value = candidate.value;
      return kDbOk;
    }
  }
  return kDbNumberConversion;
}

// Binary numbers must be exactly 1 or 0, like the digit texts; dates are no
// booleans.
int putBoolean(XSQLVAR *variable, int format, int length, const char *source) {
  bool value = false;
  if (format <= FmtDouble) {
    NumericPair pair;
    const int status = readBinaryNumber(source, length, &pair, format);
    if (status != kDbOk) return status;
    if (pair.real != 0.0 && pair.real != 1.0) return kDbNumberConversion;
    value = pair.real == 1.0;
  } else if (format <= FmtCounted16Text) {
    const int status = scanBoolean(source, length, &value);
    if (status != kDbOk) return status;
  } else {
    return kDbCannotFormat;
  }
  variable->sqldata[0] = static_cast<char>(value ? FB_TRUE : FB_FALSE);
  return kDbOk;
}

// The text forms as a text column's value (a fixed field filled with
// blanks), the binary ones 1 or 0.
int getBoolean(const XSQLVAR *variable, int format, int length, char *destination) {
  const bool value = variable->sqldata[0] != FB_FALSE;
  if (format >= FmtText && format <= FmtCounted16Text) {
    const char *text = booleanText(value);
    return placeText(text, static_cast<int>(std::strlen(text)), format, length, destination);
  }
  if (format > FmtDouble) return kDbCannotFormat;
  NumericPair pair;
  pair.whole = value ? 1 : 0;
  pair.real = static_cast<double>(pair.whole);
  return emitNumber(length, &pair, destination, format);
}
