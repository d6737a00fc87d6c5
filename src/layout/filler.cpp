// filler.cpp - filler options and the format/width check.
//
//   filler=start;end;kind;format --parseFiller--> parseBuffer (copy for messages)
//                                              --> free fieldTable entry
#include "layout/filler.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/text.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/fieldparse.h"

namespace {

// One filler option, split and read.
struct FillerParts {
  long long start = 0;
  long long end = 0;
  short format = 0;
  std::string_view kind;
};

bool splitFiller(std::string_view text, FillerParts *parts);
long long readClamped(const char *text, long long low, long long high);
short externalTypeOf(short format);
void fillerMessage(int line, const char *text);

// Every filler error says what is wrong, then shows the whole filler value.
void fillerMessage(int line, const char *text) {
  messageAt(line, "%s", text);
  message(": %s%s", job.parseBuffer, job.lineEnd);
}

// Leading white space, a sign and digits, as atol; the result is held within
// [low, high] so that no later sum can overflow and no 16-bit store wraps.
long long readClamped(const char *text, long long low, long long high) {
  const long long value = std::strtoll(text, nullptr, 10);
  return value < low ? low : value > high ? high : value;
}

bool splitFiller(std::string_view text, FillerParts *parts) {
  const size_t first = text.find(';');
  if (first == std::string_view::npos) return false;
  const size_t second = text.find(';', first + 1);
  if (second == std::string_view::npos) return false;
  const size_t third = text.find(';', second + 1);
  if (third == std::string_view::npos) return false;
  // The numbers end at their ';' (strtoll stops there); the text is terminated.
  parts->start = readClamped(text.data(), INT_MIN, INT_MAX);
  parts->end = readClamped(text.data() + first + 1, INT_MIN, INT_MAX);
  parts->format = static_cast<short>(
      readClamped(text.data() + third + 1, SHRT_MIN, SHRT_MAX));
  parts->kind = text.substr(second + 1, third - second - 1);
  return true;
}

short externalTypeOf(short format) {
  switch (format) {
    case FmtShort: return kExtInt16;
    case FmtLong: case FmtLongDate: case FmtJulianDate: return kExtInt32;
    case FmtInt64: case FmtInt64Date: return kExtInt64;
    case FmtDoubleDate: return kExtFloat8;
    default: return kExtText;
  }
}

}  // namespace

bool parseFiller(const char *value) {
  const size_t length = std::strlen(value);
  if (length > static_cast<size_t>(kParseBufferSize)) {
    message("buffer too small for safety%s", job.lineEnd);
    abortRun();
  }
  // parseBuffer has a spare byte past its 504 for the terminator.
  std::memmove(job.parseBuffer, value, length + 1);
  FillerParts parts;
  if (!splitFiller(std::string_view(job.parseBuffer, length), &parts)) {
    fillerMessage(__LINE__, "invalid set of filler parameters");
    return false;
  }
  const bool fixed = job.separator == 0;
  const short externalType = externalTypeOf(parts.format);
  const size_t n = parts.kind.size();
  bool error = false;
  long long size;
  if (!fixed) {
    size = n > 1 ? 0 : parts.end;
  } else if (parts.end < parts.start) {
    fillerMessage(__LINE__, "fixed position filler field, invalid ending position");
    error = true;
    size = parts.end;
  } else {
    size = parts.end - parts.start + 1;
  }

  short kind = kKindCharFill;
  char fill = job.padChar;
  if (n > 1) {
    if (beginsWithNoCase(parts.kind, "enum")) {
      kind = kKindEnum;
    } else if (beginsWithNoCase(parts.kind, "sysdate")) {
      kind = kKindSysdate;
    } else {
      fillerMessage(__LINE__, "unknown generated type");
      error = true;
    }
  } else if (n == 1) {
    fill = parts.kind[0];
  }

  if (fixed) {
    if (size < 1) {
      fillerMessage(__LINE__, "delimited filler size error");
      return false;
    }
    if (parts.start + size >= job.recordLength) {
      fillerMessage(__LINE__, "field size error -out of record bounds");
      return false;
    }
  } else if (kind == kKindCharFill && (size < 0 || size >= kBufferSize)) {
    // A delimited fill is written into one record buffer; a negative or
    // oversized length cannot be.
    fillerMessage(__LINE__, "delimited filler size error");
    return false;
  }
  if (error) return false;

  if (parts.start < 1 || parts.start > SHRT_MAX ||
      (fixed && parts.start > job.recordLength)) {
    fillerMessage(__LINE__, "invalid position");
    return false;
  }
  if (checkFormatSize(parts.format, static_cast<short>(size), externalType)) {
    fillerMessage(__LINE__, "invalid combination of types and sizes");
    return false;
  }
  const int slot = firstFreeField();
  if (slot < 0) {
    fillerMessage(__LINE__, "invalid field number");
    return false;
  }
  FieldSpec &entry = job.fieldTable[slot];
  entry.format = parts.format;
  entry.position = static_cast<short>(parts.start);
  entry.size = static_cast<short>(size);
  entry.externalType = externalType;
  entry.sqlType = kind;
  if (kind == kKindCharFill) entry.blobSegmentSize = static_cast<unsigned char>(fill);
  return true;
}

bool checkFormatSize(short format, short size, short externalType) {
  if (job.separator != 0) {
    if (job.direction == 'o' || format == kFormatSysdate || format == kFormatEnum)
      return false;
    if (externalType == kExtText) size = 20;
    else if (size < 1) return true;
  } else if (size < 1) {
    return true;
  }
  switch (format) {
    case FmtShort: return size != 2;
    case FmtLong: case FmtFloat: case FmtLongDate: case FmtJulianDate: return size != 4;
    case FmtInt64: case FmtDouble: case FmtDoubleDate: case FmtInt64Date: return size != 8;
    case FmtText: case FmtFixedText: return false;
    case FmtYMDdate: case FmtMDYdateUS: return size < 10;
    case FmtYMDtime: case FmtMDYtime: return size < 19;
    case FmtDMonYdate: return size < 11;
    // Day-first dates take the room of their month-first twins (12 and 14).
    case FmtMDYdate: return size < 10;
    case FmtDMYtime: return size < 19;
    default: return true;
  }
}
