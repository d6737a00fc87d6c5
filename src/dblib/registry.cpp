// registry.cpp - the lookups over dblib's four handle registries and the
// current-operation state they leave behind.
//
//   caller's handle / QueryRecord --lookup--> registry entry
//        --> currentDatabase, currentQuery, currentVariable, currentBlob
//
// Lookups are linear from index 0; the first match wins. Entries move when
// others are removed, so an index or entry pointer is only good until the
// next removal.
#include <cstdio>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"

int databaseIndexOf(isc_db_handle value) {
  for (int i = 0; i < databaseCount; ++i)
    if (databaseList[i].handle == value) return i;
  return -1;
}

int transactionIndexOf(isc_tr_handle value) {
  for (int i = 0; i < transactionCount; ++i)
    if (transactionList[i].transaction == value) return i;
  return -1;
}

int FindDatabase(isc_db_handle *db) {
  const int index = databaseIndexOf(*db);
  if (index < 0) {
    printMessage(dbMessages(), "Database handle (%d) not registered\r\n",
                 static_cast<int>(*db));
    return kDbDatabaseNotFound;
  }
  currentDatabaseIndex = index;
  currentDatabase = db;
  return kDbOk;
}

int DatabaseDialect(isc_db_handle *db) {
  const int index = databaseIndexOf(*db);
  if (index < 0) {
    printMessage(dbMessages(), "Database handle (%d) not registered\r\n",
                 static_cast<int>(*db));
    return 1;
  }
  return static_cast<short>(databaseList[index].dialect);
}

int FindQuery(QueryRecord *query) {
  for (int i = 0; i < queryCount; ++i) {
    if (queryList[i].owner == query) {
      currentQuery = &queryList[i];
      currentDatabase = &currentQuery->database;
      return kDbOk;
    }
  }
  return kDbQueryNotFound;
}

int FindVariable(int number, QueryRecord *query, bool input) {
  if (number < 1) return kDbBadVariable;
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  currentVariable = nullptr;
  XSQLDA *sqlda = input ? currentQuery->inputSqlda : currentQuery->outputSqlda;
  if (sqlda == nullptr) return input ? kDbNoInput : kDbNoOutput;
  const int declared = input ? query->inputCount : query->outputCount;
  // The XSQLDA holds sqln variables; never index past them.
  if (number > declared || number > sqlda->sqln) return kDbBadVariable;
  currentVariable = &sqlda->sqlvar[number - 1];
  return kDbOk;
}

int FindBlob(int column, QueryRecord *query) {
  for (int i = 0; i < blobCount; ++i) {
    if (blobList[i].owner == query && blobList[i].variable == column) {
      currentBlob = &blobList[i];
      return FindQuery(query);
    }
  }
  return kDbBlobNotFound;
}

int DatabaseCount() { return databaseCount; }
int TransactionCount() { return transactionCount; }
int QueryCount() { return queryCount; }
int BlobCount() { return blobCount; }
