// datainput.cpp - see datainput.h.
//
//   beginStreamingInput: fstat --not regular, no terminal--> streamed
//                        read up to 3 bytes --no BOM--> prefix
//   readDataBytes: prefix first, then one read(2) (EINTR: stop or retry)
//   dataInputWouldBlock: poll(fd, 0)
#include "job/datainput.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "job/interrupt.h"
#include "job/settings.h"

namespace {

struct StreamedInput {
  FILE *stream = nullptr;  // the streamed data file; nullptr: none
  int fd = -1;
  unsigned char prefix[3] = {};  // leading bytes read for the byte order mark
  size_t prefixBegin = 0, prefixEnd = 0;
  bool failed = false;
};

StreamedInput streamed;

bool isStreamed(FILE *stream) { return stream != nullptr && stream == streamed.stream; }

// One read, retried when a signal that asks for no stop interrupts it.
ssize_t readOnce(int fd, char *buffer, size_t room) {
  for (;;) {
    const ssize_t got = read(fd, buffer, room);
    if (got >= 0 || errno != EINTR) return got;
    stopIfRequested();
  }
}

}  // namespace

bool beginStreamingInput(FILE *stream) {
  const int fd = fileno(stream);
  struct stat status;
  if (fd < 0 || fstat(fd, &status) != 0 || S_ISREG(status.st_mode) || isatty(fd) != 0)
    return false;
  std::setvbuf(stream, nullptr, _IONBF, 0);
  streamed = StreamedInput{};
  streamed.stream = stream;
  streamed.fd = fd;
  size_t got = 0;
  while (got < sizeof streamed.prefix) {
    const ssize_t n = readOnce(fd, reinterpret_cast<char *>(streamed.prefix) + got,
                               sizeof streamed.prefix - got);
    if (n < 0) {
      streamed.failed = true;  // reported at the first record's read
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  const bool mark = got == sizeof streamed.prefix &&
                    std::memcmp(streamed.prefix, byteOrderMark, sizeof streamed.prefix) == 0;
  streamed.prefixEnd = mark ? 0 : got;
  return true;
}

size_t readDataBytes(FILE *stream, char *buffer, size_t room) {
  if (!isStreamed(stream)) return std::fread(buffer, 1, room, stream);
  if (room == 0) return 0;
  if (streamed.prefixBegin < streamed.prefixEnd) {
    size_t take = streamed.prefixEnd - streamed.prefixBegin;
    if (take > room) take = room;
    std::memcpy(buffer, streamed.prefix + streamed.prefixBegin, take);
    streamed.prefixBegin += take;
    return take;
  }
  const ssize_t got = readOnce(streamed.fd, buffer, room);
  if (got < 0) {
    streamed.failed = true;
    return 0;
  }
  return static_cast<size_t>(got);
}

size_t readDataExactly(FILE *stream, char *buffer, size_t wanted) {
  if (!isStreamed(stream)) return std::fread(buffer, 1, wanted, stream);
  size_t have = 0;
  while (have < wanted) {
    const size_t got = readDataBytes(stream, buffer + have, wanted - have);
    if (got == 0) break;
    have += got;
  }
  return have;
}

bool dataReadFailed(FILE *stream) {
  return isStreamed(stream) ? streamed.failed : std::ferror(stream) != 0;
}

bool dataInputStreamed(FILE *stream) { return isStreamed(stream); }

bool dataInputWouldBlock(FILE *stream) {
  if (!isStreamed(stream) || streamed.prefixBegin < streamed.prefixEnd) return false;
  struct pollfd ready = {streamed.fd, POLLIN, 0};
  return poll(&ready, 1, 0) == 0;
}
