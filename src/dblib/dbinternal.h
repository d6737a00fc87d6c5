// dbinternal.h - dblib's library-wide state, shared by its modules only.
// Nothing outside src/dblib (except tests) includes this header.
//
// The registries are contiguous growable arrays (growList); lookups are
// linear from index 0 and set the "current" state that the calling operation
// then uses before it calls any other operation.
#ifndef LODRUN_DBLIB_DBINTERNAL_H
#define LODRUN_DBLIB_DBINTERNAL_H

#include "dblib/dbfuncs.h"
#include "dblib/registry.h"

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

// Reports the client call `label` that has just failed (ReportSqlStatus)
// and returns kDbSqlError, what the dblib function that made it returns.
int clientFailure(const char *label, QueryRecord *query);

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

// ---------------------------------------------------------------------------
// Operations of dblib's own modules (and tests), beside the public ones.

// The run settings in use (DBuseRunSettings, or the start-up record).
DblibRunSettings &DBrunSettings();

// Writes the report of the status vector left by the last client call to
// messageStream: DumpStatusLongs, the SQLCODE line naming `label` (and the
// query's cursor name when `query` is given), the message text(s), and at
// dump level 2 the query's SQLDAs. Never fails.
void ReportSqlStatus(const char *label, QueryRecord *query);

// Writes the raw status vector: level 1 the first error code, level 2 all 20
// longs.
void DumpStatusLongs(const char *label);

// Copies the state of statusVector/lastSqlCode; called by ReportSqlStatus.
void RememberClientFailure();

// Builds the database parameter block into buffer (capacity bytes, a NUL
// after the last item). Returns its counted length, 0 when nothing is to be
// sent (no user, no charSet), or -1 when it would not fit (nothing written
// past the buffer) or a value is longer than 255 bytes.
int BuildDpb(char *buffer, int capacity, const char *user,
             const char *password, const char *charSet);

void RollbackDatabaseTransactions(isc_db_handle *db);

void CloseTransactionCursors(isc_tr_handle *tr);

// Writes the TPB of `type` into tpb (5 bytes room); returns its length.
int BuildTpb(int type, char *tpb);

void FreeDatabaseQueries(isc_db_handle *db);

// The variable as it really travels: its type code as stored (a scaled
// integer 501/497/581, TIME 561, BOOLEAN 32765) and its sqlscale (0, or -1
// to -18 fraction digits). Either pointer may be null. 0 or the locator's
// code (nothing set then).
int GetFieldStorage(int column, QueryRecord *query, bool input, short *type,
                    short *scale);

// Finds the record of (query, variable) or appends a cleared one; it becomes
// the current blob. kDbTransactionNotFound unknown transaction,
// kDbQueryNotFound unknown query, the variable locator's codes, kDbNotBlob not
// a blob variable.
int RegisterBlob(QueryRecord *query, int variable, isc_tr_handle *tr,
                 bool input);

// For the current blob: takes its subtype from the variable, reads segment
// count, largest segment, total length and type when it is being read, and
// (re)allocates its work area (none for a segmented blob being written). 0,
// kDbBlobNotFound no current blob, the locator's codes, kDbNotBlob,
// kDbSqlError.
int GetBlobInfo(int variable);

#endif  // LODRUN_DBLIB_DBINTERNAL_H
