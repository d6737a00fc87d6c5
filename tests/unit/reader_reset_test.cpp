// reader_reset_test.cpp - a new run's read-ahead starts afresh: the record
// reader keeps nothing of the file it read before, even when the next file's
// stream gets the same address.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
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
  static std::string nextRecord(ReadAhead &ahead) {
    const int length = readRecord(ahead);
    return std::string(job.inputBuffer, static_cast<size_t>(length > 0 ? length : 0));
  }
};

TEST_F(ReaderReset, AFreshRunReadsItsOwnFileFromTheFirstLine) {
  TempDir dir;
  writeFile(dir.file("a.txt"), "a1,x\na2,x\na3,x\n");
  writeFile(dir.file("b.txt"), "b1,y\nb2,y\n");

  auto first = std::make_unique<ReadAhead>();
  openData(dir.file("a.txt"));
  EXPECT_EQ(nextRecord(*first), "a1,x");
  std::fclose(job.dataStream);
  first.reset();

  resetJobSettings();
  allocateJobBuffers();
  job.messageStream = stdout;
  auto second = std::make_unique<ReadAhead>();
  openData(dir.file("b.txt"));
  EXPECT_EQ(nextRecord(*second), "b1,y");
  EXPECT_EQ(job.recordCount, 1);
  EXPECT_EQ(currentRecordLength(*second), 4);
  EXPECT_EQ(nextRecord(*second), "b2,y");
  EXPECT_EQ(nextRecord(*second), "");
  std::fclose(job.dataStream);
  job.dataStream = nullptr;
}

}  // namespace
