// PutField and GetField on the exactly kept types against a real embedded
// database: scaled integers, TIME and BOOLEAN in every format they take,
// checked against isql-fb's view of what was stored.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "testsupport.h"

namespace {

const char *const kSchema =
    "create table x (id integer not null, n41 numeric(4,1), n92 numeric(9,2),"
    " n188 numeric(18,8), tm time, b boolean);";

class ExactConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("exact.fdb");
    ASSERT_TRUE(createDatabase(path_, kSchema));
    ASSERT_EQ(DBopen(path_.c_str(), "SYSDBA", "masterkey", &db_), 0);
    ASSERT_EQ(StartTransaction("exact", 1, &db_, &tr_), 0);
  }
  void TearDown() override {
    finish();
    DBrunSettings() = DblibRunSettings();
  }
  void finish() {
    if (tr_ != 0) CommitTransaction(&tr_);
    if (db_ != 0) DBclose(&db_);
  }
  void prepare(QueryRecord *query, const char *sql, short inputs, short outputs) {
    static const char *const kCursors[] = {"c1", "c2", "c3"};
    query->cursorName = kCursors[cursors_++ % 3];
    query->sqlText = sql;
    query->inputCount = inputs;
    query->outputCount = outputs;
    ASSERT_EQ(PrepareQuery(query, &tr_), 0) << sql;
  }
  int put(QueryRecord *query, int field, int format, const std::string &value) {
    std::memset(buffer_, 0, sizeof buffer_);
    std::memcpy(buffer_, value.data(), value.size());
    return PutField(static_cast<ExternalFormat>(format), query, field,
                    static_cast<int>(value.size()), buffer_);
  }
  // GetField into a '#'-filled buffer; the `length` bytes written.
  std::string get(QueryRecord *query, int column, int format, int length, int *code) {
    std::memset(buffer_, '#', sizeof buffer_);
    *code = GetField(column, query, static_cast<ExternalFormat>(format), length, buffer_);
    EXPECT_EQ(buffer_[length], '#') << "wrote past " << length;
    return std::string(buffer_, length);
  }
  // Puts one row: id, then `field` in `format` (every other column NULL);
  // executes it when PutField accepts the value.
  int putRow(QueryRecord *insert, int id, int field, int format, const std::string &value) {
    for (int f = 2; f <= 6; ++f) EXPECT_EQ(put(insert, f, 6, ""), 0);
    EXPECT_EQ(put(insert, 1, 6, std::to_string(id)), 0);
    const int code = put(insert, field, format, value);
    if (code == 0) {
      EXPECT_EQ(ExecuteQuery(insert, &tr_), 0);
    }
    return code;
  }

  TempDir dir_;
  std::string path_;
  isc_db_handle db_ = 0;
  isc_tr_handle tr_ = 0;
  int cursors_ = 0;
  alignas(8) char buffer_[512];
};

template <typename T>
std::string bytesOf(T value) {
  return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

const char kInsert[] = "insert into x (id, n41, n92, n188, tm, b) values (?, ?, ?, ?, ?, ?)";

}  // namespace

TEST_F(ExactConversion, PutField_ScaledColumnsTakeTextsAndBinariesExactly) {
  QueryRecord insert;
  prepare(&insert, kInsert, 6, 0);
  const struct { int field, format; std::string value; int code; const char *stored; } rows[] = {
      {3, 6, "12.345", 0, "12.35"},          {3, 6, "-12.345", 0, "-12.35"},
      {3, 7, "  0.5  ", 0, "0.50"},          {4, 6, "0.000000005", 0, "0.00000001"},
      {4, 6, "-0.000000005", 0, "-0.00000001"},
      {4, 6, "92233720368.54775807", 0, "92233720368.54775807"},
      {2, 6, "3276.7", 0, "3276.7"},         {2, 6, "-3276.8", 0, "-3276.8"},
      {2, 6, "3276.8", kDbTruncated, ""},    {2, 6, "-3276.85", kDbTruncated, ""},
      {3, 6, "21474836.475", kDbTruncated, ""}, {3, 6, "1x", kDbNumberConversion, ""},
      {3, 2, bytesOf<int32_t>(7), 0, "7.00"},          {3, 1, bytesOf<int16_t>(-5), 0, "-5.00"},
      {3, 3, bytesOf<int64_t>(21474836), 0, "21474836.00"},
      {3, 3, bytesOf<int64_t>(21474837), kDbTruncated, ""},
      {3, 5, bytesOf(0.125), 0, "0.13"},    {3, 5, bytesOf(-0.125), 0, "-0.13"},
      {3, 4, bytesOf(2.5f), 0, "2.50"},     {4, 5, bytesOf(1e-8), 0, "0.00000001"},
      {3, 5, bytesOf(1e300), kDbTruncated, ""}, {3, 5, bytesOf(std::nan("")), kDbTruncated, ""},
      {3, 2, std::string(3, '\0'), kDbFieldSize, ""},
  };
  std::vector<std::string> expected;
  int id = 0;
  for (const auto &row : rows) {
    ++id;
    ASSERT_EQ(putRow(&insert, id, row.field, row.format, row.value), row.code) << id;
    if (row.code != 0) continue;
    std::string line = std::to_string(id);
    for (int f = 2; f <= 6; ++f) line += f == row.field ? std::string("|") + row.stored : "|<null>";
    expected.push_back(line);
  }
  finish();
  EXPECT_EQ(queryRows(path_, "select id, n41, n92, n188, tm, b from x order by id"), expected);
}

TEST_F(ExactConversion, GetField_ScaledColumnsInEveryForm) {
  QueryRecord insert, select;
  prepare(&insert, kInsert, 6, 0);
  ASSERT_EQ(putRow(&insert, 1, 3, 6, "-12.75"), 0);
  ASSERT_EQ(putRow(&insert, 2, 4, 6, "0.00000001"), 0);
  prepare(&select, "select n92, n188, n41 from x order by id", 0, 3);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);
  const struct { int format, length; std::string bytes; int code; } cells[] = {
      {1, 2, bytesOf<int16_t>(-12), 0},     {2, 4, bytesOf<int32_t>(-12), 0},
      {3, 8, bytesOf<int64_t>(-12), 0},     {4, 4, bytesOf(-12.75f), 0},
      {5, 8, bytesOf(-12.75), 0},           {6, 7, std::string("-12.75\0", 7), 0},
      {7, 8, "00-12.75", 0},                {7, 4, "2.75", kDbTruncated},
      {8, 7, "\x06-12.75", 0},              {9, 8, std::string("\x06\0-12.75", 8), 0},
      {10, 8, std::string(8, '#'), kDbCannotFormat},
      {16, 20, std::string(20, '#'), kDbCannotFormat},
  };
  int code;
  for (const auto &cell : cells) {
    EXPECT_EQ(get(&select, 1, cell.format, cell.length, &code), cell.bytes) << cell.format;
    EXPECT_EQ(code, cell.code) << cell.format;
  }
  ASSERT_EQ(FetchRow(&select), 0);
  EXPECT_EQ(get(&select, 2, 5, 8, &code), bytesOf(0.00000001));
  EXPECT_EQ(get(&select, 2, 4, 4, &code), bytesOf(0.00000001f));
  EXPECT_EQ(get(&select, 2, 6, 12, &code), std::string("0.00000001\0#", 12));
  get(&select, 3, 6, 12, &code);
  EXPECT_EQ(code, kDbNull);
  finish();  // while the records above still live: closing marks them
}

TEST_F(ExactConversion, Time_TakesATimeOfDayInAnyTextAndGivesNoDate) {
  QueryRecord insert, select;
  prepare(&insert, kInsert, 6, 0);
  ISC_TIMESTAMP stamp = {58000, 367720000};
  const struct { int format; std::string value; int code; const char *stored; } rows[] = {
      {16, "10:11:12", 0, "10:11:12.0000"},       {11, "10:11", 0, "10:11:00.0000"},
      {6, "23:59:59.9999", 0, "23:59:59.9999"},   {7, " 1:05  ", 0, "01:05:00.0000"},
      {17, "12/01/2009 14:05:09", 0, "14:05:09.0000"},
      {13, "2009/01/12", 0, "00:00:00.0000"},     {10, bytesOf(stamp), 0, "10:12:52.0000"},
      {19, bytesOf(0.101112), 0, "10:11:12.0000"},
      {19, bytesOf(20090112.140509), 0, "14:05:09.0000"},
      {22, bytesOf<int64_t>(101112), 0, "10:11:12.0000"},
      {22, bytesOf<int64_t>(20090112140509), 0, "14:05:09.0000"},
      {16, "24:00:00", kDbBadTime, ""},           {6, "12/01/2009", kDbCannotFormat, ""},
      {2, bytesOf<int32_t>(101112), kDbCannotFormat, ""},
      {16, "31/02/2009", kDbBadDate, ""},         {22, bytesOf<int64_t>(106000), kDbBadTime, ""},
  };
  std::vector<std::string> expected;
  int id = 0;
  for (const auto &row : rows) {
    ++id;
    ASSERT_EQ(putRow(&insert, id, 5, row.format, row.value), row.code) << id;
    if (row.code == 0) expected.push_back(std::to_string(id) + "|" + row.stored);
  }

  prepare(&select, "select tm from x where id = 1", 0, 1);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);
  struct tm record = {};
  record.tm_hour = 10, record.tm_min = 11, record.tm_sec = 12;
  ISC_TIMESTAMP noDate = {0, 366720000};
  const struct { int format, length; std::string bytes; int code; } cells[] = {
      {16, 9, std::string("10:11:12\0", 9), 0},  {13, 8, "10:11:12", 0},
      {12, 5, "10:11", kDbTruncated},            {10, 8, bytesOf(noDate), 0},
      {18, 36, std::string(reinterpret_cast<const char *>(&record), 36), 0},
      {19, 8, bytesOf(101112 * 0.000001), 0},    {22, 8, bytesOf<int64_t>(101112), 0},
      {20, 4, bytesOf<int32_t>(0), 0},           {22, 4, "####", kDbFieldSize},
      {6, 8, std::string(8, '#'), kDbCannotFormat},
  };
  int code;
  for (const auto &cell : cells) {
    EXPECT_EQ(get(&select, 1, cell.format, cell.length, &code), cell.bytes) << cell.format;
    EXPECT_EQ(code, cell.code) << cell.format;
  }
  finish();
  EXPECT_EQ(queryRows(path_, "select id, tm from x order by id"), expected);
}

TEST_F(ExactConversion, Boolean_WordsAndBinaryOnesAndZeros) {
  QueryRecord insert, select;
  prepare(&insert, kInsert, 6, 0);
  const struct { int format; std::string value; int code; const char *stored; } rows[] = {
      {6, "t", 0, "TRUE"},             {6, "FALSE", 0, "FALSE"},
      {7, " True ", 0, "TRUE"},        {8, "x0", 0, "FALSE"},
      {2, bytesOf<int32_t>(1), 0, "TRUE"}, {5, bytesOf(0.0), 0, "FALSE"},
      {6, "yes", kDbNumberConversion, ""},   {2, bytesOf<int32_t>(2), kDbNumberConversion, ""},
      {16, "t", kDbCannotFormat, ""},
  };
  std::vector<std::string> expected;
  int id = 0;
  for (const auto &row : rows) {
    ++id;
    ASSERT_EQ(putRow(&insert, id, 6, row.format, row.value), row.code) << id;
    if (row.code == 0) expected.push_back(std::to_string(id) + "|" + row.stored);
  }

  prepare(&select, "select b from x where id < 3 order by id", 0, 1);
  ASSERT_EQ(OpenCursor(&select, &tr_), 0);
  ASSERT_EQ(FetchRow(&select), 0);
  int code;
  EXPECT_EQ(get(&select, 1, 6, 5, &code), std::string("TRUE\0", 5));
  EXPECT_EQ(get(&select, 1, 1, 2, &code), bytesOf<int16_t>(1));
  ASSERT_EQ(FetchRow(&select), 0);
  const struct { int format, length; std::string bytes; int code; } cells[] = {
      {6, 6, std::string("FALSE\0", 6), 0},  {7, 7, "FALSE  ", 0},
      {7, 3, "FAL", kDbTruncated},            {8, 6, "\x05" "FALSE", 0},
      {5, 8, bytesOf(0.0), 0},                {11, 11, std::string(11, '#'), kDbCannotFormat},
  };
  for (const auto &cell : cells) {
    EXPECT_EQ(get(&select, 1, cell.format, cell.length, &code), cell.bytes) << cell.format;
    EXPECT_EQ(code, cell.code) << cell.format;
  }
  finish();
  EXPECT_EQ(queryRows(path_, "select id, b from x order by id"), expected);
}

// Layouts see the types the columns travelled as before; GetFieldStorage
// tells how they travel now.
TEST_F(ExactConversion, ColumnFacts_PresentedAndStoredTypes) {
  QueryRecord select;
  prepare(&select, "select n41, n92, n188, tm, b from x", 0, 5);
  const struct { short type; int size; short stored, scale; } columns[] = {
      {483, 4, 501, -1}, {481, 8, 497, -2}, {481, 8, 581, -8}, {511, 8, 561, 0},
      {32765, 1, 32765, 0},
  };
  for (int column = 1; column <= 5; ++column) {
    const auto &want = columns[column - 1];
    short type = 0, scale = 99;
    int size = 0;
    ASSERT_EQ(GetFieldType(column, &select, false, &type), 0);
    EXPECT_EQ(type, want.type) << column;
    ASSERT_EQ(GetFieldSize(false, &select, column, &size), 0);
    EXPECT_EQ(size, want.size) << column;
    ASSERT_EQ(GetFieldStorage(column, &select, false, &type, &scale), 0);
    EXPECT_EQ(type, want.stored) << column;
    EXPECT_EQ(scale, want.scale) << column;
  }
  EXPECT_EQ(GetFieldStorage(6, &select, false, nullptr, nullptr), kDbBadVariable);
  finish();  // while the records above still live: closing marks them
}
