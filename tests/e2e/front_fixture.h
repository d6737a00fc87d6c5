// front_fixture.h - runs of the built lodrun binary in a temp directory,
// with the location prefixes' line numbers replaced by '#'.
#ifndef LODRUN_TESTS_E2E_FRONT_FIXTURE_H
#define LODRUN_TESTS_E2E_FRONT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport.h"

class FrontRun : public ::testing::Test {
 protected:
  void run(const std::vector<std::string> &args, const std::string &input = "") {
    RunResult r = runLodrun(args, input, {}, dir.path());
    out = withoutLineNumbers(r.out);
    exitCode = r.exitCode;
  }
  // Writes a command file into the temp directory; returns its name.
  std::string commands(const std::string &text) {
    writeFile(dir.file("run.cmd"), text);
    return "run.cmd";
  }
  TempDir dir;
  std::string out;
  int exitCode = -1;
};

inline const char kAbort[] = "Lodrun aborting due to fatal error(s), current record count: 0\r\n";
// Where a complete command file stops until layout validation exists.
inline const char kLayoutStop[] = "Lodrun #: layout validation is not built yet\r\n";

#endif  // LODRUN_TESTS_E2E_FRONT_FIXTURE_H
