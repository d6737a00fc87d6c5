// extras.cpp - memory and list helpers (see extras.h).
#include "dblib/extras.h"

#include <cstdlib>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"

long allocationSize(long size) {
  const long unit = size < 1024 ? 128 : 256;
  long rounded = ((size + unit - 1) / unit) * unit;
  if (rounded < unit) rounded = unit;
  // A heap header of 8 bytes makes each block fill whole units.
  return rounded > size + 8 ? rounded - 8 : rounded + unit - 8;
}

void *allocZeroed(long size, const char *label) {
  const long bytes = allocationSize(size);
  void *block = std::calloc(1, static_cast<size_t>(bytes));
  if (block == nullptr) {
    FILE *out = dbMessages();
    printMessage(out, "Err at %s line %d\r\n", "extras", __LINE__);
    printMessage(out, "No memory for %s of size: %d\r\n", label,
                 static_cast<int>(bytes));
    PanicExitDb();
    std::abort();
  }
  return block;
}

void growList(int count, int *capacity, void **list, int elementSize) {
  if (*list != nullptr && count < *capacity) return;
  if (*list == nullptr) {
    *list = allocZeroed(static_cast<long>(*capacity) * elementSize, "handle list");
    return;
  }
  const long oldBytes = static_cast<long>(*capacity) * elementSize;
  const long newBytes = oldBytes * 2;
  void *grown = std::realloc(*list, static_cast<size_t>(newBytes));
  if (grown == nullptr) {
    FILE *out = dbMessages();
    printMessage(out, "Err at %s line %d\r\n", "extras", __LINE__);
    printMessage(out, "No memory for list of size: %d, elt-size: %d\r\n",
                 static_cast<int>(newBytes), elementSize);
    PanicExitDb();
    std::abort();
  }
  std::memset(static_cast<char *>(grown) + oldBytes, 0,
              static_cast<size_t>(newBytes - oldBytes));
  *list = grown;
  *capacity *= 2;
}
