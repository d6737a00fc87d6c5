// params_extract.cpp - cutting one field out of a delimited record.
//
//   record text --quotes, escapes, separator--> field text (fieldBuffer)
#include "load/params.h"

#include <algorithm>
#include <cstring>

#include "job/settings.h"

namespace {

// The bytes of a delimited record that need a decision, as a strcspn set.
// Built again when the separator or the quote changes, so it needs no reset
// between runs.
struct DelimiterBytes {
  bool ready = false;
  char separator = 0;
  char quote = 0;
  char inside[8] = {};
};

DelimiterBytes delimiterBytes;

const DelimiterBytes &specialFor(char separator, char quote) {
  DelimiterBytes &table = delimiterBytes;
  if (!table.ready || table.separator != separator || table.quote != quote) {
    table = DelimiterBytes{};
    const char inside[] = {separator, quote, '\\', '\0'};
    std::memcpy(table.inside, inside, sizeof inside);
    table.ready = true;
    table.separator = separator;
    table.quote = quote;
  }
  return table;
}

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
  const DelimiterBytes &special = specialFor(separator, quote);
  const char *p = *cursor;
  int n = 0;
  bool quoted = false;
  const int room = capacity - 1;
  for (;;) {
    // Blanks and '$' before the field's first byte are dropped (one strcspn
    // stopping at them would stop at the field's first inner blank too).
    if (n == 0 && (*p == ' ' || *p == '$')) {
      ++p;
      continue;
    }
    const size_t run = std::strcspn(p, special.inside);
    if (run > 0) {
      const int kept = std::min(static_cast<int>(run), room - n);
      if (kept > 0) std::memcpy(field + n, p, static_cast<size_t>(kept));
      n += kept > 0 ? kept : 0;
      p += run;
    }
    char c = *p;
    if (c == '\0') break;
    ++p;
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
    }
    if (n < room) field[n++] = c;
  }
  if (capacity > 0) field[n] = '\0';
  *cursor = p;
  return n;
}
