// fuzz_fieldspec.cpp - field specifications (the text of a brace group) and
// filler values, for loads and unloads, fixed and delimited.
//
// Input: one byte of settings, then lines; a line "filler <value>" goes to
// the filler parser, any other to the field-specification parser.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/options.h"
#include "harness.h"
#include "job/settings.h"
#include "layout/fieldparse.h"
#include "layout/fieldtable.h"
#include "layout/filler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  freshJob();
  const uint8_t settings = data[0];
  job.direction = (settings & 1) != 0 ? 'o' : 'i';
  job.directionText = job.direction == 'o' ? "output" : "input";
  job.separator = (settings & 2) != 0 ? ',' : 0;
  job.recordLength = static_cast<short>((settings >> 2) * 8);
  job.sqlVariableCount = 4;
  job.extraFieldCount = 3;
  ensureFieldTable();

  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  size_t start = 0;
  int line = 0;
  while (start <= text.size() && line < 64) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string piece = text.substr(start, end - start);
    piece = piece.substr(0, std::strlen(piece.c_str()));  // a NUL ends the text
    guarded([&] {
      if (piece.compare(0, 7, "filler ") == 0) {
        parseFiller(piece.c_str() + 7);
      } else {
        const size_t length = std::min(piece.size(), static_cast<size_t>(kBufferSize - 1));
        std::memcpy(job.inputBuffer, piece.data(), length);
        job.inputBuffer[length] = '\0';
        parseFieldSpec(line % 4 + 1);
      }
    });
    start = end + 1;
    ++line;
  }
  return 0;
}
