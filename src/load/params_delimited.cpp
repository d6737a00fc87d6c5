// params_delimited.cpp - a delimited record into the statement's input
// variables.
//
//   inputBuffer --extractDelimitedField--> fieldBuffer --PutField--> XSQLVAR
//                     (variables located once per run: PutLocatedField)
//                                                     \--loadBlobField--> blob
//   missing trailing fields --> NULL (short_ok) or a rejected record
//   generated entries --makeGeneratedValue--> fieldBuffer --PutField--> XSQLVAR
//
// The field table is indexed by position once per run, so a record visits
// only the entries its fields feed.
#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/settings.h"
#include "layout/fieldtable.h"
#include "layout/generated.h"
#include "load/blobload.h"
#include "load/params.h"
#include "rejects/reasons.h"

namespace {

bool putField(int position, int length);
int putEntry(int entry, ExternalFormat format, int length);

}  // namespace

bool putDelimitedRecord(const LoadRecord &record, int expectedFields) {
  const int expected = expectedFields < job.fieldPositions.highest ? expectedFields : job.fieldPositions.highest;
  const char *cursor = record.text;
  int position = 1;
  bool put = true;
  while (position <= expected && put && *cursor != '\0') {
    const int length = extractDelimitedField(&cursor, job.fieldBuffer, kBufferSize,
                                             job.separator, job.quoteChar);
    put = putField(position, length);
    ++position;
  }
  // (Most records have every field, and most layouts no generated entry.)
  return put && (position > expected || putMissingFields(position, expected)) &&
         (job.fieldPositions.unplaced.empty() || putUnplacedFields());
}

namespace {

// Gives the field in fieldBuffer to every entry at `position`. A text longer
// than its column is reported, cut and put, and rejects the record. False
// when the record is rejected.
bool putField(int position, int length) {
  bool put = true;
  const FieldPositions &index = job.fieldPositions;
  for (int k = index.first[position]; k < index.first[position + 1]; ++k) {
    const int i = index.entries[static_cast<size_t>(k)];
    const FieldSpec &f = job.fieldTable[i];
    int status = kDbOk;
    if (f.sqlType == kTypeBlob) {
      status = loadBlobField(i, f.sqlField);
      if (status == kBlobRefused) return false;
    } else {
      const ExternalFormat format = f.sqlType == kTypeTimestamp
                                        ? externalFormat(f.format)
                                        : externalFormat(kFormatDelimitedText);
      if (f.sqlType == kTypeText && length > f.sqlSize) {
        REJECTION_MESSAGE(f.sqlField, position, job.fieldBuffer, length,
                          "truncating record %d, field %d (was %d bytes, now: %d%s",
                          job.recordCount, position, length, f.sqlSize, job.lineEnd);
        put = false;
        length = f.sqlSize;
        job.fieldBuffer[length] = '\0';
      }
      status = putEntry(i, externalFormat(format), length);
    }
    if (status != kDbOk) {
      rejectDblibValue(status, "data sensitive Putfield", f.sqlField, position, job.fieldBuffer,
                       length);
      return false;
    }
  }
  return put;
}

}  // namespace

// The record ended before field `expected`: every entry of the missing
// positions is counted short, and is NULL with short_ok.
bool putMissingFields(int position, int expected) {
  bool put = true;
  const FieldPositions &index = job.fieldPositions;
  for (; position <= expected && put; ++position) {
    for (int k = index.first[position]; k < index.first[position + 1]; ++k) {
      const FieldSpec &f = job.fieldTable[index.entries[static_cast<size_t>(k)]];
      ++job.shortCount;
      if (!job.shortOk) {
        REJECTION_MESSAGE(f.sqlField, position, "", 0,
                          "record %d contains null field at %d (short) - discarded)%s",
                          job.recordCount, f.sqlField, job.lineEnd);
        put = false;
        continue;
      }
      // An empty value makes any variable NULL.
      const int status =
          PutField(externalFormat(kFormatDelimitedText), &job.queryRecord, f.sqlField, 0, "");
      if (status != kDbOk) {
        rejectDblibValue(status, "data sensitive NULL Putfield", f.sqlField, position,
                         job.fieldBuffer, 0);
        put = false;
        break;
      }
    }
  }
  return put;
}

bool putUnplacedFields() {
  for (const int i : job.fieldPositions.unplaced) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.format != kFormatSysdate && f.format != kFormatEnum) {
      REJECTION_MESSAGE(f.sqlField, 0, "", 0, "non SQL and non logical input filler found - %d%s",
                        f.format, job.lineEnd);
      return false;
    }
    short format = 0;
    short length = 0;
    int status = makeGeneratedValue(i, &format, &length);
    if (status != kDbOk) {
      REJECTION_MESSAGE(f.sqlField, 0, "", 0,
                        "failure %d converting %s field %d for query at input record %d%s",
                        status, "delimited", i, job.recordCount, job.lineEnd);
      return false;
    }
    status = putEntry(i, externalFormat(format), length);
    if (status != kDbOk) {
      rejectDblibValue(status, "data sensitive generated Putfield", f.sqlField, 0,
                       job.fieldBuffer, length);
      return false;
    }
  }
  return true;
}

namespace {

// The value in fieldBuffer into the variable of entry `entry`.
int putEntry(int entry, ExternalFormat format, int length) {
  const LocatedInput &input = job.fieldPositions.inputs[static_cast<size_t>(entry)];
  if (input.variable != nullptr)
    return PutLocatedField(input, format, length, job.fieldBuffer);
  return PutField(format, &job.queryRecord, job.fieldTable[entry].sqlField, length,
                  job.fieldBuffer);
}

}  // namespace
