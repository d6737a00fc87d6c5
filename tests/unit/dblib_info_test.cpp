// Reading numeric items from information answers in infoBuffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

namespace {

void setAnswer(const std::vector<unsigned char> &bytes) {
  std::memset(infoBuffer, 0, sizeof infoBuffer);
  std::memcpy(infoBuffer, bytes.data(), bytes.size());
  for (int i = 0; i < ISC_STATUS_LENGTH; ++i) statusVector[i] = 0;
  statusVector[0] = 1;
}

}  // namespace

TEST(DblibInfo, ReadsFlatAndClusteredItems) {
  MessageCapture capture;
  // Row counts: tag 23 holds select/insert/update/delete counts.
  const std::vector<unsigned char> records = {
      23, 28, 0,                         // cluster of 28 bytes
      13, 4, 0, 0, 0, 0, 0,              // selected 0
      14, 4, 0, 0x10, 0x27, 0, 0,        // inserted 10000
      15, 4, 0, 3, 0, 0, 0,              // updated 3
      16, 4, 0, 0, 0, 0, 0,              // deleted 0
      1};
  const struct {
    std::vector<unsigned char> answer;
    int cluster, item;
    long expected;
  } rows[] = {
      {{21, 4, 0, 2, 0, 0, 0, 1}, 0, 21, 2},        // statement type: insert
      {{62, 1, 0, 3, 1}, 0, 62, 3},                 // dialect
      {{4, 1, 0, 9, 62, 1, 0, 1, 1}, 0, 62, 1},     // skips another clause first
      {records, 23, 14, 10000},
      {records, 23, 15, 3},
      {records, 23, 16, 0},
      {records, 0, 14, -1},                         // a cluster is not entered unasked
      {{1}, 0, 21, -1},                             // only isc_info_end
      {{21, 9, 0, 2, 0}, 0, 21, -1},                // clause longer than the answer
  };
  for (const auto &row : rows) {
    setAnswer(row.answer);
    EXPECT_EQ(ReadInfoItem("sql type", row.cluster, row.item), row.expected)
        << "item " << row.item;
  }
  EXPECT_EQ(capture.take(), "");
}

TEST(DblibInfo, ReportsErrorAnswerAndFailedCall) {
  MessageCapture capture;
  setAnswer({3, 4, 0, 0x39, 0x30, 0, 0, 1});   // isc_info_error 12345
  EXPECT_EQ(ReadInfoItem("SQL counts", 23, 14), -1);
  EXPECT_EQ(capture.take(), "Error 12345 returned from isc_dsql_sql_info\r\n");

  setAnswer({21, 4, 0, 2, 0, 0, 0, 1});
  statusVector[1] = 335544569;                 // the information call failed
  EXPECT_EQ(ReadInfoItem("sql type", 0, 21), -1);
  EXPECT_EQ(capture.take(), "ISC error code: 335544569\r\n");
  statusVector[1] = 0;
}
