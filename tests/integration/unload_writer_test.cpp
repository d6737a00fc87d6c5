// The output record writer on rows fetched from a real embedded database,
// with layouts given by hand: the bytes of each built record, the record
// failures, and what reaches the data and discards files.
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
    "create table t (id integer not null primary key, c4 char(4), v varchar(20),"
    " n numeric(9,2), i integer, s smallint, f float, d double precision,"
    " ts timestamp, bt blob sub_type text, big varchar(6000));"
    "insert into t values (1, 'ab', 'x,y', 12.50, null, 7, 1.5, 2.25,"
    " '2009-01-12 14:05:09', 'text blob', null);"
    "insert into t (id, c4, v, i, s, bt) values (2, '  ', 'a' || ascii_char(13) ||"
    " ascii_char(10) || 'b', -42, 300, '');"
    "insert into t (id, bt, big) values (3, lpad('', 9000, 'x'), lpad('', 6000, 'y'));"
    "insert into t (id, bt, s) values (4, 'after', -129);";

// FieldSpec: format, position, size, externalType, sqlField, sqlSize, sqlType,
// blobSegmentSize.
constexpr short kText = 452, kDouble = 480, kFloat = 482, kLong = 496, kShort = 500,
                kStamp = 510, kBlob = 520;

class UnloadWriter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = new std::string(dir_->file("writer.fdb"));
    ASSERT_TRUE(createDatabase(*path_, kSchema));
  }
  static void TearDownTestSuite() { delete path_; }

  void SetUp() override {
    resetJobSettings();
    allocateJobBuffers();
    job.messageStream = stdout;
    job.lineEnd = kLineEndUnix;
    job.lineEndLength = 1;
    job.queryRecord.cursorName = "Lodrun";
    ASSERT_EQ(DBopen(path_->c_str(), "SYSDBA", "masterkey", &job.databaseHandle), 0);
    ASSERT_EQ(StartTransaction("unload", 1, &job.databaseHandle, &job.transactionHandle), 0);
  }
  void TearDown() override {
    if (job.dataStream != nullptr) std::fclose(job.dataStream);
    if (job.discardStream != nullptr) std::fclose(job.discardStream);
    job.dataStream = job.discardStream = nullptr;
    DBclose(&job.databaseHandle);
  }

  // Prepares and opens `select` with the given layout.
  void open(const char *select, std::vector<FieldSpec> layout) {
    layout_ = std::move(layout);
    job.fieldTable = layout_.data();
    job.fieldCount = static_cast<short>(layout_.size());
    job.queryRecord.sqlText = select;
    job.queryRecord.outputCount = job.fieldCount;
    ASSERT_EQ(PrepareQuery(&job.queryRecord, &job.transactionHandle), 0);
    ASSERT_EQ(OpenCursor(&job.queryRecord, &job.transactionHandle), 0);
  }
  void fetch() {
    ASSERT_EQ(FetchRow(&job.queryRecord), 0);
    ++job.recordCount;
  }
  // Builds the next row; the record bytes, "FAILED " in front when it failed.
  std::string build(const std::string &expectPrinted = "") {
    fetch();
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    const bool failed = job.separator != 0 ? buildDelimitedRecord() : buildFixedRecord();
    std::fflush(stdout);
    EXPECT_EQ(withoutLineNumbers(::testing::internal::GetCapturedStdout()), expectPrinted);
    return (failed ? "FAILED " : "") + std::string(job.inputBuffer, builtRecordLength);
  }
  void openFiles() {
    job.dataStream = std::fopen(dir_->file("out").c_str(), "w");
    job.discardStream = std::fopen(dir_->file("discards").c_str(), "w");
  }
  std::string closed(FILE **stream, const char *name) {
    std::fclose(*stream);
    *stream = nullptr;
    return readFile(dir_->file(name));
  }

  static inline TempDir *dir_ = new TempDir;
  static inline std::string *path_ = nullptr;
  std::vector<FieldSpec> layout_;
};

std::vector<FieldSpec> delimitedRow() {
  return {{6, 1, 0, 100, 1, 4, kText, 0},  {6, 2, 0, 100, 2, 20, kText, 0},
          {6, 3, 0, 100, 3, 8, kDouble, 0}, {6, 4, 0, 100, 4, 4, kLong, 0},
          {16, 5, 0, 100, 5, 8, kStamp, 0}, {204, 6, 0, 100, 6, 8, kBlob, 80}};
}
const char kDelimitedSelect[] = "select c4, v, n, i, ts, bt from t order by id";
// Every segmented blob column, on the first row of a delimited unload.
const char kBinaryWarning[] = "warning blob at col 6 is binary - EXPECT failure!\n";

TEST_F(UnloadWriter, DelimitedRecord_QuotingFollowsColumnTypeAndNullsStayEmpty) {
  job.separator = ',';
  job.quoteStrings = 1;
  open(kDelimitedSelect, delimitedRow());
  EXPECT_EQ(build(kBinaryWarning), "\"ab\",\"x,y\",12.5,,12/01/2009,text blob,");
  // Blank text and NULLs: quoted texts keep their quotes; line breaks hidden.
  EXPECT_EQ(build(), "\"\",\"a\2\1b\",,-42,,,");
}

TEST_F(UnloadWriter, DelimitedRecord_LineBreaksStayWithLreclAndTooLongBlobFailsOnlyItsRecord) {
  job.separator = '\t';
  job.recordLength = 100;
  open(kDelimitedSelect, delimitedRow());
  build(kBinaryWarning);
  EXPECT_EQ(build(), "\ta\r\nb\t\t-42\t\t\t");
  // Row 3's blob exceeds the field buffer; row 4's blob still reads.
  EXPECT_EQ(build("Lodrun #: blob for col 6, record 3 too long (9000, max: 8183)\n"),
            "FAILED \t\t\t\t\t");
  EXPECT_EQ(BlobCount(), 0);
  EXPECT_EQ(build(), "\t\t\t\t\tafter\t");
}

TEST_F(UnloadWriter, DelimitedRecord_NotFittingTheBufferFailsBeforeCopying) {
  job.separator = ',';
  open("select big, big from t where id = 3",
       {{6, 1, 0, 100, 1, 6000, kText, 0}, {6, 2, 0, 100, 2, 6000, kText, 0}});
  std::memset(job.inputBuffer, 'Z', kBufferSize);
  const std::string record =
      build("Lodrun #: Lodrun: output buffer size too small for, is 8184 need 12002\n");
  EXPECT_EQ(record, "FAILED " + std::string(6000, 'y') + ",");
  EXPECT_EQ(std::string(job.inputBuffer + 6001, kBufferSize - 6001),
            std::string(kBufferSize - 6001, 'Z'));
}

TEST_F(UnloadWriter, FixedRecord_PadsAlignsAndPacksBinaryValues) {
  job.padChar = '*';
  job.outputWidth = 32;
  job.recordLength = -1;
  open("select c4, i, s, f, d, n from t where id <> 3 order by id",
       {{7, 1, 5, 100, 1, 4, kText, 0},   {7, 6, 6, 100, 2, 4, kLong, 0},
        {7, 12, 1, 101, 3, 2, kShort, 0}, {7, 13, 4, 105, 4, 4, kFloat, 0},
        {7, 17, 8, 106, 5, 8, kDouble, 0}, {7, 25, 7, 100, 6, 8, kDouble, 0}});
  const float f = 1.5f;
  const double d = 2.25;
  std::string first = "ab   ******\7" + std::string(reinterpret_cast<const char *>(&f), 4) +
                      std::string(reinterpret_cast<const char *>(&d), 8) + "00012.5*";
  EXPECT_EQ(build(), first);
  // 300 does not fit one byte: the record fails, built as far as it got.
  EXPECT_EQ(build("Lodrun #: output record 2, field 3 truncated from 2 to 1\n"),
            "FAILED *****000-42" + std::string(21, '*'));
  // Below -128 the low byte would read back as another number.
  EXPECT_EQ(build("Lodrun #: output record 3, field 3 truncated from 2 to 1\n"),
            "FAILED " + std::string(32, '*'));
}

TEST_F(UnloadWriter, WriteRecordLine_SeparatorCountSendsMiscountedRecordsToDiscards) {
  job.separator = ',';
  job.maxErrors = 100;
  job.fieldCount = 2;
  openFiles();
  struct Case {
    unsigned char quote;
    std::string record;
  };
  const Case cases[] = {
      {0, "a,b,"},          // written
      {0, "a,b,c,"},        // a separator in a value, unquoted: discarded
      {0, "a\\,b,c,"},      // an escaped separator is data: written
      {1, "\"a,b\",c,"},    // quoted separator: written
      {1, "\"\",\"\","},    // two empty quoted texts: written
      {1, "\"x\",y\","},    // a quote before a separator reopens: discarded
  };
  for (const Case &c : cases) {
    job.quoteStrings = c.quote;
    std::memcpy(job.inputBuffer, c.record.data(), c.record.size());
    builtRecordLength = static_cast<int>(c.record.size());
    ++job.recordCount;
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    writeRecordLine();
    std::fflush(stdout);
    ::testing::internal::GetCapturedStdout();
  }
  EXPECT_EQ(closed(&job.dataStream, "out"), "a,b\na\\,b,c\n\"a,b\",c\n\"\",\"\"\n");
  EXPECT_EQ(closed(&job.discardStream, "discards"), "a,b,c\n\"x\",y\"\n");
  EXPECT_EQ(job.rejectedCount, 2);
}

}  // namespace
