// prepare.cpp - turning a caller's QueryRecord into a prepared, described
// statement with its XSQLDAs and data buffers, and freeing statements when
// their database closes.
//
//   QueryRecord {sqlText, inputCount, outputCount}
//     --PrepareQuery--> QueryEntry {statement, SQLDA block, data buffers}
//   SQLDA block (one allocation): output XSQLDA | input XSQLDA |
//     inputNullFlags (all -1) | inputDataLengths | outputNullFlags
//   fetch block (VARCHAR columns presented as text only): fetch XSQLDA |
//     the VARCHAR areas it fetches into
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"
#include "dblib/extras.h"

namespace {

// Offsets of the pieces of one SQLDA block; a piece with count 0 is empty.
struct SqldaBlock {
  size_t output = 0, input = 0, inputNulls = 0, inputLengths = 0, outputNulls = 0, total = 0;
};

size_t alignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

size_t sqldaBytes(int count) { return count > 0 ? XSQLDA_LENGTH(count) : 0; }

SqldaBlock blockLayout(int inputs, int outputs) {
  const size_t inputFlags = sizeof(short) * static_cast<size_t>(inputs);
  SqldaBlock block;
  block.input = alignUp(sqldaBytes(outputs), alignof(XSQLDA));
  block.inputNulls = alignUp(block.input + sqldaBytes(inputs), alignof(short));
  block.inputLengths = block.inputNulls + inputFlags;
  block.outputNulls = block.inputLengths + inputFlags;
  block.total = block.outputNulls + sizeof(short) * static_cast<size_t>(outputs);
  return block;
}

// Releases everything an entry holds and marks its owner unprepared.
void releaseEntry(QueryEntry *entry) {
  currentQuery = entry;
  if (entry->outputSqlda != nullptr)
    std::free(entry->outputSqlda);  // the block starts with the output XSQLDA
  else if (entry->inputSqlda != nullptr)
    std::free(entry->inputSqlda);
  entry->outputSqlda = entry->inputSqlda = nullptr;
  std::free(entry->inputData);
  std::free(entry->outputData);
  entry->inputData = entry->outputData = nullptr;
  std::free(entry->fetchSqlda);  // the fetch block starts with it
  entry->fetchSqlda = nullptr;
  entry->fetchData = nullptr;
  // A statement that was never allocated has nothing to drop.
  if (entry->statementHandle != 0) {
    const ISC_STATUS result =
        isc_dsql_free_statement(statusVector, &entry->statementHandle, DSQL_drop);
    if (storeSqlCode(result) != 0) ReportSqlStatus("free statement", entry->owner);
  }
  if (entry->owner != nullptr) entry->owner->prepared = 0;
}

// The entry of a record: a new one, or the one a failed earlier attempt left
// (released first, so a retry never finds stale state).
QueryEntry *registerEntry(QueryRecord *query) {
  QueryEntry *entry = nullptr;
  if (FindQuery(query) == kDbOk) {
    entry = currentQuery;
    releaseEntry(entry);
  } else {
    growList(queryCount, &queryCapacity, reinterpret_cast<void **>(&queryList),
             sizeof(QueryEntry));
    entry = &queryList[queryCount++];
  }
  *entry = QueryEntry{};
  entry->owner = query;
  entry->statementType = -1;
  currentQuery = entry;
  return entry;
}

void placeSqldas(QueryEntry *entry, int inputs, int outputs) {
  const SqldaBlock layout = blockLayout(inputs, outputs);
  char *block = static_cast<char *>(allocZeroed(static_cast<long>(layout.total), "SQLDAs"));
  if (outputs > 0) {
    entry->outputSqlda = reinterpret_cast<XSQLDA *>(block + layout.output);
    InitSqlda(entry->outputSqlda, outputs, static_cast<int>(sqldaBytes(outputs)));
  }
  if (inputs > 0) {
    entry->inputSqlda = reinterpret_cast<XSQLDA *>(block + layout.input);
    InitSqlda(entry->inputSqlda, inputs, static_cast<int>(sqldaBytes(inputs)));
    entry->inputNullFlags = reinterpret_cast<short *>(block + layout.inputNulls);
    std::memset(entry->inputNullFlags, 0xFF, sizeof(short) * static_cast<size_t>(inputs));
    entry->inputDataLengths = reinterpret_cast<short *>(block + layout.inputLengths);
  }
  if (outputs > 0) entry->outputNullFlags = reinterpret_cast<short *>(block + layout.outputNulls);
}

void readStatementType(QueryEntry *entry) {
  static const char items[] = {isc_info_sql_stmt_type, isc_info_end};
  std::memset(infoBuffer, 0, sizeof infoBuffer);
  isc_dsql_sql_info(statusVector, &entry->statementHandle, sizeof items, items,
                    kInfoBufferSize, infoBuffer);
  entry->statementType = static_cast<short>(ReadInfoItem("sql type", 0, isc_info_sql_stmt_type));
}

int describeInput(QueryEntry *entry, QueryRecord *query) {
  const unsigned short dialect = static_cast<unsigned short>(entry->dialect);
  if (storeSqlCode(isc_dsql_describe_bind(statusVector, &entry->statementHandle, dialect,
                                          entry->inputSqlda)) != 0)
    return clientFailure("describe_bind query", query);
  entry->inputData = AllocSqlData(entry->inputSqlda, "input", &entry->inputDataSize);
  if (entry->inputData == nullptr) return kDbSqlError;
  for (int i = 0; i < entry->inputSqlda->sqld; ++i) {
    XSQLVAR &var = entry->inputSqlda->sqlvar[i];
    entry->inputDataLengths[i] = var.sqllen;
    var.sqlind = &entry->inputNullFlags[i];
    const int type = var.sqltype & ~1;
    if (type == SQL_BLOB || type == SQL_ARRAY) entry->inputIdentifiers = true;
  }
  return kDbOk;
}

// The output columns that are VARCHAR as described and become text.
std::vector<bool> varcharsAsText(const XSQLDA *sqlda, bool exactTypes) {
  std::vector<bool> found(static_cast<size_t>(sqlda->sqld), false);
  if (exactTypes) return found;  // they stay VARCHAR
  for (int i = 0; i < sqlda->sqld && i < sqlda->sqln; ++i)
    found[static_cast<size_t>(i)] = (sqlda->sqlvar[i].sqltype & ~1) == SQL_VARYING;
  return found;
}

// The client turns a VARCHAR into padded text far more slowly than it
// delivers the VARCHAR itself: such columns are fetched as VARCHAR into an
// XSQLDA of their own, beside the coerced one that callers see.
void placeFetchSqlda(QueryEntry *entry, const std::vector<bool> &varchars) {
  const XSQLDA *output = entry->outputSqlda;
  const size_t header = (XSQLDA_LENGTH(output->sqln) + 7) / 8 * 8;
  size_t total = header;
  for (int i = 0; i < output->sqld; ++i)
    if (varchars[static_cast<size_t>(i)])
      total += (sizeof(ISC_USHORT) + static_cast<size_t>(output->sqlvar[i].sqllen) + 1) / 2 * 2;
  char *block = static_cast<char *>(allocZeroed(static_cast<long>(total), "fetch SQLDA"));
  entry->fetchSqlda = reinterpret_cast<XSQLDA *>(block);
  std::memcpy(entry->fetchSqlda, output, XSQLDA_LENGTH(output->sqln));
  entry->fetchData = block + header;
  size_t offset = 0;
  for (int i = 0; i < output->sqld; ++i) {
    if (!varchars[static_cast<size_t>(i)]) continue;
    XSQLVAR &var = entry->fetchSqlda->sqlvar[i];
    var.sqltype = SQL_VARYING | 1;
    var.sqllen = static_cast<ISC_SHORT>(output->sqlvar[i].sqllen - 1);  // without the NUL's byte
    var.sqldata = entry->fetchData + offset;
    offset += (sizeof(ISC_USHORT) + static_cast<size_t>(var.sqllen) + 1) / 2 * 2;
  }
}

int describeOutput(QueryEntry *entry, QueryRecord *query) {
  const unsigned short dialect = static_cast<unsigned short>(entry->dialect);
  if (storeSqlCode(isc_dsql_describe(statusVector, &entry->statementHandle, dialect,
                                     entry->outputSqlda)) != 0)
    return clientFailure("describe query", query);
  const std::vector<bool> varchars = varcharsAsText(entry->outputSqlda, query->exactOutputTypes);
  entry->outputData = AllocSqlData(entry->outputSqlda, "output", &entry->outputDataSize,
                                   query->exactOutputTypes);
  if (entry->outputData == nullptr) return kDbSqlError;
  if (storeSqlCode(isc_dsql_set_cursor_name(statusVector, &entry->statementHandle,
                                            query->cursorName, 0)) != 0)
    return clientFailure("setting cursor name", query);
  for (int i = 0; i < entry->outputSqlda->sqld; ++i) {
    XSQLVAR &var = entry->outputSqlda->sqlvar[i];
    var.sqlind = &entry->outputNullFlags[i];
    // Every column gets a name: its own when it has no alias.
    if (var.aliasname_length == 0) {
      const size_t length = var.sqlname_length < 0 ? 0
                            : static_cast<size_t>(var.sqlname_length) < sizeof var.aliasname
                                ? static_cast<size_t>(var.sqlname_length)
                                : sizeof var.aliasname - 1;
      std::memcpy(var.aliasname, var.sqlname, length);
      var.aliasname[length] = 0;
      var.aliasname_length = static_cast<ISC_SHORT>(length);
    }
  }
  for (const bool varchar : varchars) {
    if (!varchar) continue;
    placeFetchSqlda(entry, varchars);
    break;
  }
  return kDbOk;
}

}  // namespace

int PrepareQuery(QueryRecord *query, isc_tr_handle *tr) {
  if (query->prepared) return kDbAlreadyPrepared;
  if (FindTransaction(tr) != kDbOk) return kDbTransactionNotFound;
  const isc_db_handle database = transactionList[currentTransactionIndex].database;
  QueryEntry *entry = registerEntry(query);
  entry->database = database;
  entry->dialect = TransactionDialect(tr);

  const int inputs = query->inputCount > 0 ? query->inputCount : 0;
  const int outputs = query->outputCount > 0 ? query->outputCount : 0;
  if (outputs > 0 && (query->cursorName == nullptr || *query->cursorName == 0)) {
    printMessage(dbMessages(), "No query/cursor name for query ->%s<-\r\n",
                 query->sqlText != nullptr ? query->sqlText : "");
    return kDbSqlError;
  }
  if (inputs + outputs > 0) placeSqldas(entry, inputs, outputs);

  if (storeSqlCode(isc_dsql_allocate_statement(statusVector, &entry->database,
                                               &entry->statementHandle)) != 0)
    return clientFailure("alloc statement", query);
  const ISC_STATUS result = isc_dsql_prepare(
      statusVector, tr, &entry->statementHandle, 0,
      query->sqlText != nullptr ? query->sqlText : "",
      static_cast<unsigned short>(entry->dialect), entry->outputSqlda);
  storeSqlCode(result);
  if (outputs > 0 && entry->outputSqlda->sqld != entry->outputSqlda->sqln) {
    XSQLDA *sqlda = entry->outputSqlda;
    if (sqlda->sqld > sqlda->sqln) return kDbSqldaCounts;
    sqlda->sqln = sqlda->sqld;
    query->outputCount = sqlda->sqld;
  }
  if (lastSqlCode != 0) return clientFailure("prepare query", query);

  readStatementType(entry);
  if (inputs > 0) {
    const int described = describeInput(entry, query);
    if (described != kDbOk) return described;
  }
  if (outputs > 0) {
    const int described = describeOutput(entry, query);
    if (described != kDbOk) return described;
  }
  query->prepared = 1;
  return kDbOk;
}

int GetQueryType(QueryRecord *query, short *type) {
  if (FindQuery(query) != kDbOk) return kDbQueryNotFound;
  *type = currentQuery->statementType;
  return kDbOk;
}

void FreeDatabaseQueries(isc_db_handle *db) {
  const isc_db_handle value = *db;
  int kept = 0;
  for (int i = 0; i < queryCount; ++i) {
    if (queryList[i].database == value) {
      releaseEntry(&queryList[i]);
      continue;
    }
    // Kept entries move down in order.
    if (kept != i) queryList[kept] = queryList[i];
    ++kept;
  }
  for (int i = kept; i < queryCount; ++i) queryList[i] = QueryEntry{};
  queryCount = kept;
  currentQuery = nullptr;
}
