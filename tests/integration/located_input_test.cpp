// PutLocatedField against PutField (and PutLocatedDecimal, PutLocatedEmptyText
// against theirs): the same statement prepared twice, every value put into
// one through PutField and into the other through its located variables,
// over many values, formats and every input type; result codes, data,
// lengths and null flags must agree.
#include <random>

#include "dblib/exactvalues.h"
#include "dblib_fixture.h"

using LocatedInputs = DblibTest;

namespace {

constexpr int kColumns = 14;
const char kLocatedInsert[] =
    "insert into alltypes (id, c10, v10, sm, i, bi, n41, n92, n184, f, dp, d, t, ts)"
    " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

const char *const kValues[] = {
    "",           "0",         "-1",          "12",          "12.345",      "-0.005",
    "32767",      "-32768",    "2147483648",  "9.9e3",       "1,234.5",     "abc",
    "  7  ",      "2009/01/12", "12/01/2009", "01/12/2009 14:05:09", "14:05:09", "23:59:59.9999",
    "0123456789", "01234567890", "9223372036854775807", "-9223372036854775809", "1e-3",
    "31/02/2009", "29/02/2008", "e-5",        "1.5e10",      "true"};
// Those of them that are number texts of the strict grammar.
constexpr int kDecimals = 16;

// The variable's state after a put, as bytes.
std::string state(XSQLVAR *var, int capacity) {
  std::string seen = std::to_string(var->sqllen) + "/" + std::to_string(*var->sqlind) + ":";
  const int bytes = (var->sqltype & ~1) == SQL_TEXT ? var->sqllen : capacity;
  seen.append(var->sqldata, static_cast<size_t>(bytes > 0 ? bytes : 0));
  return seen;
}

}  // namespace

TEST_F(LocatedInputs, EveryPutEqualsPutField) {
  ASSERT_EQ(prepare(&query, kLocatedInsert, kColumns, 0), kDbOk);
  ASSERT_EQ(prepare(&other, kLocatedInsert, kColumns, 0), kDbOk);
  LocatedInput located[kColumns];
  int capacity[kColumns];
  for (int field = 1; field <= kColumns; ++field) {
    ASSERT_EQ(LocateInputField(field, &other, &located[field - 1]), kDbOk);
    ASSERT_EQ(FindVariable(field, &query, true), kDbOk);
    capacity[field - 1] = currentQuery->inputDataLengths[field - 1];
  }
  LocatedInput missing;
  EXPECT_EQ(LocateInputField(kColumns + 1, &other, &missing), kDbBadVariable);
  EXPECT_EQ(missing.variable, nullptr);

  std::mt19937 random(3);
  int compared = 0;
  for (int field = 1; field <= kColumns; ++field) {
    for (const char *value : kValues) {
      for (const ExternalFormat format :
           {FmtText, FmtFixedText, FmtMDYdate, FmtYMDtime, FmtDMonYdate}) {
        char source[64] = {};
        std::snprintf(source, sizeof source, "%s", value);
        const int length = static_cast<int>(std::strlen(source));
        const int expected = PutField(format, &query, field, length, source);
        const int got = PutLocatedField(located[field - 1], format, length, source);
        ASSERT_EQ(got, expected) << field << " " << value << " " << format;
        ASSERT_EQ(state(variable(&other, field, true), capacity[field - 1]),
                  state(variable(&query, field, true), capacity[field - 1]))
            << field << " " << value << " " << format;
        ++compared;
      }
    }
    // exact decimals (number texts of the strict grammar) and the empty text
    for (const char *value : kValues) {
      DecimalText decimal;
      if (scanDecimal(value, static_cast<int>(std::strlen(value)), false, &decimal) != kDbOk)
        continue;
      const int expected = PutDecimal(&query, field, decimal);
      ASSERT_EQ(PutLocatedDecimal(located[field - 1], decimal), expected) << field << " " << value;
      ASSERT_EQ(state(variable(&other, field, true), capacity[field - 1]),
                state(variable(&query, field, true), capacity[field - 1]))
          << field << " " << value;
      ++compared;
    }
    ASSERT_EQ(PutLocatedEmptyText(located[field - 1]), PutEmptyText(&query, field)) << field;
    ASSERT_EQ(state(variable(&other, field, true), capacity[field - 1]),
              state(variable(&query, field, true), capacity[field - 1]))
        << field;
    // binary forms of their width
    for (int i = 0; i < 50; ++i) {
      alignas(8) char bytes[8];
      const uint64_t word = (static_cast<uint64_t>(random()) << 32) | random();
      std::memcpy(bytes, &word, sizeof bytes);
      for (const ExternalFormat format : {FmtShort, FmtLong, FmtInt64, FmtDouble, FmtTimestamp}) {
        const int width = format == FmtShort ? 2 : format == FmtLong ? 4 : 8;
        const int expected = PutField(format, &query, field, width, bytes);
        ASSERT_EQ(PutLocatedField(located[field - 1], format, width, bytes), expected);
        ASSERT_EQ(state(variable(&other, field, true), capacity[field - 1]),
                  state(variable(&query, field, true), capacity[field - 1]))
            << field << " " << format;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, kColumns * (static_cast<int>(std::size(kValues)) * 5 + kDecimals + 250));
}
