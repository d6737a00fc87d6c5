// Memory helpers: the allocation size rule and list growth.
#include <gtest/gtest.h>

#include <cstring>

#include "dblib/extras.h"

TEST(AllocZeroed, SizeRuleMatchesUnitsLessHeader) {
  const struct { long request, expected; } rows[] = {
      {8184, 8440}, {504, 632}, {100, 120}, {1023, 1144}, {1024, 1272},
      {0, 120},     {1, 120},   {119, 120}, {120, 248},   {128, 248},
  };
  for (const auto &row : rows)
    EXPECT_EQ(allocationSize(row.request), row.expected) << row.request;
}

TEST(AllocZeroed, BlockIsZeroFilledWithSpareByte) {
  auto *block = static_cast<unsigned char *>(allocZeroed(100, "test"));
  for (int i = 0; i < 120; ++i) ASSERT_EQ(block[i], 0) << i;
  std::free(block);
}

TEST(GrowList, DoublesAndZeroFillsNewPart) {
  int *list = nullptr;
  int capacity = 4, count = 0;
  for (int i = 0; i < 20; ++i) {
    growList(count, &capacity, reinterpret_cast<void **>(&list), sizeof(int));
    EXPECT_EQ(list[count], 0);
    list[count++] = i + 1;
  }
  EXPECT_EQ(capacity, 32);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(list[i], i + 1);
  std::free(list);
}
