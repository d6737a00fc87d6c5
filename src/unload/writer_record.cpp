// writer_record.cpp - the fetched row as one record in job.inputBuffer.
//
//   delimited: for position 1..fieldCount: value --append--> inputBuffer
//              ("value," or "'value'," for quoted text), line breaks hidden
//   fixed:     padChar x outputWidth, then each value copied at its position
//
// Every append is checked against the 8184-byte record buffer before a byte
// is copied; a record that would not fit fails instead.
#include <algorithm>
#include <cstring>
#include <vector>

#include "job/messages.h"
#include "job/settings.h"
#include "layout/generated.h"
#include "unload/writer.h"

namespace {

bool delimitedColumn(OutputRecord *out, int entry);
bool delimitedFiller(OutputRecord *out, int entry);
bool fixedValue(int entry, int *length);
void placeFixedValue(const FieldSpec &spec, int length);

}  // namespace

bool buildDelimitedRecord(OutputRecord *out) {
  out->builtLength = 0;
  const int *entries = entriesByPosition(out);
  for (int position = 1; position <= job.fieldCount; ++position) {
    const int entry = entries[position - 1];
    if (entry < 0) {
      LOCATED_MESSAGE("cannot find field specifier for %d%s", position, job.lineEnd);
      return false;
    }
    if (job.fieldTable[entry].sqlField <= 0) {
      if (!delimitedFiller(out, entry)) return false;
      continue;
    }
    const ColumnAppend appended = appendLocatedColumn(out, position);
    if (appended == ColumnAppend::kFailed) return false;
    if (appended == ColumnAppend::kNotLocated && !delimitedColumn(out, entry)) return false;
  }
  if (job.recordLength <= 0) hideLineBreaks(job.inputBuffer, out->builtLength);
  return true;
}

bool buildFixedRecord(OutputRecord *out) {
  const int width = std::clamp<int>(job.outputWidth, 0, kBufferSize);
  std::memset(job.inputBuffer, job.padChar, static_cast<size_t>(width));
  out->builtLength = width;
  for (int entry = 0; entry < job.fieldCount; ++entry) {
    const FieldSpec &spec = job.fieldTable[entry];
    int length = 0;
    if (!fixedValue(entry, &length)) return false;
    const int start = spec.position - 1;
    const int room = start < 0 ? 0 : std::min<int>(spec.size, width - start);
    if (length > room) {
      LOCATED_MESSAGE("output record %d, field %d truncated from %hd to %hd%s",
                      job.recordCount, entry + 1, static_cast<short>(length),
                      static_cast<short>(std::max(room, 0)), job.lineEnd);
      return false;
    }
    placeFixedValue(spec, length);
  }
  return true;
}

void indexOutputPositions(OutputRecord *out) {
  const int count = std::max<int>(job.fieldCount, 0);
  out->byPosition.assign(static_cast<size_t>(count), -1);
  for (int i = 0; i < count; ++i) {
    const int position = job.fieldTable[i].position;
    if (position >= 1 && position <= count && out->byPosition[position - 1] < 0)
      out->byPosition[position - 1] = i;
  }
}

const int *entriesByPosition(OutputRecord *out) {
  if (out->byPosition.size() != static_cast<size_t>(std::max<int>(job.fieldCount, 0)))
    indexOutputPositions(out);
  return out->byPosition.data();
}

bool appendField(OutputRecord *record, const char *value, int length, bool quoted) {
  const int end = record->builtLength + length + (quoted ? 3 : 1);
  // The final separator gives way to the line end.
  const int need = end - 1 + (job.recordLength > 0 ? 0 : job.lineEndLength);
  if (need > kBufferSize) {
    LOCATED_MESSAGE("Lodrun: %s size too small for, is %d need %d%s", "output buffer",
                    kBufferSize, need, job.lineEnd);
    return false;
  }
  char *out = job.inputBuffer + record->builtLength;
  if (quoted) *out++ = job.quoteChar;
  std::memcpy(out, value, static_cast<size_t>(length));
  out += length;
  if (quoted) *out++ = job.quoteChar;
  *out = job.separator;
  record->builtLength = end;
  return true;
}

void hideLineBreaks(char *record, int length) {
  char *const end = record + length;
  for (char *p = record; (p = static_cast<char *>(std::memchr(p, '\n', end - p))); ++p)
    *p = '\1';
  for (char *p = record; (p = static_cast<char *>(std::memchr(p, '\r', end - p))); ++p)
    *p = '\2';
}

namespace {

// Appends the column of `entry`; text columns are quoted when asked, even
// when empty. False when the record failed.
bool delimitedColumn(OutputRecord *out, int entry) {
  const int length = getOutputField(entry);
  if (length < 0) return false;
  const bool quoted = job.quoteStrings && job.fieldTable[entry].sqlType == kTypeText;
  return appendField(out, job.fieldBuffer, length, quoted);
}

// Appends the generated text of filler `entry`. A filler that is not text,
// or whose value cannot be made, fails the record after its field (false).
bool delimitedFiller(OutputRecord *out, int entry) {
  const bool text = job.fieldTable[entry].externalType == kExtText;
  if (!text)
    LOCATED_MESSAGE("generated field type not text for %d (file::using separator)%s",
                    entry, job.lineEnd);
  short format = 0;
  short length = 0;
  const int code = makeGeneratedValue(entry, &format, &length);
  if (code != 0) {
    LOCATED_MESSAGE("failure %d converting %s field %d for query at input record %d%s",
                    code, "delimited", entry, job.recordCount, job.lineEnd);
    appendField(out, job.fieldBuffer, 0, false);
    return false;
  }
  int valueLength = std::clamp<int>(length, 0, kBufferSize - 1);
  // A binary value has no text: keep only what reads as text.
  if (!text)
    valueLength = static_cast<int>(strnlen(job.fieldBuffer, static_cast<size_t>(valueLength)));
  return appendField(out, job.fieldBuffer, valueLength, false) && text;
}

// The value of `entry` into fieldBuffer and its length; false when the
// record failed. A 1-byte integer takes the low byte of its 16-bit value
// when that value has a byte's range.
bool fixedValue(int entry, int *length) {
  const FieldSpec &spec = job.fieldTable[entry];
  if (spec.sqlField > 0) {
    *length = getOutputField(entry);
  } else {
    short format = 0;
    short generated = 0;
    const int code = makeGeneratedValue(entry, &format, &generated);
    if (code != 0) {
      LOCATED_MESSAGE("failure %d converting %s field %d for query at input record %d%s",
                      code, "fixed", entry + 1, job.recordCount, job.lineEnd);
      return false;
    }
    *length = std::clamp<int>(generated, 0, kBufferSize);
  }
  if (spec.externalType == kExtInt8 && *length == 2) {
    short value = 0;
    std::memcpy(&value, job.fieldBuffer, sizeof value);
    // Below -128 the low byte would be another number: that value does not fit.
    if (value >= -128 && value < 256) {
      job.fieldBuffer[0] = static_cast<char>(value & 0xFF);
      *length = 1;
    }
  }
  return true;
}

// Copies the value (checked to fit its field and the record) to its position;
// a NULL leaves the pad.
void placeFixedValue(const FieldSpec &spec, int length) {
  if (length <= 0) return;
  std::memcpy(job.inputBuffer + spec.position - 1, job.fieldBuffer, static_cast<size_t>(length));
}

}  // namespace
