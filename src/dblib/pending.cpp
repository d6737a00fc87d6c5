// pending.cpp - placeholders for dblib operations still being built; the
// connection, transaction and statement modules replace them.
#include <cstdio>

#include "dblib/dbinternal.h"

void PanicExitDb() {
  std::fprintf(dbMessages(),
               "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
  std::fflush(dbMessages());
  std::fflush(stdout);
}

int CommitTransaction(isc_tr_handle *) { return kDbTransactionNotFound; }
int DBclose(isc_db_handle *) { return kDbDatabaseNotFound; }
