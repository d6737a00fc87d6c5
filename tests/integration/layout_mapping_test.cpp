// Layout validation against a real statement, in-process: which entry and
// position each SQL variable gets, in both directions, and what the mapping
// completes on its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "dblib/dbfuncs.h"
#include "driver/commandfile.h"
#include "format/formats.h"
#include "job/settings.h"
#include "layout/validate.h"
#include "testsupport.h"

namespace {

class LayoutMapping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(createDatabase(databasePath(),
                               "create table t (a integer, b varchar(10), c timestamp, "
                               "d blob sub_type text);"));
  }
  static std::string databasePath() {
    static TempDir dir;
    return dir.file("layout.fdb");
  }
  void TearDown() override { closeRun(); }

  // Validates `sql` as a run with these settings; returns what it printed.
  std::string validate(char direction, char separator, short variables, const std::string &sql,
                       bool verbose = false) {
    closeRun();
    resetJobSettings();
    allocateJobBuffers();
    DBuseRunSettings(&job);
    job.messageStream = stdout;
    job.lineEnd = kLineEndUnix;
    job.lineEndLength = 1;
    job.queryRecord.cursorName = "Lodrun";
    job.dbName = dbName.c_str();
    job.userName = "SYSDBA";
    job.password = "masterkey";
    job.direction = direction;
    job.directionText = direction == 'i' ? "input" : "output";
    job.separator = separator;
    job.sqlVariableCount = variables;
    job.verbose = verbose;
    dataFile = dir.file(direction == 'i' ? "in.txt" : "out.txt");
    writeFile(dir.file("in.txt"), "");
    job.dataFileName = dataFile.c_str();
    std::snprintf(job.sqlText, kBufferSize, "%s", sql.c_str());
    EXPECT_EQ(completeSql(), 0) << sql;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    chooseRecordFormat();
    validateLayout();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }
  // sqlField -> position of every bound entry.
  static std::map<int, int> positions() {
    std::map<int, int> map;
    for (int i = 0; i < job.fieldCount; ++i)
      if (job.fieldTable[i].sqlField > 0) map[job.fieldTable[i].sqlField] = job.fieldTable[i].position;
    return map;
  }
  static const FieldSpec &entryOf(int sqlField) {
    for (int i = 0; i < job.fieldCount; ++i)
      if (job.fieldTable[i].sqlField == sqlField) return job.fieldTable[i];
    static const FieldSpec none{};
    ADD_FAILURE() << "no entry for " << sqlField;
    return none;
  }
  void closeRun() {
    if (job.dataStream != nullptr) std::fclose(job.dataStream);
    job.dataStream = nullptr;
    if (job.databaseHandle != 0) DBclose(&job.databaseHandle);
    job.transactionHandle = 0;
  }

  TempDir dir;
  std::string dbName = databasePath();
  std::string dataFile;
};

}  // namespace

TEST_F(LayoutMapping, DelimitedFieldsWithoutPositionTakeTheOrdinalsLeftFree) {
  EXPECT_EQ(validate('o', ',', 3, "select a, b{position=1}, c from t", true),
            "  maximum ASSIGNED output field is 3\n");
  EXPECT_EQ(positions(), (std::map<int, int>{{1, 2}, {2, 1}, {3, 3}}));
  EXPECT_EQ(entryOf(3).format, 16);  // a timestamp without a brace group
  EXPECT_EQ(entryOf(2).sqlSize, 10);

  // A brace group without position keeps its own settings.
  validate('i', ',', 2, "insert into t (a, c) values (?, ?{dateform=12})");
  EXPECT_EQ(positions(), (std::map<int, int>{{1, 1}, {2, 2}}));
  EXPECT_EQ(entryOf(1).format, 6);
  EXPECT_EQ(entryOf(2).format, 12);

  // A generated value has no position and needs none.
  validate('i', ',', 3, "insert into t (a, b, c) values (?, ?, ?{sysdate})");
  EXPECT_EQ(positions(), (std::map<int, int>{{1, 1}, {2, 2}, {3, 0}}));
  EXPECT_EQ(entryOf(3).sqlType, 510);
}

TEST_F(LayoutMapping, OpenCountsWidthsAndBlobFormsAreCompleted) {
  const std::string printed = validate('o', ',', -1, "select a, b, c, d from t");
  EXPECT_EQ(printed, " Warning: binary or long blobs may cause problems\n"
                     "blob output field 4 format unknown, set to segmented binary\n");
  EXPECT_EQ(job.sqlVariableCount, 4);
  EXPECT_EQ(job.blobFieldCount, 1);
  EXPECT_EQ(entryOf(4).format, 206);
  EXPECT_EQ(entryOf(4).blobSegmentSize, 80);

  validate('o', 0, 2, "select a{position=1 size=10}, b{position=11 size=5} from t");
  EXPECT_EQ(job.recordLength, -1);
  EXPECT_EQ(job.outputWidth, 16);
}
