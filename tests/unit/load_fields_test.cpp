// Pure pieces of record to parameters: cutting delimited fields, and the
// generated values that loads and unloads share.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbfuncs.h"
#include "job_fixture.h"
#include "layout/generated.h"
#include "load/params.h"

namespace {

std::vector<std::string> fieldsOf(const std::string &record, int capacity = kBufferSize) {
  std::vector<std::string> fields;
  std::vector<char> field(static_cast<size_t>(capacity) + 1);
  const char *cursor = record.c_str();
  while (*cursor != '\0') {
    const int n = extractDelimitedField(&cursor, field.data(), capacity, ',', '"');
    fields.emplace_back(field.data(), static_cast<size_t>(n));
  }
  return fields;
}

template <typename T>
std::string bytesOf(T value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(&bytes[0], &value, sizeof value);
  return bytes;
}

}  // namespace

TEST(LoadFields, DelimitedField_QuotesEscapesAndBlanksFollowTheRecordRules) {
  const struct {
    std::string record;
    std::vector<std::string> fields;
  } cases[] = {
      // The separator ends a field even inside quotes.
      {"a,\"b,c\",d", {"a", "b", "c\"", "d"}},
      {"a,b\\,c,d", {"a", "b,c", "d"}},
      {"\"x\"\"y\"", {"x\"\"y"}},
      {" $12  ,\"\",z", {"12  ", "", "z"}},
      {"\\n\\r\\t\\q\\", {"\n\r\t\\q\\"}},
      {"\" $q\"", {"q"}},
      // A record ending in a separator has no empty field after it.
      {"a,", {"a"}},
      {",,", {"", ""}},
  };
  for (const auto &c : cases) EXPECT_EQ(fieldsOf(c.record), c.fields) << c.record;
  EXPECT_EQ(fieldsOf("abcdefgh,ij", 5), (std::vector<std::string>{"abcd", "ij"}));
}

class GeneratedValue : public JobTest {};

TEST_F(GeneratedValue, MakeGeneratedValue_FormsFollowDirectionKindAndType) {
  const struct {
    char direction, separator;
    FieldSpec spec;
    int status;
    short format, length;
    std::string bytes;
  } cases[] = {
      // Unload fillers: kind in sqlType, shape from externalType and size.
      {'o', 0, {7, 1, 5, 100, 0, 0, 201, '*'}, 0, 452, 5, "*****"},
      {'o', 0, {7, 1, 5, 100, 0, 0, 203, 0}, 0, 7, 5, "00042"},
      {'o', ',', {6, 1, 0, 100, 0, 0, 203, 0}, 0, 6, 2, "42"},
      {'o', 0, {7, 1, 1, 100, 0, 0, 203, 0}, kDbTruncated, 0, 0, ""},
      {'o', 0, {1, 1, 2, 102, 0, 0, 203, 0}, 0, 1, 2, bytesOf<int16_t>(42)},
      {'o', 0, {11, 1, 10, 100, 0, 0, 202, 0}, 0, 11, 10, "2024/01/31"},
      {'o', 0, {20, 1, 4, 103, 0, 0, 202, 0}, 0, 20, 4, bytesOf<int32_t>(20240131)},
      {'o', 0, {11, 1, 9, 100, 0, 0, 202, 0}, kDbCannotFormat, 0, 0, ""},
      // Load entries: kind in format, shape from the column's SQL type.
      {'i', ',', {203, 0, 0, 100, 1, 2, 500, 0}, 0, 1, 2, bytesOf<int16_t>(42)},
      {'i', ',', {203, 0, 0, 100, 1, 8, 580, 0}, 0, 3, 8, bytesOf<int64_t>(42)},
      {'i', ',', {203, 0, 0, 100, 1, 10, 452, 0}, 0, 6, 2, "42"},
      {'i', ',', {202, 0, 0, 100, 1, 8, 510, 0}, 0, 19, 8, bytesOf<double>(20240131.123456)},
      {'i', 0, {202, 0, 0, 100, 1, 4, 496, 0}, 0, 2, 4, bytesOf<int32_t>(20240131)},
      {'i', ',', {202, 0, 0, 100, 1, 20, 452, 0}, 0, 6, 10, "31/01/2024"},
      {'i', ',', {202, 0, 0, 100, 1, 2, 500, 0}, kDbCannotFormat, 0, 0, ""},
      {'i', ',', {203, 0, 0, 100, 1, 8, 520, 0}, kDbCannotFormat, 0, 0, ""},
  };
  makeFieldTable(1);
  job.startCount = 40;
  job.recordCount = 2;
  job.runStartTime = std::tm{};
  job.runStartTime.tm_year = 124;
  job.runStartTime.tm_mon = 0;
  job.runStartTime.tm_mday = 31;
  job.runStartTime.tm_hour = 12;
  job.runStartTime.tm_min = 34;
  job.runStartTime.tm_sec = 56;
  int row = 0;
  for (const auto &c : cases) {
    job.direction = c.direction;
    job.separator = c.separator;
    job.fieldTable[0] = c.spec;
    short format = 0, length = 0;
    EXPECT_EQ(makeGeneratedValue(0, &format, &length), c.status) << "row " << row;
    if (c.status == 0) {
      EXPECT_EQ(format, c.format) << "row " << row;
      EXPECT_EQ(length, c.length) << "row " << row;
      EXPECT_EQ(std::string(job.fieldBuffer, static_cast<size_t>(length)), c.bytes) << "row " << row;
    }
    ++row;
  }
}
