// The output record writer on rows of a real embedded database, with layouts
// given by hand: record bounds, blobs beyond the field buffer, and the
// separator count that decides between the data file and the discards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dblib/dbfuncs.h"
#include "job/settings.h"
#include "testsupport.h"
#include "unload/writer.h"

namespace {

const char *const kSchema =
    "create table t (id integer not null primary key, v varchar(20),"
    " bt blob sub_type text, big varchar(6000));"
    "insert into t values (1, 'a' || ascii_char(13) || ascii_char(10) || 'b', null,"
    " lpad('', 6000, 'y'));"
    "insert into t values (2, null, lpad('', 9000, 'x'), null);"
    "insert into t values (3, null, 'after', null);";

// FieldSpec: format, position, size, externalType, sqlField, sqlSize, sqlType,
// blobSegmentSize.
constexpr short kText = 452, kBlob = 520;

class UnloadWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(createDatabase(path, kSchema));
    resetJobSettings();
    allocateJobBuffers();
    job.messageStream = stdout;
    job.lineEnd = kLineEndUnix;
    job.lineEndLength = 1;
    job.separator = ',';
    job.queryRecord.cursorName = "Lodrun";
    ASSERT_EQ(DBopen(path.c_str(), "SYSDBA", "masterkey", &job.databaseHandle), 0);
    ASSERT_EQ(StartTransaction("unload", 1, &job.databaseHandle, &job.transactionHandle), 0);
  }
  void TearDown() override { DBclose(&job.databaseHandle); }

  void open(const char *select, std::vector<FieldSpec> layout) {
    layout_ = std::move(layout);
    job.fieldTable = layout_.data();
    job.fieldCount = static_cast<short>(layout_.size());
    job.queryRecord.sqlText = select;
    job.queryRecord.outputCount = job.fieldCount;
    ASSERT_EQ(PrepareQuery(&job.queryRecord, &job.transactionHandle), 0);
    ASSERT_EQ(OpenCursor(&job.queryRecord, &job.transactionHandle), 0);
  }
  // Builds the next row; its bytes, "FAILED " in front when it failed, and
  // what it printed in `printed`.
  std::string build(std::string *printed) {
    EXPECT_EQ(FetchRow(&job.queryRecord), 0);
    ++job.recordCount;
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    const bool failed = buildDelimitedRecord();
    std::fflush(stdout);
    *printed = withoutLineNumbers(::testing::internal::GetCapturedStdout());
    return (failed ? "FAILED " : "") + std::string(job.inputBuffer, builtRecordLength);
  }

  TempDir dir;
  const std::string path = dir.file("writer.fdb");
  std::vector<FieldSpec> layout_;
  std::string printed;
};

TEST_F(UnloadWriter, DelimitedRecord_BlobBeyondFieldBufferFailsOnlyItsRecord) {
  job.recordLength = 100;  // with an lrecl line breaks stay as they are
  open("select v, bt from t order by id",
       {{6, 1, 0, 100, 1, 20, kText, 0}, {204, 2, 0, 100, 2, 8, kBlob, 80}});
  EXPECT_EQ(build(&printed), "a\r\nb,,");
  EXPECT_EQ(build(&printed), "FAILED ,");
  EXPECT_EQ(printed, "Lodrun #: blob for col 2, record 2 too long (9000, max: 8183)\n");
  EXPECT_EQ(BlobCount(), 0);  // closed: the next row opens its own
  EXPECT_EQ(build(&printed), ",after,");
}

TEST_F(UnloadWriter, DelimitedRecord_NotFittingTheBufferFailsBeforeCopying) {
  open("select big, big from t where id = 1",
       {{6, 1, 0, 100, 1, 6000, kText, 0}, {6, 2, 0, 100, 2, 6000, kText, 0}});
  std::memset(job.inputBuffer, 'Z', kBufferSize);
  EXPECT_EQ(build(&printed), "FAILED " + std::string(6000, 'y') + ",");
  EXPECT_EQ(printed, "Lodrun #: Lodrun: output buffer size too small for, is 8184 need 12002\n");
  EXPECT_EQ(std::string(job.inputBuffer + 6001, kBufferSize - 6001),
            std::string(kBufferSize - 6001, 'Z'));
}

TEST_F(UnloadWriter, WriteRecordLine_SeparatorCountSendsMiscountedRecordsToDiscards) {
  job.maxErrors = 100;
  job.fieldCount = 2;
  job.dataStream = std::fopen(dir.file("out").c_str(), "w");
  job.discardStream = std::fopen(dir.file("discards").c_str(), "w");
  const std::pair<unsigned char, std::string> cases[] = {
      {0, "a,b,"},        // written
      {0, "a,b,c,"},      // a separator in a value, unquoted: discarded
      {0, "a\\,b,c,"},    // an escaped separator is data: written
      {1, "\"a,b\",c,"},  // quoted separator: written
      {1, "\"\",\"\","},  // two empty quoted texts: written
      {1, "\"x\",y\","},  // a quote before a separator reopens: discarded
  };
  ::testing::internal::CaptureStdout();
  for (const auto &[quote, record] : cases) {
    job.quoteStrings = quote;
    std::memcpy(job.inputBuffer, record.data(), record.size());
    builtRecordLength = static_cast<int>(record.size());
    ++job.recordCount;
    writeRecordLine();
  }
  std::fflush(stdout);
  ::testing::internal::GetCapturedStdout();
  std::fclose(job.dataStream);
  std::fclose(job.discardStream);
  EXPECT_EQ(readFile(dir.file("out")), "a,b\na\\,b,c\n\"a,b\",c\n\"\",\"\"\n");
  EXPECT_EQ(readFile(dir.file("discards")), "a,b,c\n\"x\",y\"\n");
  EXPECT_EQ(job.rejectedCount, 2);
}

}  // namespace
