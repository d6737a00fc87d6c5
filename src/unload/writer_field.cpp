// writer_field.cpp - one column value of the fetched row into job.fieldBuffer,
// in the form its output field asks for.
//
//   column  --GetField(format chosen by the field)--> fieldBuffer
//   blob id --OpenBlob--> GetBlobParameters --GetBlobSegment--> fieldBuffer
//           --CloseBlob
#include <climits>
#include <cstdint>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "dblib/exactvalues.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "unload/writer.h"

namespace {

// Room for the longest date text (formats 13, 14, 17) and its NUL: a date is
// fetched whole, and a field too narrow for it fails its record as truncated.
constexpr int kDateTextRoom = 20;
// The longest blob a delimited field can take: fieldBuffer less its NUL.
constexpr int kMaxDelimitedBlob = kBufferSize - 1;
// GetBlobParameters' blob type of a stream blob.
constexpr short kStreamBlob = 1;

int fieldRoom(const FieldSpec &spec);
int columnFormat(const FieldSpec &spec, int *room);
bool isTextFormat(int format);
int readBlob(const FieldSpec &spec);
int readBlobBytes(const FieldSpec &spec, int64_t total, bool delimited);
int asInt(int64_t value);

}  // namespace

int getOutputField(int entry) {
  const FieldSpec &spec = job.fieldTable[entry];
  int room = fieldRoom(spec);
  const int format = columnFormat(spec, &room);
  if (format >= FmtYMDdate && format <= FmtDMYtime && room < kDateTextRoom)
    room = kDateTextRoom;
  // room < kBufferSize: sizes and column sizes stay below the buffer size.
  std::memset(job.fieldBuffer, 0, static_cast<size_t>(room) + 1);
  const int code =
      GetField(spec.sqlField, &job.queryRecord, externalFormat(format), room, job.fieldBuffer);
  if (code == kDbNull) return 0;  // NULL, or empty text
  if (code != kDbOk) failDblib(code, "GetField", spec.sqlField);
  if (spec.sqlType == kTypeBlob) return readBlob(spec);
  if (isTextFormat(format))
    return static_cast<int>(strnlen(job.fieldBuffer, static_cast<size_t>(room)));
  return room;
}

int64_t openFetchedBlob(int sqlField, short *blobType) {
  QueryRecord *query = &job.queryRecord;
  int code = OpenBlob(query, sqlField, &job.transactionHandle);
  if (code != kDbOk) failDblib(code, "opening blob", sqlField);
  int64_t total = 0;
  code = GetBlobParameters(sqlField, query, &total, blobType);
  if (code != kDbOk) failDblib(code, "getting blob parameters", sqlField);
  return total;
}

void closeFetchedBlob(int sqlField) {
  const int code = CloseBlob(sqlField, &job.queryRecord);
  if (code != kDbOk) failDblib(code, "closing blob", sqlField);
}

namespace {

// Bytes the value may take: the field's size in fixed records; in delimited
// records the column's length and a NUL for text, a date's text for a
// timestamp, else room for the longest text of any number (kNumberTextRoom).
int fieldRoom(const FieldSpec &spec) {
  if (spec.size > 0) return spec.size;
  if (spec.sqlType == kTypeText) return spec.sqlSize + 1;
  if (spec.sqlType == kTypeTimestamp) return kDateTextRoom;
  return kNumberTextRoom;
}

// The GetField format of the field; a 1-byte integer is fetched as 16 bits
// (buildFixedRecord keeps its low byte).
int columnFormat(const FieldSpec &spec, int *room) {
  if (spec.sqlType == kTypeBlob) {
    *room = static_cast<int>(sizeof(ISC_QUAD));  // the blob id
    return FmtTimestamp;
  }
  if (spec.format != kFormatFixed) return spec.format;
  const int format = fixedFieldFormat(spec.externalType);
  if (format == 0) {
    LOCATED_MESSAGE("Invalid format for output field %hd: %hd%s", spec.sqlField,
                    static_cast<short>(kFormatFixed), job.lineEnd);
    abortRun();
  }
  if (spec.externalType == kExtInt8) *room = 2;
  return format;
}

bool isTextFormat(int format) {
  return format == FmtText || format == FmtFixedText ||
         (format >= FmtYMDdate && format <= FmtDMYtime);
}

// The blob whose id the variable holds: opened, checked against the field,
// read whole into fieldBuffer and closed. Returns its length, or -1 when it
// is too long for a delimited record.
int readBlob(const FieldSpec &spec) {
  const int column = spec.sqlField;
  short blobType = 0;
  const int64_t total = openFetchedBlob(column, &blobType);

  const bool delimited = job.separator != 0;
  const bool checkBinary = delimited && blobType != kStreamBlob;
  if (checkBinary && job.recordCount == 1)
    message("warning blob at col %d is binary - EXPECT failure!%s", column,
            job.lineEnd);
  if (!delimited && total > spec.size) {
    LOCATED_MESSAGE("blob for col %d, record %d too long (%d, max: %hd)%s", column,
                    job.recordCount, asInt(total), spec.size, job.lineEnd);
    abortRun();
  }
  if (delimited && total > kMaxDelimitedBlob) {
    // Only the record fails: the blob is closed so the next row can open its own.
    LOCATED_MESSAGE("blob for col %d, record %d too long (%d, max: %hd)%s", column,
                    job.recordCount, asInt(total),
                    static_cast<short>(kMaxDelimitedBlob), job.lineEnd);
    closeFetchedBlob(column);
    return -1;
  }
  return readBlobBytes(spec, total, checkBinary);
}

// Reads the `total` bytes (at most kMaxDelimitedBlob) of the open blob into
// fieldBuffer, closes it and ends them with a NUL. An empty blob is an empty
// value: there is nothing to read.
int readBlobBytes(const FieldSpec &spec, int64_t total, bool checkBinary) {
  QueryRecord *query = &job.queryRecord;
  const int column = spec.sqlField;
  const int wanted = static_cast<int>(total);
  if (wanted > 0) {
    int delivered = 0;
    const int code = GetBlobSegment(column, query, job.fieldBuffer, wanted, &delivered);
    if (code != kDbOk) failDblib(code, "getting blob data", column);
    if (delivered < wanted) {
      LOCATED_MESSAGE("blob for col %d at record %d read error (got %d bytes, expected %d)%s",
                      column, job.recordCount, delivered, wanted, job.lineEnd);
      abortRun();
    }
  }
  closeFetchedBlob(column);
  if (checkBinary) {
    const void *zero = std::memchr(job.fieldBuffer, 0, static_cast<size_t>(wanted));
    if (zero != nullptr) {
      LOCATED_MESSAGE("blob for field %d, record %d contains binary data at byte %d%s",
                      column, job.recordCount,
                      static_cast<int>(static_cast<const char *>(zero) - job.fieldBuffer),
                      job.lineEnd);
      abortRun();
    }
  }
  job.fieldBuffer[wanted] = '\0';
  return wanted;
}

int asInt(int64_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

}  // namespace
