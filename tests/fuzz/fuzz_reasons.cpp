// fuzz_reasons.cpp - the reasons file: the escaper, and the line written for
// a rejected record, its column named from the statement text.
//
//   text, value --noteRejectReason, writeRejectReason--> one line, 5 fields
//     --unescaped--> the noted text and value, byte for byte
//
// Input: SQL field, position, text length, value length (one byte each,
// the top bit of the position selects the Unix line end), the text and the
// value, then the statement text.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "job/settings.h"
#include "rejects/reasons.h"

namespace {

void expect(bool holds, const char *what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_reasons: %s\n", what);
  std::abort();
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The escaped text back as it was; false for a sequence the escaper never
// writes, or a byte it should have escaped.
bool unescape(const std::string &text, std::string *out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) return false;
    if (c != '\\') {
      *out += static_cast<char>(c);
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case 't': *out += '\t'; break;
      case 'n': *out += '\n'; break;
      case 'r': *out += '\r'; break;
      case '\\': *out += '\\'; break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        const char byte = static_cast<char>(high * 16 + low);
        // Only control bytes other than tab and line breaks come as \xHH.
        if (byte == '\t' || byte == '\n' || byte == '\r' ||
            !(static_cast<unsigned char>(byte) < 0x20 || byte == 0x7f))
          return false;
        *out += byte;
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

std::vector<std::string> fieldsOf(const std::string &line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == '\t')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  freshJob();
  const int sqlField = data[0] % 16;
  const int position = data[1] & 0x7f;
  if ((data[1] & 0x80) != 0) job.lineEnd = kLineEndUnix;
  const char *bytes = reinterpret_cast<const char *>(data + 4);
  const size_t left = size - 4;
  const size_t textLength = std::min<size_t>(data[2], left);
  const size_t valueLength = std::min<size_t>(data[3], left - textLength);
  const std::string text(bytes, textLength);
  const std::string value(bytes + textLength, valueLength);
  const size_t sqlLength =
      std::min<size_t>(left - textLength - valueLength, static_cast<size_t>(kBufferSize - 1));
  std::memcpy(job.sqlText, bytes + textLength + valueLength, sqlLength);
  job.sqlText[sqlLength] = '\0';

  // The escaper alone, on the whole input.
  std::string escaped;
  const std::string whole(reinterpret_cast<const char *>(data), size);
  appendEscaped(&escaped, whole.data(), whole.size());
  std::string back;
  expect(unescape(escaped, &back) && back == whole, "escaped text does not read back");

  // The line of a rejected record.
  char *written = nullptr;
  size_t writtenSize = 0;
  job.reasonsStream = open_memstream(&written, &writtenSize);
  if (job.reasonsStream == nullptr) return 0;
  job.recordCount = 7;
  noteRejectReason(sqlField, position, text.c_str(), value.data(), static_cast<int>(valueLength));
  guarded([] { writeRejectReason(job.recordCount, takeRejectReason()); });
  std::fclose(job.reasonsStream);
  job.reasonsStream = nullptr;
  std::string line(written, writtenSize);
  std::free(written);

  const std::string lineEnd = job.lineEnd;
  expect(line.size() >= lineEnd.size() &&
             line.compare(line.size() - lineEnd.size(), lineEnd.size(), lineEnd) == 0,
         "line end");
  line.resize(line.size() - lineEnd.size());
  expect(line.find_first_of("\r\n") == std::string::npos, "a line break inside the line");
  const std::vector<std::string> fields = fieldsOf(line);
  expect(fields.size() == 5, "fields of the line");
  expect(fields[0] == "7" && fields[1] == std::to_string(sqlField), "record and field numbers");
  // The noted text ends at its NUL and without its line end.
  std::string noted = text.substr(0, std::strlen(text.c_str()));
  while (!noted.empty() && (noted.back() == '\n' || noted.back() == '\r')) noted.pop_back();
  std::string decoded;
  expect(unescape(fields[2], &decoded), "column field");
  expect(unescape(fields[3], &decoded) && decoded == noted, "message field");
  expect(unescape(fields[4], &decoded) && decoded == value, "value field");
  return 0;
}
