// fuzz_records.cpp - record extraction: delimited fields cut with quotes
// and escapes, and the record reader on fixed-size records and on lines.
//
// Input: mode byte, two setting bytes, then the record data.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "job/settings.h"
#include "load/params.h"
#include "load/reader.h"

namespace {

void cutFields(const std::string &text, char separator, char quote, int capacity) {
  std::vector<char> field(static_cast<size_t>(capacity));
  const char *cursor = text.c_str();
  for (int n = 0; *cursor != '\0' && n < 10000; ++n)
    extractDelimitedField(&cursor, field.data(), capacity, separator, quote);
}

void readAll(std::string bytes) {
  job.dataStream = fmemopen(bytes.data(), bytes.size(), "r");
  if (job.dataStream == nullptr) return;
  const auto ahead = std::make_unique<ReadAhead>();
  guarded([&ahead] {
    for (int records = 0; records < 100000 && readRecord(*ahead) > 0; ++records) {
    }
  });
  std::fclose(job.dataStream);
  job.dataStream = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  freshJob();
  const std::string rest(reinterpret_cast<const char *>(data + 3), size - 3);
  switch (data[0] % 3) {
    case 0: {
      const char separator = data[1] != 0 ? static_cast<char>(data[1]) : ',';
      cutFields(rest, separator, static_cast<char>(data[2]), 1 + data[2] % 64);
      break;
    }
    case 1:
      job.recordLength = static_cast<short>(2 + data[1]);
      job.skipCount = data[2] % 4;
      readAll(rest);
      break;
    default:
      job.separator = data[1] != 0 ? static_cast<char>(data[1]) : ',';
      job.excelFormat = data[2] & 1;
      job.skipCount = (data[2] >> 1) % 4;
      job.maxRows = (data[2] >> 3) % 8 - 1;
      readAll(rest);
      break;
  }
  return 0;
}
