// password.cpp - the password from the command line or a private file, and
// its wiping after the attach.
//
//   -p word ----copy--> job.password, argv word zeroed
//   -w / passwd_file=PATH --first line (mode checked)--> job.password
//   DBopen done --wipePassword--> job.password's bytes zeroed
#include "job/password.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "dblib/extras.h"
#include "job/messages.h"
#include "job/settings.h"

namespace {

// Only the first line counts; a password longer than this is no password.
constexpr size_t kPasswordFileLimit = 1024;

// Core dumps as they were before a password was held; restored by the wipe.
struct CoreDumps {
  bool held = false;
  int dumpable = 1;
  struct rlimit limit = {};
};
CoreDumps coreDumps;

// A core file of a process holding a password would hold the password.
void holdCoreDumps() {
  if (coreDumps.held) return;
  coreDumps.held = true;
  // A run that ends before its attach (a fatal error, a signal) wipes too.
  static bool wipeAtExit = false;
  if (!wipeAtExit) wipeAtExit = std::atexit(wipePassword) == 0;
  coreDumps.dumpable = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
  if (getrlimit(RLIMIT_CORE, &coreDumps.limit) == 0) {
    struct rlimit none = coreDumps.limit;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_CORE, &none);
  }
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void releaseCoreDumps() {
  if (!coreDumps.held) return;
  coreDumps.held = false;
  setrlimit(RLIMIT_CORE, &coreDumps.limit);
  if (coreDumps.dumpable > 0) prctl(PR_SET_DUMPABLE, coreDumps.dumpable, 0, 0, 0);
}

// The options line that carried the password, and the value the keyword
// scanner copied, outlive their use behind the NUL of shorter later texts:
// every copy past the live text of the buffer goes.
void wipeStaleCopies(char *buffer, const char *secret, size_t length) {
  if (buffer == nullptr) return;
  const size_t size = kBufferSize;
  for (size_t at = strnlen(buffer, size) + 1; at + length <= size; ++at)
    if (std::memcmp(buffer + at, secret, length) == 0) wipeBytes(buffer + at, length);
}

void refuseFile(const char *path, const char *why) {
  LOCATED_MESSAGE("warning: password file <%s> %s - ignored%s", path, why, job.lineEnd);
}

}  // namespace

void wipeBytes(void *data, size_t size) {
  volatile unsigned char *bytes = static_cast<volatile unsigned char *>(data);
  for (size_t i = 0; i < size; ++i) bytes[i] = 0;
}

void setPassword(const char *text, size_t length) {
  if (job.password != nullptr)
    message(" Warning: %s already set to %s, setting again%s", "password", "********",
            job.lineEnd);
  // The password it replaces is no longer needed by anyone.
  if (job.ownedPassword != nullptr) wipeBytes(job.ownedPassword, std::strlen(job.ownedPassword));
  holdCoreDumps();
  char *copy = static_cast<char *>(allocZeroed(static_cast<long>(length) + 1, "password"));
  std::memcpy(copy, text, length);
  job.password = copy;
  job.ownedPassword = copy;
}

void takePasswordArgument(char *word) {
  const size_t length = std::strlen(word);
  setPassword(word, length);
  wipeBytes(word, length);
}

void readPasswordFile(const char *path) {
  // Without blocking: a FIFO must not hold the run before it has begun.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    refuseFile(path, std::strerror(errno));
    return;
  }
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    refuseFile(path, "is no regular file");
    return;
  }
  if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    close(fd);
    refuseFile(path, "is readable by group or others");
    return;
  }
  // Whoever may write it may put a password of their choosing there.
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    close(fd);
    refuseFile(path, "is writable by group or others");
    return;
  }
  char text[kPasswordFileLimit];
  const ssize_t got = read(fd, text, sizeof text);
  const int readError = errno;
  close(fd);
  if (got < 0) {
    refuseFile(path, std::strerror(readError));
    return;
  }
  size_t length = 0;
  while (length < static_cast<size_t>(got) && text[length] != '\n' && text[length] != '\r' &&
         text[length] != '\0')
    ++length;
  if (length == 0)
    refuseFile(path, "holds no password on its first line");
  else
    setPassword(text, length);
  wipeBytes(text, sizeof text);
}

void wipePassword() {
  if (job.ownedPassword != nullptr) {
    const size_t length = std::strlen(job.ownedPassword);
    if (length > 0) {
      wipeStaleCopies(job.inputBuffer, job.ownedPassword, length);
      wipeStaleCopies(job.fieldBuffer, job.ownedPassword, length);
    }
    wipeBytes(job.ownedPassword, length);
  }
  releaseCoreDumps();
}
