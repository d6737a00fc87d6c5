// statementcounts.cpp - how many input variables and output columns a
// statement really has, learned before the caller declares its counts.
//
//   sqlText --prepare on a statement of its own--> describe_bind / describe
//     into one-variable XSQLDAs (sqld tells the real count) --> drop
//
// PrepareQuery lays out exactly the counts it is given and refuses a
// statement whose input count differs, so a caller that must report a wrong
// count (or a statement with both parameters and columns) asks here first.
#include <cstring>

#include "dblib/dbinternal.h"

namespace {

// sqld of a one-variable XSQLDA after a describe is the real count, however
// many variables the statement has.
struct CountingSqlda {
  alignas(XSQLDA) char space[XSQLDA_LENGTH(1)];
  XSQLDA *reset() {
    std::memset(space, 0, sizeof space);
    XSQLDA *sqlda = reinterpret_cast<XSQLDA *>(space);
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = 1;
    return sqlda;
  }
};

int describeCounts(isc_stmt_handle *statement, unsigned short dialect, QueryRecord *query,
                   short *inputs, short *outputs) {
  CountingSqlda counting;
  XSQLDA *sqlda = counting.reset();
  if (storeSqlCode(isc_dsql_describe_bind(statusVector, statement, dialect, sqlda)) != 0) {
    ReportSqlStatus("describe_bind query", query);
    return kDbSqlError;
  }
  *inputs = sqlda->sqld;
  sqlda = counting.reset();
  if (storeSqlCode(isc_dsql_describe(statusVector, statement, dialect, sqlda)) != 0) {
    ReportSqlStatus("describe query", query);
    return kDbSqlError;
  }
  *outputs = sqlda->sqld;
  return kDbOk;
}

}  // namespace

int CountQueryVariables(QueryRecord *query, isc_tr_handle *tr, short *inputs,
                        short *outputs) {
  *inputs = 0;
  *outputs = 0;
  if (FindTransaction(tr) != kDbOk) return kDbTransactionNotFound;
  isc_db_handle database = transactionList[currentTransactionIndex].database;
  const unsigned short dialect = static_cast<unsigned short>(TransactionDialect(tr));

  isc_stmt_handle statement = 0;
  if (storeSqlCode(isc_dsql_allocate_statement(statusVector, &database, &statement)) != 0) {
    ReportSqlStatus("alloc statement", query);
    return kDbSqlError;
  }
  int result = kDbOk;
  const char *text = query->sqlText != nullptr ? query->sqlText : "";
  if (storeSqlCode(isc_dsql_prepare(statusVector, tr, &statement, 0, text, dialect,
                                    nullptr)) != 0) {
    ReportSqlStatus("prepare query", query);
    result = kDbSqlError;
  } else {
    result = describeCounts(&statement, dialect, query, inputs, outputs);
  }
  // Dropped with a status of its own: a failure above has been reported, and
  // the library's status must still describe it for the caller.
  ISC_STATUS_ARRAY dropStatus;
  isc_dsql_free_statement(dropStatus, &statement, DSQL_drop);
  return result;
}
