// Blob loading below the binary, on a real embedded database: what a run
// cannot show, the bytes of a line with NUL bytes in it and the heap after
// thousands of blobs (the end-to-end tests cover the rest).
#include <malloc.h>

#include "blob_fixture.h"
#include "load/blobload.h"

namespace {

class BlobLoad : public BlobDatabase {
 protected:
  // Loads `field` as the blob field of one record, executes the insert when
  // it loaded, and returns what was printed.
  std::string load(const std::string &field, int expected = 0) {
    std::snprintf(job.fieldBuffer, kBufferSize, "%s", field.c_str());
    testing::internal::CaptureStdout();
    const int rc = loadBlobField(0, 2);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, expected) << field;
    if (rc == 0) {
      EXPECT_EQ(ExecuteQuery(insert_, tr_), 0);
    }
    return out;
  }
  std::string file(const std::string &name, const std::string &content) {
    writeFile(dir_.file(name), content);
    return dir_.file(name);
  }
};

TEST_F(BlobLoad, LineMode_SplitsLongLinesAndKeepsEveryByte) {
  spec_.format = kFormatBinaryBlob;
  setId(0);
  const std::string content = "short\n" + std::string(200, 'x') + "\n" + std::string("a\0b\n", 4) + "tail";
  EXPECT_EQ(load(file("lines.txt", content)), "");
  EXPECT_EQ(segmentLengths(0), (std::vector<int>{6, 79, 79, 43, 4, 4}));
  EXPECT_EQ(committedBlobs(), std::vector<std::string>{content});
}

TEST_F(BlobLoad, ManyRecords_EachBlobReleasedAtClose) {
  constexpr int kRecords = 10000;
  size_t heapAfterWarmUp = 0;
  for (int i = 0; i < kRecords; ++i) {
    std::snprintf(job.fieldBuffer, kBufferSize, "%s", file("b" + std::to_string(i), std::to_string(i)).c_str());
    ASSERT_EQ(loadBlobField(0, 2), 0);
    ASSERT_EQ(ExecuteQuery(insert_, tr_), 0);
    if (i == 1000) heapAfterWarmUp = mallinfo2().uordblks;
  }
  // The engine keeps its pages in its own pools: the heap stays flat unless
  // something is left behind per blob.
  EXPECT_LT(static_cast<long>(mallinfo2().uordblks - heapAfterWarmUp), 64L * 1024);
  EXPECT_EQ(job.blobsLoaded, kRecords);
  EXPECT_EQ(BlobCount(), 0);
  EXPECT_EQ(blobCapacity, 32);
  ASSERT_EQ(CommitTransaction(tr_), 0);
  EXPECT_EQ(queryRows(path_, "select count(*), sum(cast(cast(b as varchar(8)) as integer)) from t"),
            std::vector<std::string>{"10000|49995000"});
}

}  // namespace
