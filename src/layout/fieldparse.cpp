// fieldparse.cpp - the keyword scanner and the field-specification parser.
//
//   brace text in inputBuffer --findKeyword--> fieldBuffer / keywordNumber
//                             --parseFieldSpec--> one fieldTable entry
#include "layout/fieldparse.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/text.h"
#include "csv/csvmode.h"
#include "job/messages.h"
#include "job/settings.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }


bool wordMatches(std::string_view rest, std::string_view keyword);
int readKeywordValue(std::string_view rest);
bool applyNumberedKeywords(FieldSpec *entry, int sqlField);
bool applyExternal(FieldSpec *entry);
bool failSpec(int sqlField);

// `rest` starts at a word; the keyword matches a whole word or a word that
// continues with '='.
bool wordMatches(std::string_view rest, std::string_view keyword) {
  if (rest.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i)
    if (lowered(rest[i]) != lowered(keyword[i])) return false;
  if (rest.size() == keyword.size()) return true;
  const char after = rest[keyword.size()];
  return isBlank(after) || after == '=';
}

// `rest` starts right after the keyword.
int readKeywordValue(std::string_view rest) {
  if (rest.empty() || rest[0] != '=') return -1;
  rest.remove_prefix(1);
  size_t length = 0;
  while (length < rest.size() && !isBlank(rest[length])) ++length;
  if (length > static_cast<size_t>(kBufferSize - 1)) length = kBufferSize - 1;
  std::memcpy(job.fieldBuffer, rest.data(), length);
  job.fieldBuffer[length] = '\0';
  if (length == 0) return -1;
  // "32x" or "1e20" is no number: the rules then show the text as written.
  int number = 0;
  if (rest[0] >= '0' && rest[0] <= '9' && wholeNumber(rest.substr(0, length), &number))
    job.keywordNumber = number;
  return static_cast<int>(length);
}

bool failSpec(int sqlField) {
  message("\tfield: %hd, STRING: %s%s", static_cast<short>(sqlField), job.inputBuffer,
          job.lineEnd);
  return true;
}

// position, the blob keywords, dateform and size, in this order; messages for
// every bad value, true when one was bad.
bool applyNumberedKeywords(FieldSpec *entry, int sqlField) {
  bool error = false;
  const bool delimited = job.separator != 0;
  if (findKeyword("position", false) > 0) {
    // A position beyond the 16-bit range would wrap round to a small one.
    if (job.keywordNumber < 1 || job.keywordNumber > 32767) {
      LOCATED_MESSAGE("external position for field %hd invalid%s",
                      static_cast<short>(sqlField), job.lineEnd);
      error = true;
    }
    entry->position = static_cast<short>(job.keywordNumber);
  }
  const bool asciiBlob = findKeyword("ascii_blob", false) != 0;
  if (asciiBlob) entry->format = kFormatAsciiBlob;
  if (findKeyword("blob_stream", false) != 0)
    entry->format = asciiBlob ? kFormatAsciiBlobStream : kFormatBinaryBlobStream;
  if (findKeyword("blob_size", false) > 0) {
    if (entry->format == 0) entry->format = kFormatBinaryBlob;
    if (job.keywordNumber < 80 || job.keywordNumber > 4088) {
      LOCATED_MESSAGE("ridiculous blob size (%s) - ignored%s", job.fieldBuffer, job.lineEnd);
      error = true;
    }
    entry->blobSegmentSize = static_cast<short>(job.keywordNumber);
  }
  if (findKeyword("dateform", false) > 0) {
    const int n = job.keywordNumber;
    if (n < 11 || n > 22 || n == 18 || (delimited && n > 17)) {
      LOCATED_MESSAGE("invalid date format for field%s", job.lineEnd);
      error = true;
    }
    entry->format = static_cast<short>(n);
  }
  if (entry->format == 0) entry->format = delimited ? kFormatDelimitedText : kFormatFixed;
  if (findKeyword("size", false) > 0) {
    const int n = job.keywordNumber;
    if (job.csvMode) {
      LOCATED_MESSAGE("size=%s cannot be used with csv: csv fields have no fixed size%s",
                      job.fieldBuffer, job.lineEnd);
      error = true;
    } else if (delimited || n < 1 || n >= kBufferSize) {
      LOCATED_MESSAGE("size invalid: %s%s", job.fieldBuffer, job.lineEnd);
      error = true;
    }
    entry->size = static_cast<short>(n);
  }
  if (!delimited && entry->size == 0) entry->size = 1;
  return error;
}

// external=int|float with the entry's size, or the check that binary date
// formats have one. true on failure (already reported).
bool applyExternal(FieldSpec *entry) {
  if (findKeyword("external", false) <= 0) {
    if (entry->format >= FmtDoubleDate && entry->format <= FmtInt64Date) {
      LOCATED_MESSAGE("date format invalid for non external field type%s",
                      job.lineEnd);
      return true;
    }
    return false;
  }
  if (job.separator != 0) {
    LOCATED_MESSAGE("external invalid for delimited data%s", job.lineEnd);
    return true;
  }
  const short size = entry->size;
  if (hasPrefix("int", job.fieldBuffer)) {
    const short type = size == 1 ? kExtInt8 : size == 2 ? kExtInt16
                     : size == 4 ? kExtInt32 : size == 8 ? kExtInt64 : 0;
    if (type == 0) {
      LOCATED_MESSAGE("invalid size for external %s%s", "integer", job.lineEnd);
      return true;
    }
    entry->externalType = type;
  } else if (hasPrefix("float", job.fieldBuffer)) {
    const short type = size == 4 ? kExtFloat4 : size == 8 ? kExtFloat8 : 0;
    if (type == 0) {
      LOCATED_MESSAGE("invalid size for external %s%s", "float", job.lineEnd);
      return true;
    }
    entry->externalType = type;
  } else {
    LOCATED_MESSAGE("unknown external format%s", job.lineEnd);
    return true;
  }
  return false;
}

}  // namespace

int findKeyword(const char *keyword, bool firstWordOnly) {
  job.fieldBuffer[0] = '\0';
  job.keywordNumber = -1;
  char *text = job.inputBuffer;
  const size_t length = strnlen(text, kBufferSize);
  const std::string_view key(keyword);
  size_t pos = 0;
  for (;;) {
    while (pos < length && isBlank(text[pos])) ++pos;
    if (pos >= length) return 0;
    const std::string_view rest(text + pos, length - pos);
    if (wordMatches(rest, key)) {
      if (key == "filler") text[pos] = 'X';
      return readKeywordValue(rest.substr(key.size()));
    }
    if (firstWordOnly) return 0;
    while (pos < length && !isBlank(text[pos])) ++pos;
  }
}

int firstFreeField() {
  if (job.fieldTable == nullptr) return -1;
  for (int i = 0; i < job.fieldCount; ++i)
    if (job.fieldTable[i].format == 0 && job.fieldTable[i].sqlField == 0) return i;
  return -1;
}

bool parseFieldSpec(int sqlField) {
  if (job.fieldTable != nullptr) {
    for (int i = 0; i < job.fieldCount; ++i) {
      if (job.fieldTable[i].sqlField == sqlField) {
        LOCATED_MESSAGE("positional field %d is already defined%s", sqlField,
                        job.lineEnd);
        return true;
      }
    }
  }
  const int slot = firstFreeField();
  if (slot < 0) {
    LOCATED_MESSAGE("no more field positions available for %d%s", sqlField,
                    job.lineEnd);
    return true;
  }
  FieldSpec &stored = job.fieldTable[slot];
  // Generated values: the first word decides, the rest of the text is ignored.
  const bool isEnum = findKeyword("enum", true) != 0;
  if (isEnum || findKeyword("sysdate", true) != 0) {
    stored.sqlField = static_cast<short>(sqlField);
    stored.format = isEnum ? kFormatEnum : kFormatSysdate;
    return false;
  }
  FieldSpec entry = {};
  entry.externalType = kExtText;
  entry.sqlField = static_cast<short>(sqlField);
  const bool error = applyNumberedKeywords(&entry, sqlField);
  if (applyExternal(&entry) || error) return failSpec(sqlField);
  if (findKeyword("blobfile", false) != 0) markBlobFileField(sqlField);
  stored = entry;
  return false;
}
