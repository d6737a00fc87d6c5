// job_fixture.h - a fresh JobSettings with its buffers for each unit test of
// the job and layout modules, and capture of what they print.
#ifndef LODRUN_TESTS_UNIT_JOB_FIXTURE_H
#define LODRUN_TESTS_UNIT_JOB_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/options.h"
#include "job/settings.h"
#include "layout/fieldtable.h"
#include "testsupport.h"

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetJobSettings();
    allocateJobBuffers();
    job.messageStream = stdout;
    job.lineEnd = kLineEndUnix;  // readable expectations; the e2e tests pin "\r\n"
  }
  static void setLine(const std::string &text) {
    std::snprintf(job.inputBuffer, kBufferSize, "%s", text.c_str());
  }
  // What `action` prints, location line numbers as '#'.
  template <typename Action>
  static std::string printed(Action action) {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return withoutLineNumbers(::testing::internal::GetCapturedStdout());
  }
  // A field table of `count` free entries.
  static void makeFieldTable(short count) {
    job.sqlVariableCount = count;
    job.extraFieldCount = 0;
    job.fieldCount = 0;
    ensureFieldTable();
  }
};

#endif  // LODRUN_TESTS_UNIT_JOB_FIXTURE_H
