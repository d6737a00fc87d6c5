// errors.cpp - dblib's two layers of failure reporting: the fixed texts of the
// DblibError codes, and the report of the client's status vector that an
// operation writes at once when a client call fails.
//
//   client call --statusVector/lastSqlCode--> ReportSqlStatus --> messageStream
//   dblib result --lastDblibError--> ReportDblibError --> standard output
#include <cstdio>
#include <cstring>

#include "dblib/dbinternal.h"

namespace {

struct ErrorText {
  int code;
  const char *text;
};

// Several codes share a text; 20102's text has no closing parenthesis.
constexpr ErrorText kErrorTexts[] = {
    {0, "No error - Success"},
    {20001, "passed database handle not found"},
    {20002, "passed transaction handle not found"},
    {20003, "passed query handle not found"},
    {20004, "passed blob handle not found"},
    {20005, "passed database handle is now live"},
    {20006, "SQL error was found + reported to logfile"},
    {20007, "query/trans./database not valid triplet"},
    {20008, "query not open - cannot fetch"},
    {20009, "query returned nothing, nothing to get"},
    {20010, "blob column already open"},
    {20011, "blob column already open"},
    {20012, "database column not a blob"},
    {20013, "database column not a array"},
    {20014, "Blob size parameter ridiculous"},
    {20015, "Database or Transaction name not found"},
    {20016, "Database or Transaction name duplicate"},
    {20018, "Database or Transaction name too long"},
    {20019, "query already prepared!"},
    {20020, "query has no output to fetch!"},
    {20021, "pointer invalid or mis-aligned"},
    {20022, "cursor already open"},
    {20023, "query returned nothing, nothing to get"},
    {20024, "local typedefs wrong size"},
    {20025, "null parameter pointer or empty string param"},
    {20026, "strange return from Database detected"},
    {20027, "error parsing a numeric field"},
    {20028, "cannot put a blob or array field with PutField"},
    {20029, "Invalid database field type"},
    {20030, "Number Conversion Error"},
    {20031, "Blob size at creation cannot be 0"},
    {20032, "override form invalid : segment, 2 stream"},
    {20033, "this query does not have data into the DB"},
    {20034, "this query does not have data from the DB"},
    {20035, "this query invalid for this operation"},
    {20101, "data null error (may not be an error)"},
    {20102, "data truncated (string, or numeric"},
    {20103, "data cannot be formatted as asked for!"},
    {20104, "no input (or) output for this query"},
    {20105, "field range invalid"},
    {20106, "field size invalid"},
    {20107, "bad date"},
    {20108, "bad time in date"},
    {20109, "invalid counts in data SQLDAs"},
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
    std::fprintf(out, "ISC error code: %ld\r\n", static_cast<long>(statusVector[1]));
    return;
  }
  std::fprintf(out, "Contents of GDS longs after %s: %ld", label,
               static_cast<long>(statusVector[0]));
  for (int i = 1; i < ISC_STATUS_LENGTH; ++i)
    std::fprintf(out, ", %ld", static_cast<long>(statusVector[i]));
  std::fprintf(out, "\r\n");
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

  std::fprintf(out, "SQLCODE: %ld doing %s", lastSqlCode, label);
  if (query != nullptr)
    std::fprintf(out, " from %s", query->cursorName != nullptr ? query->cursorName : "");
  std::fprintf(out, "\r\n\t- %s\r\n", text);

  if (interpreted) {
    char further[kMessageSize];
    while (fb_interpret(further, sizeof further, &position) > 0)
      std::fprintf(out, "\t+ %s\r\n", further);
  }

  if (query != nullptr && level >= 2 && FindQuery(query) == kDbOk) {
    if (query->inputCount > 0 && currentQuery->inputSqlda != nullptr)
      DumpSqlda("input", currentQuery->inputSqlda, currentQuery->inputDataLengths);
    if (query->outputCount > 0 && currentQuery->outputSqlda != nullptr)
      DumpSqlda("output", currentQuery->outputSqlda, nullptr);
  }
  std::fflush(out);
}

int clientFailure(const char *label, QueryRecord *query) {
  ReportSqlStatus(label, query);
  return kDbSqlError;
}

void ReportDblibError(const char *operation, int sqlField) {
  const int code = runSettings->lastDblibError;
  if (runSettings->beforeMessage != nullptr) runSettings->beforeMessage();
  std::printf("Got dblib error %d while doing %s", code, operation);
  if (sqlField > 0) std::printf(" with SQL field %d", sqlField);
  std::printf(": %s%s", DblibErrorText(code), runSettings->lineEnd);
}
