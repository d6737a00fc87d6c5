// Command-line switches and the setters they share with option keywords.
#include <string>
#include <vector>

#include "driver/switches.h"
#include "job_fixture.h"

namespace {

class Switches : public JobTest {
 protected:
  // Parses `words` as the command line after the program name; returns what
  // was printed. The words live until the next call (switches keep pointers).
  std::string parse(std::vector<std::string> words) {
    words.insert(words.begin(), "lodrun");
    keep = std::move(words);
    argv.clear();
    for (auto &w : keep) argv.push_back(w.data());
    return printed([this] { parseSwitches(static_cast<int>(argv.size()), argv.data()); });
  }
  std::vector<std::string> keep;
  std::vector<char *> argv;
};

}  // namespace

TEST_F(Switches, OutOfRangeNumbersFallBackInsteadOfWrapping) {
  const struct {
    std::vector<std::string> words;
    const char *output;
  } rows[] = {
      {{"-B", "4089"}, "Lodrun #: ridiculous blob size (4089) - ignored\n"},
      {{"-b", "65616"}, "Lodrun #: ridiculous blob size (65616) - ignored\n"},
      {{"-b", "99999999999999999999999"},
       "Lodrun #: ridiculous blob size (99999999999999999999999) - ignored\n"},
      {{"-b", "100x"}, "Lodrun #: ridiculous blob size (100x) - ignored\n"},
      {{"-f", "12.5"}, "Unsupported format for ASCII dates (12.5) - ignored\n"},
      {{"-r", "1x"}, "def_blob_parm value must be in range 0-2 - ignored\n"},
      {{"-y", "abc"}, " Invalid year for century split: abc, ignored (range: 1-99)\n"},
      {{"-n", "3x"}, "Lodrun #: sql variable count unbelievable: 3x\n"},
      {{"-f", "65547"}, "Unsupported format for ASCII dates (65547) - ignored\n"},
      {{"-r", "-1"}, "def_blob_parm value must be in range 0-2 - ignored\n"},
      {{"-y", "65586"}, " Invalid year for century split: 65586, ignored (range: 1-99)\n"},
      {{"-n", "99999"}, "Lodrun #: sql variable count unbelievable: 99999\n"},
      {{"-j", "5"},
       "Lodrun #: switch not understood <-j> - ignored\n"
       "Lodrun #: cannot understand argument <5> - ignored\n"},
  };
  for (const auto &row : rows) {
    SetUp();
    EXPECT_EQ(parse(row.words), row.output) << row.words[0];
    EXPECT_EQ(std::vector<int>({job.defaultBlobSegmentSize, job.defaultDateFormat,
                                job.blobStyle, job.centurySplit, job.sqlVariableCount}),
              std::vector<int>({80, 16, 0, 0, 0})) << row.words[0];
  }
  EXPECT_EQ(parse({"-b", "4088", "-f", "11", "-y", "99", "-r", "2", "-n", "?"}), "");
  EXPECT_EQ(std::vector<int>({job.defaultBlobSegmentSize, job.defaultDateFormat,
                              job.centurySplit, job.blobStyle, job.sqlVariableCount}),
            std::vector<int>({4088, 11, 99, 2, -1}));
}

TEST_F(Switches, DirectionChangeWarnsOnceAndLastPathWins) {
  EXPECT_EQ(parse({"-i", "a.txt", "-i", "b.txt", "-O", "c.txt"}),
            " Warning: direction already set to i, setting again\n");
  EXPECT_EQ(job.direction, 'o');
  EXPECT_STREQ(job.directionText, "output");
  EXPECT_STREQ(job.dataFileName, "c.txt");
}

TEST_F(Switches, SetSeparatorTakesOneCharacterTabOrDecimalCode) {
  const struct {
    const char *text;
    char separator;
    const char *output;
  } rows[] = {
      {"#", '#', ""},
      {"\\T", '\t', ""},
      {"x44", ',', ""},
      {"x0", 0, ""},  // code 0: fixed-size records
      {"Z", '|', "Lodrun #: separator string uses common character: Z\n"},
      {"x4a", '|', "Lodrun #: separator string invalid: x4a\n"},
      {"abcd", '|', "Lodrun #: separator string too long: abcd\n"},
      {"", '|', "Lodrun #: No separator supplied after keyword\n"},
  };
  for (const auto &row : rows) {
    job.separator = '|';
    EXPECT_EQ(printed([&] { setSeparator(row.text, -1); }), row.output) << row.text;
    EXPECT_EQ(job.separator, row.separator) << row.text;
  }
}
