// session.cpp - the run's one database session, for loads and unloads alike.
//
//   dbName, user, password --DBopen--> databaseHandle
//     --StartTransaction "standard trans"--> transactionHandle
//     --CountQueryVariables, PrepareQuery--> queryRecord (type, variables)
//
// The statement's real counts are learned before it is prepared for use:
// the prepared record lays out exactly the counts it declares, so a wrong
// `variables` setting is reported here with both numbers.
#include "session/session.h"

#include <cstdio>
#include <cstdlib>

#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/password.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

void takeCredentials();
void checkCounts(short inputs, short outputs);
void declareCounts(short inputs, short outputs);
void checkStatementFits(short inputs, short outputs);

// Unload records declare at most this many columns when the count is open.
constexpr short kMaxOutputColumns = 4088;

}  // namespace

void openSession() {
  takeCredentials();
  const int opened = DBopen(job.dbName, job.userName, job.password, &job.databaseHandle,
                            job.transCharSet);
  wipePassword();  // the attach was its only use
  if (opened != kDbOk) failDblib(opened, "opening database");
  const int started =
      StartTransaction("standard trans", 1, &job.databaseHandle, &job.transactionHandle);
  if (started != kDbOk) failDblib(started, "starting transaction");

  QueryRecord &query = job.queryRecord;
  query.sqlText = job.sqlText;
  query.inputCount = 0;
  query.outputCount = 0;
  if (job.direction == 'i')
    query.inputCount = job.sqlVariableCount;
  else
    query.outputCount = job.sqlVariableCount > 0 ? job.sqlVariableCount : kMaxOutputColumns;

  short inputs = 0;
  short outputs = 0;
  int result = CountQueryVariables(&query, &job.transactionHandle, &inputs, &outputs);
  if (result != kDbOk) failDblib(result, "preparing query");
  checkCounts(inputs, outputs);
  declareCounts(inputs, outputs);
  result = PrepareQuery(&query, &job.transactionHandle);
  if (result != kDbOk) failDblib(result, "preparing query");
  result = GetQueryType(&query, &job.statementType);
  if (result != kDbOk) failDblib(result, "getting query type");
  checkStatementFits(inputs, outputs);
}

namespace {

// Switches and options come first; the client's own environment variables
// let scripts keep the password off the command line.
void takeCredentials() {
  if (job.userName == nullptr || *job.userName == '\0') {
    const char *user = std::getenv("ISC_USER");
    if (user != nullptr && *user != '\0') job.userName = user;
  }
  if (job.password == nullptr || *job.password == '\0') {
    const char *password = std::getenv("ISC_PASSWORD");
    if (password != nullptr && *password != '\0') job.password = password;
  }
  if (job.userName == nullptr || *job.userName == '\0' || job.password == nullptr ||
      *job.password == '\0') {
    message("User/Password must be supplied in options or command line%s", job.lineEnd);
    std::fflush(stdout);
    std::exit(1);
  }
}

void checkCounts(short inputs, short outputs) {
  if (inputs > 0 && outputs > 0) {
    LOCATED_MESSAGE("query has both input and output (%d/%d). Cannot do this!%s", inputs,
                    outputs, job.lineEnd);
    abortRun();
  }
  const int total = inputs + outputs;
  if (job.sqlVariableCount == -1 && job.direction == 'o' && job.separator != 0) {
    job.sqlVariableCount = static_cast<short>(total);
    return;
  }
  if (total != job.sqlVariableCount) {
    LOCATED_MESSAGE("# of variables does not match query: %d/%d%s", job.sqlVariableCount,
                    total, job.lineEnd);
    abortRun();
  }
}

// The prepared record declares the statement's own counts on the side of the
// direction, so that a statement of the wrong kind is refused by its type
// (below) rather than by a layout mismatch in the prepare.
void declareCounts(short inputs, short outputs) {
  QueryRecord &query = job.queryRecord;
  if (job.direction == 'i') {
    query.inputCount = inputs;
    query.outputCount = 0;
  } else {
    query.inputCount = 0;
    query.outputCount = outputs;
  }
}

void checkStatementFits(short inputs, short outputs) {
  const short type = job.statementType;
  bool fits = false;
  if (job.direction == 'i')
    fits = inputs > 0 &&
           (type == kStmtInsert || type == kStmtUpdate || type == kStmtExecProcedure);
  else
    fits = type == kStmtSelect && outputs > 0;
  if (!fits) {
    LOCATED_MESSAGE("illogical query type for request (%hd)%s", type, job.lineEnd);
    abortRun();
  }
}

}  // namespace
