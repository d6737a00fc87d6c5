// blockstatement.cpp - the text of the EXECUTE BLOCK that runs the run's
// statement for several records in one execution.
//
//   sql --findParameterMarkers--> '?' offsets --buildBlockText--> block text
//   rdb$character_sets, rdb$collations --readCollationNames--> names by id
//   DescribedInput, names --declareInput--> "NUMERIC(9,2)", "VARCHAR(5) ..."
//
// A parameter of the block is declared with the very type the statement
// described for its marker, so a value reaches the statement through the
// same conversions as when the statement runs alone.
#include "load/blockstatement.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace {

const CollationName *findName(const std::vector<CollationName> &names, int charset,
                              int collation);
std::string textType(const char *kind, const DescribedInput &input,
                     const std::vector<CollationName> &names);
std::string scaledType(const char *whole, int precision, const DescribedInput &input);
size_t closingQuote(std::string_view sql, size_t start);
size_t closingQString(std::string_view sql, size_t start);
void appendStatement(std::string *text, std::string_view sql, const std::vector<size_t> &markers,
                     int firstParameter);
bool plainName(const char *name);

}  // namespace

std::vector<size_t> findParameterMarkers(std::string_view sql, bool *closed, bool *lineComment) {
  std::vector<size_t> markers;
  *closed = true;
  *lineComment = false;
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    const bool wordBefore = i > 0 && (std::isalnum(static_cast<unsigned char>(sql[i - 1])) ||
                                      sql[i - 1] == '_' || sql[i - 1] == '$');
    if (c == '?') {
      markers.push_back(i);
      ++i;
    } else if (c == '\'' || c == '"') {
      i = closingQuote(sql, i);
    } else if ((c == 'q' || c == 'Q') && !wordBefore && i + 2 < sql.size() && sql[i + 1] == '\'') {
      i = closingQString(sql, i);
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      const size_t end = sql.find('\n', i);
      if (end == std::string_view::npos) {
        *lineComment = true;
        return markers;
      }
      i = end + 1;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      const size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? std::string_view::npos : end + 2;
    } else {
      ++i;
    }
    if (i == std::string_view::npos) {
      *closed = false;
      return markers;
    }
  }
  return markers;
}

std::string declareInput(const DescribedInput &input, const std::vector<CollationName> &names) {
  const int scale = -input.sqlscale;
  switch (input.sqltype & ~1) {
    case SQL_TEXT: return textType("CHAR", input, names);
    case SQL_VARYING: return textType("VARCHAR", input, names);
    case SQL_SHORT: return scaledType("SMALLINT", 4, input);
    case SQL_LONG: return scaledType("INTEGER", 9, input);
    case SQL_INT64: return scaledType("BIGINT", 18, input);
    case SQL_FLOAT: return "FLOAT";
    case SQL_DOUBLE:
      // Dialect 1 keeps wide NUMERIC and DECIMAL columns as scaled doubles.
      return scale > 0 ? scaledType("DOUBLE PRECISION", 15, input) : "DOUBLE PRECISION";
    case SQL_D_FLOAT: return "DOUBLE PRECISION";
    case SQL_TIMESTAMP: return "TIMESTAMP";
    case SQL_TYPE_DATE: return "DATE";
    case SQL_TYPE_TIME: return "TIME";
    case SQL_BLOB: {
      std::string type = "BLOB SUB_TYPE " + std::to_string(input.sqlsubtype);
      // A text blob carries its character set in the scale.
      if (input.sqlsubtype != 1) return type;
      const CollationName *name = findName(names, input.sqlscale & 0xFF, 0);
      if (name == nullptr) return "";
      return type + " CHARACTER SET " + name->charset;
    }
    default: return "";
  }
}

std::string buildBlockText(std::string_view sql, const std::vector<size_t> &markers,
                           bool lineComment, const std::vector<std::string> &types, int slots,
                           BlockGuard guard) {
  const int count = static_cast<int>(markers.size());
  std::string text = "EXECUTE BLOCK (N INTEGER = ?";
  for (int s = 0; s < slots; ++s)
    for (int k = 0; k < count; ++k)
      text += ", V" + std::to_string(s * count + k + 1) + " " + types[static_cast<size_t>(k)] +
              " = ?";
  text += ")\nAS BEGIN\n";
  // A line comment at the end would swallow the terminator.
  const char *const terminator = lineComment ? "\n;\n" : ";\n";
  if (guard == BlockGuard::kWholeBlock) {
    // Each test of N costs as much as a fifth of a short row's insert.
    text += "IF (N = " + std::to_string(slots) + ") THEN BEGIN\n";
    for (int s = 0; s < slots; ++s) {
      appendStatement(&text, sql, markers, s * count + 1);
      text += terminator;
    }
    text += "END ELSE BEGIN\n";
  }
  for (int s = 0; s < slots; ++s) {
    text += "IF (N > " + std::to_string(s) + ") THEN ";
    appendStatement(&text, sql, markers, s * count + 1);
    text += terminator;
  }
  if (guard == BlockGuard::kWholeBlock) text += "END\n";
  text += "END";
  return text;
}

bool readCollationNames(isc_tr_handle *tr, std::vector<CollationName> *names) {
  static QueryRecord query;
  query = QueryRecord{};
  query.cursorName = "lodrun_collations";
  query.sqlText =
      "select co.rdb$character_set_id, co.rdb$collation_id, cs.rdb$bytes_per_character,"
      // CHAR, not VARCHAR: fixed texts read the same whatever output forms
      // the run asked dblib for.
      " cast(cs.rdb$character_set_name as char(63)), cast(co.rdb$collation_name as char(63))"
      " from rdb$collations co join rdb$character_sets cs"
      " on cs.rdb$character_set_id = co.rdb$character_set_id";
  query.outputCount = 5;
  if (PrepareQuery(&query, tr) != kDbOk) return false;
  if (OpenCursor(&query, tr) != kDbOk) return false;
  int status = kDbOk;
  while ((status = FetchRow(&query)) == kDbOk) {
    int32_t numbers[3] = {};
    char charset[64] = {}, collation[64] = {};
    bool ok = true;
    for (int c = 0; c < 3; ++c)
      ok = ok && GetField(c + 1, &query, FmtLong, 4, reinterpret_cast<char *>(&numbers[c])) == kDbOk;
    ok = ok && GetField(4, &query, FmtText, sizeof charset - 1, charset) == kDbOk;
    ok = ok && GetField(5, &query, FmtText, sizeof collation - 1, collation) == kDbOk;
    if (!ok || !plainName(charset) || !plainName(collation)) continue;
    names->push_back(CollationName{numbers[0], numbers[1], numbers[2], charset, collation});
  }
  CloseCursor(&query);
  return status == kDbEndOfData;
}

size_t messageBytesPerSlot(const std::vector<DescribedInput> &inputs) {
  size_t bytes = 0;
  for (const DescribedInput &input : inputs)
    bytes += static_cast<size_t>(input.sqllen) + 2 + 2 + 8;
  return bytes;
}

namespace {

const CollationName *findName(const std::vector<CollationName> &names, int charset,
                              int collation) {
  for (const CollationName &name : names)
    if (name.charsetId == charset && name.collationId == collation) return &name;
  return nullptr;
}

// A text's subtype holds its character set in the low byte and its
// collation in the high one; its length is in bytes.
std::string textType(const char *kind, const DescribedInput &input,
                     const std::vector<CollationName> &names) {
  const int charset = input.sqlsubtype & 0xFF;
  const int collation = (input.sqlsubtype >> 8) & 0xFF;
  const CollationName *set = findName(names, charset, 0);
  const CollationName *order = findName(names, charset, collation);
  if (set == nullptr || order == nullptr || set->bytesPerCharacter < 1) return "";
  if (input.sqllen % set->bytesPerCharacter != 0) return "";
  std::string type = std::string(kind) + "(" +
                     std::to_string(input.sqllen / set->bytesPerCharacter) +
                     ") CHARACTER SET " + set->charset;
  if (collation != 0) type += " COLLATE " + order->collation;
  return type;
}

// NUMERIC (subtype 1, or a scale without subtype) and DECIMAL (2) columns
// get the widest precision their storage holds, scale 0 included.
std::string scaledType(const char *whole, int precision, const DescribedInput &input) {
  const int scale = -input.sqlscale;
  if (scale <= 0 && input.sqlsubtype == 0) return whole;
  const bool decimal = input.sqlsubtype == 2 && precision > 4;
  char type[40];
  std::snprintf(type, sizeof type, "%s(%d,%d)", decimal ? "DECIMAL" : "NUMERIC", precision, scale);
  return type;
}

// Index past the quote that closes the literal or identifier opened at
// `start` (a doubled quote stays inside), or npos.
size_t closingQuote(std::string_view sql, size_t start) {
  const char quote = sql[start];
  size_t i = start + 1;
  for (;;) {
    i = sql.find(quote, i);
    if (i == std::string_view::npos) return i;
    if (i + 1 < sql.size() && sql[i + 1] == quote) {
      i += 2;
      continue;
    }
    return i + 1;
  }
}

// q'<...>' with (), [], {}, <> pairs or any other character closing itself.
size_t closingQString(std::string_view sql, size_t start) {
  const char open = sql[start + 2];
  char close = open;
  if (open == '(') close = ')';
  if (open == '[') close = ']';
  if (open == '{') close = '}';
  if (open == '<') close = '>';
  for (size_t i = start + 3; i + 1 < sql.size(); ++i)
    if (sql[i] == close && sql[i + 1] == '\'') return i + 2;
  return std::string_view::npos;
}

void appendStatement(std::string *text, std::string_view sql, const std::vector<size_t> &markers,
                     int firstParameter) {
  size_t from = 0;
  int parameter = firstParameter;
  for (const size_t marker : markers) {
    text->append(sql.substr(from, marker - from));
    *text += ":V" + std::to_string(parameter++);
    from = marker + 1;
  }
  text->append(sql.substr(from));
}

// A name that needs no quotes: upper-case letters, digits, '_' and '$'.
bool plainName(const char *name) {
  if (*name == '\0') return false;
  for (const char *c = name; *c != '\0'; ++c)
    if (!((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '_' || *c == '$'))
      return false;
  return true;
}

}  // namespace
