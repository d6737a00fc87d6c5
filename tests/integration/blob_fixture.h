// blob_fixture.h - a fresh embedded database with the run's statement set up
// as the load side sees it: `job` holds the database, the transaction and the
// prepared "insert into t (id, b) values (?, ?)" (b a binary blob), and one
// blob field specification for variable 2. inputBuffer stays unallocated:
// blob loading must never touch it.
#ifndef LODRUN_TESTS_BLOB_FIXTURE_H
#define LODRUN_TESTS_BLOB_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "dblib/extras.h"
#include "job/settings.h"
#include "testsupport.h"

class BlobDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    resetJobSettings();
    job.fieldBuffer = static_cast<char *>(allocZeroed(kBufferSize, "field buffer"));
    spec_ = FieldSpec{kFormatBinaryBlobStream, 1, 30, kExtText, 2, 8, kTypeBlob, 80};
    job.fieldTable = &spec_;
    job.fieldCount = 1;
    path_ = dir_.file("blobs.fdb");
    ASSERT_TRUE(createDatabase(path_, "create table t (id integer, b blob sub_type 0);"));
    // Without forced writes the large loads are not held up by the disk.
    EXPECT_EQ(runProgram("/usr/bin/gfix", {"-user", "SYSDBA", "-w", "async", path_}).exitCode, 0);
    ASSERT_EQ(DBopen(path_.c_str(), "SYSDBA", "masterkey", &job.databaseHandle), 0);
    ASSERT_EQ(StartTransaction("standard trans", 1, &job.databaseHandle, tr_), 0);
    insert_->cursorName = "Lodrun";
    insert_->sqlText = "insert into t (id, b) values (?, ?)";
    insert_->inputCount = 2;
    ASSERT_EQ(PrepareQuery(insert_, tr_), 0);
  }
  void TearDown() override {
    if (*tr_ != 0) RollbackTransaction(tr_);
    DBclose(&job.databaseHandle);
    std::free(job.fieldBuffer);
    std::free(job.blobWorkArea);
    resetJobSettings();
  }

  void setId(int id) {
    ASSERT_EQ(FindVariable(1, insert_, true), 0);
    std::memcpy(currentVariable->sqldata, &id, sizeof id);
    *currentVariable->sqlind = 0;
  }
  // Fetches row `id` in the run's transaction and opens its blob, column 1 of
  // the returned query.
  QueryRecord *openBlob(int id) {
    Select &s = selects_.emplace_back();
    s.sql = "select b from t where id = " + std::to_string(id);
    s.cursor = "c" + std::to_string(selects_.size());
    s.query.sqlText = s.sql.c_str();
    s.query.cursorName = s.cursor.c_str();
    s.query.outputCount = 1;
    EXPECT_EQ(PrepareQuery(&s.query, tr_), 0);
    EXPECT_EQ(OpenCursor(&s.query, tr_), 0);
    EXPECT_EQ(FetchRow(&s.query), 0);
    EXPECT_EQ(OpenBlob(&s.query, 1, tr_), 0);
    return &s.query;
  }
  // Segment lengths of the blob of row `id`, as the client hands them out.
  std::vector<int> segmentLengths(int id) {
    openBlob(id);
    std::vector<int> lengths;
    std::vector<char> buffer(65535);
    ISC_STATUS_ARRAY status;
    unsigned short got = 0;
    while (isc_get_segment(status, &currentBlob->handle, &got, 65535, buffer.data()) == 0)
      lengths.push_back(got);
    return lengths;
  }
  // Commits and returns the blobs of every row, sorted.
  std::vector<std::string> committedBlobs() {
    EXPECT_EQ(CommitTransaction(tr_), 0);
    std::vector<std::string> rows = queryRows(path_, "select b from t");
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  struct Select {
    std::string sql, cursor;
    QueryRecord query;
  };
  TempDir dir_;
  std::string path_;
  FieldSpec spec_{};
  QueryRecord *const insert_ = &job.queryRecord;
  isc_tr_handle *const tr_ = &job.transactionHandle;
  std::list<Select> selects_;
};

#endif  // LODRUN_TESTS_BLOB_FIXTURE_H
