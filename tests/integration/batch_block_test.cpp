// The block that runs several records at once declares each parameter with
// the type the statement described, for every column type a load converts;
// prepared, each of its slots has the forms of the statement's own inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dblib/dbinternal.h"
#include "load/blockstatement.h"
#include "testsupport.h"

namespace {

class BatchBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(createDatabase(
        path,
        "create table every (c10 char(10), v10 varchar(10), vu varchar(5) character set utf8,"
        " vc varchar(6) character set utf8 collate unicode_ci, cw char(3) character set win1252,"
        " vo varchar(4) character set octets, sm smallint, i integer, bi bigint,"
        " n41 numeric(4,1), n92 numeric(9,2), d31 decimal(3,1), d184 decimal(18,4),"
        " n50 numeric(5,0), f float, dp double precision, d date, t time, ts timestamp,"
        " bt blob sub_type text character set utf8, bb blob, arr integer[3]);"));
    ASSERT_EQ(DBopen(path.c_str(), "SYSDBA", "masterkey", &db), kDbOk);
    ASSERT_EQ(StartTransaction("test", 1, &db, &tr), kDbOk);
  }
  void TearDown() override { DBclose(&db); }

  TempDir dir;
  const std::string path = dir.file("block.fdb");
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  // dblib keeps the records registered until the database closes.
  std::string sql, text;
  QueryRecord statement, block;
};

TEST_F(BatchBlock, BlockParameters_DeclareEveryColumnTypeAsDescribed) {
  sql = "insert into every values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?)";
  statement.sqlText = sql.c_str();
  statement.inputCount = 22;
  ASSERT_EQ(PrepareQuery(&statement, &tr), kDbOk);
  std::vector<DescribedInput> inputs(22);
  ASSERT_EQ(DescribeInputs(&statement, inputs.data(), 22), kDbOk);
  std::vector<CollationName> names;
  ASSERT_TRUE(readCollationNames(&tr, &names));

  const char *const expected[] = {
      "CHAR(10) CHARACTER SET NONE", "VARCHAR(10) CHARACTER SET NONE",
      "VARCHAR(5) CHARACTER SET UTF8", "VARCHAR(6) CHARACTER SET UTF8 COLLATE UNICODE_CI",
      "CHAR(3) CHARACTER SET WIN1252", "VARCHAR(4) CHARACTER SET OCTETS", "SMALLINT", "INTEGER",
      "BIGINT", "NUMERIC(4,1)", "NUMERIC(9,2)", "DECIMAL(9,1)", "DECIMAL(18,4)", "NUMERIC(9,0)",
      "FLOAT", "DOUBLE PRECISION", "DATE", "TIME", "TIMESTAMP",
      "BLOB SUB_TYPE 1 CHARACTER SET UTF8", "BLOB SUB_TYPE 0",
      "",  // arrays cannot be block parameters
  };
  for (int i = 0; i < 22; ++i)
    EXPECT_EQ(declareInput(inputs[static_cast<size_t>(i)], names), expected[i]) << "input " << i + 1;
}

TEST_F(BatchBlock, BlockParameters_EverySlotHasTheStatementsForms) {
  // Every column but the array, with '?' also inside an expression.
  sql = "insert into every (c10, v10, vu, vc, cw, vo, sm, i, bi, n41, n92, d31, d184, n50, f, dp,"
        " d, t, ts, bt, bb) values (?, ?, ?, ?, ?, ?, ?, ? + 1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
        " ?, ?)";
  constexpr int kInputs = 21;
  statement.sqlText = sql.c_str();
  statement.inputCount = kInputs;
  ASSERT_EQ(PrepareQuery(&statement, &tr), kDbOk);
  std::vector<DescribedInput> inputs(kInputs);
  ASSERT_EQ(DescribeInputs(&statement, inputs.data(), kInputs), kDbOk);
  std::vector<CollationName> names;
  ASSERT_TRUE(readCollationNames(&tr, &names));
  std::vector<std::string> types;
  for (const DescribedInput &input : inputs) types.push_back(declareInput(input, names));

  bool closed = false, lineComment = false;
  const std::vector<size_t> markers = findParameterMarkers(sql, &closed, &lineComment);
  ASSERT_EQ(markers.size(), static_cast<size_t>(kInputs));
  text = buildBlockText(sql, markers, lineComment, types, 3);
  block.sqlText = text.c_str();
  block.inputCount = 1 + 3 * kInputs;
  ASSERT_EQ(PrepareQuery(&block, &tr), kDbOk) << text;
  for (int s = 0; s < 3; ++s)
    EXPECT_EQ(SameInputForms(&statement, 1, &block, 2 + s * kInputs, kInputs), kDbOk)
        << "slot " << s;
  // The count parameter is not a slot's.
  EXPECT_EQ(SameInputForms(&statement, 1, &block, 1, kInputs), kDbBadFieldType);
}

}  // namespace
