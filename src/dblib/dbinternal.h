// dbinternal.h - dblib's library-wide state, shared by its modules only.
// Nothing outside src/dblib (except tests) includes this header.
//
// The registries are contiguous growable arrays (growList); lookups are
// linear from index 0 and set the "current" state that the calling operation
// then uses before it calls any other operation.
#ifndef LODRUN_DBLIB_DBINTERNAL_H
#define LODRUN_DBLIB_DBINTERNAL_H

#include "dblib/dbfuncs.h"

// Run settings in use (DBuseRunSettings); never null.
extern DblibRunSettings *runSettings;

// Stream for every dblib message; sets it to stdout when still unset.
FILE *dbMessages();

// Registries.
extern DatabaseEntry *databaseList;
extern int databaseCount, databaseCapacity;        // capacity starts at 16
extern TransactionEntry *transactionList;
extern int transactionCount, transactionCapacity;  // 16
extern QueryEntry *queryList;
extern int queryCount, queryCapacity;              // 256
extern BlobEntry *blobList;
extern int blobCount, blobCapacity;                // 32

// Current-operation state, set by the lookups.
extern QueryEntry *currentQuery;
extern XSQLVAR *currentVariable;
extern BlobEntry *currentBlob;
extern isc_db_handle *currentDatabase;  // where the next client call reads its
                                        // database handle
extern int currentDatabaseIndex;        // index found by FindDatabase
extern int currentTransactionIndex;     // index found by FindTransaction

// Client status of the last client call.
extern ISC_STATUS_ARRAY statusVector;
extern long lastSqlCode;

// Stores the SQLCODE of a client call's result in lastSqlCode (0 for a
// result of 0; never 0 for a failed call) and returns it.
long storeSqlCode(ISC_STATUS result);

// Registry index of a handle value, or -1.
int databaseIndexOf(isc_db_handle value);
int transactionIndexOf(isc_tr_handle value);

// 1024-byte buffer for parameter blocks and information answers; each user
// zero-fills it first.
constexpr int kInfoBufferSize = 1024;
extern char infoBuffer[kInfoBufferSize];

// Counter behind the "q%06d" XSQLDA identifiers.
extern int sqldaCounter;

// Reads one numeric item from infoBuffer (cluster 0 for a flat answer, else
// the tag of the enclosing group). Returns the value or -1.
long ReadInfoItem(const char *label, int cluster, int item);

// Coerces the variables of a described XSQLDA and lays out their data
// buffer; returns the buffer (size through *size) or nullptr on a count
// mismatch. direction is "input" or "output".
char *AllocSqlData(XSQLDA *sqlda, const char *direction, int *size, bool exact = false);
void InitSqlda(XSQLDA *sqlda, int count, int byteSize);
// Type code (nullable bit as stored) and byte size a variable shows callers
// through GetFieldType and GetFieldSize: the coercion table's type, which for
// a scaled integer is 483 (16 bits, 4 bytes) or 481 (8 bytes) and for a TIME
// 511 (8 bytes); every other variable shows its own type and length.
short presentedType(const XSQLVAR &var);
int presentedSize(const XSQLVAR &var);
void DumpSqlda(const char *direction, XSQLDA *sqlda, const short *lengths);

// Removes blob record `index` and releases its work area; the last record
// moves into its place, so blob pointers (currentBlob, cleared here) and
// indexes are only good until then.
void RemoveBlobEntry(int index);

#endif  // LODRUN_DBLIB_DBINTERNAL_H
