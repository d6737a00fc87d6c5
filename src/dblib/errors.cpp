// errors.cpp - dblib's two layers of failure reporting: the fixed texts of the
// DblibError codes, and the report of the client's status vector that an
// operation writes at once when a client call fails.
//
//   client call --statusVector/lastSqlCode--> ReportSqlStatus --printMessage--> messageStream
//   dblib result --lastDblibError--> ReportDblibError --printMessage--> standard output
//   (either held with standard output while a load batch waits: common/messagesink.h)
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"

namespace {

struct ErrorText {
  int code;
  const char *text;
};

// Several codes share a text; kDbTruncated's text has no closing parenthesis.
// The codes without a DblibError name are returned by no operation.
constexpr ErrorText kErrorTexts[] = {
    {0, "No error - Success"},
    {kDbDatabaseNotFound, "passed database handle not found"},
    {kDbTransactionNotFound, "passed transaction handle not found"},
    {kDbQueryNotFound, "passed query handle not found"},
    {kDbBlobNotFound, "passed blob handle not found"},
    {kDbHandleLive, "passed database handle is now live"},
    {kDbSqlError, "SQL error was found + reported to logfile"},
    {kDbBadTriplet, "query/trans./database not valid triplet"},
    {kDbCursorNotOpen, "query not open - cannot fetch"},
    {kDbNothingToGet, "query returned nothing, nothing to get"},
    {20010, "blob column already open"},
    {kDbBlobEnd, "blob column already open"},
    {kDbNotBlob, "database column not a blob"},
    {20013, "database column not a array"},
    {kDbBlobSizeBad, "Blob size parameter ridiculous"},
    {20015, "Database or Transaction name not found"},
    {kDbNameDuplicate, "Database or Transaction name duplicate"},
    {kDbNameTooLong, "Database or Transaction name too long"},
    {kDbAlreadyPrepared, "query already prepared!"},
    {20020, "query has no output to fetch!"},
    {kDbMisaligned, "pointer invalid or mis-aligned"},
    {kDbCursorOpen, "cursor already open"},
    {20023, "query returned nothing, nothing to get"},
    {20024, "local typedefs wrong size"},
    {kDbMissingCredentials, "null parameter pointer or empty string param"},
    {kDbStrangeReturn, "strange return from Database detected"},
    {20027, "error parsing a numeric field"},
    {kDbPutBlobField, "cannot put a blob or array field with PutField"},
    {kDbBadFieldType, "Invalid database field type"},
    {kDbNumberConversion, "Number Conversion Error"},
    {kDbBlobSizeZero, "Blob size at creation cannot be 0"},
    {kDbBlobStyleBad, "override form invalid : segment, 2 stream"},
    {kDbNoInput, "this query does not have data into the DB"},
    {kDbNoOutput, "this query does not have data from the DB"},
    {kDbBadVariable, "this query invalid for this operation"},
    {kDbNull, "data null error (may not be an error)"},
    {kDbTruncated, "data truncated (string, or numeric"},
    {kDbCannotFormat, "data cannot be formatted as asked for!"},
    {20104, "no input (or) output for this query"},
    {20105, "field range invalid"},
    {kDbFieldSize, "field size invalid"},
    {kDbBadDate, "bad date"},
    {kDbBadTime, "bad time in date"},
    {kDbSqldaCounts, "invalid counts in data SQLDAs"},
};

constexpr int kMessageSize = 512;

// The SQLCODEs whose interpreted status messages say more than the SQLCODE
// text: engine-level failures and exceptions raised by procedures.
bool wantsInterpretedMessages(long sqlCode) {
  return sqlCode > 100 || sqlCode < -900 || sqlCode == -836;
}

}  // namespace

const char *DblibErrorText(int code) {
  for (const ErrorText &entry : kErrorTexts)
    if (entry.code == code) return entry.text;
  return "Unknown library error code";
}

long storeSqlCode(ISC_STATUS result) {
  if (result == 0) {
    lastSqlCode = 0;
  } else {
    lastSqlCode = isc_sqlcode(statusVector);
    // A failed call must never look like success to the caller.
    if (lastSqlCode == 0) lastSqlCode = -999;
  }
  return lastSqlCode;
}

void DumpStatusLongs(const char *label) {
  FILE *out = dbMessages();
  if (runSettings->statusDumpLevel < 2) {
    printMessage(out, "ISC error code: %ld\r\n", static_cast<long>(statusVector[1]));
    return;
  }
  printMessage(out, "Contents of GDS longs after %s: %ld", label,
               static_cast<long>(statusVector[0]));
  for (int i = 1; i < ISC_STATUS_LENGTH; ++i)
    printMessage(out, ", %ld", static_cast<long>(statusVector[i]));
  printMessage(out, "\r\n");
}

void ReportSqlStatus(const char *label, QueryRecord *query) {
  FILE *out = dbMessages();
  const int level = runSettings->statusDumpLevel;
  RememberClientFailure();
  DumpStatusLongs(label);

  char text[kMessageSize] = {};
  isc_sql_interprete(static_cast<short>(lastSqlCode), text, sizeof text);

  const ISC_STATUS *position = statusVector;
  bool interpreted = false;
  if (level >= 2 && wantsInterpretedMessages(lastSqlCode)) {
    char first[kMessageSize] = {};
    // Without an interpreted message the SQLCODE text stays.
    if (fb_interpret(first, sizeof first, &position) > 0) {
      std::memcpy(text, first, sizeof text);
      interpreted = true;
    }
  }

  printMessage(out, "SQLCODE: %ld doing %s", lastSqlCode, label);
  if (query != nullptr)
    printMessage(out, " from %s", query->cursorName != nullptr ? query->cursorName : "");
  printMessage(out, "\r\n\t- %s\r\n", text);

  if (interpreted) {
    char further[kMessageSize];
    while (fb_interpret(further, sizeof further, &position) > 0)
      printMessage(out, "\t+ %s\r\n", further);
  }

  if (query != nullptr && level >= 2 && FindQuery(query) == kDbOk) {
    if (query->inputCount > 0 && currentQuery->inputSqlda != nullptr)
      DumpSqlda("input", currentQuery->inputSqlda, currentQuery->inputDataLengths);
    if (query->outputCount > 0 && currentQuery->outputSqlda != nullptr)
      DumpSqlda("output", currentQuery->outputSqlda, nullptr);
  }
  flushMessages(out);
}

int clientFailure(const char *label, QueryRecord *query) {
  ReportSqlStatus(label, query);
  return kDbSqlError;
}

void ReportDblibError(const char *operation, int sqlField) {
  const int code = runSettings->lastDblibError;
  if (runSettings->beforeMessage != nullptr) runSettings->beforeMessage();
  printMessage(stdout, "Got dblib error %d while doing %s", code, operation);
  if (sqlField > 0) printMessage(stdout, " with SQL field %d", sqlField);
  printMessage(stdout, ": %s%s", DblibErrorText(code), runSettings->lineEnd);
}
