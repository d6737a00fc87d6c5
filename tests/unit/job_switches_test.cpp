// Command-line switches and the setters they share with option keywords.
#include <string>
#include <vector>

#include "job/switches.h"
#include "job_fixture.h"

namespace {

class Switches : public JobTest {
 protected:
  // Parses `words` as the command line after the program name; returns what
  // was printed.
  static std::string parse(std::vector<std::string> words) {
    words.insert(words.begin(), "lodrun");
    static std::vector<std::string> keep;  // switches keep pointers to words
    keep = words;
    static std::vector<char *> argv;
    argv.clear();
    for (auto &w : keep) argv.push_back(w.data());
    argv.push_back(nullptr);
    return printed([] { parseSwitches(static_cast<int>(keep.size()), argv.data()); });
  }
};

}  // namespace

TEST_F(Switches, EverySwitchSetsItsField) {
  EXPECT_EQ(parse({"-a", "-b", "200", "-c", ",", "-d", "db.fdb", "-e", "-f", "11",
                   "-h", "-I", "in.txt", "-m", "-n", "7", "-p", "pw", "-q", "-r",
                   "2", "-t", "UTF8", "-u", "bob", "-V", "-x", "cmd", "-y", "50",
                   "-z", "-l", "M"}),
            "");
  EXPECT_EQ(job.asciiBlobs, 1);
  EXPECT_EQ(job.defaultBlobSegmentSize, 200);
  EXPECT_EQ(job.separator, ',');
  EXPECT_STREQ(job.dbName, "db.fdb");
  EXPECT_EQ(job.excelFormat, 1);
  EXPECT_EQ(job.defaultDateFormat, 11);
  EXPECT_EQ(job.dateSeparator, '-');
  EXPECT_EQ(job.direction, 'i');
  EXPECT_STREQ(job.directionText, "input");
  EXPECT_STREQ(job.dataFileName, "in.txt");
  EXPECT_EQ(job.fractComma, 1);
  EXPECT_EQ(job.sqlVariableCount, 7);
  EXPECT_STREQ(job.password, "pw");
  EXPECT_EQ(job.quoteStrings, 1);
  EXPECT_EQ(job.quoteChar, '"');
  EXPECT_EQ(job.blobStyle, 2);
  EXPECT_STREQ(job.transCharSet, "UTF8");
  EXPECT_STREQ(job.userName, "bob");
  EXPECT_EQ(job.verbose, 1);
  EXPECT_EQ(job.statusDumpLevel, 2);
  EXPECT_STREQ(job.commandFileName, "cmd");
  EXPECT_EQ(job.centurySplit, 50);
  EXPECT_EQ(job.shortOk, 1);
  EXPECT_EQ(job.lineEnd, kLineEndMac);
  EXPECT_EQ(job.lineEndLength, 1);
}

TEST_F(Switches, BadWordsAndValuesAreReportedAndFallBack) {
  const struct {
    std::vector<std::string> words;
    const char *output;
  } rows[] = {
      {{"-b", "79"}, "Lodrun #: ridiculous blob size (79) - ignored\n"},
      {{"-B", "4089"}, "Lodrun #: ridiculous blob size (4089) - ignored\n"},
      {{"-b", "65616"}, "Lodrun #: ridiculous blob size (65616) - ignored\n"},
      {{"-b", "-1"}, "Lodrun #: ridiculous blob size (-1) - ignored\n"},
      {{"-b", "99999999999999999999999"},
       "Lodrun #: ridiculous blob size (9223372036854775807) - ignored\n"},
      {{"-f", "18"}, "Unsupported format for ASCII dates (18) - ignored\n"},
      {{"-f", "65547"}, "Unsupported format for ASCII dates (65547) - ignored\n"},
      {{"-r", "3"}, "def_blob_parm value must be in range 0-2 - ignored\n"},
      {{"-r", "-1"}, "def_blob_parm value must be in range 0-2 - ignored\n"},
      {{"-y", "0"}, " Invalid year for century split: 0, ignored (range: 1-99)\n"},
      {{"-y", "100"}, " Invalid year for century split: 100, ignored (range: 1-99)\n"},
      {{"-y", "65586"}, " Invalid year for century split: 65586, ignored (range: 1-99)\n"},
      {{"-n", "99999"}, "Lodrun #: sql variable count unbelievable: 99999\n"},
      {{"-v", "3"}, "Lodrun #: cannot understand argument <3> - ignored\n"},
      {{"-lx"}, "Lodrun #: cannot understand argument <-lx> - ignored\n"},
      {{"x"}, "Lodrun #: cannot understand argument <x> - ignored\n"},
      {{"-"}, "Lodrun #: cannot understand argument <-> - ignored\n"},
      {{"-k", "5"},
       "Lodrun #: switch not understood <-k> - ignored\n"
       "Lodrun #: cannot understand argument <5> - ignored\n"},
      {{"-l", "x"}, "Lodrun: warning unknown OS type: x (ignored)\n"},
      {{"-c", "abcd"}, "Lodrun #: separator string too long: abcd\n"},
  };
  for (const auto &row : rows) {
    resetJobSettings();
    allocateJobBuffers();
    job.lineEnd = kLineEndUnix;
    EXPECT_EQ(parse(row.words), row.output) << row.words[0];
    EXPECT_EQ(job.defaultBlobSegmentSize, 80) << row.words[0];
    EXPECT_EQ(job.defaultDateFormat, 16) << row.words[0];
    EXPECT_EQ(job.blobStyle, 0) << row.words[0];
    EXPECT_EQ(job.centurySplit, 0) << row.words[0];
    EXPECT_EQ(job.sqlVariableCount, 0) << row.words[0];
    EXPECT_EQ(job.lineEnd, kLineEndUnix) << row.words[0];
    EXPECT_EQ(job.separator, 0) << row.words[0];
  }
}

TEST_F(Switches, LimitsAreAcceptedAtBothEnds) {
  EXPECT_EQ(parse({"-b", "80", "-f", "17", "-y", "99", "-r", "0"}), "");
  EXPECT_EQ(job.defaultBlobSegmentSize, 80);
  EXPECT_EQ(job.defaultDateFormat, 17);
  EXPECT_EQ(job.centurySplit, 99);
  EXPECT_EQ(parse({"-B", "4088", "-n", "?", "-y", "1"}), "");
  EXPECT_EQ(job.defaultBlobSegmentSize, 4088);
  EXPECT_EQ(job.sqlVariableCount, -1);
  EXPECT_EQ(job.centurySplit, 1);
}

TEST_F(Switches, DirectionChangeWarnsOnceAndLastPathWins) {
  EXPECT_EQ(parse({"-i", "a.txt", "-i", "b.txt", "-o", "c.txt"}),
            " Warning: direction already set to i, setting again\n");
  EXPECT_EQ(job.direction, 'o');
  EXPECT_STREQ(job.directionText, "output");
  EXPECT_STREQ(job.dataFileName, "c.txt");
  EXPECT_EQ(printed([] { setDirection('x'); }),
            "Lodrun #: invalid direction: x - must be i/o for direction to/from SQL\n");
  EXPECT_EQ(job.direction, 'o');
}

TEST_F(Switches, LineEndStylesSelectTheirTerminator) {
  const struct {
    char letter;
    const char *lineEnd;
    short length;
  } rows[] = {{'m', kLineEndMac, 1}, {'P', kLineEndPc, 2}, {'u', kLineEndUnix, 1}};
  for (const auto &row : rows) {
    setLineEndStyle(row.letter);
    EXPECT_EQ(job.lineEnd, row.lineEnd);
    EXPECT_EQ(job.lineEndLength, row.length);
  }
}

TEST_F(Switches, SetSeparatorTakesOneCharacterTabOrDecimalCode) {
  const struct {
    const char *text;
    char separator;
    const char *output;
  } rows[] = {
      {",", ',', ""},
      {"#", '#', ""},
      {"\\t", '\t', ""},
      {"\\T", '\t', ""},
      {"x9", '\t', ""},
      {"X09", '\t', ""},
      {"x44", ',', ""},
      {"x0", 0, ""},  // code 0: fixed-size records
      {"a", '|', "Lodrun #: separator string uses common character: a\n"},
      {"Z", '|', "Lodrun #: separator string uses common character: Z\n"},
      {"5", '|', "Lodrun #: separator string uses common character: 5\n"},
      {"x4a", '|', "Lodrun #: separator string invalid: x4a\n"},
      {"xx", '|', "Lodrun #: separator string invalid: xx\n"},
      {"ab", '|', "Lodrun #: separator string invalid: ab\n"},
      {"abcd", '|', "Lodrun #: separator string too long: abcd\n"},
      {"", '|', "Lodrun #: No separator supplied after keyword\n"},
  };
  for (const auto &row : rows) {
    job.separator = '|';
    EXPECT_EQ(printed([&] { setSeparator(row.text, -1); }), row.output) << row.text;
    EXPECT_EQ(job.separator, row.separator) << row.text;
  }
}

TEST_F(Switches, UsageHasTwentyEightLinesEachPrefixed) {
  const std::string out = printed([] { printUsage(); });
  size_t lines = 0;
  for (size_t at = 0; at < out.size(); at = out.find('\n', at) + 1) {
    EXPECT_EQ(out.compare(at, 7, "Lodrun "), 0) << out.substr(at, 40);
    ++lines;
  }
  EXPECT_EQ(lines, 28u);
}
