// messagesink.cpp - messages written through to their stream, or held.
//
//   message()/dblib reports/rejects --printMessage/writeMessage(stream)-->
//       stream                           (standard output not held, or another stream)
//       held buffer (std::string)        (holding, stream == stdout)
//   held buffer [from, to) --releaseHeldOutput--> stdout; the rest is dropped
//
// The buffer is kept from one hold to the next, so a hold allocates nothing
// once it has grown to the largest output held.
#include "common/messagesink.h"

#include <string>

namespace {

bool held = false;
std::string heldBytes;

bool heldStream(FILE *stream) { return held && stream == stdout; }

}  // namespace

int printMessageList(FILE *stream, const char *format, va_list args) {
  if (!heldStream(stream)) return std::vfprintf(stream, format, args);
  char text[512];
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(text, sizeof text, format, args);
  if (length < 0) {
    va_end(again);
    return length;
  }
  if (static_cast<size_t>(length) < sizeof text) {
    heldBytes.append(text, static_cast<size_t>(length));
  } else {
    const size_t at = heldBytes.size();
    heldBytes.resize(at + static_cast<size_t>(length) + 1);
    std::vsnprintf(&heldBytes[at], static_cast<size_t>(length) + 1, format, again);
    heldBytes.resize(at + static_cast<size_t>(length));
  }
  va_end(again);
  return length;
}

int printMessage(FILE *stream, const char *format, ...) {
  va_list args;
  va_start(args, format);
  const int result = printMessageList(stream, format, args);
  va_end(args);
  return result;
}

size_t writeMessage(FILE *stream, const char *bytes, size_t length) {
  if (!heldStream(stream)) return std::fwrite(bytes, 1, length, stream);
  heldBytes.append(bytes, length);
  return length;
}

int flushMessages(FILE *stream) { return heldStream(stream) ? 0 : std::fflush(stream); }

void holdStandardOutput() {
  if (held) return;
  heldBytes.clear();
  held = true;
}

void stopHoldingStandardOutput() { held = false; }

bool standardOutputHeld() { return held; }

long heldOutputLength() { return static_cast<long>(heldBytes.size()); }

void releaseHeldOutput(long from, long to) {
  if (held || from < 0) return;
  const long size = static_cast<long>(heldBytes.size());
  if (to > size) to = size;
  if (to <= from) return;
  std::fwrite(heldBytes.data() + from, 1, static_cast<size_t>(to - from), stdout);
}
