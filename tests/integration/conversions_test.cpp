// PutField and GetField against real prepared statements on an embedded
// database: every coerced type in, every applicable format out, codes and
// bytes both checked.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "testsupport.h"
#include "dblib/convert.h"

namespace {

const char *const kSchema =
    "create table t (id integer not null, c5 char(5), v300 varchar(300), s smallint,"
    " i integer, b bigint, n41 numeric(4,1), n92 numeric(9,2), n184 numeric(18,4),"
    " f float, d double precision, dt date, tm time, ts timestamp, bl blob sub_type text,"
    " ar integer[3]);";

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("conv.fdb");
    ASSERT_TRUE(createDatabase(path_, kSchema));
    ASSERT_EQ(DBopen(path_.c_str(), "SYSDBA", "masterkey", &db_), 0);
    ASSERT_EQ(StartTransaction("conv", 1, &db_, &tr_), 0);
  }
  void TearDown() override {
    finish();
    DBrunSettings() = DblibRunSettings();
  }
  // Commits and detaches, so that isql can read the table.
  void finish() {
    if (tr_ != 0) CommitTransaction(&tr_);
    if (db_ != 0) DBclose(&db_);
  }
  void prepare(QueryRecord *query, const char *sql, short inputs, short outputs) {
    static const char *const kCursors[] = {"c1", "c2", "c3", "c4"};
    query->cursorName = kCursors[cursors_++ % 4];
    query->sqlText = sql;
    query->inputCount = inputs;
    query->outputCount = outputs;
    ASSERT_EQ(PrepareQuery(query, &tr_), 0) << sql;
  }
  // PutField of `value` placed `offset` bytes past an 8-aligned buffer.
  int put(QueryRecord *query, int field, int format, const std::string &value, int offset = 0) {
    std::memset(buffer_, 0, sizeof buffer_);
    std::memcpy(buffer_ + offset, value.data(), value.size());
    return PutField(static_cast<ExternalFormat>(format), query, field,
                    static_cast<int>(value.size()), buffer_ + offset);
  }
  // GetField into a '#'-filled buffer; returns the `length` bytes written.
  std::string get(QueryRecord *query, int column, int format, int length, int *code,
                  int offset = 0) {
    std::memset(buffer_, '#', sizeof buffer_);
    *code = GetField(column, query, static_cast<ExternalFormat>(format), length, buffer_ + offset);
    EXPECT_EQ(buffer_[offset + length], '#') << "wrote past " << length;
    return std::string(buffer_ + offset, length);
  }
  std::string getText(QueryRecord *query, int column, int format = 6) {
    int code;
    std::string text = get(query, column, format, 40, &code);
    EXPECT_EQ(code, 0) << "column " << column;
    return text.substr(0, text.find('\0'));
  }
  XSQLVAR *variable(QueryRecord *query, int number, bool input) {
    EXPECT_EQ(FindVariable(number, query, input), 0);
    return currentVariable;
  }

  TempDir dir_;
  std::string path_;
  isc_db_handle db_ = 0;
  isc_tr_handle tr_ = 0;
  int cursors_ = 0;
  alignas(8) char buffer_[1024];
};

template <typename T>
std::string bytesOf(T value) {
  return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

}  // namespace

TEST_F(ConversionTest, PutField_EmptyValueIsNullForEveryColumnBeforeAnyCheck) {
  QueryRecord insert;
  prepare(&insert, "insert into t (id, c5, v300, s, i, b, n41, n92, n184, f, d, dt, tm, ts, bl, ar)"
                   " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", 16, 0);
  ASSERT_EQ(put(&insert, 1, 6, "1"), 0);
  ASSERT_EQ(put(&insert, 2, 6, "abc"), 0);
  const struct { int format; std::string value; } empties[] = {
      {6, ""}, {8, "x"}, {9, "xy"}, {0, ""}, {23, ""}, {7, ""}, {16, ""},
  };
  for (int field = 2; field <= 16; ++field) {
    const auto &empty = empties[field % 7];
    ASSERT_EQ(put(&insert, field, empty.format, empty.value), 0) << field;
    XSQLVAR *var = variable(&insert, field, true);
    EXPECT_EQ(*var->sqlind, -1) << field;
    if ((var->sqltype | 1) == kSqlText) {
      EXPECT_EQ(var->sqldata[0], '\0') << field;
    }
  }
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  finish();
  std::string nulls = "1";
  for (int column = 2; column <= 16; ++column) nulls += "|<null>";
  EXPECT_EQ(queryRows(path_, "select * from t"), std::vector<std::string>{nulls});
}

TEST_F(ConversionTest, PutField_NumberTextsAreScannedStoredAndCut) {
  QueryRecord insert, select;
  prepare(&insert, "insert into t (id, s, i, b, n41, n92, n184, f, d) values (?, ?, ?, ?, ?, ?, ?, ?, ?)",
          9, 0);
  const struct {
    int field;
    const char *text;
    int code;
    const char *stored = nullptr;  // none: refused, not executed
    bool comma = false;            // with comma fractions
  } rows[] = {
      {3, "  42  ", 0, "42"},      {3, "-42", 0, "-42"},         {3, "12.7", 0, "12"},
      {9, "12.7", 0, "12.7"},      {6, "12.7", 0, "12.7"},       {9, "-12.5", 0, "-12.5"},
      {9, "-0.5", 0, "-0.5"},      {6, "1,234.5", 0, "1234.5"},  {6, "1234,5", 0, "1234.5", true},
      {9, "1.5e-3", kDbNumberConversion}, {2, "   ", 0, "0"},    {5, "12.5", 0, "12.5"},
      {8, "0.25", 0, "0.25"},      {7, "-1234.5678", 0, "-1234.5678"},
      {4, "-9223372036854775807", 0, "-9223372036854775807"},
      {2, "40000", kDbTruncated, "-25536"}, {3, "3000000000", kDbTruncated, "-1294967296"},
      {3, "4 2", kDbNumberConversion},  {3, " -42", kDbNumberConversion},
      {3, "1e5", kDbNumberConversion},  {9, "1E-3", kDbNumberConversion},
      {3, "+5", kDbNumberConversion},
  };
  std::vector<std::string> expected;
  for (const auto &row : rows) {
    DBrunSettings().fractComma = row.comma;
    for (int field = 1; field <= 9; ++field) ASSERT_EQ(put(&insert, field, 6, ""), 0);
    ASSERT_EQ(put(&insert, 1, 6, std::to_string(expected.size())), 0);
    ASSERT_EQ(put(&insert, row.field, 6, row.text), row.code) << row.text;
    if (row.stored == nullptr) continue;
    ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
    expected.push_back(std::to_string(row.field) + ":" + row.stored);
  }
  prepare(&select, "select id, s, i, b, n41, n92, n184, f, d from t order by id", 0, 9);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  for (const std::string &want : expected) {
    ASSERT_EQ(FetchRow(&select), 0);
    const int field = std::stoi(want);
    EXPECT_EQ(std::to_string(field) + ":" + getText(&select, field), want);
  }
  finish();  // while the records above still live: closing marks them
}

TEST_F(ConversionTest, PutField_BinaryAndTextValuesMeetTheirColumns) {
  QueryRecord insert;
  prepare(&insert, "insert into t (id, c5, v300, s, b, f, d, ts, bl, ar)"
                   " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", 10, 0);
  const struct { int field, format; std::string value; int offset, code; const char *text; } rows[] = {
      {2, 2, bytesOf<int32_t>(7), 0, 0, "7"},
      {2, 5, bytesOf(2.5), 0, 0, "2.5"},
      {2, 5, bytesOf(1234567.25), 0, kDbTruncated, "12345"},
      {2, 6, "abcdefg", 0, kDbTruncated, "abcde"},
      {2, 7, "abc", 0, 0, "abc"},
      {3, 8, "\x03" "xyz", 0, 0, "xyz"},
      {3, 9, std::string("\x02\0" "pq", 4), 0, 0, "pq"},
      {3, 16, "12/01/2009", 0, 0, "12/01/2009"},
      {3, 1, bytesOf<int16_t>(-5), 0, 0, "-5"},
      {3, 6, std::string(301, 'x'), 0, kDbTruncated, nullptr},
      {4, 1, bytesOf<int16_t>(-7), 0, 0, nullptr},
      {4, 2, bytesOf<int32_t>(7).substr(0, 3), 0, kDbFieldSize, nullptr},
      {4, 2, bytesOf<int32_t>(7), 2, kDbMisaligned, nullptr},
      {5, 5, bytesOf(-1e300), 0, kDbTruncated, nullptr},  // beyond any integer
      {5, 3, bytesOf<int64_t>(1LL << 40), 0, 0, nullptr},
      {5, 3, bytesOf<int64_t>(1), 4, kDbMisaligned, nullptr},
      {6, 5, bytesOf(1e39), 0, kDbTruncated, nullptr},   // beyond a float
      {4, 5, bytesOf(std::nan("")), 0, kDbTruncated, nullptr},
      {6, 4, bytesOf(0.5f), 0, 0, nullptr},
      {7, 5, bytesOf(-2.75), 0, 0, nullptr},
      {8, 7, "2009/01/12", 0, kDbCannotFormat, nullptr},
      {8, 16, "31/04/2000", 0, kDbBadDate, nullptr},
      {8, 13, "2009/01/12 24:00:00", 0, kDbBadTime, nullptr},
      {8, 20, bytesOf<int32_t>(20090112).substr(0, 3), 0, kDbFieldSize, nullptr},
      {8, 10, std::string(7, '\0'), 0, kDbFieldSize, nullptr},
      {8, 10, std::string(8, '\0'), 2, kDbMisaligned, nullptr},
      {9, 6, "text", 0, kDbPutBlobField, nullptr},
      {10, 10, std::string(8, '\1'), 0, kDbPutBlobField, nullptr},
      {7, 0, "1", 0, kDbCannotFormat, nullptr},
      {7, 23, "1", 0, kDbCannotFormat, nullptr},
  };
  for (const auto &row : rows) {
    ASSERT_EQ(put(&insert, row.field, row.format, row.value, row.offset), row.code)
        << row.field << "/" << row.format;
    XSQLVAR *var = variable(&insert, row.field, true);
    if (row.text != nullptr) {
      EXPECT_EQ(std::string(var->sqldata, var->sqllen), row.text);
    }
  }
  EXPECT_EQ(variable(&insert, 3, true)->sqllen, 300);
  EXPECT_EQ(*variable(&insert, 9, true)->sqlind, -1);  // the blob stays untouched
  EXPECT_EQ(PutField(FmtText, &insert, 0, 1, "1"), kDbBadVariable);
  EXPECT_EQ(PutField(FmtText, &insert, 11, 1, "1"), kDbBadVariable);
  QueryRecord unprepared;
  EXPECT_EQ(PutField(FmtText, &unprepared, 1, 1, "1"), kDbQueryNotFound);

  ASSERT_EQ(put(&insert, 1, 6, "1"), 0);
  ASSERT_EQ(put(&insert, 2, 6, ""), 0);
  ASSERT_EQ(put(&insert, 4, 1, bytesOf<int16_t>(-7)), 0);
  ISC_TIMESTAMP stamp = {};
  struct tm when = {};
  when.tm_year = 109, when.tm_mday = 12, when.tm_hour = 14, when.tm_min = 5, when.tm_sec = 9;
  isc_encode_timestamp(&when, &stamp);
  ASSERT_EQ(put(&insert, 8, 10, bytesOf(stamp)), 0);
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  finish();
  EXPECT_EQ(queryRows(path_, "select id, c5, s, b, f, d, ts from t"),
            std::vector<std::string>{"1|<null>|-7|1099511627776|0.50000000|-2.750000000000000|"
                                     "12-JAN-2009 14:05:09.0000"});
}

TEST_F(ConversionTest, GetField_DatesPrintInEveryForm) {
  QueryRecord insert, select;
  prepare(&insert, "insert into t (id, dt, ts, tm) values (1, ?, ?, ?)", 3, 0);
  ASSERT_EQ(put(&insert, 1, 16, "12/01/2009"), 0);
  ASSERT_EQ(put(&insert, 2, 13, "2009/01/12 14:05:09"), 0);
  ASSERT_EQ(put(&insert, 3, 17, "01-01-2000 14:05:09"), 0);
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  prepare(&select, "select dt, ts, tm from t", 0, 3);
  int code;
  EXPECT_EQ(get(&select, 1, 11, 11, &code), std::string(11, '#'));
  EXPECT_EQ(code, kDbNothingToGet);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);

  const struct { int column, format; const char *text; } texts[] = {
      {1, 11, "2009/01/12"}, {1, 12, "01/12/2009"}, {1, 13, "2009/01/12 00:00:00"},
      {1, 15, "12/Jan/2009"}, {1, 16, "12/01/2009"},
      {2, 11, "2009/01/12"}, {2, 12, "01/12/2009"}, {2, 13, "2009/01/12 14:05:09"},
      {2, 14, "01/12/2009 14:05:09"}, {2, 15, "12/Jan/2009"}, {2, 16, "12/01/2009"},
      {2, 17, "12/01/2009 14:05:09"},
  };
  for (const auto &row : texts) EXPECT_EQ(getText(&select, row.column, row.format), row.text);
  EXPECT_EQ(getText(&select, 3, 13), "14:05:09");  // a TIME has no date
  DBrunSettings().dateSeparator = '-';
  EXPECT_EQ(getText(&select, 2, 17), "12-01-2009 14:05:09");

  const struct { int column, format, length; std::string bytes; int code; int offset; } binary[] = {
      {1, 20, 4, bytesOf<int32_t>(20090112), 0, 0},
      {1, 21, 4, bytesOf<int32_t>(2009012), 0, 0},
      {1, 22, 8, bytesOf<int64_t>(20090112000000LL), 0, 0},
      {2, 22, 8, bytesOf<int64_t>(20090112140509LL), 0, 0},
      {2, 19, 8, bytesOf(20090112 + 140509 * 0.000001), 0, 0},
      {2, 13, 19, "2009-01-12 14:05:09", 0, 1},        // no room for the NUL: none written
      {2, 13, 10, "2009-01-12", kDbTruncated, 1},
      {2, 20, 2, "##", kDbFieldSize, 0},
      {2, 22, 8, std::string(8, '#'), kDbMisaligned, 4},
      {2, 10, 8, std::string(8, '#'), kDbMisaligned, 2},
      {2, 10, 4, "####", kDbFieldSize, 0},
      {2, 7, 20, std::string(20, '#'), kDbCannotFormat, 0},
      {2, 1, 2, "##", kDbCannotFormat, 0},
  };
  for (const auto &row : binary) {
    EXPECT_EQ(get(&select, row.column, row.format, row.length, &code, row.offset), row.bytes)
        << row.format << "/" << row.length;
    EXPECT_EQ(code, row.code) << row.format << "/" << row.length;
  }
  std::string stamp = get(&select, 2, 10, 8, &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(stamp, std::string(variable(&select, 2, false)->sqldata, 8));
  finish();  // while the records above still live: closing marks them
}

TEST_F(ConversionTest, GetField_TextFormsCutAndPadAsAsked) {
  QueryRecord insert, select;
  prepare(&insert, "insert into t (id, c5, v300) values (?, ?, ?)", 3, 0);
  ASSERT_EQ(put(&insert, 1, 6, "1"), 0);
  ASSERT_EQ(put(&insert, 2, 6, "ab"), 0);
  ASSERT_EQ(put(&insert, 3, 6, std::string(280, 'x')), 0);
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  ASSERT_EQ(put(&insert, 1, 6, "2"), 0);
  ASSERT_EQ(put(&insert, 2, 6, "     "), 0);
  ASSERT_EQ(put(&insert, 3, 6, ""), 0);
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  prepare(&select, "select c5, v300, bl from t order by id", 0, 3);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);

  const struct { int column, format, length, offset; std::string bytes; int code; } rows[] = {
      {1, 6, 10, 0, std::string("ab\0", 3), 0},
      {1, 7, 4, 0, "ab  ", 0},
      {1, 6, 2, 0, std::string("a\0", 2), kDbTruncated},
      {1, 7, 1, 0, "a", kDbTruncated},
      {1, 8, 10, 0, "\x02" "ab", 0},
      {1, 8, 2, 0, "\x01" "a", kDbTruncated},
      {1, 9, 10, 0, std::string("\x02\0" "ab", 4), 0},
      {1, 9, 3, 0, std::string("\x01\0" "a", 3), kDbTruncated},
      {1, 9, 10, 1, std::string(10, '#'), kDbMisaligned},
      {1, 9, 1, 0, "#", kDbFieldSize},
      {1, 1, 2, 0, "##", kDbCannotFormat},
      {1, 10, 8, 0, std::string(8, '#'), kDbCannotFormat},
      {2, 8, 300, 0, "\xff" + std::string(255, 'x'), kDbTruncated},
      {2, 9, 300, 0, bytesOf<uint16_t>(280) + std::string(280, 'x'), 0},
      {3, 6, 20, 0, std::string(20, '#'), kDbNull},           // a NULL blob
  };
  int code;
  for (const auto &row : rows) {
    std::string bytes = get(&select, row.column, row.format, row.length, &code, row.offset);
    EXPECT_EQ(bytes.substr(0, row.bytes.size()), row.bytes) << row.format << "/" << row.length;
    EXPECT_EQ(code, row.code) << row.format << "/" << row.length;
  }
  ASSERT_EQ(FetchRow(&select), 0);
  for (int format = 6; format <= 9; ++format) {
    get(&select, 1, format, 10, &code);
    EXPECT_EQ(code, kDbNull) << "all blanks, format " << format;
    get(&select, 2, format, 10, &code);
    EXPECT_EQ(code, kDbNull) << "NULL, format " << format;
  }
  finish();  // while the records above still live: closing marks them
}

TEST_F(ConversionTest, GetField_NumbersGoThroughTheNumericPair) {
  QueryRecord insert, select;
  prepare(&insert, "insert into t (id, n92, i, d, b, n41, bl) values (?, ?, ?, ?, ?, ?, ?)", 7, 0);
  const char *const values[][6] = {
      {"1", "12.50", "-5", "2.9999999", "9223372036854775807", "12.5"},
      {"2", "12.00", "123456", "-12.5", "-1", "-0.5"},
      {"3", "", "40000", "", "", ""},
  };
  for (const auto &row : values) {
    for (int field = 1; field <= 6; ++field) ASSERT_EQ(put(&insert, field, 6, row[field - 1]), 0);
    ASSERT_EQ(put(&insert, 7, 6, ""), 0);
    ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  }
  std::string blobId(8, '\0');
  prepare(&select, "select n92, i, d, b, n41, cast('blob' as blob sub_type text) from t order by id",
          0, 6);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  const struct { int column, format, length; std::string bytes; int code; } rows[][6] = {
      {{1, 6, 20, "12.5", 0}, {2, 7, 4, "00-5", 0}, {3, 6, 20, "3.", 0},
       {4, 6, 20, "9223372036854775807", 0}, {5, 6, 20, "12.5", 0}, {4, 3, 8, bytesOf(INT64_MAX), 0}},
      {{1, 6, 20, "12", 0}, {2, 7, 4, "3456", kDbTruncated}, {3, 5, 8, bytesOf(-12.5), 0},
       {4, 2, 4, bytesOf<int32_t>(-1), 0}, {5, 4, 4, bytesOf(-0.5f), 0}, {6, 6, 20, "", kDbCannotFormat}},
      {{2, 1, 2, bytesOf<int16_t>(-25536), kDbTruncated}, {2, 2, 4, bytesOf<int32_t>(40000), 0},
       {2, 5, 8, bytesOf(40000.0), 0}, {1, 6, 20, "", kDbNull}, {3, 1, 2, "", kDbNull},
       {2, 10, 8, "", kDbCannotFormat}},
  };
  int code;
  for (const auto &row : rows) {
    ASSERT_EQ(FetchRow(&select), 0);
    for (const auto &cell : row) {
      std::string bytes = get(&select, cell.column, cell.format, cell.length, &code);
      EXPECT_EQ(code, cell.code) << cell.column << "/" << cell.format;
      if (cell.format == 6 && code == 0) bytes = bytes.substr(0, bytes.find('\0'));
      if (!cell.bytes.empty()) {
        EXPECT_EQ(bytes.substr(0, cell.bytes.size()), cell.bytes);
      }
    }
    blobId = get(&select, 6, 10, 8, &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(blobId, std::string(8, '\0'));
  }
  finish();  // while the records above still live: closing marks them
}

TEST_F(ConversionTest, ColumnFacts_TypeSizeAndNameOnBothSides) {
  QueryRecord insert, select, returning, unprepared;
  prepare(&insert, "insert into t (id, c5) values (?, ?)", 2, 0);
  ASSERT_EQ(put(&insert, 1, 6, "1"), 0);
  ASSERT_EQ(put(&insert, 2, 6, "ab"), 0);
  ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
  int size = 99;
  ASSERT_EQ(GetFieldSize(true, &insert, 2, &size), 0);
  EXPECT_EQ(size, 5) << "the capacity, not the length of the last value";
  prepare(&select, "select c5, v300, s, i, b, n41, n92, f, d, dt, ts, bl, id as ident, ar from t",
          0, 14);
  const struct { short type; int size; const char *name; } columns[] = {
      {453, 5, "C5"}, {453, 300, "V300"}, {501, 2, "S"}, {497, 4, "I"}, {581, 8, "B"},
      {483, 4, "N41"}, {481, 8, "N92"}, {483, 4, "F"}, {481, 8, "D"}, {511, 8, "DT"},
      {511, 8, "TS"}, {521, -1, "BL"}, {497, 4, "IDENT"}, {541, -1, "AR"},
  };
  for (int column = 1; column <= 14; ++column) {
    const auto &want = columns[column - 1];
    short type = 0;
    char name[40];
    ASSERT_EQ(GetFieldType(column, &select, false, &type), 0);
    EXPECT_EQ(type, want.type) << want.name;
    ASSERT_EQ(GetFieldSize(false, &select, column, &size), 0);
    EXPECT_EQ(size, want.size) << want.name;
    ASSERT_EQ(GetFieldName(column, &select, name), 0);
    EXPECT_STREQ(name, want.name);
  }
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);
  const int fetched[][2] = {{1, 2}, {2, 0}, {12, 0}, {13, 4}};
  for (const auto &pair : fetched) {
    ASSERT_EQ(GetFieldSize(false, &select, pair[0], &size), 0);
    EXPECT_EQ(size, pair[1]) << "column " << pair[0] << " after the fetch";
  }

  char name[40];
  short type;
  EXPECT_EQ(GetFieldSize(false, &select, 0, &size), kDbBadVariable);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(GetFieldSize(false, &select, 15, &size), kDbBadVariable);
  EXPECT_EQ(GetFieldName(0, &select, name), kDbBadVariable);
  EXPECT_EQ(GetFieldName(15, &select, name), kDbBadVariable);
  EXPECT_EQ(GetFieldName(1, &insert, name), kDbNoOutput);
  EXPECT_EQ(GetFieldName(1, &unprepared, name), kDbQueryNotFound);
  EXPECT_EQ(GetFieldType(1, &select, true, &type), kDbNoInput);
  int code;
  get(&insert, 1, 6, 10, &code);
  EXPECT_EQ(code, kDbNoOutput);

  // Rows exist only for a select: any other statement with output has nothing to get.
  prepare(&returning, "insert into t (id) values (5) returning id", 0, 1);
  ASSERT_EQ(FindQuery(&returning), 0);
  currentQuery->fetchCount = 1;
  get(&returning, 1, 6, 10, &code);
  EXPECT_EQ(code, kDbNothingToGet);
  finish();  // while the records above still live: closing marks them
}

// Whatever PutField takes in a format, GetField gives back in the same format.
TEST_F(ConversionTest, RoundTrip_RandomDatesAndNumbersComeBackUnchanged) {
  QueryRecord insert, select;
  prepare(&insert, "insert into t (id, ts, b, i, n184, d) values (?, ?, ?, ?, ?, ?)", 6, 0);
  std::mt19937_64 random(20090112);
  auto between = [&](long long low, long long high) {
    return std::uniform_int_distribution<long long>(low, high)(random);
  };
  const int dateFormats[] = {11, 12, 13, 14, 15, 16, 17, 19, 20, 21, 22};
  struct Row { int format; std::string date, whole, decimal, binaryInt, binaryDouble; };
  std::vector<Row> rows;
  for (int id = 0; id < 300; ++id) {
    Row row;
    row.format = dateFormats[id % 11];
    struct tm when = {};
    when.tm_year = static_cast<int>(between(100, 9999)) - 1900;
    when.tm_mon = static_cast<int>(between(0, 11));
    when.tm_mday = static_cast<int>(between(1, 28));
    when.tm_hour = static_cast<int>(between(0, 23));
    when.tm_min = static_cast<int>(between(0, 59));
    when.tm_sec = static_cast<int>(between(0, 59));
    alignas(8) char date[40] = {};
    ASSERT_EQ(formatDate(row.format, &when, date), 0);
    row.date = row.format < 18 ? std::string(date) : std::string(date, row.format == 20 || row.format == 21 ? 4 : 8);
    row.whole = std::to_string(between(LLONG_MIN + 1, LLONG_MAX));
    NumericPair pair;
    pair.whole = between(-999999999, 999999999);
    pair.real = pair.whole + (pair.whole < 0 ? -1 : 1) * between(1, 9999) / 10000.0;
    row.decimal = std::string(NumberText(), formatNumber(&pair));
    row.binaryInt = bytesOf(static_cast<int32_t>(between(INT32_MIN, INT32_MAX)));
    row.binaryDouble = bytesOf(std::uniform_real_distribution<double>(-1e300, 1e300)(random));
    ASSERT_EQ(put(&insert, 1, 6, std::to_string(id)), 0);
    ASSERT_EQ(put(&insert, 2, row.format, row.date), 0) << row.format << " " << date;
    ASSERT_EQ(put(&insert, 3, 6, row.whole), 0);
    ASSERT_EQ(put(&insert, 4, 2, row.binaryInt), 0);
    ASSERT_EQ(put(&insert, 5, 6, row.decimal), 0);
    ASSERT_EQ(put(&insert, 6, 5, row.binaryDouble), 0);
    ASSERT_EQ(ExecuteQuery(&insert, &tr_), 0);
    rows.push_back(row);
  }
  prepare(&select, "select ts, b, i, n184, d from t order by id", 0, 5);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  int code;
  for (const Row &row : rows) {
    ASSERT_EQ(FetchRow(&select), 0);
    const bool text = row.format < 18;
    std::string date = get(&select, 1, row.format, text ? 20 : static_cast<int>(row.date.size()), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text ? date.substr(0, date.find('\0')) : date, row.date) << row.format;
    EXPECT_EQ(getText(&select, 2), row.whole);
    EXPECT_EQ(get(&select, 3, 2, 4, &code), row.binaryInt);
    EXPECT_EQ(getText(&select, 4), row.decimal);
    EXPECT_EQ(get(&select, 5, 5, 8, &code), row.binaryDouble);
  }
  finish();  // while the records above still live: closing marks them
}
