// reader_reset_test.cpp - resetJobSettings starts the next run afresh: the
// record reader keeps nothing of the file it read before, even when the next
// file's stream gets the same address.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "job/settings.h"
#include "job_fixture.h"
#include "load/reader.h"
#include "testsupport.h"

namespace {

class ReaderReset : public JobTest {
 protected:
  // Opens `path` as the run's data stream, delimited lines.
  static void openData(const std::string &path) {
    job.dataStream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(job.dataStream, nullptr);
    job.separator = ',';
    job.maxRows = -1;
  }
  static std::string nextRecord() {
    const int length = readRecord();
    return std::string(job.inputBuffer, static_cast<size_t>(length > 0 ? length : 0));
  }
};

TEST_F(ReaderReset, AFreshRunReadsItsOwnFileFromTheFirstLine) {
  TempDir dir;
  writeFile(dir.file("a.txt"), "a1,x\na2,x\na3,x\n");
  writeFile(dir.file("b.txt"), "b1,y\nb2,y\n");

  openData(dir.file("a.txt"));
  EXPECT_EQ(nextRecord(), "a1,x");
  std::fclose(job.dataStream);

  resetJobSettings();
  allocateJobBuffers();
  job.messageStream = stdout;
  openData(dir.file("b.txt"));
  EXPECT_EQ(nextRecord(), "b1,y");
  EXPECT_EQ(job.recordCount, 1);
  EXPECT_EQ(currentRecordLength(), 4);
  EXPECT_EQ(nextRecord(), "b2,y");
  EXPECT_EQ(nextRecord(), "");
  std::fclose(job.dataStream);
  job.dataStream = nullptr;
}

}  // namespace
