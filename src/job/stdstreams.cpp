// stdstreams.cpp - `file=-`: records on standard input/output, messages on
// standard error.
//
//   divertMessagesFromStandardOutput: dup(1) --> records descriptor
//                                     dup2(2, 1) --> messages on stderr,
//                                     those stdout still buffers included
//   openStandardDataStream: load --> stdin; unload --> fdopen(records)
#include "job/stdstreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {
int recordsDescriptor = -1;
}

bool dataOnStandardStreams(const char *dataFileName) {
  return dataFileName != nullptr && std::strcmp(dataFileName, "-") == 0;
}

void divertMessagesFromStandardOutput() {
  if (recordsDescriptor >= 0) return;
  recordsDescriptor = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (recordsDescriptor < 0) return;  // opening the records stream reports it
  // What stdout still buffers (a verbose run's first dump) is a message too:
  // flushed after the switch, it goes to standard error.
  dup2(STDERR_FILENO, STDOUT_FILENO);
  std::fflush(stdout);
}

FILE *openStandardDataStream(bool load, bool commandsOnStandardInput) {
  if (load) return commandsOnStandardInput ? nullptr : stdin;
  if (recordsDescriptor < 0) return nullptr;
  return fdopen(recordsDescriptor, "w");
}

int standardRecordsDescriptor() { return recordsDescriptor; }
