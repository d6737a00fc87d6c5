// fuzz_dates.cpp - dates in and out: scanDate on texts and binary forms of
// every format, and formatDate on what it read and on raw time records.
//
// Input: format byte, settings byte (century split, separator), then the
// source bytes (a text ends at its first NUL).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "dblib/dbfuncs.h"
#include "harness.h"
#include "job/settings.h"
#include "dblib/convert.h"

namespace {

// The nine ints of format 18 from the source bytes.
struct tm rawTime(const char *bytes) {
  int32_t fields[9];
  std::memcpy(fields, bytes, sizeof fields);
  struct tm t = {};
  t.tm_sec = fields[0];
  t.tm_min = fields[1];
  t.tm_hour = fields[2];
  t.tm_mday = fields[3];
  t.tm_mon = fields[4];
  t.tm_year = fields[5];
  t.tm_wday = fields[6];
  t.tm_yday = fields[7];
  t.tm_isdst = fields[8];
  return t;
}

void formatEvery(const struct tm &t) {
  for (int format = 11; format <= 22; ++format) {
    alignas(8) char out[64];
    formatDate(format, &t, out);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  freshJob();
  const int format = 10 + data[0] % 13;
  job.centurySplit = static_cast<short>(data[1] % 100);
  job.dateSeparator = (data[1] & 0x80) != 0 ? '-' : '/';
  alignas(8) char source[64] = {};
  std::memcpy(source, data + 2, std::min(size - 2, sizeof source - 1));

  struct tm scanned = {};
  if (scanDate(source, &scanned, format) == 0) formatEvery(scanned);
  formatEvery(rawTime(source));
  return 0;
}
