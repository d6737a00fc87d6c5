// fuzz_commands.cpp - the command stream: options lines, SQL text with its
// brace annotations and their completion, and the data after STARTDATA
// through the record reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "harness.h"
#include "job/commandfile.h"
#include "job/settings.h"
#include "load/reader.h"

namespace {

// The command file the input is written to, made once per process.
const char *commandPath() {
  static std::string path;
  if (path.empty()) {
    char pattern[] = "/tmp/lodrun-fuzz-commands-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    path = pattern;
    std::atexit([] { unlink(path.c_str()); });
  }
  return path.c_str();
}

// No validation ran: keep the reader within the buffers it was built for.
bool readable() { return job.recordLength >= 0 && job.recordLength < kBufferSize; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  freshJob();
  const std::string text =
      withoutFileKeywords(std::string(reinterpret_cast<const char *>(data), size));
  FILE *file = std::fopen(commandPath(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  job.commandFileName = commandPath();
  guarded([] {
    readCommandFile();
    if (job.dataStream == nullptr || !readable()) return;
    for (int records = 0; records < 10000 && readRecord() > 0; ++records) {
    }
  });
  return 0;
}
