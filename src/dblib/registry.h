// registry.h - dblib's handle registries: the record of each registered
// database, transaction, prepared statement and open blob, and their
// lookups. For dblib's modules and tests; callers outside dblib know only
// their own handles and QueryRecord (dbfuncs.h).
#ifndef LODRUN_DBLIB_REGISTRY_H
#define LODRUN_DBLIB_REGISTRY_H

#include <ibase.h>

#include <cstdint>

#include "dblib/dbfuncs.h"

// dblib's state of one prepared statement (queryList).
struct QueryEntry {
  XSQLDA *inputSqlda;
  XSQLDA *outputSqlda;
  QueryRecord *owner;              // registry key
  char *inputData;
  char *outputData;
  short *inputNullFlags;
  short *outputNullFlags;
  short *inputDataLengths;         // laid-out capacity of each input variable
  // What FetchRow hands the client when some VARCHAR column is presented as
  // text: the output XSQLDA again, those columns kept as VARCHAR in
  // fetchData (FetchRow copies them into their text areas); null otherwise.
  XSQLDA *fetchSqlda;
  char *fetchData;
  isc_db_handle database;          // copy of the database handle value
  isc_tr_handle cursorTransaction; // transaction the cursor was opened in; 0 none
  isc_stmt_handle statementHandle;
  int32_t fetchCount;
  int32_t inputDataSize;
  int32_t outputDataSize;
  int32_t dialect;
  bool inputIdentifiers;           // some input is a blob or array id
  short statementType;             // -1 when it could not be read
  short cursorState;               // 0 closed, 1 open, 2 end of data reached
};

struct DatabaseEntry {
  isc_db_handle handle;
  int32_t dialect;
  char name[256];
};

struct TransactionEntry {
  isc_db_handle database;
  isc_tr_handle transaction;
  char name[32];
};

// One open blob, keyed by (owner, variable).
struct BlobEntry {
  int64_t totalLength;       // written so far, or the length read from the database
  QueryRecord *owner;
  char *workArea;            // segmentSize bytes ("blob work area"); none for
                             // a segmented blob being written
  isc_blob_handle handle;
  int32_t segmentCount;      // read side, from the database
  unsigned short segmentSize;
  unsigned short fillLevel;  // bytes held in workArea
  short variable;            // 1-based input or output variable
  short state;               // 0 registered, 1 open for reading, 2 created for
                             // writing, 3 end reached while reading
  short subtype;             // 0 binary, 1 text
  short blobType;            // 0 segmented, 1 stream
};

int FindDatabase(isc_db_handle *db);          // 0 or kDbDatabaseNotFound (with message)

int DatabaseDialect(isc_db_handle *db);       // dialect, 1 when unregistered

int FindQuery(QueryRecord *query);            // 0 or kDbQueryNotFound (silent)

// Registry sizes, for tests and diagnostics.
int DatabaseCount();

int TransactionCount();

int QueryCount();

int BlobCount();

int FindTransaction(isc_tr_handle *tr);      // 0 or kDbTransactionNotFound (with message)

int TransactionDialect(isc_tr_handle *tr);   // dialect, 1 when unknown

#endif  // LODRUN_DBLIB_REGISTRY_H
