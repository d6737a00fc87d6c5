// transactions.cpp - starting, ending and restarting transactions, and the
// transaction registry (transactionList).
//
//   name + type --BuildTpb--> isc_start_transaction --> caller's handle
//        --> TransactionEntry {database, transaction, name}
//   commit/rollback: close the transaction's cursors and blobs, drop the
//   entry, then ask the client; restart: commit retaining, entry kept.
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"
#include "dblib/extras.h"

namespace {

constexpr int kTransactionNameSize = 32;  // TransactionEntry::name, NUL included

void reportUnknown(const isc_tr_handle *tr) {
  printMessage(dbMessages(), "Transaction handle (%d) not known\r\n", static_cast<int>(*tr));
}

void removeTransaction(isc_tr_handle value) {
  const int index = transactionIndexOf(value);
  if (index < 0) return;
  transactionList[index] = transactionList[transactionCount - 1];
  transactionList[--transactionCount] = TransactionEntry{};
}

// Commit and rollback are twins: only the client call and its label differ.
int endTransaction(isc_tr_handle *tr, bool commit) {
  if (FindTransaction(tr) != kDbOk) return kDbTransactionNotFound;
  CloseTransactionCursors(tr);
  // The entry goes before the client is asked, whatever the outcome.
  removeTransaction(*tr);
  const ISC_STATUS result = commit ? isc_commit_transaction(statusVector, tr)
                                   : isc_rollback_transaction(statusVector, tr);
  if (storeSqlCode(result) != 0) {
    ReportSqlStatus(commit ? "Couldn't commit transaction" : "Couldn't rollback transaction",
                    nullptr);
    return kDbSqlError;
  }
  return kDbOk;
}

}  // namespace

int BuildTpb(int type, char *tpb) {
  static const char kTypes[4][5] = {
      {isc_tpb_version1, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait},
      {isc_tpb_version1, isc_tpb_write, isc_tpb_concurrency, isc_tpb_nowait},
      {isc_tpb_version1, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait},
      {isc_tpb_version1, isc_tpb_read, isc_tpb_read_committed, isc_tpb_nowait,
       isc_tpb_no_rec_version},
  };
  if (type < 1 || type > 4) type = 1;
  const int length = type == 4 ? 5 : 4;
  std::memcpy(tpb, kTypes[type - 1], static_cast<size_t>(length));
  return length;
}

int StartTransaction(const char *name, int type, isc_db_handle *db, isc_tr_handle *tr) {
  if (name == nullptr) name = "";
  const size_t length = std::strcspn(name, " ");
  if (length >= kTransactionNameSize) return kDbNameTooLong;
  char cut[kTransactionNameSize];
  std::memcpy(cut, name, length);
  cut[length] = 0;
  for (int i = 0; i < transactionCount; ++i)
    if (std::strcmp(transactionList[i].name, cut) == 0) return kDbNameDuplicate;
  if (FindDatabase(db) != kDbOk) return kDbDatabaseNotFound;

  *tr = 0;
  char tpb[5];
  const int tpbLength = BuildTpb(type, tpb);
  const ISC_STATUS result = isc_start_transaction(statusVector, tr, 1, db, tpbLength, tpb);
  if (storeSqlCode(result) != 0) {
    ReportSqlStatus("Couldn't start transaction", nullptr);
    return kDbSqlError;
  }
  growList(transactionCount, &transactionCapacity,
           reinterpret_cast<void **>(&transactionList), sizeof(TransactionEntry));
  TransactionEntry &entry = transactionList[transactionCount++];
  entry = TransactionEntry{};
  entry.database = *db;
  entry.transaction = *tr;
  std::memcpy(entry.name, cut, length + 1);
  return kDbOk;
}

int CommitTransaction(isc_tr_handle *tr) { return endTransaction(tr, true); }

int RollbackTransaction(isc_tr_handle *tr) { return endTransaction(tr, false); }

int RestartTransaction(isc_tr_handle *tr) {
  if (FindTransaction(tr) != kDbOk) return kDbTransactionNotFound;
  if (storeSqlCode(isc_commit_retaining(statusVector, tr)) != 0) {
    ReportSqlStatus("Couldn't restart transaction", nullptr);
    return kDbSqlError;
  }
  return kDbOk;
}

void RollbackDatabaseTransactions(isc_db_handle *db) {
  // Backwards: a rollback moves the last entry into the slot it frees.
  for (int i = transactionCount - 1; i >= 0; --i) {
    if (i >= transactionCount || transactionList[i].database != *db) continue;
    isc_tr_handle copy = transactionList[i].transaction;
    RollbackTransaction(&copy);
  }
}

void CloseTransactionCursors(isc_tr_handle *tr) {
  const isc_tr_handle value = *tr;
  if (value == 0) return;
  for (int q = 0; q < queryCount; ++q) {
    if (queryList[q].cursorTransaction != value) continue;
    QueryRecord *owner = queryList[q].owner;
    // Closing a blob removes its entry and moves the last one into its slot,
    // so the slot is looked at again unless nothing was removed.
    for (int b = 0; b < blobCount;) {
      if (blobList[b].owner != owner) {
        ++b;
        continue;
      }
      const int before = blobCount;
      CloseBlob(blobList[b].variable, owner);
      if (blobCount == before) ++b;
    }
    CloseCursor(owner);
  }
}

int FindTransaction(isc_tr_handle *tr) {
  const int index = transactionIndexOf(*tr);
  if (index < 0) {
    reportUnknown(tr);
    return kDbTransactionNotFound;
  }
  currentTransactionIndex = index;
  currentDatabase = &transactionList[index].database;
  return kDbOk;
}

int TransactionDialect(isc_tr_handle *tr) {
  const int index = transactionIndexOf(*tr);
  if (index < 0) {
    reportUnknown(tr);
    return 1;
  }
  isc_db_handle database = transactionList[index].database;
  return DatabaseDialect(&database);
}
