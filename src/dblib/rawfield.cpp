// rawfield.cpp - a variable's facts and an output column's stored bytes, for
// callers that convert values themselves instead of through GetField.
//
//   output XSQLVAR --GetFieldBytes--> (pointer, length) into the data buffer
//   XSQLVAR --GetFieldFacts--> type, scale, subtype, length
//   output XSQLVAR --LocateOutputColumn--> where every fetch leaves its value
#include <cstdint>
#include <cstring>

#include "dblib/convert.h"
#include "dblib/dbinternal.h"

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
  if (variable->sqlind != nullptr && *variable->sqlind == -1) return kDbNull;
  const int type = nullableType(variable->sqltype);
  if (type == kSqlText) {
    *data = variable->sqldata;
    *length = trimmedTextLength(variable->sqldata, variable->sqllen);
  } else if (type == (SQL_VARYING | 1)) {
    uint16_t count = 0;
    std::memcpy(&count, variable->sqldata, sizeof count);
    *data = variable->sqldata + sizeof count;
    *length = count <= variable->sqllen ? count : variable->sqllen;
  } else {
    *data = variable->sqldata;
    *length = variable->sqllen;
  }
  return kDbOk;
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
  XSQLVAR *variable = currentVariable;
  if (nullableType(variable->sqltype) != kSqlText) return kDbCannotFormat;
  variable->sqldata[0] = '\0';
  variable->sqllen = 0;
  if (variable->sqlind != nullptr) *variable->sqlind = 0;
  return kDbOk;
}
