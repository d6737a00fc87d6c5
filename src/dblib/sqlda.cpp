// sqlda.cpp - XSQLDA headers, the coercion of described variables to the
// types the conversions handle, the layout of their data buffer, the types
// the variables present to callers, and the dump of an XSQLDA with its
// current values.
//
//   described XSQLVARs --coerce--> fixed types/lengths --layout--> one data
//   buffer: 8-byte values first, then 4-, 2- and odd-sized ones, so every
//   value lies on a multiple of its own size.
//
// Scaled integers keep their integer type and scale, TIME its 4-byte time of
// day and BOOLEAN its byte, so that their values arrive and leave exactly;
// callers still see them as the coercion table's types (presentedType).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "common/messagesink.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/exactvalues.h"
#include "dblib/extras.h"

namespace {

constexpr int kIdentifierWrap = 999999;
constexpr int kDumpPiece = 50;  // characters of text per dump line

bool isOneOf(int value, std::initializer_list<int> codes) {
  for (int code : codes)
    if (value == code) return true;
  return false;
}

// Nullable type and length a described variable is coerced to; false for a
// type dblib cannot handle. SQL codes match with either nullability, BLR
// codes (below 448) match exactly.
// With `exact` (the output columns of a query that asks for exact types) VARCHAR
// keeps its length word and DATE its own type; *length is then the bytes of
// the data area.
bool coercedType(const XSQLVAR &var, bool exact, short *type, short *length) {
  const int sqlCode = var.sqltype >= 448 ? (var.sqltype & ~1) : -1;
  const int blr = var.sqltype;
  if (exact && sqlCode == SQL_VARYING && var.sqllen < 32765) {
    *type = SQL_VARYING | 1;
    *length = static_cast<short>(var.sqllen + 2);
  } else if (exact && sqlCode == SQL_TYPE_DATE) {
    *type = SQL_TYPE_DATE | 1;
    *length = static_cast<short>(sizeof(ISC_DATE));
  } else if (isOneOf(sqlCode, {SQL_TEXT, SQL_VARYING}) || isOneOf(blr, {14, 15, 37, 38, 40, 41})) {
    *type = kSqlText;
    *length = static_cast<short>(var.sqllen + 1);
  } else if (sqlCode == SQL_SHORT || blr == 7) {
    *type = kSqlShort;
    *length = 2;
  } else if (sqlCode == SQL_LONG || blr == 8) {
    *type = kSqlLong;
    *length = 4;
  } else if (sqlCode == SQL_INT64 || blr == 16) {
    *type = kSqlInt64;
    *length = 8;
  } else if (sqlCode == SQL_FLOAT || blr == 10) {
    *type = kSqlFloat;
    *length = 4;
  } else if (isOneOf(sqlCode, {SQL_DOUBLE, SQL_D_FLOAT}) || isOneOf(blr, {11, 27})) {
    *type = kSqlDouble;
    *length = 8;
  } else if (sqlCode == SQL_TYPE_TIME) {
    *type = kSqlTime;
    *length = static_cast<short>(sizeof(ISC_TIME));
  } else if (sqlCode == SQL_BOOLEAN) {
    *type = kSqlBoolean;
    *length = static_cast<short>(sizeof(FB_BOOLEAN));
  } else if (isOneOf(sqlCode, {SQL_TIMESTAMP, SQL_TYPE_DATE}) || blr == 35) {
    *type = kSqlTimestamp;
    *length = 8;
  } else if (sqlCode == SQL_BLOB || isOneOf(blr, {9, 45, 261})) {
    *type = kSqlBlob;
    *length = 8;
  } else if (sqlCode == SQL_ARRAY) {
    *type = kSqlArray;
    *length = 8;
  } else {
    return false;
  }
  return true;
}

const char *currentSqlText() {
  if (currentQuery == nullptr || currentQuery->owner == nullptr ||
      currentQuery->owner->sqlText == nullptr)
    return "";
  return currentQuery->owner->sqlText;
}

[[noreturn]] void unknownSqlType(const XSQLDA *sqlda, int index) {
  const XSQLVAR &var = sqlda->sqlvar[index];
  FILE *out = dbMessages();
  printMessage(out, "Err at %s line %d\r\n", "qrfuncs", 109);
  printMessage(out, "Unknown SQL type (%d) for query <%.8s/%-32.32s> variable %d\r\n",
               var.sqltype, sqlda->sqldaid, var.aliasname, index + 1);
  PanicExitDb();
  std::abort();
}

// Writes the text of a 453 variable in pieces of at most 50 characters.
void dumpText(FILE *out, const char *data, int capacity) {
  const int length = static_cast<int>(strnlen(data, static_cast<size_t>(capacity)));
  if (length == 0) {
    printMessage(out, "\tString ( 0): <>\r\n");
    return;
  }
  for (int start = 0; start < length; start += kDumpPiece) {
    const int piece = length - start < kDumpPiece ? length - start : kDumpPiece;
    if (start == 0)
      printMessage(out, "\tString (%5d): <%.*s", length, piece, data);
    else
      printMessage(out, "\t------------------%.*s", piece, data + start);
    printMessage(out, start + piece >= length ? ">\r\n" : "\r\n");
  }
}

template <typename T>
T readValue(const char *data) {
  T value;
  std::memcpy(&value, data, sizeof value);  // data need not be aligned for T
  return value;
}

void dumpValue(FILE *out, const XSQLVAR &var) {
  const char *data = var.sqldata;
  char value[64];
  if (isScaledInteger(var)) {
    const long long whole = (var.sqltype | 1) == kSqlShort ? readValue<short>(data)
                            : (var.sqltype | 1) == kSqlLong ? readValue<int32_t>(data)
                                                            : readValue<long long>(data);
    char text[kScaledTextRoom];
    formatScaled(whole, var.sqlscale, text);
    printMessage(out, "\tContents: <Scaled: %s>\r\n", text);
    return;
  }
  switch (var.sqltype | 1) {
    case kSqlDouble:
      std::snprintf(value, sizeof value, "Double: %15.7f", readValue<double>(data));
      break;
    case kSqlFloat:
      std::snprintf(value, sizeof value, "Float:  %15.7f",
                    static_cast<double>(readValue<float>(data)));
      break;
    case kSqlLong:
      std::snprintf(value, sizeof value, "Int32:  %d", readValue<int32_t>(data));
      break;
    case kSqlShort:
      std::snprintf(value, sizeof value, "Int16:  %hd", readValue<short>(data));
      break;
    case kSqlTimestamp:
      std::snprintf(value, sizeof value, "Date:   %d/%d", readValue<int32_t>(data),
                    readValue<int32_t>(data + 4));
      break;
    case kSqlBlob:
      std::snprintf(value, sizeof value, "Blob:   %d/%d", readValue<int32_t>(data),
                    readValue<int32_t>(data + 4));
      break;
    case kSqlArray:
      std::snprintf(value, sizeof value, "Array:  %d/%d", readValue<int32_t>(data),
                    readValue<int32_t>(data + 4));
      break;
    case kSqlInt64:
      std::snprintf(value, sizeof value, "Int64:  %lld", readValue<long long>(data));
      break;
    case kSqlTime: {
      char text[kTimeTextRoom];
      formatTimeOfDay(readValue<ISC_TIME>(data), 4, text);
      std::snprintf(value, sizeof value, "Time:   %s", text);
      break;
    }
    case kSqlBoolean:
      std::snprintf(value, sizeof value, "Bool:   %s",
                    booleanText(static_cast<unsigned char>(data[0]) != 0));
      break;
    default:
      std::snprintf(value, sizeof value, "Unknown TYPE!");
      break;
  }
  printMessage(out, "\tContents: <%s>\r\n", value);
}

}  // namespace

void InitSqlda(XSQLDA *sqlda, int count, int byteSize) {
  if (++sqldaCounter > kIdentifierWrap) sqldaCounter = 0;
  sqlda->version = SQLDA_VERSION1;
  char identifier[16];
  std::snprintf(identifier, sizeof identifier, "q%06d", sqldaCounter);
  std::memcpy(sqlda->sqldaid, identifier, sizeof sqlda->sqldaid);  // 7 + NUL
  sqlda->sqln = static_cast<ISC_SHORT>(count);
  sqlda->sqldabc = byteSize;
}

char *AllocSqlData(XSQLDA *sqlda, const char *direction, int *size, bool exact) {
  if (sqlda->sqln != sqlda->sqld) {
    printMessage(dbMessages(),
                 "Query: <%s>\r\n %s has <=> counts for sqln/sqld: %hd/%hd\r\n",
                 currentSqlText(), direction, sqlda->sqln, sqlda->sqld);
    return nullptr;
  }
  long total = 0;
  // Bytes of each data area: the length, except for a VARCHAR kept with its
  // length word (sqllen counts only its characters), rounded up to keep that
  // word on an even address.
  std::vector<short> bytes(static_cast<size_t>(sqlda->sqld), 0);
  for (int i = 0; i < sqlda->sqld; ++i) {
    XSQLVAR &var = sqlda->sqlvar[i];
    short type = 0, length = 0;
    if (!coercedType(var, exact, &type, &length)) unknownSqlType(sqlda, i);
    if (length <= 0) {
      // A 32767-byte text has no room for its terminator in a 16-bit length.
      printMessage(dbMessages(),
                   "Query: <%s>\r\n %s variable %d of %d bytes is too long\r\n",
                   currentSqlText(), direction, i + 1, var.sqllen);
      return nullptr;
    }
    var.sqltype = type;
    const bool varying = type == (SQL_VARYING | 1);
    var.sqllen = static_cast<short>(varying ? length - 2 : length);
    bytes[static_cast<size_t>(i)] = static_cast<short>(varying ? (length + 1) / 2 * 2 : length);
    total += bytes[static_cast<size_t>(i)];
  }
  total = (total + 3) / 4 * 4;
  char *buffer = static_cast<char *>(allocZeroed(total, "SQL data buffer"));
  *size = static_cast<int>(total);

  // Four passes: each variable takes the next offset in the first pass whose
  // step divides its length, so values stay aligned to their size.
  std::vector<bool> placed(static_cast<size_t>(sqlda->sqld), false);
  long offset = 0;
  for (int step : {8, 4, 2, 1}) {
    for (int i = 0; i < sqlda->sqld; ++i) {
      XSQLVAR &var = sqlda->sqlvar[i];
      const short size = bytes[static_cast<size_t>(i)];
      if (placed[static_cast<size_t>(i)] || size % step != 0) continue;
      placed[static_cast<size_t>(i)] = true;
      var.sqldata = buffer + offset;
      offset += size;
    }
  }
  return buffer;
}

// A scaled number presents itself as the floating type of its width that it
// used to travel as (a 16-bit one as a float), a TIME as a timestamp:
// layouts, generated values and settings reports keep treating them so.
short presentedType(const XSQLVAR &var) {
  const int type = var.sqltype | 1;
  if (type == kSqlTime) return kSqlTimestamp;
  if (!isScaledInteger(var)) return var.sqltype;
  return type == kSqlShort ? kSqlFloat : kSqlDouble;
}

int presentedSize(const XSQLVAR &var) {
  const int type = var.sqltype | 1;
  if (type == kSqlTime) return static_cast<int>(sizeof(ISC_TIMESTAMP));
  if (!isScaledInteger(var)) return var.sqllen;
  return type == kSqlShort ? 4 : 8;
}

void DumpSqlda(const char *direction, XSQLDA *sqlda, const short *lengths) {
  FILE *out = dbMessages();
  printMessage(out,
               " SQLDA type:%s name: %.8s, sqlda version: %hd, size: %d, sqld/sqln: %hd/%hd\r\n",
               direction, sqlda->sqldaid, sqlda->version, static_cast<int>(sqlda->sqldabc),
               sqlda->sqld, sqlda->sqln);
  if (sqlda->sqld == 0) return;
  printMessage(out, "\tType\tSize\t      Data      Ind. (=)  Name\r\n");
  // Only sqln variables exist, whatever the client reported in sqld.
  const int count = sqlda->sqld < sqlda->sqln ? sqlda->sqld : sqlda->sqln;
  for (int i = 0; i < count; ++i) {
    const XSQLVAR &var = sqlda->sqlvar[i];
    if (var.sqldata == nullptr) continue;
    const int size = lengths != nullptr ? lengths[i] : var.sqllen;
    // Addresses are printed whole and apart: a 64-bit pointer overflows "%10d".
    printMessage(out, "  %2d->\t%3hd\t%3d\t%10lld %10lld %3hd  %-32.32s\r\n", i + 1,
                 var.sqltype, size,
                 static_cast<long long>(reinterpret_cast<uintptr_t>(var.sqldata)),
                 static_cast<long long>(reinterpret_cast<uintptr_t>(var.sqlind)),
                 var.sqlind != nullptr ? *var.sqlind : static_cast<short>(0),
                 var.aliasname);
    if ((var.sqltype | 1) == kSqlText)
      dumpText(out, var.sqldata, size);
    else
      dumpValue(out, var);
  }
}
