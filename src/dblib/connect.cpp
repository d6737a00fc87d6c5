// connect.cpp - database connections: DBopen with its parameter block,
// DBclose, and PanicExitDb, the emergency stop that rolls back and detaches
// everything registered.
//
//   name (cut at first space) + user/password/charset --BuildDpb--> infoBuffer
//        --isc_attach_database--> caller's handle --> databaseList (+ dialect)
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/messagesink.h"
#include "dblib/dbinternal.h"
#include "dblib/extras.h"

namespace {

constexpr int kNameSize = 256;      // DatabaseEntry::name, NUL included
constexpr int kDpbValueMax = 255;   // one length byte per DPB value

bool hasText(const char *text) { return text != nullptr && *text != 0; }

// Copies name up to its first space or NUL into buffer (size bytes); returns
// false when it does not fit with its NUL.
bool cutName(const char *name, char *buffer, int size) {
  const size_t length = std::strcspn(name, " ");
  if (length >= static_cast<size_t>(size)) return false;
  std::memcpy(buffer, name, length);
  buffer[length] = 0;
  return true;
}

long itemLength(const char *value) {
  return value != nullptr ? 2 + static_cast<long>(std::strlen(value)) : 0;
}

// Counted DPB length for these values (version byte and items).
long dpbLength(const char *user, const char *password, const char *charSet) {
  return 1 + itemLength(user) + itemLength(password) +
         itemLength(hasText(charSet) ? charSet : nullptr);
}

char *putItem(char *at, char tag, const char *value) {
  const size_t length = std::strlen(value);
  *at++ = tag;
  *at++ = static_cast<char>(length);
  std::memcpy(at, value, length);
  return at + length;
}

// The name of the first value that cannot be sent with a one-byte length.
const char *overlongValue(const char *user, const char *password, const char *charSet) {
  if (user != nullptr && std::strlen(user) > kDpbValueMax) return "user name";
  if (password != nullptr && std::strlen(password) > kDpbValueMax) return "password";
  if (charSet != nullptr && std::strlen(charSet) > kDpbValueMax) return "character set";
  return nullptr;
}

bool credentialsUsable(const char *user, const char *password) {
  if (user == nullptr) return password == nullptr;
  return hasText(user) && hasText(password);
}

void readDialect(isc_db_handle *db, DatabaseEntry *entry) {
  static const char items[] = {isc_info_db_sql_dialect, isc_info_end};
  std::memset(infoBuffer, 0, sizeof infoBuffer);
  isc_database_info(statusVector, db, sizeof items, items, kInfoBufferSize, infoBuffer);
  const long dialect = ReadInfoItem("sql dialect", 0, isc_info_db_sql_dialect);
  entry->dialect = dialect > 0 ? static_cast<int32_t>(dialect) : 1;
}

}  // namespace

int BuildDpb(char *buffer, int capacity, const char *user, const char *password,
             const char *charSet) {
  if (!hasText(charSet)) charSet = nullptr;
  if (user == nullptr && charSet == nullptr) return 0;
  if (overlongValue(user, password, charSet) != nullptr) return -1;
  const long length = dpbLength(user, password, charSet);
  if (length + 1 > capacity) return -1;  // the trailing NUL must fit too
  char *at = buffer;
  *at++ = isc_dpb_version1;
  if (user != nullptr) at = putItem(at, isc_dpb_user_name, user);
  if (password != nullptr) at = putItem(at, isc_dpb_password, password);
  if (charSet != nullptr) at = putItem(at, isc_dpb_lc_ctype, charSet);
  *at = 0;
  return static_cast<int>(length);
}

int DBopen(const char *name, const char *user, const char *password, isc_db_handle *db,
           const char *charSet) {
  FILE *out = dbMessages();
  if (name == nullptr || !credentialsUsable(user, password)) return kDbMissingCredentials;
  char cut[kNameSize];
  if (!cutName(name, cut, kNameSize)) return kDbNameTooLong;
  for (int i = 0; i < databaseCount; ++i)
    if (std::strcmp(databaseList[i].name, cut) == 0) return kDbNameDuplicate;
  if (*db != 0 && databaseIndexOf(*db) >= 0) {
    printMessage(out, "DB handle in use cannot re-open for <%s>\r\n", cut);
    return kDbHandleLive;
  }
  *db = 0;

  if (const char *what = overlongValue(user, password, charSet)) {
    printMessage(out, "Interbase DPB item too long: %s, max %d bytes!\r\n", what, kDpbValueMax);
    return kDbStrangeReturn;
  }
  std::memset(infoBuffer, 0, sizeof infoBuffer);
  const int length = BuildDpb(infoBuffer, kInfoBufferSize, user, password, charSet);
  if (length < 0) {
    printMessage(out, "Interbase DPB to long %hd, max %d!\r\n",
                 static_cast<short>(dpbLength(user, password, charSet)), kInfoBufferSize);
    return kDbStrangeReturn;
  }
  const ISC_STATUS result = isc_attach_database(statusVector, 0, cut, db,
                                                static_cast<short>(length),
                                                length > 0 ? infoBuffer : nullptr);
  storeSqlCode(result);
  errno = 0;
  std::memset(infoBuffer, 0, sizeof infoBuffer);  // the password is not kept
  if (lastSqlCode != 0) {
    *db = 0;
    printMessage(out, "Couldn't open database >%s<", cut);
    if (user != nullptr) printMessage(out, " as <%s>/<%s>", user, "********");
    printMessage(out, "\r\n\r\n");
    ReportSqlStatus("DBopen failure", nullptr);
    return kDbSqlError;
  }

  growList(databaseCount, &databaseCapacity, reinterpret_cast<void **>(&databaseList),
           sizeof(DatabaseEntry));
  DatabaseEntry *entry = &databaseList[databaseCount];
  *entry = DatabaseEntry{};
  entry->handle = *db;
  std::memcpy(entry->name, cut, std::strlen(cut) + 1);
  readDialect(db, entry);
  ++databaseCount;
  return kDbOk;
}

int DBclose(isc_db_handle *db) {
  if (FindDatabase(db) != kDbOk) return kDbDatabaseNotFound;
  const isc_db_handle value = *db;  // the detach clears *db
  FreeDatabaseQueries(db);
  RollbackDatabaseTransactions(db);
  // Detach results are not examined: the entry goes whatever the client says.
  isc_dsql_finish(db);
  isc_detach_database(statusVector, db);
  *db = 0;
  const int index = databaseIndexOf(value);
  if (index >= 0) {
    databaseList[index] = databaseList[databaseCount - 1];
    databaseList[--databaseCount] = DatabaseEntry{};
  }
  return kDbOk;
}

void PanicExitDb() {
  FILE *out = dbMessages();
  // DBclose removes the entry it closes; walking from the end keeps the walk
  // on entries not yet closed.
  for (int i = databaseCount - 1; i >= 0; --i) {
    if (i >= databaseCount) continue;
    isc_db_handle copy = databaseList[i].handle;
    DBclose(&copy);
  }
  printMessage(out, "PanicExitDb called - transaction(s) rolled back; db(s) closed\r\n");
  flushMessages(out);
  flushMessages(stdout);
}
