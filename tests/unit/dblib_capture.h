// dblib_capture.h - test helper: points dblib at private run settings whose
// message stream is captured in memory.
#ifndef LODRUN_TESTS_DBLIB_CAPTURE_H
#define LODRUN_TESTS_DBLIB_CAPTURE_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dblib/dbfuncs.h"

class MessageCapture {
 public:
  explicit MessageCapture(int dumpLevel = 1) {
    settings.messageStream = stream_ = open_memstream(&buffer_, &size_);
    settings.statusDumpLevel = dumpLevel;
    DBuseRunSettings(&settings);
  }
  ~MessageCapture() {
    DBuseRunSettings(nullptr);
    std::fclose(stream_);
    std::free(buffer_);
  }
  MessageCapture(const MessageCapture &) = delete;
  MessageCapture &operator=(const MessageCapture &) = delete;

  // Everything written since the last take().
  std::string take() {
    std::fflush(stream_);
    std::string text(buffer_ + taken_, size_ - taken_);
    taken_ = size_;
    return text;
  }

  DblibRunSettings settings;

 private:
  FILE *stream_ = nullptr;
  char *buffer_ = nullptr;
  size_t size_ = 0, taken_ = 0;
};

#endif  // LODRUN_TESTS_DBLIB_CAPTURE_H
