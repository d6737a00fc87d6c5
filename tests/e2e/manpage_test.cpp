// The man page formats without a warning and covers what a run can be told;
// make install puts the program and the man page under the prefix.
#include <sstream>
#include <string>
#include <vector>

#include "front_fixture.h"

namespace {

// The first-column words of README's switch and keyword tables: every
// back-quoted word of the first cell of a row, in tables whose heading
// starts "| switch |" or "| keyword |".
std::vector<std::string> readmeTableWords() {
  std::istringstream in(readFile(std::string(LODRUN_SOURCE_DIR) + "/README.md"));
  std::vector<std::string> words;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| switch |", 0) == 0 || line.rfind("| keyword |", 0) == 0) {
      inTable = true;
      continue;
    }
    if (line.rfind("|", 0) != 0) {
      inTable = false;
      continue;
    }
    if (!inTable) continue;
    const std::string cell = line.substr(1, line.find('|', 1) - 1);
    for (size_t open = cell.find('`'); open != std::string::npos;) {
      const size_t close = cell.find('`', open + 1);
      if (close == std::string::npos) break;
      words.push_back(cell.substr(open + 1, close - open - 1));
      open = cell.find('`', close + 1);
    }
  }
  return words;
}

// True when the formatted page has an entry for `word`: a line of the
// entries' indent that starts with it, or names it after ", " or " | ",
// followed by '=', a blank, ',' or the line's end.
bool hasEntry(const std::string &page, const std::string &word) {
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, 7, "       ") != 0 || line.size() < 8 || line[7] == ' ') continue;
    const std::string term = line.substr(7);
    for (const std::string &lead : {std::string(), std::string(", "), std::string(" | ")}) {
      for (size_t at = term.find(lead + word); at != std::string::npos;
           at = term.find(lead + word, at + 1)) {
        if (lead.empty() && at != 0) continue;
        const size_t end = at + lead.size() + word.size();
        if (end == term.size() || std::string("= ,").find(term[end]) != std::string::npos)
          return true;
      }
    }
  }
  return false;
}

}  // namespace

TEST_F(FrontRun, ManPage_FormatsCleanlyAndNamesKeywordsAndExitStatuses) {
  const std::string page = std::string(LODRUN_SOURCE_DIR) + "/man/lodrun.1";
  const RunResult r = runProgram("/usr/bin/groff", {"-man", "-Tutf8", "-ww", "-P-cbou", page});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  for (const char *word : {"EXIT STATUS", "reasons=", "db_errors=reject", "progress",
                           "warn_exit", "--help", "--version", "skip="})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  EXPECT_NE(readFile(page).find("\"lodrun " LODRUN_VERSION "\""), std::string::npos);
  for (const char *section : {"CSV MODE", "SIGNALS", "records committed"})
    EXPECT_NE(r.out.find(section), std::string::npos) << section;
  // Every switch and keyword of README's tables has its own entry.
  const std::vector<std::string> words = readmeTableWords();
  EXPECT_GT(words.size(), 50u);
  for (const std::string &word : words) EXPECT_TRUE(hasEntry(r.out, word)) << word;
}

TEST_F(FrontRun, ManPage_InstallPutsProgramAndPageUnderThePrefix) {
  const std::string binary = lodrunBinary();
  const std::string buildDir = binary.substr(0, binary.rfind('/'));
  const RunResult r =
      runProgram("/usr/bin/cmake", {"--install", buildDir, "--prefix", dir.file("usr")});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(readFile(dir.file("usr/bin/lodrun")), readFile(binary));
  EXPECT_EQ(readFile(dir.file("usr/share/man/man1/lodrun.1")),
            readFile(std::string(LODRUN_SOURCE_DIR) + "/man/lodrun.1"));
  EXPECT_EQ(runProgram(dir.file("usr/bin/lodrun"), {"--version"}).out,
            "lodrun " LODRUN_VERSION "\n");
}
