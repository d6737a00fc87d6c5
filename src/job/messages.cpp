// messages.cpp - message lines, the location prefix and the log file.
//
//   message()/messageAt() --printMessage--> stdout --(openLogFile: freopen "a+")--> log file
//   dblib                 --printMessage--> job.messageStream (the same stdout)
//   (while a batch holds standard output, both go to the held buffer:
//   common/messagesink.h)
#include "job/messages.h"

#include <cstdarg>
#include <cstdio>

#include "common/messagesink.h"
#include "job/fileclash.h"
#include "job/settings.h"

void printLocation(const char *module, int line) {
  printMessage(stdout, "%s %d: ", module, line);
}

void message(const char *format, ...) {
  if (job.beforeMessage != nullptr) job.beforeMessage();
  va_list args;
  va_start(args, format);
  printMessageList(stdout, format, args);
  va_end(args);
}

void messageAt(int line, const char *format, ...) {
  if (job.beforeMessage != nullptr) job.beforeMessage();
  printLocation(kModuleName, line);
  va_list args;
  va_start(args, format);
  printMessageList(stdout, format, args);
  va_end(args);
}

void openLogFile(const char *path, const char *keyword) {
  job.fileNaming.logKeyword = keyword;
  checkLogClashes(path);
  // Probe with the very mode of the reopen: a file we may append to but not
  // read would otherwise pass the probe and then lose standard output.
  FILE *probe = std::fopen(path, "a+");
  if (probe == nullptr) {
    message(" could not open logfile - %s, ignored%s", path, job.lineEnd);
    return;
  }
  std::fclose(probe);

  const bool hadLog = job.logStream != nullptr;
  std::fflush(stdout);
  noteLogOpening(path);
  if (std::freopen(path, "a+", stderr) == nullptr) {
    // Standard error is gone; standard output still carries every message.
  }
  FILE *out = std::freopen(path, "a+", stdout);
  if (hadLog) message(" reassigning logfile to %s%s", path, job.lineEnd);
  if (out != nullptr) {
    job.logStream = out;
    job.messageStream = out;
  } else {
    // The reopen closed the old stream; never close it a second time.
    job.logStream = nullptr;
  }
  if (job.logFileName != path) job.logFileName = path;
}
