// harness.cpp - see harness.h.
#include "harness.h"

#include <cstdio>
#include <cstdlib>

#include "csv/csvmode.h"
#include "dblib/dbfuncs.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

[[noreturn]] void throwExit(int status) { throw HarnessExit{status}; }

void closeStream(FILE **stream) {
  if (*stream != nullptr && *stream != stdin && *stream != stdout) std::fclose(*stream);
  *stream = nullptr;
}

char lowered(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

void freshJob() {
  static bool ready = false;
  if (!ready) {
    ready = true;
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    processExitHook = throwExit;
  } else {
    // Every block was taken with allocZeroed (calloc); completion may have
    // replaced sqlText by a block of its own.
    std::free(job.inputBuffer);
    std::free(job.fieldBuffer);
    std::free(job.parseBuffer);
    std::free(job.sqlText);
    std::free(job.fieldTable);
    std::free(job.blobWorkArea);
    // CSV mode's state holds the read window (64 KiB and more) and the
    // value buffers: kept from one input to the next they add up.
    delete job.csv;
    closeStream(&job.dataStream);
    closeStream(&job.discardStream);
    closeStream(&job.reasonsStream);
  }
  resetJobSettings();
  DBuseRunSettings(&job);
  job.messageStream = stdout;
  allocateJobBuffers();
}

std::string withoutFileKeywords(std::string text) {
  static const char *const kKeywords[] = {"logfile", "discards", "reasons", "passwd_file"};
  for (const char *keyword : kKeywords) {
    const std::string word(keyword);
    for (size_t at = 0; at + word.size() <= text.size(); ++at) {
      size_t i = 0;
      while (i < word.size() && lowered(text[at + i]) == word[i]) ++i;
      if (i == word.size()) text[at] = 'Z';
    }
  }
  return text;
}
