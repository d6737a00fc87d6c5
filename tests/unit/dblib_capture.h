// dblib_capture.h - test helper: points dblib's run settings at a private
// record whose message stream is captured in memory.
#ifndef LODRUN_TESTS_DBLIB_CAPTURE_H
#define LODRUN_TESTS_DBLIB_CAPTURE_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dblib/dbfuncs.h"

class MessageCapture {
 public:
  explicit MessageCapture(int dumpLevel = 1) {
    stream_ = open_memstream(&buffer_, &size_);
    settings_.messageStream = stream_;
    settings_.statusDumpLevel = dumpLevel;
    DBuseRunSettings(&settings_);
  }
  ~MessageCapture() {
    DBuseRunSettings(nullptr);
    std::fclose(stream_);
    std::free(buffer_);
  }
  MessageCapture(const MessageCapture &) = delete;
  MessageCapture &operator=(const MessageCapture &) = delete;

  DblibRunSettings &settings() { return settings_; }

  // Everything written since the last take().
  std::string take() {
    std::fflush(stream_);
    std::string text(buffer_ + taken_, size_ - taken_);
    taken_ = size_;
    return text;
  }

 private:
  DblibRunSettings settings_;
  FILE *stream_ = nullptr;
  char *buffer_ = nullptr;
  size_t size_ = 0;
  size_t taken_ = 0;
};

#endif  // LODRUN_TESTS_DBLIB_CAPTURE_H
