// state.cpp - dblib's library-wide state (see dbinternal.h): the four
// registries, the current-operation state, the client status and the
// information buffer.
#include "dblib/dbinternal.h"

DatabaseEntry *databaseList = nullptr;
int databaseCount = 0, databaseCapacity = 16;
TransactionEntry *transactionList = nullptr;
int transactionCount = 0, transactionCapacity = 16;
QueryEntry *queryList = nullptr;
int queryCount = 0, queryCapacity = 256;
BlobEntry *blobList = nullptr;
int blobCount = 0, blobCapacity = 32;

QueryEntry *currentQuery = nullptr;
XSQLVAR *currentVariable = nullptr;
BlobEntry *currentBlob = nullptr;
isc_db_handle *currentDatabase = nullptr;
int currentDatabaseIndex = -1;
int currentTransactionIndex = -1;

ISC_STATUS_ARRAY statusVector = {};
long lastSqlCode = 0;

char infoBuffer[kInfoBufferSize] = {};

int sqldaCounter = 0;
