// pending.cpp - placeholders for dblib operations still being built; the
// statement and cursor modules replace them.
#include "dblib/dbinternal.h"

void FreeDatabaseQueries(isc_db_handle *) {}
int CloseCursor(QueryRecord *) { return kDbOk; }
