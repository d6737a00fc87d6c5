// record_format_test.cpp - the format a run's settings choose reads its
// records and gives them back as read (for the discards and a batch's
// stored copy), without a database: the same file, delimited and CSV.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "csv/csvmode.h"
#include "format/formats.h"
#include "job/settings.h"
#include "job_fixture.h"
#include "load/reader.h"
#include "testsupport.h"

namespace {

class RecordFormatRead : public JobTest {
 protected:
  // Every record of `path` read through the chosen format, as its raw text
  // gives it back.
  static std::vector<std::string> readAll(const std::string &path) {
    const RecordFormat &format = chooseRecordFormat();
    job.dataStream = std::fopen(path.c_str(), "rb");
    EXPECT_NE(job.dataStream, nullptr);
    job.maxRows = -1;
    std::vector<std::string> records;
    const auto ahead = std::make_unique<ReadAhead>();
    for (int length; (length = format.read(*ahead)) > 0;) {
      int rawLength = length;
      const char *raw = format.rawText(&rawLength);
      records.emplace_back(raw, static_cast<size_t>(rawLength));
    }
    std::fclose(job.dataStream);
    job.dataStream = nullptr;
    return records;
  }
};

TEST_F(RecordFormatRead, EachFormatReadsAndGivesBackItsOwnRecords) {
  TempDir dir;
  // The last record is longer than job.inputBuffer: only CSV keeps it whole.
  const std::string longRecord = "l,\"" + std::string(kBufferSize, 'x') + "\"";
  writeFile(dir.file("in.txt"), "a,\"b,c\"\n\"x\ny\",z\n" + longRecord + "\n");

  job.separator = ',';
  EXPECT_STREQ(chooseRecordFormat().name, "delimited");
  EXPECT_EQ(readAll(dir.file("in.txt")),
            (std::vector<std::string>{"a,\"b,c\"", "\"x", "y\",z",
                                      longRecord.substr(0, kBufferSize - 1)}));

  enableCsvMode();
  EXPECT_STREQ(chooseRecordFormat().name, "csv");
  EXPECT_EQ(readAll(dir.file("in.txt")),
            (std::vector<std::string>{"a,\"b,c\"", "\"x\ny\",z", longRecord}));

  job.csvMode = 0;
  job.separator = 0;
  EXPECT_STREQ(chooseRecordFormat().name, "fixed");
}

}  // namespace
