// Registry lookups over hand-made entries: the variable and blob locator rules
// and the messages of unregistered handles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib/extras.h"
#include "dblib_capture.h"

namespace {

// Registers a query entry for `record` with an input XSQLDA of `inputs`
// variables (none when 0) and no output; removed again at scope end.
class SyntheticQuery {
 public:
  SyntheticQuery(QueryRecord *record, int inputs)
      : storage_(inputs > 0 ? XSQLDA_LENGTH(inputs) / sizeof(std::max_align_t) + 1 : 0) {
    growList(queryCount, &queryCapacity, reinterpret_cast<void **>(&queryList),
             sizeof(QueryEntry));
    QueryEntry &entry = queryList[queryCount++];
    entry = QueryEntry{};
    entry.owner = record;
    entry.database = 4242;
    if (inputs > 0) {
      input_ = entry.inputSqlda = reinterpret_cast<XSQLDA *>(storage_.data());
      entry.inputSqlda->sqln = entry.inputSqlda->sqld = static_cast<short>(inputs);
    }
    record->inputCount = static_cast<short>(inputs);
  }
  ~SyntheticQuery() { queryList[--queryCount] = QueryEntry{}; }
  XSQLDA *input() { return input_; }

 private:
  std::vector<std::max_align_t> storage_;
  XSQLDA *input_ = nullptr;
};

}  // namespace

TEST(DblibRegistry, VariableLocatorRules) {
  QueryRecord withInput, withoutInput, unregistered;
  SyntheticQuery a(&withInput, 2);
  SyntheticQuery b(&withoutInput, 0);
  const struct {
    int number;
    QueryRecord *record;
    bool input;
    int expected;
  } rows[] = {
      {0, &unregistered, true, kDbBadVariable},  // checked before the lookup
      {-3, &withInput, true, kDbBadVariable},
      {1, &unregistered, true, kDbQueryNotFound},
      {1, &withoutInput, true, kDbNoInput},
      {1, &withInput, false, kDbNoOutput},
      {3, &withInput, true, kDbBadVariable},
      {2, &withInput, true, kDbOk},
  };
  for (const auto &row : rows)
    EXPECT_EQ(FindVariable(row.number, row.record, row.input), row.expected) << row.number;
  EXPECT_EQ(currentVariable, &a.input()->sqlvar[1]);
  EXPECT_EQ(currentQuery->owner, &withInput);
  EXPECT_EQ(*currentDatabase, 4242u);
  EXPECT_EQ(FindVariable(3, &withInput, true), kDbBadVariable);
  EXPECT_EQ(currentVariable, nullptr);
}

TEST(DblibRegistry, BlobLookupNeedsOwnerAndColumn) {
  QueryRecord record, other;
  growList(blobCount, &blobCapacity, reinterpret_cast<void **>(&blobList), sizeof(BlobEntry));
  blobList[blobCount] = BlobEntry{};
  blobList[blobCount].owner = &record;
  blobList[blobCount].variable = 3;
  ++blobCount;
  EXPECT_EQ(FindBlob(2, &record), kDbBlobNotFound);
  EXPECT_EQ(FindBlob(3, &other), kDbBlobNotFound);
  EXPECT_EQ(FindBlob(3, &record), kDbQueryNotFound);  // its query is gone
  EXPECT_EQ(currentBlob, &blobList[blobCount - 1]);
  {
    SyntheticQuery query(&record, 1);
    EXPECT_EQ(FindBlob(3, &record), kDbOk);
    EXPECT_EQ(currentQuery->owner, &record);
  }
  blobList[--blobCount] = BlobEntry{};
}

TEST(DblibRegistry, UnregisteredDatabaseIsReported) {
  MessageCapture capture;
  isc_db_handle db = 77;
  EXPECT_EQ(FindDatabase(&db), kDbDatabaseNotFound);
  EXPECT_EQ(DatabaseDialect(&db), 1);
  EXPECT_EQ(capture.take(), "Database handle (77) not registered\r\n"
                            "Database handle (77) not registered\r\n");
  EXPECT_EQ(db, 77u);
}
