// fuzz_blockstatement.cpp - the EXECUTE BLOCK a batched load prepares: the
// parameter markers of the statement text, the PSQL types of described
// inputs, and the block text built from them.
//
//   sql --findParameterMarkers--> markers   (also of sql, line feed, sql)
//   described inputs --declareInput--> types
//   sql, markers, types --buildBlockText--> block, whose markers are the
//       block's N and one per statement marker and slot
//
// Input: slot byte, then the statement text up to a NUL (it is a C string
// in the program); after the NUL, 8 bytes per described input. With the top
// bit of the slot byte the text is composed instead from tokens the bytes
// choose (names, markers, literals, quoted names, q'..' strings, comments),
// so where its markers are is known beforehand.
//
//   slot byte, text bytes --composed--> sql, the offsets of its markers
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"
#include "load/blockstatement.h"

namespace {

void expect(bool holds, const char *what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_blockstatement: %s\n", what);
  std::abort();
}

// Character sets and collations as readCollationNames gives them.
const std::vector<CollationName> &names() {
  static const std::vector<CollationName> kNames = {
      {0, 0, 1, "NONE", "NONE"},          {1, 0, 1, "OCTETS", "OCTETS"},
      {4, 0, 4, "UTF8", "UTF8"},          {4, 1, 4, "UTF8", "UCS_BASIC"},
      {4, 3, 4, "UTF8", "UNICODE_CI"},    {53, 0, 1, "WIN1252", "WIN1252"},
      {53, 8, 1, "WIN1252", "PXW_SPAN"},  {3, 0, 3, "UNICODE_FSS", "UNICODE_FSS"},
  };
  return kNames;
}

DescribedInput describedInput(const uint8_t *bytes) {
  static const short kTypes[] = {SQL_TEXT,      SQL_VARYING,   SQL_SHORT,  SQL_LONG,
                                 SQL_INT64,     SQL_FLOAT,     SQL_DOUBLE, SQL_D_FLOAT,
                                 SQL_TIMESTAMP, SQL_TYPE_DATE, SQL_TYPE_TIME, SQL_BLOB,
                                 SQL_ARRAY,     SQL_BOOLEAN,   SQL_NULL,   SQL_QUAD};
  DescribedInput input;
  input.sqltype = static_cast<short>(kTypes[bytes[0] % 16] | (bytes[0] >> 7));
  std::memcpy(&input.sqlsubtype, bytes + 2, 2);
  std::memcpy(&input.sqllen, bytes + 4, 2);
  std::memcpy(&input.sqlscale, bytes + 6, 2);
  return input;
}

// Nothing in a declared type may change how the block's text is read.
bool plainType(const std::string &type) {
  return type.find_first_of("?'\";") == std::string::npos &&
         type.find("--") == std::string::npos && type.find("/*") == std::string::npos;
}

// `count` bytes from `bytes` at *at as characters of `alphabet`, leaving out
// those in `banned`.
std::string content(std::string_view bytes, size_t *at, size_t count, const char *alphabet,
                    const char *banned) {
  const size_t letters = std::strlen(alphabet);
  std::string text;
  for (size_t i = 0; i < count && *at < bytes.size(); ++i) {
    const char c = alphabet[static_cast<unsigned char>(bytes[(*at)++]) % letters];
    if (std::strchr(banned, c) == nullptr) text += c;
  }
  return text;
}

// A statement text of tokens: each byte picks a kind (low 3 bits) and how
// many of the next bytes fill it. The offsets of the '?' tokens go to
// *markers; every other '?' lies inside a literal, a name or a comment.
std::string composed(std::string_view bytes, std::vector<size_t> *markers) {
  static const char kAny[] = "a1 ,=()?'\"-/*\n{}[]<>!#qQ";
  static const char kOpeners[] = "([{<!#";
  std::string sql;
  size_t at = 0;
  while (at < bytes.size() && sql.size() < 4000) {
    const unsigned char kind = static_cast<unsigned char>(bytes[at++]);
    const size_t count = (kind >> 3) % 8;
    switch (kind % 8) {
      case 0:
      case 1:  // words and punctuation that open nothing
        sql += content(bytes, &at, count, kAny, "?'\"-/*qQ");
        break;
      case 2:
        markers->push_back(sql.size());
        sql += '?';
        break;
      case 3:
      case 4: {  // a literal or a quoted name, its quote doubled inside
        const char quote = kind % 8 == 3 ? '\'' : '"';
        sql += quote;
        for (const char c : content(bytes, &at, count, kAny, ""))
          sql += c == quote ? std::string(2, c) : std::string(1, c);
        sql += quote;
        break;
      }
      case 5: {  // q'<...>' after a blank, so that no name runs into it
        const char open = kOpeners[count % 6];
        const char close = open == '(' ? ')' : open == '[' ? ']' : open == '{' ? '}'
                         : open == '<' ? '>' : open;
        sql += " q'";
        sql += open;
        sql += content(bytes, &at, count, kAny, std::string(1, close).c_str());
        sql += close;
        sql += '\'';
        break;
      }
      case 6:
        sql += "--" + content(bytes, &at, count, kAny, "\n") + "\n";
        break;
      default:
        sql += "/*" + content(bytes, &at, count, kAny, "*") + "*/";
        break;
    }
  }
  return sql;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  freshJob();
  const int slots = 1 + data[0] % 8;
  const bool fromTokens = (data[0] & 0x80) != 0;
  const char *rest = reinterpret_cast<const char *>(data + 1);
  const std::string_view text(rest, strnlen(rest, size - 1));
  std::vector<size_t> known;
  const std::string sql = fromTokens ? composed(text, &known) : std::string(text);

  bool closed = false;
  bool lineComment = false;
  const std::vector<size_t> markers = findParameterMarkers(sql, &closed, &lineComment);
  if (fromTokens)
    expect(closed && !lineComment && markers == known, "markers of a composed text");
  for (size_t i = 0; i < markers.size(); ++i)
    expect(markers[i] < sql.size() && sql[markers[i]] == '?' &&
               (i == 0 || markers[i - 1] < markers[i]),
           "marker offsets");
  if (!closed) return 0;

  // A closed text leaves the scan where it began: a second copy after a
  // line feed has the same markers.
  const std::string twice = sql + "\n" + sql;
  bool closedTwice = false;
  bool lineCommentTwice = false;
  const std::vector<size_t> markersTwice =
      findParameterMarkers(twice, &closedTwice, &lineCommentTwice);
  std::vector<size_t> expected = markers;
  for (const size_t m : markers) expected.push_back(m + sql.size() + 1);
  expect(closedTwice && lineCommentTwice == lineComment && markersTwice == expected,
         "markers of the doubled text");

  std::vector<std::string> declared;
  const size_t textEnd = 1 + text.size() + 1;
  for (size_t at = textEnd; at + 8 <= size && declared.size() < 64; at += 8) {
    const std::string type = declareInput(describedInput(data + at), names());
    expect(plainType(type), "declared type");
    if (!type.empty()) declared.push_back(type);
  }
  if (declared.empty()) declared.push_back("INTEGER");
  std::vector<std::string> types;
  for (size_t k = 0; k < markers.size(); ++k) types.push_back(declared[k % declared.size()]);

  // Bit 3 of the slot byte: the statements once more behind one test of N.
  const BlockGuard guard = (data[0] & 8) != 0 ? BlockGuard::kWholeBlock : BlockGuard::kPerSlot;
  const std::string block = buildBlockText(sql, markers, lineComment, types, slots, guard);
  // ":V1" before q'...' makes the q a letter of a name; such a text is no
  // statement anyway (a parameter followed by a literal).
  for (const size_t m : markers)
    if (m + 1 < sql.size() && (sql[m + 1] == 'q' || sql[m + 1] == 'Q')) return 0;
  bool blockClosed = false;
  bool blockLineComment = false;
  const std::vector<size_t> blockMarkers =
      findParameterMarkers(block, &blockClosed, &blockLineComment);
  expect(blockClosed && !blockLineComment, "block text left open");
  expect(blockMarkers.size() == 1 + static_cast<size_t>(slots) * markers.size(),
         "markers of the block");
  return 0;
}
