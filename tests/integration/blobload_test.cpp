// Blob loading from files named in a field, against a real embedded
// database: block and line modes, byte-order marks, the text fallback,
// empty fields and files, many blobs and a large one.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

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

TEST_F(BlobLoad, BlockMode_LoadsFileBytesExactlyInSegmentPieces) {
  std::string content;
  for (int i = 0; i < 10000; ++i) content += static_cast<char>(i * 7919 % 256);
  const std::string name = file("data.bin", content);
  job.verbose = 1;
  job.defaultBlobSegmentSize = 4088;
  spec_.blobSegmentSize = 1500;
  setId(0);
  // A fixed-size field keeps the blanks after the name.
  EXPECT_EQ(load(name + "    "), " Blob for column  2 of size     10000 loaded from: " + name + "\r\n");
  // Blocks of 4088, 4088 and 1824 bytes, each in pieces of at most 1500.
  EXPECT_EQ(segmentLengths(0), (std::vector<int>{1500, 1500, 1088, 1500, 1500, 1088, 1500, 324}));
  EXPECT_EQ(job.blobsLoaded, 1);
  EXPECT_EQ(committedBlobs(), std::vector<std::string>{content});
}

TEST_F(BlobLoad, LineMode_SplitsLongLinesAndKeepsEveryByte) {
  spec_.format = kFormatBinaryBlob;
  setId(0);
  const std::string content = "short\n" + std::string(200, 'x') + "\n" + std::string("a\0b\n", 4) + "tail";
  EXPECT_EQ(load(file("lines.txt", content)), "");
  EXPECT_EQ(segmentLengths(0), (std::vector<int>{6, 79, 79, 43, 4, 4}));
  EXPECT_EQ(committedBlobs(), std::vector<std::string>{content});
}

TEST_F(BlobLoad, ByteOrderMark_SkippedInEveryForm) {
  const std::string name = file("bom.txt", "\xEF\xBB\xBFhello\n");
  for (short format : {kFormatAsciiBlob, kFormatAsciiBlobStream, kFormatBinaryBlob, kFormatBinaryBlobStream}) {
    spec_.format = format;
    load(name);
  }
  EXPECT_EQ(committedBlobs(), (std::vector<std::string>(4, "hello\n")));
}

TEST_F(BlobLoad, UnopenableName_LoadsFieldTextAndCountsError) {
  std::string unreadable = file("secret", "no");
  chmod(unreadable.c_str(), 0);
  if (FILE *f = std::fopen(unreadable.c_str(), "r")) {  // root reads any file
    std::fclose(f);
    unreadable = "/proc/sys/vm/drop_caches";  // write-only, also for root
  }
  std::vector<std::string> names = {"hello world", dir_.path(), unreadable, std::string(8000, 'n')};
  for (const std::string &name : names)
    EXPECT_EQ(load(name), "Lodrun: open failed (using text as string): " + name + "\r\n");
  EXPECT_EQ(job.blobErrorCount, 4);
  EXPECT_EQ(job.blobsLoaded, 4);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(committedBlobs(), names);
}

TEST_F(BlobLoad, EmptyField_RejectedButEmptyFileLoadsEmptyBlob) {
  EXPECT_EQ(load("", -1) + load("     ", -1), "");
  EXPECT_EQ(job.blobsWithoutFile, 2);
  EXPECT_EQ(job.blobsLoaded + BlobCount(), 0);
  // An empty file gives an empty blob, not NULL, in the first record too.
  const std::string name = file("empty", "");
  for (short format : {kFormatAsciiBlob, kFormatBinaryBlobStream}) {
    spec_.format = format;
    load(name);
  }
  EXPECT_EQ(committedBlobs(), (std::vector<std::string>{"", ""}));
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

TEST_F(BlobLoad, LargeFile_StreamsWithoutHoldingIt) {
  constexpr long kBytes = 50L << 20;
  const std::string name = file("large.bin", "");
  std::filesystem::resize_file(name, kBytes);
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  const long peakBefore = usage.ru_maxrss;
  load(name);
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss - peakBefore, 24 * 1024) << "peak RSS grew by more than 24 MB";
  ASSERT_EQ(CommitTransaction(tr_), 0);
  EXPECT_EQ(queryRows(path_, "select octet_length(b) from t"), std::vector<std::string>{std::to_string(kBytes)});
}

TEST_F(BlobLoad, ReadError_EndsRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::snprintf(job.fieldBuffer, kBufferSize, "/proc/self/mem");  // opens, but reads fail
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        loadBlobField(0, 2);
      },
      testing::ExitedWithCode(1), "Lodrun [0-9]+: error reading blob file </proc/self/mem>");
}

}  // namespace
