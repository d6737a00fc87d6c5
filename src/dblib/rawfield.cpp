// rawfield.cpp - a variable's facts and an output column's stored bytes, for
// callers that convert values themselves instead of through GetField.
//
//   output XSQLVAR --GetFieldBytes--> (pointer, length) into the data buffer
//   located output column --GetLocatedBytes--> the same, without the lookup
//   XSQLVAR --GetFieldFacts--> type, scale, subtype, length
//   output XSQLVAR --LocateOutputColumn--> where every fetch leaves its value
#include <cstdint>
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

int storedBytes(const char *stored, const short *nullFlag, short sqltype, short sqllen,
                const char **data, int *length);
int storeEmptyText(XSQLVAR *variable);

}  // namespace

int GetFieldFacts(bool input, QueryRecord *query, int column, FieldFacts *facts) {
  const int found = FindVariable(column, query, input);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  facts->type = static_cast<short>(variable->sqltype & ~1);
  facts->scale = variable->sqlscale;
  facts->subtype = variable->sqlsubtype;
  facts->length = variable->sqllen;
  return kDbOk;
}

int GetFieldBytes(int column, QueryRecord *query, const char **data, int *length) {
  const int found = FindVariable(column, query, false);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  if (currentQuery->statementType != kStmtSelect || currentQuery->fetchCount <= 0)
    return kDbNothingToGet;
  return storedBytes(variable->sqldata, variable->sqlind, variable->sqltype, variable->sqllen,
                     data, length);
}

int GetLocatedBytes(const FetchedColumn &located, const char **data, int *length) {
  return storedBytes(located.data, located.nullFlag, located.type, located.length, data, length);
}

int LocateOutputColumn(int column, QueryRecord *query, FetchedColumn *located) {
  const int found = FindVariable(column, query, false);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  located->data = variable->sqldata;
  located->nullFlag = variable->sqlind;
  located->type = variable->sqltype;
  located->scale = variable->sqlscale;
  located->length = variable->sqllen;
  return kDbOk;
}

int PutEmptyText(QueryRecord *query, int field) {
  const int found = FindVariable(field, query, true);
  if (found != kDbOk) return found;
  return storeEmptyText(currentVariable);
}

int PutLocatedEmptyText(const LocatedInput &located) { return storeEmptyText(located.variable); }

namespace {

// GetFieldBytes once the row is known to be there.
int storedBytes(const char *stored, const short *nullFlag, short sqltype, short sqllen,
                const char **data, int *length) {
  if (nullFlag != nullptr && *nullFlag == -1) return kDbNull;
  const int type = nullableType(sqltype);
  if (type == kSqlText) {
    *data = stored;
    *length = trimmedTextLength(stored, sqllen);
  } else if (type == (SQL_VARYING | 1)) {
    uint16_t count = 0;
    std::memcpy(&count, stored, sizeof count);
    *data = stored + sizeof count;
    *length = count <= sqllen ? count : sqllen;
  } else {
    *data = stored;
    *length = sqllen;
  }
  return kDbOk;
}

int storeEmptyText(XSQLVAR *variable) {
  if (nullableType(variable->sqltype) != kSqlText) return kDbCannotFormat;
  variable->sqldata[0] = '\0';
  variable->sqllen = 0;
  if (variable->sqlind != nullptr) *variable->sqlind = 0;
  return kDbOk;
}

}  // namespace
