// params_extract.cpp - cutting one field out of a delimited record.
//
//   record text --quotes, escapes, separator--> field text (fieldBuffer)
#include "load/params.h"

namespace {

// The character a backslash escape stands for, or 0 when the pair is no
// escape (the backslash is then an ordinary character).
char escaped(char next, char separator) {
  if (next == separator) return separator;
  switch (next) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
  }
}

}  // namespace

int extractDelimitedField(const char **cursor, char *field, int capacity, char separator,
                          char quote) {
  const char *p = *cursor;
  int n = 0;
  bool quoted = false;
  const int room = capacity - 1;
  while (*p != '\0') {
    char c = *p++;
    // The separator always ends a field: a separator that is data is
    // written with a backslash.
    if (c == separator) break;
    if (c == quote) {
      if (n == 0 && !quoted) {
        quoted = true;
        continue;
      }
      if (quoted && (*p == separator || *p == '\0')) {
        quoted = false;
        continue;
      }
    } else if (c == '\\' && *p != '\0') {
      const char stands = escaped(*p, separator);
      if (stands != 0) {
        c = stands;
        ++p;
      }
    } else if (n == 0 && (c == ' ' || c == '$')) {
      continue;
    }
    if (n < room) field[n++] = c;
  }
  if (capacity > 0) field[n] = '\0';
  *cursor = p;
  return n;
}
