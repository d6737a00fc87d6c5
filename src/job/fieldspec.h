// fieldspec.h - the record layout: one FieldSpec per external field.
//
// A FieldSpec is eight signed 16-bit values. The fieldTable (JobSettings)
// holds fieldCount of them in order of definition; consumers search it by
// sqlField or position. An entry is free when format and sqlField are 0.
#ifndef LODRUN_JOB_FIELDSPEC_H
#define LODRUN_JOB_FIELDSPEC_H

#include <vector>

#include "dblib/dbfuncs.h"

struct FieldSpec {
  short format;           // data format code; 0 = free entry
  short position;         // fixed: 1-based first byte; delimited: 1-based ordinal
  short size;             // external width in bytes (fixed-size records)
  short externalType;     // 100 text .. 106 8-byte float
  short sqlField;         // 1-based SQL variable; 0 for a filler
  short sqlSize;          // byte size of the bound SQL variable (8 for a blob)
  short sqlType;          // SQL type without nullable bit; filler kind 201-203
  short blobSegmentSize;  // blob segment size; fill character of a filler
};
static_assert(sizeof(FieldSpec) == 16, "FieldSpec is eight 16-bit values");

// The field table indexed by delimited position (layout/fieldtable.h): the
// entries fed by position p are entries[first[p] .. first[p + 1]), in table
// order; `unplaced` holds the others (generated values), in table order;
// `inputs` the input variable of each entry, located once for the run.
struct FieldPositions {
  std::vector<int> first;
  std::vector<int> entries;
  std::vector<int> unplaced;
  std::vector<LocatedInput> inputs;  // by entry; no variable: PutField looks it up
  int highest = 0;
};

// Format codes beyond the shared external formats (dbfuncs.h).
enum LayoutFormat : short {
  kFormatDelimitedText = 6,
  kFormatFixed = 7,
  kFormatSysdate = 202,
  kFormatEnum = 203,
  kFormatAsciiBlob = 204,
  kFormatAsciiBlobStream = 205,
  kFormatBinaryBlob = 206,
  kFormatBinaryBlobStream = 207,
};

// A field's format number as the format PutField and GetField take: formats
// 1-22 are the external formats themselves; any other number is refused by
// them (kDbCannotFormat).
constexpr ExternalFormat externalFormat(int format) {
  return static_cast<ExternalFormat>(format);
}

// externalType codes (the characters 'd' to 'j').
enum ExternalType : short {
  kExtText = 100,
  kExtInt8 = 101,
  kExtInt16 = 102,
  kExtInt32 = 103,
  kExtInt64 = 104,
  kExtFloat4 = 105,
  kExtFloat8 = 106,
};

// The external format (PutField/GetField numbering) that carries a format-7
// field of this representation: 7 for text, 1 for 1- and 2-byte integers (a
// 1-byte value travels widened to 16 bits), 2 to 5 for the others; 0 for a
// code outside 100-106.
constexpr int fixedFieldFormat(short externalType) {
  switch (externalType) {
    case kExtText: return kFormatFixed;
    case kExtInt8:
    case kExtInt16: return 1;
    case kExtInt32: return 2;
    case kExtInt64: return 3;
    case kExtFloat4: return 4;
    case kExtFloat8: return 5;
    default: return 0;
  }
}

// Generated kinds (sqlType of a filler; format of a generated SQL field).
enum GeneratedKind : short {
  kKindCharFill = 201,
  kKindSysdate = 202,
  kKindEnum = 203,
};

#endif  // LODRUN_JOB_FIELDSPEC_H
