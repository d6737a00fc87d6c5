// Filler options and the format/width rule shared with generated values.
#include <string>

#include "job_fixture.h"
#include "layout/filler.h"

namespace {

class Filler : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    job.direction = 'o';
    job.recordLength = 100;
    makeFieldTable(3);
  }
};

struct Stored {
  short format, position, size, externalType, sqlType, fill;
};

}  // namespace

TEST_F(Filler, AcceptedFillersFillTheFirstFreeEntry) {
  const struct {
    const char *value;
    char separator;
    Stored entry;
  } rows[] = {
      {"1;10;*;7", 0, {7, 1, 10, 100, 201, '*'}},
      {"1;10;;7", 0, {7, 1, 10, 100, 201, ' '}},  // the pad character
      {"89;98;*;7", 0, {7, 89, 10, 100, 201, '*'}},
      {"1;10;sysdate;11", 0, {11, 1, 10, 100, 202, 0}},
      {"1;2;Enum;1", 0, {1, 1, 2, 102, 203, 0}},
      {"5;8;enumerate;20", 0, {20, 5, 4, 103, 203, 0}},
      {"1;8;enum;22", 0, {22, 1, 8, 104, 203, 0}},
      {"1;8;sysdate;19", 0, {19, 1, 8, 106, 202, 0}},
      {"1;10;sysdate;16", 0, {16, 1, 10, 100, 202, 0}},
      {"1;19;sysdate;17", 0, {17, 1, 19, 100, 202, 0}},
      {"3;0;enum;7", ',', {7, 3, 0, 100, 203, 0}},
      {"3;5;*;7", ',', {7, 3, 5, 100, 201, '*'}},
      {"2;9;sysdate;11", ',', {11, 2, 0, 100, 202, 0}},
  };
  for (const auto &row : rows) {
    makeFieldTable(3);
    job.separator = row.separator;
    std::string out = printed([&] { EXPECT_FALSE(parseFiller(row.value)) << row.value; });
    EXPECT_EQ(out, "") << row.value;
    const FieldSpec &f = job.fieldTable[0];
    EXPECT_EQ(f.format, row.entry.format) << row.value;
    EXPECT_EQ(f.position, row.entry.position) << row.value;
    EXPECT_EQ(f.size, row.entry.size) << row.value;
    EXPECT_EQ(f.externalType, row.entry.externalType) << row.value;
    EXPECT_EQ(f.sqlType, row.entry.sqlType) << row.value;
    EXPECT_EQ(f.blobSegmentSize, row.entry.fill) << row.value;
    EXPECT_EQ(f.sqlField, 0) << row.value;
  }
}

TEST_F(Filler, RefusedFillersReportEachErrorWithTheWholeValue) {
  const struct {
    const char *value;
    char separator;
    short recordLength;
    std::string messages;  // each followed by ": <value>"
  } rows[] = {
      {"1;10;*", 0, 100, "invalid set of filler parameters"},
      {"5;4;*;7", 0, 100, "fixed position filler field, invalid ending position"},
      {"5;4;ab;7", 0, 100,
       "fixed position filler field, invalid ending position: 5;4;ab;7\n"
       "Lodrun #: unknown generated type"},
      {"90;99;*;7", 0, 100, "field size error -out of record bounds"},
      {"1;10;*;7", 0, 0, "field size error -out of record bounds"},
      {"3;0;*;7", 0, 100,
       "fixed position filler field, invalid ending position: 3;0;*;7\n"
       "Lodrun #: delimited filler size error"},
      {"0;5;*;7", 0, 100, "invalid position"},
      {"1;9;sysdate;11", 0, 100, "invalid combination of types and sizes"},
      {"1;9;sysdate;16", 0, 100, "invalid combination of types and sizes"},
      {"1;10;x;8", 0, 100, "invalid combination of types and sizes"},
      {"1;4;enum;3", 0, 100, "invalid combination of types and sizes"},
      {"1;2;x;65543", 0, 100, "invalid combination of types and sizes"},
      {"99999999999;5;*;7", 0, 100,
       "fixed position filler field, invalid ending position: 99999999999;5;*;7\n"
       "Lodrun #: field size error -out of record bounds"},
      {"3;5;ab;7", ',', 0, "unknown generated type"},
      {"3;-1;*;7", ',', 0, "delimited filler size error"},
      {"3;99999;*;7", ',', 0, "delimited filler size error"},
      {"70000;1;enum;7", ',', 0, "invalid position"},
      {"-2;1;enum;7", ',', 0, "invalid position"},
  };
  for (const auto &row : rows) {
    makeFieldTable(3);
    job.separator = row.separator;
    job.recordLength = row.recordLength;
    std::string out = printed([&] { EXPECT_TRUE(parseFiller(row.value)) << row.value; });
    EXPECT_EQ(out, "Lodrun #: " + row.messages + ": " + row.value + "\n");
    EXPECT_EQ(job.fieldTable[0].format, 0) << row.value;
  }
}

TEST_F(Filler, FullTableRefusesWithInvalidFieldNumber) {
  makeFieldTable(1);
  EXPECT_FALSE(parseFiller("1;5;-;7"));
  EXPECT_EQ(printed([] { EXPECT_TRUE(parseFiller("6;10;+;7")); }),
            "Lodrun #: invalid field number: 6;10;+;7\n");
}

TEST_F(Filler, CheckFormatSize_FollowsFormatWidthsAndRecordKind) {
  const struct {
    char separator, direction;
    short format, size, externalType;
    bool invalid;
  } rows[] = {
      {0, 'o', 1, 2, 102, false},   {0, 'o', 1, 4, 102, true},
      {0, 'o', 2, 4, 103, false},   {0, 'o', 4, 8, 100, true},
      {0, 'o', 3, 8, 104, false},   {0, 'o', 5, 8, 100, false},
      {0, 'o', 6, 1, 100, false},   {0, 'o', 7, 0, 100, true},
      {0, 'o', 11, 10, 100, false}, {0, 'o', 12, 9, 100, true},
      {0, 'o', 13, 19, 100, false}, {0, 'o', 14, 18, 100, true},
      {0, 'o', 15, 11, 100, false}, {0, 'o', 15, 10, 100, true},
      {0, 'o', 16, 10, 100, false}, {0, 'o', 16, 9, 100, true},
      {0, 'o', 17, 19, 100, false}, {0, 'o', 17, 18, 100, true},
      {0, 'o', 10, 8, 100, true},   {0, 'o', 18, 36, 100, true},
      {0, 'o', 202, 20, 100, true},  // generated kinds are no format of their own
      {',', 'o', 99, 0, 100, false},  // delimited output: anything goes
      {',', 'i', 202, 0, 102, false}, {',', 'i', 203, -5, 100, false},
      {',', 'i', 13, 0, 100, false},  // text is taken as 20 wide
      {',', 'i', 2, 0, 103, true},    {',', 'i', 2, 4, 103, false},
  };
  for (const auto &row : rows) {
    job.separator = row.separator;
    job.direction = row.direction;
    EXPECT_EQ(checkFormatSize(row.format, row.size, row.externalType), row.invalid)
        << "format " << row.format << " size " << row.size << " sep " << int(row.separator);
  }
}
