// params_fixed.cpp - a fixed-size record into the statement's input
// variables.
//
//   record text[position-1 .. +size) --copy--> fieldBuffer --PutField--> XSQLVAR
//                                                         \--loadBlobField--> blob
//   generated entries --makeGeneratedValue--> fieldBuffer --PutField--> XSQLVAR
//
// Fields are copied into fieldBuffer because PutField wants a NUL after the
// value and binary numbers aligned. A field never reads past the record: in
// records read as lines it is cut at the end of the line. A NUL byte in a
// field read as characters rejects the record.
#include <cstdint>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/generated.h"
#include "load/blobload.h"
#include "load/params.h"
#include "rejects/reasons.h"

namespace {

int copyFixedField(const FieldSpec &f, const char *record, int recordLength);
bool textHasNoNul(const FieldSpec &f, int length, int recordNumber);
int trimTrailingBlanks(int length);
int formatForExternalType(const FieldSpec &f, int *length);

}  // namespace

bool putFixedRecord(const LoadRecord &record) {
  const int recordLength = job.recordLength > 0 ? job.recordLength : record.length;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    int format = f.format;
    int length = 0;
    if (f.format == kFormatSysdate || f.format == kFormatEnum) {
      short generatedFormat = 0;
      short generatedLength = 0;
      const int status = makeGeneratedValue(i, &generatedFormat, &generatedLength);
      if (status != kDbOk) {
        REJECTION_MESSAGE(f.sqlField, 0, "", 0,
                          "failure %d converting %s field %d for query at input record %d%s",
                          status, "fixed", i, record.number, job.lineEnd);
        return false;
      }
      format = generatedFormat;
      length = generatedLength;
    } else {
      length = copyFixedField(f, record.text, recordLength);
      if (!textHasNoNul(f, length, record.number)) return false;
      if (f.sqlType == kTypeBlob) {
        length = trimTrailingBlanks(length);
        const int status = loadBlobField(i, f.sqlField);
        if (status == kBlobRefused) return false;
        if (status != kDbOk) {
          rejectDblibValue(status, "fixed blob put of field", f.sqlField, f.position,
                           job.fieldBuffer, length);
          return false;
        }
        continue;
      }
      if (f.format == kFormatFixed) format = formatForExternalType(f, &length);
    }
    const int status =
        PutField(externalFormat(format), &job.queryRecord, f.sqlField, length, job.fieldBuffer);
    if (status != kDbOk) {
      rejectDblibValue(status, "fixed Putfield", f.sqlField, f.position, job.fieldBuffer, length);
      return false;
    }
  }
  return true;
}

namespace {

// Copies the entry's bytes, as many of them as the record holds, into
// fieldBuffer with a NUL after them; returns their count.
int copyFixedField(const FieldSpec &f, const char *record, int recordLength) {
  const int start = f.position - 1;
  int length = recordLength - start;
  if (start < 0 || length < 0) length = 0;
  if (length > f.size) length = f.size;
  if (length > kBufferSize - 1) length = kBufferSize - 1;
  if (length > 0) std::memcpy(job.fieldBuffer, record + start, static_cast<size_t>(length));
  job.fieldBuffer[length] = '\0';
  return length;
}

// A field read as characters (not external=int/float) holding a NUL byte is
// no text: an all-zero region (a sparse file, /dev/zero) or binary data in a
// text layout. Its record is rejected as a delimited line with a NUL would
// be; binary fields may hold any byte. Returns false when rejected
// (reported, as record `recordNumber`).
bool textHasNoNul(const FieldSpec &f, int length, int recordNumber) {
  if (f.externalType >= kExtInt8 && f.externalType <= kExtFloat8) return true;
  const void *nul = std::memchr(job.fieldBuffer, '\0', static_cast<size_t>(length));
  if (nul == nullptr) return true;
  const int offset = static_cast<int>(static_cast<const char *>(nul) - job.fieldBuffer);
  REJECTION_MESSAGE(f.sqlField, f.position, job.fieldBuffer, length,
                    "input record %d contains binary data at byte %d%s", recordNumber,
                    f.position + offset, job.lineEnd);
  return false;
}

// A blob field names its file; the blanks that fill the field are no part
// of the name.
int trimTrailingBlanks(int length) {
  while (length > 0 && job.fieldBuffer[length - 1] == ' ') --length;
  job.fieldBuffer[length] = '\0';
  return length;
}

// The PutField format of a format-7 field by its external representation;
// a one-byte integer is widened to 16 bits first.
int formatForExternalType(const FieldSpec &f, int *length) {
  const int format = fixedFieldFormat(f.externalType);
  if (format == 0) {
    LOCATED_MESSAGE("improper external field type for %d%s", f.sqlField, job.lineEnd);
    abortRun();
  }
  if (f.externalType == kExtInt8 && *length == 1) {
    const int16_t widened = static_cast<signed char>(job.fieldBuffer[0]);
    std::memcpy(job.fieldBuffer, &widened, sizeof widened);
    *length = sizeof widened;
    job.fieldBuffer[*length] = '\0';
  }
  return format;
}

}  // namespace
