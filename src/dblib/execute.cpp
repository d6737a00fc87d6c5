// execute.cpp - running prepared statements: one execution per use for a
// statement without output, or a cursor that is opened, fetched row by row
// and closed.
//
//   input XSQLVARs --ExecuteQuery--> database
//   database --OpenCursor/FetchRow--> output data buffer (texts trimmed)
//            \--FetchRow--> VARCHAR areas --copied--/
//
// Cursor states: 0 closed --OpenCursor--> 1 open --end of data--> 2;
// CloseCursor or the end of the cursor's transaction returns to 0.
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/convert.h"
#include "dblib/dbinternal.h"

namespace {

enum CursorState : short { kClosed = 0, kOpen = 1, kEndReached = 2 };

const char *nameOf(const QueryRecord *query) {
  return query->cursorName != nullptr ? query->cursorName : "";
}

unsigned short dialectOf(const QueryEntry *entry) {
  return static_cast<unsigned short>(entry->dialect);
}

// Blob and array identifiers are spent by the execution that used them.
void clearIdentifiers(XSQLDA *sqlda) {
  if (sqlda == nullptr) return;
  for (int i = 0; i < sqlda->sqld && i < sqlda->sqln; ++i) {
    XSQLVAR &var = sqlda->sqlvar[i];
    const int type = var.sqltype & ~1;
    if ((type == SQL_BLOB || type == SQL_ARRAY) && var.sqldata != nullptr)
      std::memset(var.sqldata, 0, sizeof(ISC_QUAD));
  }
}

// Cuts trailing blanks and NULs from every text column, starting at the
// extra byte that the layout added after the described length.
void trimTexts(XSQLDA *sqlda) {
  for (int i = 0; i < sqlda->sqld && i < sqlda->sqln; ++i) {
    XSQLVAR &var = sqlda->sqlvar[i];
    if ((var.sqltype & ~1) != SQL_TEXT || var.sqldata == nullptr) continue;
    const int end = trimmedTextLength(var.sqldata, var.sqllen);
    if (end < var.sqllen) var.sqldata[end] = 0;  // never past the data area
  }
}

// Copies the VARCHAR columns that the fetch XSQLDA received into their text
// areas in the output XSQLDA, which FetchRow has zeroed (where the client
// would have padded with blanks), and trims every text as trimTexts does: a
// VARCHAR from its own length. A NULL leaves its area zeroed.
void placeFetchedTexts(const XSQLDA *fetched, XSQLDA *output) {
  for (int i = 0; i < fetched->sqld && i < fetched->sqln; ++i) {
    const XSQLVAR &from = fetched->sqlvar[i];
    XSQLVAR &var = output->sqlvar[i];
    if (from.sqltype != (SQL_VARYING | 1)) {
      if ((var.sqltype & ~1) != SQL_TEXT || var.sqldata == nullptr) continue;
      const int end = trimmedTextLength(var.sqldata, var.sqllen);
      if (end < var.sqllen) var.sqldata[end] = 0;
      continue;
    }
    if (from.sqlind != nullptr && *from.sqlind == -1) continue;
    ISC_USHORT count = 0;
    std::memcpy(&count, from.sqldata, sizeof count);
    if (count > from.sqllen) count = static_cast<ISC_USHORT>(from.sqllen);
    std::memcpy(var.sqldata, from.sqldata + sizeof count, count);
    // count < var.sqllen: the text area has a byte more than the VARCHAR.
    var.sqldata[trimmedTextLength(var.sqldata, count)] = 0;
  }
}

// Transaction then query, as ExecuteQuery and OpenCursor look them up.
int findPair(QueryRecord *query, isc_tr_handle *tr) {
  if (FindTransaction(tr) != kDbOk) return kDbTransactionNotFound;
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  return kDbOk;
}

}  // namespace

int ExecuteQuery(QueryRecord *query, isc_tr_handle *tr) {
  if (query->outputCount != 0) {
    printMessage(dbMessages(), "Couldn't execute query (has output) ->%s<-\r\n", nameOf(query));
    return kDbSqlError;
  }
  const int found = findPair(query, tr);
  if (found != kDbOk) return found;
  QueryEntry *entry = currentQuery;
  const isc_db_handle transactionDatabase = transactionList[currentTransactionIndex].database;
  if (transactionDatabase != entry->database) {
    printMessage(dbMessages(), "DB handle (%d) not handle (%d) for transaction (%d)\r\n",
                 static_cast<int>(transactionDatabase), static_cast<int>(entry->database),
                 static_cast<int>(*tr));
    return kDbBadTriplet;
  }
  if (storeSqlCode(isc_dsql_execute(statusVector, tr, &entry->statementHandle,
                                    dialectOf(entry), entry->inputSqlda)) != 0)
    return clientFailure("exec prepared", query);
  // A block of many records has no ids to look for, execution after execution.
  if (entry->inputIdentifiers) clearIdentifiers(entry->inputSqlda);
  return kDbOk;
}

int OpenCursor(QueryRecord *query, isc_tr_handle *tr) {
  if (query->outputCount == 0) {
    printMessage(dbMessages(), "Couldn't open cursor (no output) ->%s<-\r\n", nameOf(query));
    return kDbSqlError;
  }
  const int found = findPair(query, tr);
  if (found != kDbOk) return found;
  QueryEntry *entry = currentQuery;
  if (entry->cursorState != kClosed) return kDbCursorOpen;
  if (storeSqlCode(isc_dsql_execute(statusVector, tr, &entry->statementHandle,
                                    dialectOf(entry), entry->inputSqlda)) != 0)
    return clientFailure("open cursor", query);
  entry->cursorTransaction = *tr;
  entry->cursorState = kOpen;
  return kDbOk;
}

int FetchRow(QueryRecord *query) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  QueryEntry *entry = currentQuery;
  if (entry->cursorState == kClosed) return kDbCursorNotOpen;
  if (entry->cursorState == kEndReached) {
    lastSqlCode = kDbEndOfData;  // known without asking the client
    return kDbEndOfData;
  }
  if (entry->outputData != nullptr)
    std::memset(entry->outputData, 0, static_cast<size_t>(entry->outputDataSize));
  XSQLDA *fetched = entry->fetchSqlda != nullptr ? entry->fetchSqlda : entry->outputSqlda;
  const ISC_STATUS result =
      isc_dsql_fetch(statusVector, &entry->statementHandle, dialectOf(entry), fetched);
  if (result == kDbEndOfData) {
    lastSqlCode = kDbEndOfData;
    entry->cursorState = kEndReached;
    return kDbEndOfData;
  }
  if (storeSqlCode(result) != 0) return clientFailure("fetch from cursor", query);
  ++entry->fetchCount;
  if (fetched != entry->outputSqlda)
    placeFetchedTexts(fetched, entry->outputSqlda);
  else
    trimTexts(entry->outputSqlda);
  return kDbOk;
}

int CloseCursor(QueryRecord *query) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  QueryEntry *entry = currentQuery;
  if (entry->cursorState == kClosed) return kDbOk;
  if (storeSqlCode(isc_dsql_free_statement(statusVector, &entry->statementHandle, DSQL_close)) != 0)
    return clientFailure("close cursor", query);
  entry->cursorTransaction = 0;
  entry->cursorState = kClosed;
  return kDbOk;
}
