// The trailing-blank cut of fetched texts, which reads eight bytes at a time,
// against a byte-by-byte scan: every length, every alignment, and bytes that
// share the blank's bit without being blanks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dblib/convert.h"

namespace {

int byteByByte(const char *data, int declared) {
  int length = declared;
  while (length > 0 && (data[length - 1] == ' ' || data[length - 1] == '\0')) --length;
  return length;
}

}  // namespace

TEST(TextTrim, TrailingBlanksAndNulsCutLikeAByteScan) {
  // Blanks and NULs, and bytes a bit away from them (0x21, 0x60, 0xA0, 0x01).
  static const char kBytes[] = {' ', '\0', ' ', '\0', 'a', '!', '`', '\xA0', '\x01', '0'};
  std::mt19937 random(5);
  char buffer[64 + 8];
  for (int round = 0; round < 20000; ++round) {
    const int offset = static_cast<int>(random() % 8);
    const int declared = static_cast<int>(random() % 65);
    const int tail = static_cast<int>(random() % (declared + 1));  // blanks and NULs only
    char *data = buffer + offset;
    for (int i = 0; i < declared; ++i)
      data[i] = i < declared - tail ? kBytes[random() % sizeof kBytes] : kBytes[random() % 2];
    ASSERT_EQ(trimmedTextLength(data, declared), byteByByte(data, declared))
        << "declared " << declared << " at offset " << offset << ": "
        << ::testing::PrintToString(std::string(data, static_cast<size_t>(declared)));
  }
}
