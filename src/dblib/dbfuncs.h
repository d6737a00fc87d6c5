// dbfuncs.h - public interface of dblib, the database access library over the
// Firebird client's ISC C API.
//
// dblib owns four handle registries (databases, transactions, queries, blobs),
// every XSQLDA and data buffer it allocates, one library-wide status vector and
// the "current" lookup state. Callers own their handle variables
// (isc_db_handle, isc_tr_handle) and their QueryRecord; dblib registers those
// values and checks every handle it is given against its registries.
//
//   caller text --PutField--> input XSQLVAR --ExecuteQuery--> database
//   database --OpenCursor/FetchRow--> output XSQLVAR --GetField--> caller text
//   file bytes --CreateBlob/PutBlob/CloseBlob--> blob id in input XSQLVAR
//   blob id in output XSQLVAR --OpenBlob/GetBlobSegment/CloseBlob--> bytes
//
// Every operation returns a DblibError code (0 success, 100 end of data) and
// never stops the program, except PanicExitDb and the fatal cases of an SQL
// type it cannot handle and of exhausted memory. When a client call fails the
// operation writes the client's status report to messageStream at once
// (ReportSqlStatus) and returns kDbSqlError (20006).
//
// dblib is single-threaded and not re-entrant.
#ifndef LODRUN_DBLIB_DBFUNCS_H
#define LODRUN_DBLIB_DBFUNCS_H

#include <ibase.h>

#include <cstdint>
#include <cstdio>
#include <ctime>

// ---------------------------------------------------------------------------
// Result codes. Texts in DblibErrorText.
enum DblibError : int {
  kDbOk = 0,
  kDbEndOfData = 100,
  kDbDatabaseNotFound = 20001,
  kDbTransactionNotFound = 20002,
  kDbQueryNotFound = 20003,
  kDbBlobNotFound = 20004,
  kDbHandleLive = 20005,
  kDbSqlError = 20006,
  kDbBadTriplet = 20007,
  kDbCursorNotOpen = 20008,
  kDbNothingToGet = 20009,
  kDbBlobEnd = 20011,          // reading past the end of a blob
  kDbNotBlob = 20012,
  kDbBlobSizeBad = 20014,
  kDbNameDuplicate = 20016,
  kDbNameTooLong = 20018,
  kDbAlreadyPrepared = 20019,
  kDbMisaligned = 20021,
  kDbCursorOpen = 20022,
  kDbMissingCredentials = 20025,
  kDbStrangeReturn = 20026,    // parameter block too long
  kDbPutBlobField = 20028,
  kDbBadFieldType = 20029,
  kDbNumberConversion = 20030,
  kDbBlobSizeZero = 20031,
  kDbBlobStyleBad = 20032,
  kDbNoInput = 20033,
  kDbNoOutput = 20034,
  kDbBadVariable = 20035,
  kDbNull = 20101,
  kDbTruncated = 20102,
  kDbCannotFormat = 20103,
  kDbFieldSize = 20106,
  kDbBadDate = 20107,
  kDbBadTime = 20108,
  kDbSqldaCounts = 20109,
};

// ---------------------------------------------------------------------------
// External format numbers, shared by PutField, GetField and field
// specifications.
enum ExternalFormat : int {
  FmtShort = 1,          // 16-bit binary integer
  FmtLong = 2,           // 32-bit binary integer
  FmtInt64 = 3,          // 64-bit binary integer
  FmtFloat = 4,          // 4-byte binary float
  FmtDouble = 5,         // 8-byte binary double
  FmtText = 6,           // text (delimited field), NUL-terminated on output
  FmtFixedText = 7,      // text of exactly `length` bytes (fixed-size field)
  FmtCountedText = 8,    // one count byte, then the text
  FmtCounted16Text = 9,  // 16-bit count, then the text
  FmtTimestamp = 10,     // the database's own 8 bytes (also blob/array ids)
  FmtYMDdate = 11,       // YYYY/MM/DD [hh:mm:ss]
  FmtMDYdateUS = 12,     // MM/DD/YYYY [hh:mm:ss]
  FmtYMDtime = 13,       // YYYY/MM/DD hh:mm:ss
  FmtMDYtime = 14,       // MM/DD/YYYY hh:mm:ss
  FmtDMonYdate = 15,     // DD/Mon/YYYY
  FmtMDYdate = 16,       // DD/MM/YYYY: the run's default date format (the
                         // usage text calls the default by this name)
  FmtDMYtime = 17,       // DD/MM/YYYY hh:mm:ss
  FmtTimeRecord = 18,    // struct tm's first nine ints, copied
  FmtDoubleDate = 19,    // double YYYYMMDD.hhmmss
  FmtLongDate = 20,      // 32-bit YYYYMMDD
  FmtJulianDate = 21,    // 32-bit YYYYDDD
  FmtInt64Date = 22,     // 64-bit YYYYMMDDhhmmss
};

// Size in bytes of a format-18 time record: nine 32-bit ints.
constexpr int kTimeRecordBytes = 9 * 4;

// ---------------------------------------------------------------------------
// Run settings that dblib reads. Job control owns and sets them (JobSettings
// derives from this record); dblib only reads them, except lastDblibError,
// which callers store every dblib result in before testing it.
struct DblibRunSettings {
  FILE *messageStream = nullptr;  // every dblib message; stdout until a log file
  int statusDumpLevel = 1;        // 1 short status reports, 2 full dumps
  unsigned char fractComma = 0;   // ',' is the decimal separator in number texts
  short centurySplit = 0;         // 1-99: two-digit years above it are 19yy; 0 unset
  char dateSeparator = '/';       // separator of output date texts
  const char *lineEnd = "\r\n";   // ends the lines of ReportDblibError
  short lineEndLength = 2;
  int lastDblibError = 0;         // printed by ReportDblibError
  void (*beforeMessage)() = nullptr;  // called before dblib writes a message
};

// Points dblib at the run's settings; they must outlive every dblib call.
// Until it is called dblib uses an internal record with the start-up values.
void DBuseRunSettings(DblibRunSettings *settings);
DblibRunSettings &DBrunSettings();

// ---------------------------------------------------------------------------
// Records. A query is identified by the caller's QueryRecord (its address).
struct QueryRecord {
  const char *cursorName = nullptr;  // cursor name for statements with output
  const char *sqlText = nullptr;     // the statement, NUL-terminated
  short prepared = 0;                // 1 after PrepareQuery, 0 when freed
  short inputCount = 0;              // input variables the caller expects
  short outputCount = 0;             // output columns expected at most; lowered
                                     // to the real count by PrepareQuery
  bool exactOutputTypes = false;     // set before PrepareQuery: output columns
                                     // keep exact types, read with GetFieldBytes
                                     // (not GetField): VARCHAR as SQL_VARYING
                                     // with its length, DATE as SQL_TYPE_DATE
};

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
  char *workArea;            // segmentSize bytes ("blob work area")
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

// Statement types (isc_info_sql_stmt_type answers) that callers test.
enum StatementType : short {
  kStmtSelect = 1,
  kStmtInsert = 2,
  kStmtUpdate = 3,
  kStmtDelete = 4,
  kStmtExecProcedure = 8,
};

// Coerced SQL types (always with the nullable bit) that PutField/GetField meet.
// Scaled integers keep kSqlShort/kSqlLong/kSqlInt64 with their sqlscale;
// TIME columns are kSqlTime (4-byte ISC_TIME), BOOLEAN kSqlBoolean (1 byte).
constexpr short kSqlText = 453, kSqlDouble = 481, kSqlFloat = 483,
                kSqlLong = 497, kSqlShort = 501, kSqlInt64 = 581,
                kSqlTimestamp = 511, kSqlBlob = 521, kSqlArray = 541,
                kSqlTime = 561, kSqlBoolean = 32765;

// The numeric pair every number conversion goes through: the same value as a
// double and as a signed 64-bit integer (truncated toward zero).
struct NumericPair {
  double real = 0.0;
  long long whole = 0;
};

// ---------------------------------------------------------------------------
// Errors and reporting (error reporting module)

// Fixed English text of any code; unknown codes give "Unknown library error code".
const char *DblibErrorText(int code);

// Writes the report of the status vector left by the last client call to
// messageStream: DumpStatusLongs, the SQLCODE line naming `label` (and the
// query's cursor name when `query` is given), the message text(s), and at
// dump level 2 the query's SQLDAs. Never fails.
void ReportSqlStatus(const char *label, QueryRecord *query);

// Writes the raw status vector: level 1 the first error code, level 2 all 20
// longs.
void DumpStatusLongs(const char *label);

// Caller-side summary to standard output:
// "Got dblib error %d while doing %s"[" with SQL field %d"]": %s" lineEnd,
// with lastDblibError from the run settings.
void ReportDblibError(const char *operation, int sqlField);
// True when the last failed client call says the database connection is
// gone (network error, lost connection, shutdown): the server may or may not
// have done what was asked.
bool ConnectionLost();

// The last client failure (failure module). ReportSqlStatus keeps its
// SQLCODE, the gds codes of its status vector in order, and its interpreted
// messages (fb_interpret), because later client calls overwrite the vector.
constexpr int kClientFailureCodes = 10;
constexpr int kClientFailureMessages = 8;
constexpr int kClientFailureMessageSize = 256;
struct ClientFailure {
  long sqlCode = 0;
  int codeCount = 0;
  ISC_STATUS codes[kClientFailureCodes] = {};
  int messageCount = 0;
  char messages[kClientFailureMessages][kClientFailureMessageSize] = {};
};
// Copies the state of statusVector/lastSqlCode; called by ReportSqlStatus.
void RememberClientFailure();
// The failure kept by the last ReportSqlStatus, or nullptr when none is kept
// or it has been cleared. Valid until the next ReportSqlStatus.
const ClientFailure *LastClientFailure();
// Marks the kept failure as dealt with: LastClientFailure gives nullptr.
void ClearClientFailure();
// Copies the column name (sqlname) of input variable `column` (1-based) and
// a NUL into destination (room for 33 bytes); empty when the statement
// gives none (an expression). 0, 20003, 20033 or 20035.
int GetInputFieldName(int column, QueryRecord *query, char *destination);

// ---------------------------------------------------------------------------
// Connections and handles

// Attaches `name` (cut at its first space) and registers it. user/password
// are both given or both absent; charSet, when given, is sent as the
// connection character set. Returns 0, 20025, 20018, 20016, 20005, 20026 or
// 20006. On success *db holds the new handle.
int DBopen(const char *name, const char *user, const char *password,
           isc_db_handle *db, const char *charSet = nullptr);

// Frees the database's queries, rolls back its transactions, detaches.
// Returns 0 (and *db = 0) or 20001 (variable untouched).
int DBclose(isc_db_handle *db);

// Rolls back and closes every registered database, writes its line; returns
// to the caller, which must then end the process.
void PanicExitDb();

int FindDatabase(isc_db_handle *db);          // 0 or 20001 (with message)
int DatabaseDialect(isc_db_handle *db);       // dialect, 1 when unregistered
int FindQuery(QueryRecord *query);            // 0 or 20003 (silent)
// Locates input variable (input = true) or output column `number` (1-based);
// 0, 20035, 20003, 20033 or 20034. Sets the current query and variable.
int FindVariable(int number, QueryRecord *query, bool input);
int FindBlob(int column, QueryRecord *query);  // 0, 20004 or 20003

// Builds the database parameter block into buffer (capacity bytes, a NUL
// after the last item). Returns its counted length, 0 when nothing is to be
// sent (no user, no charSet), or -1 when it would not fit (nothing written
// past the buffer) or a value is longer than 255 bytes.
int BuildDpb(char *buffer, int capacity, const char *user,
             const char *password, const char *charSet);

// Registry sizes, for tests and diagnostics.
int DatabaseCount();
int TransactionCount();
int QueryCount();
int BlobCount();

// ---------------------------------------------------------------------------
// Transactions

// Starts a transaction of `type` (1-4, others are 1) named `name` (cut at its
// first space, at most 31 characters, unique). Returns 0, 20018, 20016,
// 20001 or 20006.
int StartTransaction(const char *name, int type, isc_db_handle *db,
                     isc_tr_handle *tr);
int CommitTransaction(isc_tr_handle *tr);    // 0, 20002, 20006; *tr = 0
int RollbackTransaction(isc_tr_handle *tr);  // 0, 20002, 20006; *tr = 0
int RestartTransaction(isc_tr_handle *tr);   // commit retaining: 0, 20002, 20006
void RollbackDatabaseTransactions(isc_db_handle *db);
void CloseTransactionCursors(isc_tr_handle *tr);
int FindTransaction(isc_tr_handle *tr);      // 0 or 20002 (with message)
int TransactionDialect(isc_tr_handle *tr);   // dialect, 1 when unknown
// Writes the TPB of `type` into tpb (5 bytes room); returns its length.
int BuildTpb(int type, char *tpb);

// ---------------------------------------------------------------------------
// Statements

// Prepares query->sqlText in the transaction's database with the declared
// counts; returns 0, 20019, 20002, 20006 or 20109.
int PrepareQuery(QueryRecord *query, isc_tr_handle *tr);
int GetQueryType(QueryRecord *query, short *type);   // 0 or 20003
// Prepares query->sqlText in the transaction on a statement of its own, only
// to count the statement's input variables and output columns, and drops it
// again; the record is neither registered nor changed. Returns 0 with the
// counts, 20002, or 20006 after the status report ("prepare query"); the
// counts are 0 on failure.
int CountQueryVariables(QueryRecord *query, isc_tr_handle *tr, short *inputs,
                        short *outputs);
void FreeDatabaseQueries(isc_db_handle *db);

int ExecuteQuery(QueryRecord *query, isc_tr_handle *tr);  // 0,20006,20002,20003,20007
int OpenCursor(QueryRecord *query, isc_tr_handle *tr);    // 0,20006,20002,20003,20022
// 0 with the row in the output variables, 100 at end, 20003, 20008, 20006.
int FetchRow(QueryRecord *query);
int CloseCursor(QueryRecord *query);                      // 0, 20003, 20006

// ---------------------------------------------------------------------------
// Conversions

// Converts one external value into input variable `field` (1-based) of a
// prepared query, setting its data, its length (text) and its null indicator.
// `source` holds `length` bytes followed by a NUL. An empty value (length < 1
// after the count bytes of formats 8/9 are skipped) makes the variable NULL
// and returns 0, for every format and type. Otherwise: locator codes (20003,
// 20033, 20035) with nothing changed; 20103 format outside 1-22 or not
// offered for the type; 20028 blob or array variable; 20106 a binary format
// (1-5, 10, 18-22) whose length is not its width; 20021 a misaligned binary
// source (formats 1-5, 10); 20030 not a number; 20107/20108 a bad date or
// time; 20102 a text longer than the column or a number outside the
// variable's range, the cut value stored. Refusals other than 20102 leave the
// data as it was.
// Exact types: a scaled integer takes a number text converted exactly to its
// scale (extra fraction digits rounded half away from zero), a binary
// integer as whole units and a binary float at its exact value; a TIME takes
// "hh:mm[:ss[.ffff]]" in the text and date-text formats, else the time part
// of the date format; a BOOLEAN takes true/false/t/f/1/0 (any case) or a
// binary 1/0, else 20030. See exactvalues.h.
int PutField(int format, QueryRecord *query, int field, int length,
             const char *source);

// An input variable located once, for callers that set it for every record
// (the delimited load): PutLocatedField converts into it without the
// lookup. Valid until its query is prepared again or freed.
struct LocatedInput {
  XSQLVAR *variable = nullptr;
  int capacity = 0;  // a text's room for characters, its NUL not counted
};
// Locates input variable `field` (1-based) of a prepared query: 0 or the
// locator's codes (20003, 20033, 20035; *located untouched then).
int LocateInputField(int field, QueryRecord *query, LocatedInput *located);
// PutField into a located variable: the same conversions and results.
int PutLocatedField(const LocatedInput &located, int format, int length,
                    const char *source);

// Writes output column `column` of the last fetched row in `format` into
// destination, never more than `length` bytes. 20009 before a fetch or for a
// statement other than a select; 20103 a format outside 1-22 or not offered
// for the column's type; 20101 NULL, or a text empty or all blanks (nothing
// written); 20102 the value was cut to fit (the cut value written); 20106 a
// binary form of the wrong length; 20021 a null or misaligned destination;
// locator codes (20003, 20034, 20035). Changes nothing in the query.
// Exact types: a scaled integer gives its exact decimal text (trailing
// fraction zeros and a bare point dropped), its integer part in the binary
// integer forms and the nearest float or double in those forms; a TIME gives
// "hh:mm:ss" in the date texts (11-17) and a timestamp with a zero date in
// the binary date forms; a BOOLEAN gives TRUE or FALSE as a text column's
// value would be placed, 1 or 0 in the binary forms.
int GetField(int column, QueryRecord *query, int format, int length,
             char *destination);

// Sets *type to the type code the variable presents (nullable bit
// included): its coerced type, except that a scaled integer shows 483 (16
// bits) or 481 and a TIME 511, the types they travelled as before they were
// exact. Returns 0 or the locator's code (*type untouched then).
int GetFieldType(int column, QueryRecord *query, bool input, short *type);
// The variable as it really travels: its type code as stored (a scaled
// integer 501/497/581, TIME 561, BOOLEAN 32765) and its sqlscale (0, or -1
// to -18 fraction digits). Either pointer may be null. 0 or the locator's
// code (nothing set then).
int GetFieldStorage(int column, QueryRecord *query, bool input, short *type,
                    short *scale);
// Sets *size (always; 0 on failure) to the variable's byte size: for text the
// column's declared length before a fetch and for an input variable, the
// fetched text's length after one; 0 for a fetched NULL; -1 for blobs and
// arrays; 1 for a BOOLEAN; otherwise 2, 4 or 8 as GetFieldType presents the
// type. Returns 0 or the locator's code.
int GetFieldSize(bool input, QueryRecord *query, int column, int *size);
// Copies the alias name of output column `column` and a NUL into destination
// (room for 33 bytes). 0, 20003, 20034 or 20035.
int GetFieldName(int column, QueryRecord *query, char *destination);

// Formats `time` by format 11-22 into destination: 11-17 texts with the run's
// dateSeparator and a NUL (11, 12, 16: 11 bytes; 15: 12; 13, 14, 17: 20),
// 18 the nine ints (36 bytes), 19/22 8 bytes, 20/21 4 bytes; never more than
// those counts. 20021 a misaligned time or binary destination, or none;
// 20103 any other format; 20107 a year outside 1-9999 (formats 11-22 but
// 18), or format 15 with a month outside 0-11.
int formatDate(int format, const struct tm *time, char *destination);
// Reads a date of format 10-22 into *record (fields of struct tm; the year as
// years since 1900, month 0-11); texts (11-17) end at their NUL and are read
// from at most 19 characters. Formats 10 and 18 are taken unchecked; every
// other date must be a real calendar date in years 1-9999. 0, 20103 (format,
// or a bad day-of-year number), 20107 (bad date) or 20108 (bad time). After
// a failure the record must not be used.
int scanDate(const char *source, struct tm *record, int format);
// Turns the year field as written into years since 1900: two-digit years are
// 20yy, or 19yy when above the run's centurySplit; negative years stay.
void applyCenturySplit(struct tm *record);
// Sets day, month (1-12), year as written and the time from YYYYMMDDhhmmss;
// a number without a positive date part sets nothing.
void unpackDateNumber(struct tm *record, long long number);

// Scans a number text of `length` bytes (up to its NUL when length < 1),
// ending early at `stop`, into *pair. 0 or 20030 (*pair untouched then).
int scanNumber(NumericPair *pair, int length, const char *text, char stop);
// Reads a binary number of format 1-5 into *pair: 0, 20021 (null or
// misaligned source), 20106 (length not the format's width), 20103.
int readBinaryNumber(const char *source, int length, NumericPair *pair,
                     int format);
// Stores the pair into a variable's data by its type: 0, 20021 (null or
// misaligned destination), 20102 (out of the type's range; the cut value is
// stored), 20103 (not a numeric type).
int storeNumber(char *destination, const NumericPair *pair, int type);
// Prints the pair ("%lld" when whole, else "%f" less trailing zeros) into
// dblib's work buffer; returns the length. The text stays valid until the
// next dblib call (NumberText() gives it).
int formatNumber(const NumericPair *pair);
const char *NumberText();
// Fills *pair from a numeric variable's data: 0, 20021 (null or data not
// aligned to its size), 20029 (not a numeric type).
int readVariableNumber(const char *data, int type, NumericPair *pair);
// Writes the pair in format 1-9 into destination, never more than `length`
// bytes: 0, 20102 (cut: low bits of an integer, the rightmost characters of
// a text), 20106 (binary length not the width, or no room for a text's NUL
// or count), 20021 (null or misaligned destination), 20103 (formats 10-22).
int emitNumber(int length, const NumericPair *pair, char *destination,
               int format);

// What a variable is, beyond its coerced type: for the conversions that
// write or read values themselves (CSV mode).
struct FieldFacts {
  short type;     // as stored, without the nullable bit
  short scale;    // sqlscale: 0, or -n for n decimal places
  short subtype;  // sqlsubtype: blob subtype (0 binary, 1 text), text charset
  short length;   // sqllen: bytes of the value (characters of a VARCHAR)
};
// Facts of input (input = true) or output variable `column`. 0 or the
// locator's codes (*facts untouched then).
int GetFieldFacts(bool input, QueryRecord *query, int column, FieldFacts *facts);
// The stored value of output column `column` of the last fetched row, without
// a copy: *data points into dblib's data buffer (valid until the next fetch)
// and *length is its byte count: a text without its trailing blanks (0 for an
// empty text), a VARCHAR kept exact its own length, any other type its full
// width (a blob its 8-byte id). 20101 only for NULL; 20009 before a fetch or
// for a statement other than a select; the locator's codes.
int GetFieldBytes(int column, QueryRecord *query, const char **data, int *length);
// An output column located once, for callers that read every fetched row's
// value themselves: where its value and null flag lie in dblib's buffers
// (fixed from PrepareQuery until the query is freed; every FetchRow rewrites
// them) and how the value is stored.
struct FetchedColumn {
  const char *data = nullptr;       // a text is trimmed by FetchRow, a NUL after it
  const short *nullFlag = nullptr;  // -1 for NULL; null when there is no flag
  short type = 0;                   // as stored, nullable bit included (kSqlText, ...)
  short scale = 0;                  // sqlscale
  short length = 0;                 // bytes of the data area (sqllen)
};
// Locates output column `column` of a prepared select. 0 or the locator's
// codes (*located untouched then).
int LocateOutputColumn(int column, QueryRecord *query, FetchedColumn *located);
// The "%lld" text of value and its NUL into out (24 bytes); returns its
// length. GetField writes a whole number's text (format 6) so.
int formatWholeNumber(long long value, char *out);
// The date text of format 11-17 of the 8 bytes of an ISC_TIMESTAMP and its
// NUL into out (20 bytes), as GetField writes it; returns its length, or -1
// (nothing written) for a timestamp outside years 1-9999 or a time of day
// beyond 23:59:59.9999, which only GetField formats.
int formatTimestampText(const char *data, int format, char *out);
// Makes text input variable `field` the empty text, not NULL (PutField takes
// an empty value for NULL). 0, 20103 for a variable that is no text, or the
// locator's codes.
int PutEmptyText(QueryRecord *query, int field);

// ---------------------------------------------------------------------------
// Blobs
//
// A blob is known by (query, variable); its record lives in blobList from
// RegisterBlob (directly or through CreateBlob/OpenBlob) to CloseBlob. Every
// failed client call is reported (ReportSqlStatus), counted on the query and
// returned as 20006.

// Finds the record of (query, variable) or appends a cleared one; it becomes
// the current blob. 20002 unknown transaction, 20003 unknown query, the
// variable locator's codes, 20012 not a blob variable.
int RegisterBlob(QueryRecord *query, int variable, isc_tr_handle *tr,
                 bool input);
// Creates a blob for input variable `variable`: its id goes into the
// variable's data and its null indicator becomes 0, even if nothing is ever
// written. Style 0 keeps segmented, 1 segmented, 2 stream (written through
// the work area). 20032 style outside 0-2, 20031 segment size 0, the
// register codes, 20006 (the record is given up).
int CreateBlob(int variable, isc_tr_handle *tr, QueryRecord *query,
               unsigned short segmentSize, short style);
// Writes `length` bytes into the current blob, which must belong to `query`
// and be open for writing (else 20004): segmented blobs in segments of the
// segment size, stream blobs gathered into full segments. 0 bytes only
// flushes. Sets the blob variable's null indicator to 0. 0, 20004, 20014
// (negative length), 20006.
int PutBlob(QueryRecord *query, const char *data, int length);
// For the current blob: takes its subtype from the variable, reads segment
// count, largest segment, total length and type when it is being read, and
// (re)allocates its work area. 0, 20004 no current blob, the locator's
// codes, 20012, 20006.
int GetBlobInfo(int variable);
// Delivers the next bytes of an opened blob into destination (at most
// destinationLength) and sets *delivered: first what the previous call kept
// back (for a segmented blob that alone), then whole segments; the part of a
// segment that does not fit is kept for the next call. The call that meets
// the end returns 0 with what remained; the next one gives 20011. Also 20014
// (destinationLength < 1), 20004, 20003, 20012, 20006.
int GetBlobSegment(int variable, QueryRecord *query, char *destination,
                   int destinationLength, int *delivered);
// Flushes a blob being written, releases the work area, closes the client
// blob (states 1-3) and removes the record. 0, 20004, 20003, 20006 (a failed
// close leaves the record in the list).
int CloseBlob(int variable, QueryRecord *query);
// Read side: registers the blob of output column `variable` of the fetched
// row, opens it with isc_open_blob2 (state 1) and reads its information. On a
// failed open the record is given up, the status reported under "open blob",
// and 20006 returned; 20011 when the record is already open. A zero blob id
// opens as an empty blob.
int OpenBlob(QueryRecord *query, int variable, isc_tr_handle *tr);
// Total length and blob type (0 segmented, 1 stream) of a registered blob.
// 0, 20004, 20003.
int GetBlobParameters(int variable, QueryRecord *query, int64_t *totalLength,
                      short *blobType);

// ---------------------------------------------------------------------------
// Input values between statements (one statement executing several records)

// One input variable as the statement declared it, before dblib coerced it:
// the XSQLVAR's type (nullable bit included), subtype (texts: character set
// and collation; numbers: 1 NUMERIC, 2 DECIMAL), length in bytes and scale
// (blobs: their character set).
struct DescribedInput {
  short sqltype = 0;
  short sqlsubtype = 0;
  short sqllen = 0;
  short sqlscale = 0;
};

// Describes the input variables of a prepared query again into inputs[0..]
// (room for `capacity`). 0, 20003, 20033 (no inputs), 20035 (no room), or
// 20006 after the status report.
int DescribeInputs(QueryRecord *query, DescribedInput *inputs, int capacity);
// 0 when input variables a[aFirst..] and b[bFirst..] (1-based, `count` of
// them) have the same coerced type, subtype, scale and capacity; 20029 when
// they differ; locator codes (20003, 20033, 20035 out of range).
int SameInputForms(QueryRecord *a, int aFirst, QueryRecord *b, int bFirst, int count);
// Copies the values of `count` input variables of `from` (from fromFirst,
// 1-based) into those of `to` (from toFirst): data, current length and null
// indicator. The blob and array ids in `from` are zeroed, as an execution
// would have spent them. The two must have the same forms (SameInputForms).
// 0 or the locator codes, nothing copied then.
int MoveInputValues(QueryRecord *from, int fromFirst, QueryRecord *to, int toFirst, int count);
// Makes `count` input variables from `first` NULL and zeroes their blob and
// array ids. 0 or the locator codes.
int SetInputsNull(QueryRecord *query, int first, int count);
// Keeps a copy of the client status vector (and its SQLCODE), and puts it
// back: a trial that may fail leaves no trace in later status dumps.
void KeepClientStatus();
void RestoreClientStatus();

#endif  // LODRUN_DBLIB_DBFUNCS_H
