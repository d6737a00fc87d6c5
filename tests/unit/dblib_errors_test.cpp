// dblib error texts, the caller-side summary, and reading information answers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

TEST(DblibErrors, TextsOfSharedAndUnknownCodes) {
  const struct { int code; const char *text; } rows[] = {
      {0, "No error - Success"},
      {20011, "blob column already open"},
      {20023, "query returned nothing, nothing to get"},
      {20102, "data truncated (string, or numeric"},
      {20109, "invalid counts in data SQLDAs"},
      {20017, "Unknown library error code"}, {20050, "Unknown library error code"},
      {20110, "Unknown library error code"}, {-1, "Unknown library error code"},
  };
  for (const auto &row : rows) EXPECT_STREQ(DblibErrorText(row.code), row.text) << row.code;
}

TEST(DblibErrors, SummaryNamesFieldOnlyWhenPositive) {
  MessageCapture capture;
  capture.settings.lastDblibError = 20102;
  capture.settings.lineEnd = "\n";
  for (int field : {0, 3}) {
    testing::internal::CaptureStdout();
    ReportDblibError("fixed Putfield", field);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("Got dblib error 20102 while doing fixed Putfield") +
                  (field ? " with SQL field 3" : "") + ": data truncated (string, or numeric\n");
  }
}

// Well-formed answers are read by every integration test (dialect, statement
// type, row counts); these are the answers that must not be misread.
TEST(DblibInfo, RefusesBadAnswers) {
  MessageCapture capture;
  auto read = [](std::vector<unsigned char> answer, int cluster, int item) {
    std::memset(infoBuffer, 0, sizeof infoBuffer);
    std::memcpy(infoBuffer, answer.data(), answer.size());
    return ReadInfoItem("sql type", cluster, item);
  };
  EXPECT_EQ(read({1}, 0, 21), -1);
  EXPECT_EQ(read({21, 9, 0, 2, 0}, 0, 21), -1);               // longer than the answer
  EXPECT_EQ(read({23, 7, 0, 14, 4, 0, 1, 0, 0, 0, 1}, 0, 14), -1);  // cluster not named
  EXPECT_EQ(capture.take(), "");
  EXPECT_EQ(read({3, 4, 0, 0x39, 0x30, 0, 0, 1}, 23, 14), -1);
  EXPECT_EQ(capture.take(), "Error 12345 returned from isc_dsql_sql_info\r\n");
  statusVector[0] = 1;
  statusVector[1] = 335544569;  // the information call itself failed
  EXPECT_EQ(read({21, 4, 0, 2, 0, 0, 0, 1}, 0, 21), -1);
  EXPECT_EQ(capture.take(), "ISC error code: 335544569\r\n");
  statusVector[1] = 0;
}
