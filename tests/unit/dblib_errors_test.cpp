// dblib error texts, the caller-side summary and the raw status dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dblib/dbinternal.h"
#include "dblib_capture.h"

TEST(DblibErrors, TextCoversTableAndUnknownCodes) {
  const struct { int code; const char *text; } rows[] = {
      {0, "No error - Success"},
      {20006, "SQL error was found + reported to logfile"},
      {20010, "blob column already open"},
      {20011, "blob column already open"},
      {20016, "Database or Transaction name duplicate"},
      {20023, "query returned nothing, nothing to get"},
      {20035, "this query invalid for this operation"},
      {20101, "data null error (may not be an error)"},
      {20102, "data truncated (string, or numeric"},
      {20109, "invalid counts in data SQLDAs"},
      {20017, "Unknown library error code"},
      {20036, "Unknown library error code"},
      {20050, "Unknown library error code"},
      {20100, "Unknown library error code"},
      {20110, "Unknown library error code"},
      {100, "Unknown library error code"},
      {-1, "Unknown library error code"},
  };
  for (const auto &row : rows) EXPECT_STREQ(DblibErrorText(row.code), row.text) << row.code;
}

TEST(DblibErrors, SummaryNamesFieldOnlyWhenPositive) {
  MessageCapture capture;
  capture.settings().lastDblibError = 20102;
  capture.settings().lineEnd = "\n";
  const struct { int field; const char *expected; } rows[] = {
      {0, "Got dblib error 20102 while doing fixed Putfield: data truncated (string, or numeric\n"},
      {-1, "Got dblib error 20102 while doing fixed Putfield: data truncated (string, or numeric\n"},
      {3, "Got dblib error 20102 while doing fixed Putfield with SQL field 3: "
          "data truncated (string, or numeric\n"},
  };
  for (const auto &row : rows) {
    testing::internal::CaptureStdout();
    ReportDblibError("fixed Putfield", row.field);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), row.expected);
  }
  EXPECT_EQ(capture.take(), "");  // the summary never goes to the message stream
}

TEST(DblibErrors, StatusLongsShortAndFull) {
  MessageCapture capture;
  for (int i = 0; i < ISC_STATUS_LENGTH; ++i) statusVector[i] = 0;
  statusVector[0] = 1;
  statusVector[1] = 335544569;
  statusVector[2] = 2;
  statusVector[19] = -7;
  DumpStatusLongs("prepare query");
  EXPECT_EQ(capture.take(), "ISC error code: 335544569\r\n");

  capture.settings().statusDumpLevel = 2;
  DumpStatusLongs("prepare query");
  EXPECT_EQ(capture.take(),
            "Contents of GDS longs after prepare query: 1, 335544569, 2, 0, 0, 0, 0, 0, "
            "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -7\r\n");
  for (int i = 0; i < ISC_STATUS_LENGTH; ++i) statusVector[i] = 0;
}
