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
#include <cstdlib>
#include <cstring>

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
  XSQLDA *source = nullptr, *target = nullptr;
  short *sourceCapacity = nullptr, *targetCapacity = nullptr;
  int found = inputsOf(from, &source, &sourceCapacity);
  if (found == kDbOk) found = inputsOf(to, &target, &targetCapacity);
  if (found != kDbOk) return found;
  if (!inRange(source, fromFirst, count) || !inRange(target, toFirst, count))
    return kDbBadVariable;
  for (int i = 0; i < count; ++i) {
    XSQLVAR &s = source->sqlvar[fromFirst - 1 + i];
    XSQLVAR &t = target->sqlvar[toFirst - 1 + i];
    const int capacity = targetCapacity[toFirst - 1 + i];
    // A text carries its current length and a NUL; other values are whole.
    int bytes = nullableType(s.sqltype) == kSqlText ? s.sqllen + 1 : s.sqllen;
    if (bytes > capacity) bytes = capacity;
    if (bytes > 0) std::memcpy(t.sqldata, s.sqldata, static_cast<size_t>(bytes));
    t.sqllen = s.sqllen;
    *t.sqlind = *s.sqlind;
    // An id is spent by the one execution that uses it.
    if (isIdentifier(s.sqltype)) std::memset(s.sqldata, 0, sizeof(ISC_QUAD));
  }
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
