// fuzz_csv.cpp - the CSV record reader, and its round trip: every record it
// splits, written again with each field quoted (quotes doubled), reads back
// as the very same fields.
//
//   input --readCsvRecord--> fields --quoted, one line each--> readCsvRecord
//     --> the same fields, record by record
//
// Input: separator byte, settings byte (quote character, Excel heading,
// skipped records, expected field count, row limit), then the data.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "csv/csvmode.h"
#include "csv/csvreader.h"
#include "harness.h"
#include "job/settings.h"

namespace {

using Record = std::vector<std::string>;

// A check that failed: the fuzzer keeps the input.
void expect(bool holds, const char *what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_csv: %s\n", what);
  std::abort();
}

// Reads every record of `bytes` with the settings in `job`; broken records
// (an unclosed quote) are counted but give no fields.
std::vector<Record> readAll(std::string bytes, int *broken) {
  std::vector<Record> records;
  job.dataStream = fmemopen(bytes.data(), bytes.size(), "r");
  if (job.dataStream == nullptr) return records;
  guarded([&] {
    for (int n = 0; n < 10000; ++n) {
      const int length = readCsvRecord();
      if (length == 0) break;
      const CsvState &state = *job.csv;
      int rawLength = 0;
      const char *raw = csvRecordText(&rawLength);
      const size_t shown =
          std::min(static_cast<size_t>(rawLength), static_cast<size_t>(kBufferSize - 1));
      expect(length == (shown > 0 ? static_cast<int>(shown) : 1), "length returned");
      expect(std::memcmp(job.inputBuffer, raw, shown) == 0 && job.inputBuffer[shown] == '\0',
             "record copy in the input buffer");
      if (state.brokenRecord) {
        ++*broken;
        continue;
      }
      Record record;
      for (const CsvField &field : state.fields) {
        expect(field.offset + static_cast<size_t>(field.length) < state.values.size() &&
                   state.values[field.offset + static_cast<size_t>(field.length)] == '\0',
               "field value ends with a NUL");
        record.emplace_back(state.values.data() + field.offset, static_cast<size_t>(field.length));
      }
      records.push_back(record);
    }
  });
  std::fclose(job.dataStream);
  job.dataStream = nullptr;
  return records;
}

std::string quotedLine(const Record &record, char separator, char quote) {
  std::string line;
  for (size_t i = 0; i < record.size(); ++i) {
    if (i > 0) line += separator;
    line += quote;
    for (const char c : record[i]) {
      if (c == quote) line += quote;
      line += c;
    }
    line += quote;
  }
  return line + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  freshJob();
  const uint8_t settings = data[1];
  const char quote = (settings & 1) != 0 ? '\'' : '"';
  // The separator as delimiter= can set it: any byte but NUL (fixed-size
  // records), the line feed and the quote.
  char separator = static_cast<char>(data[0]);
  if (separator == '\0' || separator == '\n' || separator == quote) separator = ',';
  const int expectedFields = (settings >> 1) & 3;
  const std::string bytes(reinterpret_cast<const char *>(data + 2), size - 2);

  job.direction = 'i';
  job.separator = separator;
  job.quoteChar = quote;
  enableCsvMode();
  job.csv->expectedFields = expectedFields;  // 2 and 3 pass over empty lines
  job.excelFormat = (settings >> 3) & 1;
  job.skipCount = (settings >> 4) & 1;
  job.maxRows = (settings & 0x20) != 0 ? 3 : -1;
  int broken = 0;
  const std::vector<Record> records = readAll(bytes, &broken);

  // Again, from the records written fully quoted: no heading, nothing
  // skipped, no limit; and no empty line, since every record has a field.
  std::string written;
  for (const Record &record : records) written += quotedLine(record, separator, quote);
  delete job.csv;
  job.csv = nullptr;
  job.excelFormat = 0;
  job.skipCount = 0;
  job.maxRows = -1;
  enableCsvMode();
  job.csv->expectedFields = expectedFields;
  int brokenAgain = 0;
  const std::vector<Record> again = readAll(written, &brokenAgain);
  expect(brokenAgain == 0, "a fully quoted record is broken");
  expect(again == records, "fully quoted records read back differently");
  return 0;
}
