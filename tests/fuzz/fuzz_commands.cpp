// fuzz_commands.cpp - the command stream: options lines, SQL text with its
// brace annotations and their completion, and the data after STARTDATA
// through the record reader.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "driver/commandfile.h"
#include "format/formats.h"
#include "harness.h"
#include "job/settings.h"
#include "load/reader.h"

namespace {

// The command file: a memory file made once per process, rewritten for
// every input (a file on disk is flushed at every rewrite, which slows the
// fuzzing down a hundredfold). readCommandFile opens it by its /proc name.
int commandFile() {
  static const int fd = memfd_create("lodrun-fuzz-commands", 0);
  if (fd < 0) std::abort();
  return fd;
}

const char *commandPath() {
  static std::string path = "/proc/self/fd/" + std::to_string(commandFile());
  return path.c_str();
}

// No validation ran: keep the reader within the buffers it was built for.
bool readable() { return job.recordLength >= 0 && job.recordLength < kBufferSize; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  freshJob();
  const std::string text =
      withoutFileKeywords(std::string(reinterpret_cast<const char *>(data), size));
  if (ftruncate(commandFile(), 0) != 0 ||
      pwrite(commandFile(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
    std::abort();
  job.commandFileName = commandPath();
  guarded([] {
    readCommandFile();
    if (job.dataStream == nullptr || !readable()) return;
    const RecordFormat &format = chooseRecordFormat();
    const auto ahead = std::make_unique<ReadAhead>();
    for (int records = 0; records < 10000 && format.read(*ahead) > 0; ++records) {
    }
  });
  return 0;
}
