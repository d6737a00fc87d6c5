// dbfuncs.h - public interface of dblib, the database access library over the
// Firebird client's ISC C API: what callers outside dblib use. dblib's own
// modules (and tests) also have registry.h (the handle registries),
// dbinternal.h (library state, internal operations) and convert.h (the
// number and date conversions).
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
// (ReportSqlStatus) and returns kDbSqlError.
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

// ---------------------------------------------------------------------------
// Run settings that dblib reads. Job control owns and sets them (JobSettings
// derives from this record); dblib only reads them. lastDblibError is the
// caller's: the code of the failed call it reports last.
struct DblibRunSettings {
  // Every dblib message, written through common/messagesink.h (held with
  // standard output when it is stdout); stdout until a log file.
  FILE *messageStream = nullptr;
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

// Statement types (isc_info_sql_stmt_type answers) that callers test.
enum StatementType : short {
  kStmtSelect = 1,
  kStmtInsert = 2,
  kStmtUpdate = 3,
  kStmtDelete = 4,
  kStmtExecProcedure = 8,
};

// SQL type codes without the nullable bit: as a field specification stores
// them (FieldSpec::sqlType) and as a described column's type reads once the
// bit is cleared.
enum SqlTypeCode : short {
  kTypeVarying = 448,
  kTypeText = 452,
  kTypeDouble = 480,
  kTypeFloat = 482,
  kTypeLong = 496,
  kTypeShort = 500,
  kTypeTimestamp = 510,
  kTypeBlob = 520,
  kTypeArray = 540,
  kTypeTime = 560,
  kTypeDate = 570,
  kTypeInt64 = 580,
  kTypeBoolean = 32764,
};

// Coerced SQL types (always with the nullable bit) that PutField/GetField meet.
// Scaled integers keep kSqlShort/kSqlLong/kSqlInt64 with their sqlscale;
// TIME columns are kSqlTime (4-byte ISC_TIME), BOOLEAN kSqlBoolean (1 byte).
constexpr short kSqlText = kTypeText | 1, kSqlDouble = kTypeDouble | 1,
                kSqlFloat = kTypeFloat | 1, kSqlLong = kTypeLong | 1,
                kSqlShort = kTypeShort | 1, kSqlInt64 = kTypeInt64 | 1,
                kSqlTimestamp = kTypeTimestamp | 1, kSqlBlob = kTypeBlob | 1,
                kSqlArray = kTypeArray | 1, kSqlTime = kTypeTime | 1,
                kSqlBoolean = kTypeBoolean | 1;
static_assert(kTypeVarying == SQL_VARYING && kTypeText == SQL_TEXT && kTypeDate == SQL_TYPE_DATE &&
                  kTypeTime == SQL_TYPE_TIME && kTypeBoolean == SQL_BOOLEAN &&
                  kTypeInt64 == SQL_INT64 && kTypeTimestamp == SQL_TIMESTAMP,
              "the client's type codes");

// ---------------------------------------------------------------------------
// Errors and reporting (error reporting module)

// Fixed English text of any code; unknown codes give "Unknown library error code".
const char *DblibErrorText(int code);

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
// The failure kept by the last ReportSqlStatus, or nullptr when none is kept
// or it has been cleared. Valid until the next ReportSqlStatus.
const ClientFailure *LastClientFailure();
// Marks the kept failure as dealt with: LastClientFailure gives nullptr.
void ClearClientFailure();
// Copies the column name (sqlname) of input variable `column` (1-based) and
// a NUL into destination (room for 33 bytes); empty when the statement
// gives none (an expression). 0, kDbQueryNotFound, kDbNoInput or kDbBadVariable.
int GetInputFieldName(int column, QueryRecord *query, char *destination);

// ---------------------------------------------------------------------------
// Connections and handles

// Attaches `name` (cut at its first space) and registers it. user/password are
// both given or both absent; charSet, when given, is sent as the connection
// character set. Returns 0, kDbMissingCredentials, kDbNameTooLong,
// kDbNameDuplicate, kDbHandleLive, kDbStrangeReturn or kDbSqlError. On success
// *db holds the new handle.
int DBopen(const char *name, const char *user, const char *password,
           isc_db_handle *db, const char *charSet = nullptr);

// Frees the database's queries, rolls back its transactions, detaches.
// Returns 0 (and *db = 0) or kDbDatabaseNotFound (variable untouched).
int DBclose(isc_db_handle *db);

// Rolls back and closes every registered database, writes its line; returns
// to the caller, which must then end the process.
void PanicExitDb();

// Locates input variable (input = true) or output column `number` (1-based); 0,
// kDbBadVariable, kDbQueryNotFound, kDbNoInput or kDbNoOutput. Sets the current
// query and variable.
int FindVariable(int number, QueryRecord *query, bool input);
int FindBlob(int column, QueryRecord *query);  // 0, kDbBlobNotFound or kDbQueryNotFound

// ---------------------------------------------------------------------------
// Transactions

// Starts a transaction of `type` (1-4, others are 1) named `name` (cut at its
// first space, at most 31 characters, unique). Returns 0, kDbNameTooLong,
// kDbNameDuplicate, kDbDatabaseNotFound or kDbSqlError.
int StartTransaction(const char *name, int type, isc_db_handle *db,
                     isc_tr_handle *tr);
int CommitTransaction(isc_tr_handle *tr);    // 0, kDbTransactionNotFound, kDbSqlError; *tr = 0
int RollbackTransaction(isc_tr_handle *tr);  // 0, kDbTransactionNotFound, kDbSqlError; *tr = 0
// Commit retaining: 0, kDbTransactionNotFound, kDbSqlError.
int RestartTransaction(isc_tr_handle *tr);

// ---------------------------------------------------------------------------
// Statements

// Prepares query->sqlText in the transaction's database with the declared
// counts; returns 0, kDbAlreadyPrepared, kDbTransactionNotFound, kDbSqlError or
// kDbSqldaCounts.
int PrepareQuery(QueryRecord *query, isc_tr_handle *tr);
int GetQueryType(QueryRecord *query, short *type);   // 0 or kDbQueryNotFound
// Prepares query->sqlText in the transaction on a statement of its own, only to
// count the statement's input variables and output columns, and drops it again;
// the record is neither registered nor changed. Returns 0 with the counts,
// kDbTransactionNotFound, or kDbSqlError after the status report ("prepare
// query"); the counts are 0 on failure.
int CountQueryVariables(QueryRecord *query, isc_tr_handle *tr, short *inputs,
                        short *outputs);

// 0, kDbSqlError, kDbTransactionNotFound, kDbQueryNotFound, kDbBadTriplet.
int ExecuteQuery(QueryRecord *query, isc_tr_handle *tr);
// 0, kDbSqlError, kDbTransactionNotFound, kDbQueryNotFound, kDbCursorOpen.
int OpenCursor(QueryRecord *query, isc_tr_handle *tr);
// 0 with the row in the output variables, 100 at end, kDbQueryNotFound,
// kDbCursorNotOpen, kDbSqlError.
int FetchRow(QueryRecord *query);
int CloseCursor(QueryRecord *query);                      // 0, kDbQueryNotFound, kDbSqlError

// ---------------------------------------------------------------------------
// Conversions

// Converts one external value into input variable `field` (1-based) of a
// prepared query, setting its data, its length (text) and its null indicator.
// `source` holds `length` bytes followed by a NUL. An empty value (length < 1
// after the count bytes of formats 8/9 are skipped) makes the variable NULL and
// returns 0, for every format and type. Otherwise: locator codes
// (kDbQueryNotFound, kDbNoInput, kDbBadVariable) with nothing changed;
// kDbCannotFormat format outside 1-22 or not offered for the type;
// kDbPutBlobField blob or array variable; kDbFieldSize a binary format (1-5,
// 10, 18-22) whose length is not its width; kDbMisaligned a misaligned binary
// source (formats 1-5, 10); kDbNumberConversion not a number;
// kDbBadDate/kDbBadTime a bad date or time; kDbTruncated a text longer than the
// column or a number outside the variable's range, the cut value stored.
// Refusals other than kDbTruncated leave the data as it was. Exact types: a
// scaled integer takes a number text converted exactly to its scale (extra
// fraction digits rounded half away from zero), a binary integer as whole units
// and a binary float at its exact value; a TIME takes "hh:mm[:ss[.ffff]]" in
// the text and date-text formats, else the time part of the date format; a
// BOOLEAN takes true/false/t/f/1/0 (any case) or a binary 1/0, else
// kDbNumberConversion. See exactvalues.h.
DblibError PutField(ExternalFormat format, QueryRecord *query, int field, int length,
                    const char *source);

// Converts the exact decimal of a number text (exactvalues.h: scanDecimal)
// into numeric input variable `field` (1-based) and clears its null
// indicator: SMALLINT/INTEGER/BIGINT take it rounded half away from zero,
// NUMERIC/DECIMAL at their scale rounded the same way, FLOAT/DOUBLE the
// nearest value. 0; the locator's codes; kDbCannotFormat for a variable of
// another type; kDbTruncated for a value beyond the variable's range (too
// big, or a FLOAT/DOUBLE so small it would be 0), with nothing stored
// unless the value fits 64 bits (then its low bits, as PutField stores them).
struct DecimalText;
int PutDecimal(QueryRecord *query, int field, const DecimalText &decimal);

// An input variable located once, for callers that set it for every record
// (the delimited load): PutLocatedField converts into it without the
// lookup. Valid until its query is prepared again or freed.
struct LocatedInput {
  XSQLVAR *variable = nullptr;
  int capacity = 0;  // a text's room for characters, its NUL not counted
};
// Locates input variable `field` (1-based) of a prepared query: 0 or the
// locator's codes (kDbQueryNotFound, kDbNoInput, kDbBadVariable; *located
// untouched then).
int LocateInputField(int field, QueryRecord *query, LocatedInput *located);
// PutField into a located variable: the same conversions and results.
DblibError PutLocatedField(const LocatedInput &located, ExternalFormat format, int length,
                           const char *source);
// PutDecimal and PutEmptyText into a located variable: the same results.
int PutLocatedDecimal(const LocatedInput &located, const DecimalText &decimal);
int PutLocatedEmptyText(const LocatedInput &located);

// Writes output column `column` of the last fetched row in `format` into
// destination, never more than `length` bytes. kDbNothingToGet before a fetch
// or for a statement other than a select; kDbCannotFormat a format outside 1-22
// or not offered for the column's type; kDbNull NULL, or a text empty or all
// blanks (nothing written); kDbTruncated the value was cut to fit (the cut
// value written); kDbFieldSize a binary form of the wrong length; kDbMisaligned
// a null or misaligned destination; locator codes (kDbQueryNotFound,
// kDbNoOutput, kDbBadVariable). Changes nothing in the query. Exact types: a
// scaled integer gives its exact decimal text (trailing fraction zeros and a
// bare point dropped), its integer part in the binary integer forms and the
// nearest float or double in those forms; a TIME gives "hh:mm:ss" in the date
// texts (11-17) and a timestamp with a zero date in the binary date forms; a
// BOOLEAN gives TRUE or FALSE as a text column's value would be placed, 1 or 0
// in the binary forms.
DblibError GetField(int column, QueryRecord *query, ExternalFormat format, int length,
                    char *destination);

// Sets *type to the type code the variable presents (nullable bit
// included): its coerced type, except that a scaled integer shows 483 (16
// bits) or 481 and a TIME 511, the types they travelled as before they were
// exact. Returns 0 or the locator's code (*type untouched then).
int GetFieldType(int column, QueryRecord *query, bool input, short *type);
// Sets *size (always; 0 on failure) to the variable's byte size: for text the
// column's declared length before a fetch and for an input variable, the
// fetched text's length after one; 0 for a fetched NULL; -1 for blobs and
// arrays; 1 for a BOOLEAN; otherwise 2, 4 or 8 as GetFieldType presents the
// type. Returns 0 or the locator's code.
int GetFieldSize(bool input, QueryRecord *query, int column, int *size);
// Copies the alias name of output column `column` and a NUL into destination
// (room for 33 bytes). 0, kDbQueryNotFound, kDbNoOutput or kDbBadVariable.
int GetFieldName(int column, QueryRecord *query, char *destination);

// Formats `time` by format 11-22 into destination: 11-17 texts with the run's
// dateSeparator and a NUL (11, 12, 16: 11 bytes; 15: 12; 13, 14, 17: 20), 18
// the nine ints (36 bytes), 19/22 8 bytes, 20/21 4 bytes; never more than those
// counts. kDbMisaligned a misaligned time or binary destination, or none;
// kDbCannotFormat any other format; kDbBadDate a year outside 1-9999 (formats
// 11-22 but 18), or format 15 with a month outside 0-11.
int formatDate(int format, const struct tm *time, char *destination);

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
// The stored value of output column `column` of the last fetched row, without a
// copy: *data points into dblib's data buffer (valid until the next fetch) and
// *length is its byte count: a text without its trailing blanks (0 for an empty
// text), a VARCHAR kept exact its own length, any other type its full width (a
// blob its 8-byte id). kDbNull only for NULL; kDbNothingToGet before a fetch or
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
// GetFieldBytes of a located column of the row last fetched (the caller
// knows there is one): kDbOk with *data and *length as GetFieldBytes sets
// them, or kDbNull.
int GetLocatedBytes(const FetchedColumn &located, const char **data, int *length);
// The "%lld" text of value and its NUL into out (24 bytes); returns its
// length. GetField writes a whole number's text (format 6) so.
int formatWholeNumber(long long value, char *out);
// The date text of format 11-17 of the 8 bytes of an ISC_TIMESTAMP and its
// NUL into out (20 bytes), as GetField writes it; returns its length, or -1
// (nothing written) for a timestamp outside years 1-9999 or a time of day
// beyond 23:59:59.9999, which only GetField formats.
int formatTimestampText(const char *data, int format, char *out);
// Makes text input variable `field` the empty text, not NULL (PutField takes an
// empty value for NULL). 0, kDbCannotFormat for a variable that is no text, or
// the locator's codes.
int PutEmptyText(QueryRecord *query, int field);

// ---------------------------------------------------------------------------
// Blobs
//
// A blob is known by (query, variable); its record lives in blobList from
// RegisterBlob (directly or through CreateBlob/OpenBlob) to CloseBlob. Every
// failed client call is reported (ReportSqlStatus), counted on the query and
// returned as kDbSqlError.

// Creates a blob for input variable `variable`: its id goes into the variable's
// data and its null indicator becomes 0, even if nothing is ever written. Style
// 0 keeps segmented, 1 segmented, 2 stream (written through the work area).
// kDbBlobStyleBad style outside 0-2, kDbBlobSizeZero segment size 0, the
// register codes, kDbSqlError (the record is given up).
int CreateBlob(int variable, isc_tr_handle *tr, QueryRecord *query,
               unsigned short segmentSize, short style);
// Writes `length` bytes into the current blob, which must belong to `query` and
// be open for writing (else kDbBlobNotFound): segmented blobs in segments of
// the segment size, stream blobs gathered into full segments. 0 bytes only
// flushes. Sets the blob variable's null indicator to 0. 0, kDbBlobNotFound,
// kDbBlobSizeBad (negative length), kDbSqlError.
int PutBlob(QueryRecord *query, const char *data, int length);
// Writes `count` pieces back to back from `data`, lengths[i] bytes each, as
// `count` calls of PutBlob would (a segmented blob starts a new segment with
// every piece), with one check of the blob and one clearing of the null
// indicator for them all. Same codes as PutBlob; a negative length or count
// gives kDbBlobSizeBad before anything is written.
int PutBlobPieces(QueryRecord *query, const char *data, const int *lengths, int count);
// Delivers the next bytes of an opened blob into destination (at most
// destinationLength) and sets *delivered: first what the previous call kept
// back (for a segmented blob that alone), then whole segments; the part of a
// segment that does not fit is kept for the next call. The call that meets the
// end returns 0 with what remained; the next one gives kDbBlobEnd. Also
// kDbBlobSizeBad (destinationLength < 1), kDbBlobNotFound, kDbQueryNotFound,
// kDbNotBlob, kDbSqlError.
int GetBlobSegment(int variable, QueryRecord *query, char *destination,
                   int destinationLength, int *delivered);
// Flushes a blob being written, releases the work area, closes the client blob
// (states 1-3) and removes the record. 0, kDbBlobNotFound, kDbQueryNotFound,
// kDbSqlError (a failed close leaves the record in the list).
int CloseBlob(int variable, QueryRecord *query);
// Read side: registers the blob of output column `variable` of the fetched row,
// opens it with isc_open_blob2 (state 1) and reads its information. On a failed
// open the record is given up, the status reported under "open blob", and
// kDbSqlError returned; kDbBlobEnd when the record is already open. A zero blob
// id opens as an empty blob.
int OpenBlob(QueryRecord *query, int variable, isc_tr_handle *tr);
// Total length and blob type (0 segmented, 1 stream) of a registered blob.
// 0, kDbBlobNotFound, kDbQueryNotFound.
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
// (room for `capacity`). 0, kDbQueryNotFound, kDbNoInput (no inputs),
// kDbBadVariable (no room), or kDbSqlError after the status report.
int DescribeInputs(QueryRecord *query, DescribedInput *inputs, int capacity);
// 0 when input variables a[aFirst..] and b[bFirst..] (1-based, `count` of them)
// have the same coerced type, subtype, scale and capacity; kDbBadFieldType when
// they differ; locator codes (kDbQueryNotFound, kDbNoInput, kDbBadVariable out
// of range).
int SameInputForms(QueryRecord *a, int aFirst, QueryRecord *b, int bFirst, int count);
// Copies the values of `count` input variables of `from` (from fromFirst,
// 1-based) into those of `to` (from toFirst): data, current length and null
// indicator. The blob and array ids in `from` are zeroed, as an execution
// would have spent them. The two must have the same forms (SameInputForms),
// or one of them the forms UseMessageLayout gave it from the same ones.
// 0 or the locator codes, nothing copied then.
int MoveInputValues(QueryRecord *from, int fromFirst, QueryRecord *to, int toFirst, int count);
// The same move with its variables looked up once (ResolveInputMove), for a
// caller that repeats it record after record. Valid until either query is
// prepared again, laid out again (UseMessageLayout) or freed.
struct InputMove {
  XSQLVAR *source = nullptr;
  XSQLVAR *target = nullptr;
  const short *targetCapacity = nullptr;
  int count = 0;
};
// Looks the move up: 0 or the locator codes of MoveInputValues (*move
// untouched then).
int ResolveInputMove(QueryRecord *from, int fromFirst, QueryRecord *to, int toFirst, int count,
                     InputMove *move);
// MoveInputValues over a resolved move.
void MoveResolvedInputs(const InputMove &move);
// Lays the input variables of a prepared query out as the engine's own input
// message, so that the client hands it over in one copy and the engine takes
// each value in its parameter's type: a text variable becomes a VARCHAR of
// the described length (a CHAR parameter pads it as it pads a text), a
// timestamp given for a DATE the DATE (its day: what the engine keeps of
// it). Values then reach such variables only through MoveInputValues,
// SetInputsNull, and PutField for the other types. Previous values are lost
// but the null indicators. 0, or the codes of DescribeInputs.
int UseMessageLayout(QueryRecord *query);
// Makes `count` input variables from `first` NULL and zeroes their blob and
// array ids. 0 or the locator codes.
int SetInputsNull(QueryRecord *query, int first, int count);
// Keeps a copy of the client status vector (and its SQLCODE), and puts it
// back: a trial that may fail leaves no trace in later status dumps.
void KeepClientStatus();
void RestoreClientStatus();

#endif  // LODRUN_DBLIB_DBFUNCS_H
