// csv_reader_test.cpp - the CSV record reader stays linear in its input
// whatever the quoting: records whose quotes go wrong are rejected one line
// each and the lines after them read again, yet no byte is scanned more
// than a few times (counted, not timed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "csv/csvmode.h"
#include "csv/csvreader.h"
#include "job/settings.h"
#include "job_fixture.h"
#include "testsupport.h"

namespace {

class CsvReader : public JobTest {
 protected:
  void TearDown() override {
    if (job.dataStream != nullptr) std::fclose(job.dataStream);
    job.dataStream = nullptr;
    delete job.csv;
    job.csv = nullptr;
  }
};

TEST_F(CsvReader, HostileQuotingIsReadInLinearWork) {
  std::string perLine, reopened = "1,\"a\n", stray = "1,\"stray\n";
  for (int i = 1; perLine.size() < 200000; ++i) perLine += std::to_string(i) + ",\"abc\n";
  while (reopened.size() < 200000) reopened += "x\",\"y\n";
  // More than the longest record after the stray quote: it is given up there.
  const std::string line = "2," + std::string(998, 'x') + "\n";
  while (stray.size() <= kMaxCsvRecord + 100000) stray += line;
  const struct {
    const char *name;
    const std::string &data;
    bool everyLineBroken;  // else only the first
  } cases[] = {
      {"an unclosed quote on every line", perLine, true},
      {"every line closes a quote and opens another", reopened, true},
      {"a stray quote and then more than a record may hold", stray, false},
  };
  TempDir dir;
  for (const auto &c : cases) {
    TearDown();
    SetUp();
    writeFile(dir.file("in.csv"), c.data);
    job.dataStream = std::fopen(dir.file("in.csv").c_str(), "rb");
    ASSERT_NE(job.dataStream, nullptr);
    enableCsvMode();
    int broken = 0, good = 0;
    while (readCsvRecord() > 0) {
      if (job.csv->brokenRecord) {
        ++broken;
      } else {
        ++good;
        EXPECT_EQ(job.csv->fields.size(), 2u) << c.name << ", record " << job.recordCount;
      }
    }
    const int lines = static_cast<int>(std::count(c.data.begin(), c.data.end(), '\n'));
    EXPECT_EQ(broken, c.everyLineBroken ? lines : 1) << c.name;
    EXPECT_EQ(broken + good, lines) << c.name;
    EXPECT_LE(job.csv->scannedBytes, 3 * c.data.size()) << c.name;
  }
}

}  // namespace
