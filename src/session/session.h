// session.h - the run's one database session: attach, transaction
// "standard trans", the prepared statement and its fit to the direction.
#ifndef LODRUN_SESSION_SESSION_H
#define LODRUN_SESSION_SESSION_H

// Opens the session for a load or an unload. User and password come from the
// switches or options, else from ISC_USER and ISC_PASSWORD; when still
// missing it prints "User/Password must be supplied..." and exits 1. Then
// attaches job.dbName (with job.transCharSet), starts the transaction and
// prepares job.sqlText in job.queryRecord, declaring the statement's input
// variables for a load and its columns for an unload. Sets
// job.databaseHandle, job.transactionHandle, job.statementType, and for a
// delimited unload with "?" variables job.sqlVariableCount. Returns only on
// success; a statement with both parameters and columns, a count other than
// `variables`, a statement type that does not suit the direction and every
// dblib failure end the run through abortRun.
void openSession();

#endif  // LODRUN_SESSION_SESSION_H
