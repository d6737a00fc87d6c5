// testsupport.h - helpers shared by the test layers: temp directories, files,
// running the built lodrun binary and isql-fb, fresh embedded databases.
#ifndef LODRUN_TESTS_TESTSUPPORT_H
#define LODRUN_TESTS_TESTSUPPORT_H

#include <string>
#include <vector>

// A fresh directory under /tmp, removed with everything in it at scope end
// (kept when LODRUN_KEEP_TEMP is set, for debugging).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string &name) const;

 private:
  std::string path_;
};

std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &content);
bool fileExists(const std::string &path);

struct RunResult {
  int exitCode = -1;   // exit status, or 128 + signal
  std::string out;     // standard output
  std::string err;     // standard error
};

// Runs `program` with `args` (argv[1..]), feeding `input` on standard input
// (then closed), in directory `cwd` (empty: current). `env` entries NAME=VALUE
// are added; ISC_USER and ISC_PASSWORD are removed unless given. The run is
// killed after timeoutSeconds. A sanitizer report on standard error fails the
// calling test.
RunResult runProgram(const std::string &program,
                     const std::vector<std::string> &args,
                     const std::string &input = "",
                     const std::vector<std::string> &env = {},
                     const std::string &cwd = "", int timeoutSeconds = 120);

// Runs the built lodrun binary.
RunResult runLodrun(const std::vector<std::string> &args,
                    const std::string &input = "",
                    const std::vector<std::string> &env = {},
                    const std::string &cwd = "");

// Path of the built lodrun binary.
std::string lodrunBinary();

// Replaces the line number of every "Lodrun <n>: " / "extras <n>: " location
// prefix by '#', so messages compare without source line numbers.
std::string withoutLineNumbers(const std::string &text);

// Creates an embedded database at `path` (user SYSDBA) and runs `ddl` (SQL
// statements each ended by ';') in it with isql-fb, then commits. Fails the
// test (ADD_FAILURE) and returns false when isql-fb reports an error.
// The database is a copy of a template made once per distinct `ddl` and
// kept in the build tree (tests/templates/), shared by every test process:
// copying a file takes milliseconds, creating a database most of a second.
bool createDatabase(const std::string &path, const std::string &ddl = "");

// True under CI=true: there a missing prerequisite (the Firebird server, the
// employee sample) is a fault of the machine's set-up, and the test that
// needs it fails instead of skipping.
bool ciRun();

// Runs `sql` (statements ended by ';') with isql-fb -q against `path` and
// returns its standard output; errors go to the returned text as well.
std::string isql(const std::string &path, const std::string &sql);

// Runs a single SELECT through isql-fb with list output trimmed: one line per
// row, values separated by '|', NULL shown as <null>.
std::vector<std::string> queryRows(const std::string &path,
                                   const std::string &select);

#endif  // LODRUN_TESTS_TESTSUPPORT_H
