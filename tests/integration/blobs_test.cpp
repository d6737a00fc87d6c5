// Blob I/O in dblib against a real embedded database: segments written and
// read back, left-overs between reads, the end of a blob, refusals.
#include "blob_fixture.h"

namespace {

class BlobIo : public BlobDatabase {
 protected:
  // Inserts row `id` whose blob is `content`, written by one PutBlob.
  void insertBlob(int id, const std::string &content, unsigned short segmentSize) {
    setId(id);
    ASSERT_EQ(CreateBlob(2, tr_, insert_, segmentSize, 0), 0);
    ASSERT_EQ(PutBlob(insert_, content.data(), static_cast<int>(content.size())), 0);
    ASSERT_EQ(CloseBlob(2, insert_), 0);
    ASSERT_EQ(ExecuteQuery(insert_, tr_), 0);
  }
};

std::string sampleBytes(int length) {
  std::string bytes;
  for (int i = 0; i < length; ++i) bytes += static_cast<char>(i * 7 % 251);
  return bytes;
}

TEST_F(BlobIo, CreateBlob_RefusesBadStyleSizeAndVariable) {
  struct Case { int variable; unsigned short size; short style; int code; };
  for (const Case &c : {Case{2, 80, 3, 20032}, Case{2, 80, -1, 20032}, Case{2, 0, 1, 20031},
                        Case{1, 80, 1, 20012}, Case{3, 80, 1, 20035}}) {
    EXPECT_EQ(CreateBlob(c.variable, tr_, insert_, c.size, c.style), c.code) << c.variable;
    EXPECT_EQ(BlobCount(), 0);
  }
  for (short style : {0, 1, 2}) {
    EXPECT_EQ(CreateBlob(2, tr_, insert_, 80, style), 0);
    EXPECT_EQ(CloseBlob(2, insert_), 0);
  }
}

TEST_F(BlobIo, PutBlob_WritesSegmentsOfSegmentSizeAndClearsNull) {
  setId(1);
  ASSERT_EQ(CreateBlob(2, tr_, insert_, 80, 0), 0);
  ASSERT_EQ(FindQuery(insert_), 0);
  short *indicator = currentQuery->inputNullFlags + 1;
  EXPECT_EQ(*indicator, 0) << "a created blob is not NULL";
  *indicator = -1;
  EXPECT_EQ(PutBlob(insert_, nullptr, 0), 0);
  EXPECT_EQ(*indicator, 0) << "after PutBlob of 0 bytes";
  ASSERT_EQ(PutBlob(insert_, sampleBytes(200).data(), 200), 0);
  // Pieces: each starts a segment of its own; a bad length writes nothing.
  const std::string pieces = sampleBytes(130);
  const int bad[] = {30, -1};
  EXPECT_EQ(PutBlobPieces(insert_, pieces.data(), bad, 2), 20014);
  *indicator = -1;
  const int lengths[] = {30, 0, 100};
  ASSERT_EQ(PutBlobPieces(insert_, pieces.data(), lengths, 3), 0);
  EXPECT_EQ(*indicator, 0) << "after PutBlobPieces";
  ASSERT_EQ(CloseBlob(2, insert_), 0);
  ASSERT_EQ(ExecuteQuery(insert_, tr_), 0);

  EXPECT_EQ(segmentLengths(1), (std::vector<int>{80, 80, 40, 30, 80, 20}));
  EXPECT_EQ(committedBlobs(), std::vector<std::string>{sampleBytes(200) + pieces});
}

TEST_F(BlobIo, StreamBlob_GathersFullSegmentsAndFlushesRestAtClose) {
  const std::string content = sampleBytes(210);
  setId(1);
  ASSERT_EQ(CreateBlob(2, tr_, insert_, 100, 2), 0);
  for (int i = 0; i < 7; ++i) ASSERT_EQ(PutBlob(insert_, content.data() + 30 * i, 30), 0);
  EXPECT_EQ(currentBlob->totalLength, 200);
  EXPECT_EQ(currentBlob->fillLevel, 10);
  ASSERT_EQ(CloseBlob(2, insert_), 0);
  ASSERT_EQ(ExecuteQuery(insert_, tr_), 0);
  EXPECT_EQ(committedBlobs(), std::vector<std::string>{content});
}

TEST_F(BlobIo, GetBlobSegment_KeepsLeftOverUntilEndThen20011) {
  struct Case { unsigned short segmentSize; int length, destination; std::vector<int> deliveries; };
  const std::vector<Case> cases = {
      {100, 100, 60, {60, 40, 0}},          // the rest of a segment comes alone
      {80, 200, 50, {50, 30, 50, 30, 40}},  // the last read meets the end
      {80, 200, 200, {200, 0}},             // full before the end was seen
      {80, 200, 1000, {200}},
      {80, 0, 10, {0}},                     // an empty blob
  };
  for (size_t i = 0; i < cases.size(); ++i)
    insertBlob(static_cast<int>(i), sampleBytes(cases[i].length), cases[i].segmentSize);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case &c = cases[i];
    QueryRecord *select = openBlob(static_cast<int>(i));
    std::string got;
    std::vector<char> destination(static_cast<size_t>(c.destination));
    int delivered = -1;
    for (int expected : c.deliveries) {
      ASSERT_EQ(GetBlobSegment(1, select, destination.data(), c.destination, &delivered), 0);
      EXPECT_EQ(delivered, expected) << "case " << i;
      got.append(destination.data(), static_cast<size_t>(delivered));
    }
    EXPECT_EQ(GetBlobSegment(1, select, destination.data(), c.destination, &delivered), 20011);
    EXPECT_EQ(got, sampleBytes(c.length)) << "case " << i;
    EXPECT_EQ(GetBlobSegment(1, select, destination.data(), 0, &delivered), 20014);
    EXPECT_EQ(CloseBlob(1, select), 0);
    EXPECT_EQ(GetBlobSegment(1, select, destination.data(), c.destination, &delivered), 20004);
  }
  EXPECT_EQ(BlobCount(), 0);
}

TEST_F(BlobIo, OpenBlob_FailedOpenReportsAndGivesRecordUp) {
  insertBlob(1, "abc", 80);
  QueryRecord *select = openBlob(1);
  ASSERT_EQ(CloseBlob(1, select), 0);
  ASSERT_EQ(FindVariable(1, select, false), 0);
  std::memset(currentVariable->sqldata, 0x5a, 8);  // no such blob
  job.messageStream = std::tmpfile();
  EXPECT_EQ(OpenBlob(select, 1, tr_), 20006);
  EXPECT_EQ(BlobCount(), 0);
  std::rewind(job.messageStream);
  char text[4096] = {};
  EXPECT_GT(std::fread(text, 1, sizeof text - 1, job.messageStream), 0u);
  std::fclose(job.messageStream);
  job.messageStream = nullptr;
  EXPECT_NE(std::strstr(text, "doing open blob from c1"), nullptr) << text;
}

}  // namespace
