// inputcopy.cpp - input values moved between prepared statements, and the
// input variables as the statement declared them.
//
//   statement A's input XSQLVARs --MoveInputValues--> statement B's XSQLVARs
//   (data, current length, null indicator; A's blob ids are spent)
//   prepared statement --describe_bind--> DescribedInput (before coercion)
//
// A caller that executes the values of several records in one statement
// converts each record into the statement it was prepared for, moves the
// values into its slot of the larger statement, and moves them back to run
// one record alone.
//
//   prepared statement --UseMessageLayout--> XSQLVARs over one buffer laid
//       out as the engine's input message, texts as VARCHAR, dates as DATE
//   text (length, bytes) <--MoveInputValues--> VARCHAR (length word, bytes)
//   timestamp (day, time) <--MoveInputValues--> DATE (day; time 0 back)
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"
#include "dblib/extras.h"

namespace {

ISC_STATUS_ARRAY keptStatus;
long keptSqlCode = 0;

bool isIdentifier(int type) {
  const int plain = type & ~1;
  return plain == SQL_BLOB || plain == SQL_ARRAY;
}

// The input XSQLDA of a registered, prepared query, or a locator code.
int inputsOf(QueryRecord *query, XSQLDA **sqlda, short **capacities) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  if (currentQuery->inputSqlda == nullptr) return kDbNoInput;
  *sqlda = currentQuery->inputSqlda;
  *capacities = currentQuery->inputDataLengths;
  return kDbOk;
}

bool inRange(const XSQLDA *sqlda, int first, int count) {
  return first >= 1 && count >= 0 && first - 1 + count <= sqlda->sqld &&
         first - 1 + count <= sqlda->sqln;
}

constexpr short kSqlVarying = SQL_VARYING | 1;
constexpr short kSqlDate = SQL_TYPE_DATE | 1;

// Moves one value between a variable in dblib's form and one that
// UseMessageLayout gave the described form; false when the pair is not such
// a pair.
bool moveBetweenForms(const XSQLVAR &s, XSQLVAR &t, int targetCapacity) {
  if (s.sqltype == kSqlText && t.sqltype == kSqlVarying) {
    const unsigned short length =
        static_cast<unsigned short>(s.sqllen < t.sqllen ? s.sqllen : t.sqllen);
    std::memcpy(t.sqldata, &length, sizeof length);
    std::memcpy(t.sqldata + sizeof length, s.sqldata, length);
  } else if (s.sqltype == kSqlVarying && t.sqltype == kSqlText) {
    unsigned short length = 0;
    std::memcpy(&length, s.sqldata, sizeof length);
    if (length > targetCapacity - 1) length = static_cast<unsigned short>(targetCapacity - 1);
    std::memcpy(t.sqldata, s.sqldata + sizeof length, length);
    t.sqldata[length] = '\0';
    t.sqllen = static_cast<short>(length);
  } else if (s.sqltype == kSqlTimestamp && t.sqltype == kSqlDate) {
    // The day, as the engine keeps of a timestamp given for a DATE.
    std::memcpy(t.sqldata, s.sqldata, sizeof(ISC_DATE));
  } else if (s.sqltype == kSqlDate && t.sqltype == kSqlTimestamp) {
    const ISC_TIMESTAMP stamp = {*reinterpret_cast<const ISC_DATE *>(s.sqldata), 0};
    std::memcpy(t.sqldata, &stamp, sizeof stamp);
  } else {
    return false;
  }
  *t.sqlind = *s.sqlind;
  return true;
}

// Bytes a value of the type takes is aligned to in the engine's message.
size_t messageAlignment(short type) {
  switch (type & ~1) {
    case SQL_TEXT:
    case SQL_BOOLEAN: return 1;
    case SQL_VARYING:
    case SQL_SHORT: return 2;
    case SQL_INT64:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return 8;
    default: return 4;
  }
}

size_t alignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

}  // namespace

int DescribeInputs(QueryRecord *query, DescribedInput *inputs, int capacity) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  QueryEntry *entry = currentQuery;
  if (entry->inputSqlda == nullptr) return kDbNoInput;
  const int count = entry->inputSqlda->sqld;
  if (count > capacity) return kDbBadVariable;
  XSQLDA *sqlda = static_cast<XSQLDA *>(allocZeroed(XSQLDA_LENGTH(count), "described inputs"));
  sqlda->version = SQLDA_VERSION1;
  sqlda->sqln = static_cast<ISC_SHORT>(count);
  const ISC_STATUS result =
      isc_dsql_describe_bind(statusVector, &entry->statementHandle,
                             static_cast<unsigned short>(entry->dialect), sqlda);
  int status = kDbOk;
  if (storeSqlCode(result) != 0) {
    ReportSqlStatus("describe_bind query", query);
    status = kDbSqlError;
  } else {
    for (int i = 0; i < count; ++i) {
      const XSQLVAR &var = sqlda->sqlvar[i];
      inputs[i] = DescribedInput{static_cast<short>(var.sqltype), var.sqlsubtype, var.sqllen,
                                 var.sqlscale};
    }
  }
  std::free(sqlda);
  return status;
}

int SameInputForms(QueryRecord *a, int aFirst, QueryRecord *b, int bFirst, int count) {
  XSQLDA *left = nullptr, *right = nullptr;
  short *leftCapacity = nullptr, *rightCapacity = nullptr;
  int found = inputsOf(a, &left, &leftCapacity);
  if (found == kDbOk) found = inputsOf(b, &right, &rightCapacity);
  if (found != kDbOk) return found;
  if (!inRange(left, aFirst, count) || !inRange(right, bFirst, count)) return kDbBadVariable;
  for (int i = 0; i < count; ++i) {
    const XSQLVAR &l = left->sqlvar[aFirst - 1 + i];
    const XSQLVAR &r = right->sqlvar[bFirst - 1 + i];
    if (l.sqltype != r.sqltype || l.sqlsubtype != r.sqlsubtype || l.sqlscale != r.sqlscale ||
        leftCapacity[aFirst - 1 + i] != rightCapacity[bFirst - 1 + i])
      return kDbBadFieldType;
  }
  return kDbOk;
}

int MoveInputValues(QueryRecord *from, int fromFirst, QueryRecord *to, int toFirst, int count) {
  InputMove move;
  const int found = ResolveInputMove(from, fromFirst, to, toFirst, count, &move);
  if (found != kDbOk) return found;
  MoveResolvedInputs(move);
  return kDbOk;
}

int ResolveInputMove(QueryRecord *from, int fromFirst, QueryRecord *to, int toFirst, int count,
                     InputMove *move) {
  XSQLDA *source = nullptr, *target = nullptr;
  short *sourceCapacity = nullptr, *targetCapacity = nullptr;
  int found = inputsOf(from, &source, &sourceCapacity);
  if (found == kDbOk) found = inputsOf(to, &target, &targetCapacity);
  if (found != kDbOk) return found;
  if (!inRange(source, fromFirst, count) || !inRange(target, toFirst, count))
    return kDbBadVariable;
  *move = InputMove{&source->sqlvar[fromFirst - 1], &target->sqlvar[toFirst - 1],
                    &targetCapacity[toFirst - 1], count};
  return kDbOk;
}

void MoveResolvedInputs(const InputMove &move) {
  for (int i = 0; i < move.count; ++i) {
    XSQLVAR &s = move.source[i];
    XSQLVAR &t = move.target[i];
    const int capacity = move.targetCapacity[i];
    if (s.sqltype != t.sqltype && moveBetweenForms(s, t, capacity)) continue;
    // A text carries its current length and a NUL; other values are whole.
    int bytes = nullableType(s.sqltype) == kSqlText ? s.sqllen + 1 : s.sqllen;
    if (bytes > capacity) bytes = capacity;
    // The usual widths copied inline.
    if (bytes == 4)
      std::memcpy(t.sqldata, s.sqldata, 4);
    else if (bytes == 8)
      std::memcpy(t.sqldata, s.sqldata, 8);
    else if (bytes > 0)
      std::memcpy(t.sqldata, s.sqldata, static_cast<size_t>(bytes));
    t.sqllen = s.sqllen;
    *t.sqlind = *s.sqlind;
    // An id is spent by the one execution that uses it.
    if (isIdentifier(s.sqltype)) std::memset(s.sqldata, 0, sizeof(ISC_QUAD));
  }
}

int UseMessageLayout(QueryRecord *query) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  QueryEntry *entry = currentQuery;
  XSQLDA *sqlda = entry->inputSqlda;
  if (sqlda == nullptr) return kDbNoInput;
  const int count = sqlda->sqld < sqlda->sqln ? sqlda->sqld : sqlda->sqln;
  std::vector<DescribedInput> described(static_cast<size_t>(count));
  const int status = DescribeInputs(query, described.data(), count);
  if (status != kDbOk) return status;
  currentQuery = entry;
  // The offsets the client computes for the message: a value at its
  // type's alignment, its null indicator after it on an even offset.
  std::vector<size_t> data(static_cast<size_t>(count)), nulls(static_cast<size_t>(count));
  size_t total = 0;
  for (int i = 0; i < count; ++i) {
    XSQLVAR &var = sqlda->sqlvar[i];
    const DescribedInput &d = described[static_cast<size_t>(i)];
    const int was = d.sqltype & ~1;
    if (var.sqltype == kSqlText && (was == SQL_TEXT || was == SQL_VARYING)) {
      var.sqltype = kSqlVarying;
      var.sqllen = d.sqllen;
    } else if (var.sqltype == kSqlTimestamp && was == SQL_TYPE_DATE) {
      var.sqltype = kSqlDate;
      var.sqllen = static_cast<short>(sizeof(ISC_DATE));
    }
    const size_t bytes = static_cast<size_t>(var.sqllen) +
                         (var.sqltype == kSqlVarying ? sizeof(unsigned short) : 0);
    data[static_cast<size_t>(i)] = alignUp(total, messageAlignment(var.sqltype));
    nulls[static_cast<size_t>(i)] = alignUp(data[static_cast<size_t>(i)] + bytes, sizeof(short));
    total = nulls[static_cast<size_t>(i)] + sizeof(short);
  }
  total = alignUp(total, 8);
  char *buffer = static_cast<char *>(allocZeroed(static_cast<long>(total), "input message"));
  for (int i = 0; i < count; ++i) {
    XSQLVAR &var = sqlda->sqlvar[i];
    short *flag = reinterpret_cast<short *>(buffer + nulls[static_cast<size_t>(i)]);
    *flag = *var.sqlind;
    var.sqlind = flag;
    var.sqldata = buffer + data[static_cast<size_t>(i)];
  }
  std::free(entry->inputData);
  entry->inputData = buffer;
  entry->inputDataSize = static_cast<int32_t>(total);
  return kDbOk;
}

int SetInputsNull(QueryRecord *query, int first, int count) {
  XSQLDA *sqlda = nullptr;
  short *capacities = nullptr;
  const int found = inputsOf(query, &sqlda, &capacities);
  if (found != kDbOk) return found;
  if (!inRange(sqlda, first, count)) return kDbBadVariable;
  for (int i = 0; i < count; ++i) {
    XSQLVAR &var = sqlda->sqlvar[first - 1 + i];
    *var.sqlind = -1;
    if (isIdentifier(var.sqltype)) std::memset(var.sqldata, 0, sizeof(ISC_QUAD));
  }
  return kDbOk;
}

void KeepClientStatus() {
  std::memcpy(keptStatus, statusVector, sizeof keptStatus);
  keptSqlCode = lastSqlCode;
}

void RestoreClientStatus() {
  std::memcpy(statusVector, keptStatus, sizeof keptStatus);
  lastSqlCode = keptSqlCode;
}
