// The keyword scanner and the field-specification parser.
#include <string>
#include <vector>

#include "job_fixture.h"
#include "layout/fieldparse.h"

using FieldParse = JobTest;

TEST_F(FieldParse, FindKeyword_ReportsAbsenceBareKeywordAndValue) {
  const struct {
    const char *line, *keyword;
    bool firstWordOnly;
    int result;
    const char *value;
    int number;
  } rows[] = {
      {"options\trows=100 skip=2", "skip", false, 1, "2", 2},
      {"skipper=5 SKIP=3 skip=4", "skip", false, 1, "3", 3},  // whole words, first one
      {"username=bob", "user", false, 0, "", -1},
      {"a=size=4", "size", false, 0, "", -1},  // not at a word start
      {"verbose", "verbose", false, -1, "", -1},
      {"trans= rows=1", "trans", false, -1, "", -1},
      {"trans=0000001000", "trans", false, 10, "0000001000", 1000},
      {"rows=99999999999", "rows", false, 11, "99999999999", -1},  // beyond int
      {"skip=-1", "skip", false, 2, "-1", -1},                     // a sign is no digit
      {"skip=12abc", "skip", false, 5, "12abc", -1},  // trailing text: no number
      {"  STARTDATA", "startdata", true, -1, "", -1},
      {"select STARTDATA", "startdata", true, 0, "", -1},
  };
  for (const auto &row : rows) {
    setLine(row.line);
    EXPECT_EQ(findKeyword(row.keyword, row.firstWordOnly), row.result) << row.line;
    EXPECT_STREQ(job.fieldBuffer, row.value) << row.line;
    EXPECT_EQ(job.keywordNumber, row.number) << row.line;
  }
}

TEST_F(FieldParse, FindKeyword_MarksEachFillerSoTheNextSearchMovesOn) {
  setLine("options filler=1;5;-;7 FILLER=6;10;+;7 filler");
  EXPECT_EQ(findKeyword("filler", false), 7);
  EXPECT_EQ(findKeyword("filler", false), 8);
  EXPECT_STREQ(job.fieldBuffer, "6;10;+;7");
  EXPECT_EQ(findKeyword("filler", false), -1);
  EXPECT_EQ(findKeyword("filler", false), 0);
  EXPECT_STREQ(job.inputBuffer, "options Xiller=1;5;-;7 XILLER=6;10;+;7 Xiller");
  const std::string value(kBufferSize - 3, 'v');  // the longest value a line holds
  setLine("k=" + value);
  EXPECT_EQ(findKeyword("k", false), kBufferSize - 3);
  EXPECT_EQ(std::string(job.fieldBuffer), value);
}

TEST_F(FieldParse, ParseFieldSpec_StoresAcceptedSpecifications) {
  const struct {
    const char *text;
    char separator;
    std::vector<int> entry;  // format, position, size, externalType, blobSegmentSize
  } rows[] = {
      {"size=10 dateform=12", 0, {12, 0, 10, 100, 0}},
      {"   ", ',', {6, 0, 0, 100, 0}},
      {"position=5 sizes=10", 0, {7, 5, 1, 100, 0}},
      {"external=int size=4 dateform=20", 0, {20, 0, 4, 103, 0}},
      {"external=integer size=2", 0, {7, 0, 2, 102, 0}},
      {"external=int", 0, {7, 0, 1, 101, 0}},
      {"size=8183", 0, {7, 0, 8183, 100, 0}},
      {"blob_size=80", 0, {206, 0, 1, 100, 80}},
      {"ascii_blob blob_size=200", 0, {204, 0, 1, 100, 200}},
      {"blob_stream ascii_blob", ',', {205, 0, 0, 100, 0}},
      {"enum size=5", 0, {203, 0, 0, 0, 0}},
  };
  for (const auto &row : rows) {
    makeFieldTable(2);
    job.separator = row.separator;
    setLine(row.text);
    EXPECT_EQ(printed([] { EXPECT_FALSE(parseFieldSpec(2)); }), "") << row.text;
    const FieldSpec &f = job.fieldTable[0];
    EXPECT_EQ(f.sqlField, 2) << row.text;
    EXPECT_EQ(std::vector<int>({f.format, f.position, f.size, f.externalType,
                                f.blobSegmentSize}),
              row.entry) << row.text;
  }
}

TEST_F(FieldParse, ParseFieldSpec_RefusesBadValuesWithEveryMessageAndStoresNothing) {
  const struct {
    const char *text;
    char separator;
    const char *messages;  // before the closing "\tfield: 3, STRING: <text>" line
  } rows[] = {
      {"position=70000", 0, "Lodrun #: external position for field 3 invalid\n"},
      {"blob_size=4089", 0, "Lodrun #: ridiculous blob size (4089) - ignored\n"},
      {"dateform=19", ',',
       "Lodrun #: invalid date format for field\n"
       "Lodrun #: date format invalid for non external field type\n"},
      {"size=8184", 0, "Lodrun #: size invalid: 8184\n"},
      {"size=5", ',', "Lodrun #: size invalid: 5\n"},
      {"external=int", ',', "Lodrun #: external invalid for delimited data\n"},
      {"external=float size=2", 0, "Lodrun #: invalid size for external float\n"},
      {"position=0 dateform=18 external=char", 0,
       "Lodrun #: external position for field 3 invalid\n"
       "Lodrun #: invalid date format for field\n"
       "Lodrun #: unknown external format\n"},
  };
  for (const auto &row : rows) {
    makeFieldTable(3);
    job.separator = row.separator;
    setLine(row.text);
    EXPECT_EQ(printed([] { EXPECT_TRUE(parseFieldSpec(3)); }),
              std::string(row.messages) + "\tfield: 3, STRING: " + row.text + "\n");
    EXPECT_EQ(job.fieldTable[0].format + job.fieldTable[0].sqlField, 0) << row.text;
  }
}

TEST_F(FieldParse, ParseFieldSpec_RefusesSecondGroupForAVariableAndAFullTable) {
  makeFieldTable(2);
  setLine("size=2");
  EXPECT_FALSE(parseFieldSpec(1));
  EXPECT_EQ(printed([] { EXPECT_TRUE(parseFieldSpec(1)); }),
            "Lodrun #: positional field 1 is already defined\n");
  setLine("sysdate");
  EXPECT_FALSE(parseFieldSpec(4));
  EXPECT_EQ(printed([] { EXPECT_TRUE(parseFieldSpec(2)); }),
            "Lodrun #: no more field positions available for 2\n");
  EXPECT_EQ(job.fieldTable[1].format, 202);
}
