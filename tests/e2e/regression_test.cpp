// The regression table: command files of every kind run with the built
// binary, each compared byte for byte with what an earlier build printed and
// wrote. It holds the promise that a command file using no new keyword,
// switch or brace word keeps its standard output, its files and its exit
// status.
//
// One folder per case under tests/e2e/regression/:
//   run.cmd, other files  copied into a fresh temp directory (the run's cwd);
//                         "@DB@" in a .cmd, args or stdin file becomes the
//                         case's database, "@DIR@" the temp directory
//   args                  optional, one argument per line (default: -x run.cmd)
//   stdin                 optional, fed on standard input
//   setup.sql             optional statements run after the shared schema.sql
//                         (the database is only made when "@DB@" is used)
//   check.sql             optional SELECT whose rows are compared afterwards
//   expected/status       the exit status
//   expected/stdout       standard output
//   expected/rows         the rows of check.sql, one a line
//   expected/files/NAME   every file the run created or changed
// Line numbers in "Lodrun <n>: " prefixes become '#' and the temp directory
// becomes "@DIR@" (the binary's path "lodrun") before comparing, in standard
// output and in files.
//
// A new case is a new folder; the next build relinks e2e_tests so that
// ctest lists it. The expectations are written only on purpose, from the
// binary under test:
//   LODRUN_REGEN=1 build/tests/e2e_tests --gtest_filter='Table/Regression.*'
// then read the diff of expected/ before committing it.
#include <dirent.h>
#include <ibase.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

const std::string kTableDir = std::string(LODRUN_SOURCE_DIR) + "/tests/e2e/regression";

// Files of a case folder that describe the run rather than feed it.
bool isCaseControlFile(const std::string &name) {
  return name == "args" || name == "stdin" || name == "setup.sql" || name == "check.sql" ||
         name == "expected";
}

bool isDirectory(const std::string &path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Sorted names of the entries of `path` (files or folders), without . and ..
std::vector<std::string> entriesOf(const std::string &path) {
  std::vector<std::string> names;
  DIR *dir = ::opendir(path.c_str());
  if (dir == nullptr) return names;
  while (const dirent *entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const std::string &name : entriesOf(kTableDir))
    if (isDirectory(kTableDir + "/" + name)) names.push_back(name);
  return names;
}

std::string replaceEvery(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> linesOf(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every regular file of the run directory and its bytes.
std::map<std::string, std::string> filesIn(const std::string &dir) {
  std::map<std::string, std::string> files;
  for (const std::string &name : entriesOf(dir))
    if (!isDirectory(dir + "/" + name)) files[name] = readFile(dir + "/" + name);
  return files;
}

// Creates the database at `path` and runs `sql` in it, one statement per ';'
// (the table's scripts keep ';' out of their literals). Done in this process
// rather than through isql-fb: the engine then starts once for the creation
// and the row check. Returns the first failure's text, empty on success.
std::string makeDatabase(const std::string &path, const std::string &sql) {
  ISC_STATUS_ARRAY status;
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  auto failure = [&](const std::string &what) {
    char text[512];
    const ISC_STATUS *vector = status;
    std::string message = what;
    while (fb_interpret(text, sizeof text, &vector) > 0) message += std::string(": ") + text;
    return message;
  };
  // Forced writes off: every page write would otherwise wait for the disk,
  // and nothing here needs the data to outlive a crash.
  const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                      isc_dpb_password, 9, 'm', 'a', 's', 't', 'e', 'r', 'k', 'e', 'y',
                      isc_dpb_sql_dialect, 1, 3, isc_dpb_force_write, 1, 0};
  if (isc_create_database(status, 0, path.c_str(), &db, sizeof dpb, dpb, 0))
    return failure("create");
  std::string error;
  std::istringstream statements(sql);
  for (std::string statement; error.empty() && std::getline(statements, statement, ';');) {
    if (statement.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    if (tr == 0 && isc_start_transaction(status, &tr, 1, &db, 0, nullptr)) {
      error = failure("start");
    } else if (isc_dsql_execute_immediate(status, &db, &tr, 0, statement.c_str(), 3, nullptr)) {
      error = failure(statement);
    } else if (isc_commit_transaction(status, &tr)) {
      error = failure("commit");
    }
  }
  if (tr != 0) isc_rollback_transaction(status, &tr);
  isc_detach_database(status, &db);
  return error;
}

class Regression : public ::testing::TestWithParam<std::string> {
 protected:
  std::string source(const std::string &name) const {
    return kTableDir + "/" + GetParam() + "/" + name;
  }
  std::string expectedPath(const std::string &name) const { return source("expected/" + name); }
  // Puts the case's database and directory into a text of the case.
  std::string placed(const std::string &text) const {
    return replaceEvery(replaceEvery(text, "@DB@", db_), "@DIR@", dir_.path());
  }
  // What the comparison sees of a text the run produced.
  std::string masked(const std::string &text) const {
    return replaceEvery(replaceEvery(withoutLineNumbers(text), lodrunBinary(), "lodrun"), dir_.path(),
                      "@DIR@");
  }
  static bool usesDatabase(const std::string &text) { return text.find("@DB@") != std::string::npos; }

  // Copies the case's files into the temp directory and makes its database.
  void prepare() {
    bool needsDatabase = false;
    for (const std::string &name : entriesOf(kTableDir + "/" + GetParam())) {
      if (name == "expected" || name == "setup.sql" || name == "check.sql") continue;
      const std::string text = readFile(source(name));
      needsDatabase = needsDatabase || usesDatabase(text);
      const bool commands = name.size() > 4 && name.compare(name.size() - 4, 4, ".cmd") == 0;
      if (!isCaseControlFile(name)) writeFile(dir_.file(name), commands ? placed(text) : text);
    }
    if (!needsDatabase) return;
    const std::string setup =
        fileExists(source("setup.sql")) ? readFile(source("setup.sql")) : std::string();
    ASSERT_EQ(makeDatabase(db_, readFile(kTableDir + "/schema.sql") + setup), "");
  }

  // Runs the case; returns what it produced, named as under expected/.
  std::map<std::string, std::string> runCase() const {
    std::vector<std::string> args = {"-x", "run.cmd"};
    if (fileExists(source("args"))) args = linesOf(placed(readFile(source("args"))));
    const std::string input =
        fileExists(source("stdin")) ? placed(readFile(source("stdin"))) : "";
    const std::map<std::string, std::string> before = filesIn(dir_.path());
    const RunResult run = runLodrun(args, input, {}, dir_.path());

    std::map<std::string, std::string> actual;
    actual["status"] = std::to_string(run.exitCode) + "\n";
    actual["stdout"] = masked(run.out);
    if (fileExists(source("check.sql"))) {
      std::string rows;
      for (const std::string &row : queryRows(db_, readFile(source("check.sql"))))
        rows += row + "\n";
      actual["rows"] = rows;
    }
    for (const auto &[name, bytes] : filesIn(dir_.path())) {
      const auto was = before.find(name);
      if (name != "case.fdb" && (was == before.end() || was->second != bytes))
        actual["files/" + name] = masked(bytes);
    }
    return actual;
  }

  // Replaces the case's expected/ folder by what the run produced.
  void regenerate(const std::map<std::string, std::string> &actual) const {
    const std::string expected = source("expected");
    const std::string remake = "rm -rf '" + expected + "' && mkdir -p '" + expected + "/files'";
    ASSERT_EQ(std::system(remake.c_str()), 0) << remake;
    for (const auto &[name, bytes] : actual) writeFile(expectedPath(name), bytes);
  }

  TempDir dir_;
  const std::string db_ = dir_.file("case.fdb");
};

TEST_P(Regression, OutputFilesAndStatusAreUnchanged) {
  ASSERT_NO_FATAL_FAILURE(prepare());
  const std::map<std::string, std::string> actual = runCase();
  if (std::getenv("LODRUN_REGEN") != nullptr) {
    regenerate(actual);
    return;
  }
  ASSERT_TRUE(fileExists(expectedPath("status")))
      << "no expectations yet: run once with LODRUN_REGEN=1 and read them";
  std::vector<std::string> expectedNames = {"status", "stdout"};
  if (fileExists(expectedPath("rows"))) expectedNames.push_back("rows");
  for (const std::string &name : entriesOf(expectedPath("files")))
    expectedNames.push_back("files/" + name);
  for (const std::string &name : expectedNames) {
    const auto got = actual.find(name);
    EXPECT_TRUE(got != actual.end()) << name << " was expected but not produced";
    if (got != actual.end()) {
      EXPECT_EQ(got->second, readFile(expectedPath(name))) << name;
    }
  }
  for (const auto &[name, bytes] : actual)
    EXPECT_TRUE(std::find(expectedNames.begin(), expectedNames.end(), name) != expectedNames.end())
        << name << " was produced but not expected:\n" << bytes;
}

INSTANTIATE_TEST_SUITE_P(Table, Regression, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(),
                                           [](char c) { return !std::isalnum(
                                                            static_cast<unsigned char>(c)); },
                                           '_');
                           return name;
                         });

}  // namespace
