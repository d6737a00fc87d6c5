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

// Files larger than a read block: no line piece and no stream segment is cut
// where a block ends (at 64 KiB).
TEST_F(BlobLoad, BlockEnds_CutNeitherLinesNorSegments) {
  std::string lines;  // a line straddles every 100-byte step, and the block end
  for (int i = 0; i < 1000; ++i) lines += std::string(99, static_cast<char>('a' + i % 26)) + "\n";
  const std::string bytes = lines.substr(0, 70000);
  auto repeated = [](std::vector<int> unit, int times, std::vector<int> tail) {
    std::vector<int> all;
    for (int i = 0; i < times; ++i) all.insert(all.end(), unit.begin(), unit.end());
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const struct {
    short format, blobSize;
    const std::string &content;
    std::vector<int> segments;
  } cases[] = {
      {kFormatBinaryBlob, 80, lines, repeated({79, 21}, 1000, {})},
      {kFormatBinaryBlobStream, 0, bytes, {32768, 32768, 4464}},
      {kFormatBinaryBlobStream, 4088, bytes, repeated({4088}, 17, {504})},
  };
  int id = 0;
  for (const auto &c : cases) {
    spec_.format = c.format;
    spec_.blobSegmentSize = c.blobSize;
    setId(++id);
    EXPECT_EQ(load(file("f" + std::to_string(id), c.content)), "");
    EXPECT_EQ(segmentLengths(id), c.segments) << "case " << id;
  }
  EXPECT_EQ(committedBlobs(), (std::vector<std::string>{bytes, bytes, lines}));
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
