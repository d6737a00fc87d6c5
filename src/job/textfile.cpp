// textfile.cpp - see textfile.h.
#include "job/textfile.h"

#include <cstring>

#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

// Returns the `count` bytes of `bytes` to the stream, last first; false when
// the stream refuses one (nothing is then read from it again).
bool pushBack(FILE *stream, const unsigned char *bytes, size_t count) {
  for (size_t i = count; i > 0; --i)
    if (std::ungetc(bytes[i - 1], stream) == EOF) return false;
  return true;
}

}  // namespace

FILE *skipByteOrderMark(FILE *stream, const char *path, const char *mode) {
  // A local buffer: callers may be in the middle of a record in inputBuffer.
  unsigned char head[3] = {};
  const size_t got = std::fread(head, 1, sizeof head, stream);
  if (got == sizeof head && std::memcmp(head, byteOrderMark, sizeof head) == 0)
    return stream;
  std::clearerr(stream);
  if (std::fseek(stream, 0, SEEK_SET) == 0) return stream;
  // A pipe cannot be rewound, and opening it again would lose what the
  // stream has already buffered: hand the bytes back instead.
  if (pushBack(stream, head, got)) return stream;
  std::fclose(stream);
  FILE *reopened = std::fopen(path, mode);
  if (reopened == nullptr) {
    message("could not re-open a file we just opened - %s%s", path, job.lineEnd);
    abortRun();
  }
  return reopened;
}
