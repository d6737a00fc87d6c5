// Filler options and the format/width rule shared with generated values.
#include <string>
#include <vector>

#include "job_fixture.h"
#include "layout/filler.h"

namespace {

class Filler : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    job.direction = 'o';
  }
  // A fresh three-entry table for records of `separator` and `lrecl`.
  static void fresh(char separator, short lrecl) {
    makeFieldTable(3);
    job.separator = separator;
    job.recordLength = lrecl;
  }
};

}  // namespace

TEST_F(Filler, AcceptedFillersFillTheFirstFreeEntry) {
  const struct {
    const char *value;
    char separator;
    std::vector<int> entry;  // format, position, size, externalType, sqlType, fill
  } rows[] = {
      {"1;10;*;7", 0, {7, 1, 10, 100, 201, '*'}},
      {"1;10;;7", 0, {7, 1, 10, 100, 201, ' '}},  // the pad character
      {"1;10;sysdate;11", 0, {11, 1, 10, 100, 202, 0}},
      {"1;10;sysdate;16", 0, {16, 1, 10, 100, 202, 0}},  // day-first like 12
      {"5;8;enumerate;20", 0, {20, 5, 4, 103, 203, 0}},
      {"1;8;sysdate;19", 0, {19, 1, 8, 106, 202, 0}},
      {"3;0;enum;7", ',', {7, 3, 0, 100, 203, 0}},
      {"3;5;*;7", ',', {7, 3, 5, 100, 201, '*'}},
  };
  for (const auto &row : rows) {
    fresh(row.separator, 100);
    EXPECT_EQ(printed([&] { EXPECT_TRUE(parseFiller(row.value)); }), "") << row.value;
    const FieldSpec &f = job.fieldTable[0];
    EXPECT_EQ(std::vector<int>({f.format, f.position, f.size, f.externalType, f.sqlType,
                                f.blobSegmentSize}),
              row.entry) << row.value;
  }
}

TEST_F(Filler, RefusedFillersReportEachErrorWithTheWholeValue) {
  const struct {
    const char *value;
    char separator;
    short lrecl;
    std::string messages;  // each followed by ": <value>"
  } rows[] = {
      {"1;10;*", 0, 100, "invalid set of filler parameters"},
      {"5;4;ab;7", 0, 100,
       "fixed position filler field, invalid ending position: 5;4;ab;7\n"
       "Lodrun #: unknown generated type"},
      {"89;98;*;7", 0, 99, "field size error -out of record bounds"},
      {"1;10;*;7", 0, 0, "field size error -out of record bounds"},
      {"3;0;*;7", 0, 100,
       "fixed position filler field, invalid ending position: 3;0;*;7\n"
       "Lodrun #: delimited filler size error"},
      {"0;5;*;7", 0, 100, "invalid position"},
      {"1;9;sysdate;11", 0, 100, "invalid combination of types and sizes"},
      {"1;2;x;65543", 0, 100, "invalid combination of types and sizes"},  // no wrap to 7
      {"99999999999;5;*;7", 0, 100,
       "fixed position filler field, invalid ending position: 99999999999;5;*;7\n"
       "Lodrun #: field size error -out of record bounds"},
      {"3;-1;*;7", ',', 0, "delimited filler size error"},
      {"70000;1;enum;7", ',', 0, "invalid position"},
  };
  for (const auto &row : rows) {
    fresh(row.separator, row.lrecl);
    EXPECT_EQ(printed([&] { EXPECT_FALSE(parseFiller(row.value)); }),
              "Lodrun #: " + row.messages + ": " + row.value + "\n");
    EXPECT_EQ(job.fieldTable[0].format, 0) << row.value;
  }
  makeFieldTable(1);
  EXPECT_TRUE(parseFiller("1;5;-;7"));
  EXPECT_EQ(printed([] { EXPECT_FALSE(parseFiller("6;10;+;7")); }),
            "Lodrun #: invalid field number: 6;10;+;7\n");
}

TEST_F(Filler, CheckFormatSize_FollowsFormatWidthsAndRecordKind) {
  const struct {
    char separator, direction;
    short format, size, externalType;
    bool invalid;
  } rows[] = {
      {0, 'o', 1, 2, 102, false},   {0, 'o', 1, 4, 102, true},
      {0, 'o', 7, 0, 100, true},
      {0, 'o', 12, 9, 100, true},   {0, 'o', 15, 11, 100, false},
      {0, 'o', 17, 18, 100, true},  {0, 'o', 10, 8, 100, true},
      {',', 'o', 99, 0, 100, false},  // delimited output: anything goes
      {',', 'i', 13, 0, 100, false},  // text is taken as 20 wide
      {',', 'i', 2, 0, 103, true},    {',', 'i', 203, -5, 100, false},
  };
  for (const auto &row : rows) {
    job.separator = row.separator;
    job.direction = row.direction;
    EXPECT_EQ(checkFormatSize(row.format, row.size, row.externalType), row.invalid)
        << "format " << row.format << " size " << row.size;
  }
}
