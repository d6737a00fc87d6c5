// A long run of executions must not grow the process: every buffer dblib
// uses per execution is reused.
#include <unistd.h>

#include <cstdio>

#include "dblib_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

namespace {

long residentKilobytes() {
  long pages = 0, resident = 0;
  FILE *statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return -1;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
  std::fclose(statm);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

using DblibMemory = DblibTest;

TEST_F(DblibMemory, ExecutionsDoNotGrowTheProcess) {
  // The sanitizer build only walks the path; its allocator keeps freed memory.
  const int total = kSanitized ? 10000 : 100000;
  const int warmUp = total / 10;
  ASSERT_EQ(prepare(&query, "update items set name = ? where id = ?", 2, 0), kDbOk);
  long before = 0;
  for (int i = 1; i <= total; ++i) {
    setText(&query, 1, "name" + std::to_string(i % 1000));
    setLong(&query, 2, -i);  // matches no row: nothing grows in the database
    ASSERT_EQ(ExecuteQuery(&query, &tr), kDbOk) << capture.take();
    if (i % 5000 == 0) {
      ASSERT_EQ(RestartTransaction(&tr), kDbOk);
    }
    if (i == warmUp) before = residentKilobytes();
  }
  EXPECT_EQ(entryOf(&query)->executionCount, total);
  EXPECT_EQ(entryOf(&query)->rowCount, 0);
  const long after = residentKilobytes();
  std::printf("resident: %ld kB after %d executions, %ld kB after %d\n", before, warmUp, after,
              total);
  if (!kSanitized) {
    EXPECT_LT(after - before, 1024) << "resident size grew by " << after - before << " kB";
  }
}
