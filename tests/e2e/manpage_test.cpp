// The man page formats without a warning and covers what a run can be told;
// make install puts the program and the man page under the prefix.
#include <string>

#include "front_fixture.h"

TEST_F(FrontRun, ManPage_FormatsCleanlyAndNamesKeywordsAndExitStatuses) {
  const std::string page = std::string(LODRUN_SOURCE_DIR) + "/man/lodrun.1";
  const RunResult r = runProgram("/usr/bin/groff", {"-man", "-Tutf8", "-ww", "-P-cbou", page});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  for (const char *word : {"EXIT STATUS", "reasons=", "db_errors=reject", "progress",
                           "warn_exit", "--help", "--version", "skip="})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  EXPECT_NE(readFile(page).find("\"lodrun " LODRUN_VERSION "\""), std::string::npos);
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
