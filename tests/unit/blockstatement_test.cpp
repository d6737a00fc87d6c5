// The text of the block: which '?' are parameter markers, and how the
// statement is repeated in it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "load/blockstatement.h"

namespace {

TEST(BlockStatement, ParameterMarkers_OnlyOutsideLiteralsCommentsAndQuotedNames) {
  const struct {
    std::string sql;
    std::vector<size_t> markers;
    bool closed, lineComment;
  } cases[] = {
      {"insert into t values (?, ?)", {22, 25}, true, false},
      {"values ('?', ?)", {13}, true, false},
      {"values ('it''s ?', ?)", {19}, true, false},
      {"values (\"A?\", ?)", {14}, true, false},
      {"values (q'{?'}', ?)", {17}, true, false},
      {"values (Q'!?!', ?)", {16}, true, false},
      {"values (freq'?', ?)", {17}, true, false},  // an identifier ending in q
      {"values (? /* ? */, ?)", {8, 19}, true, false},
      {"values (?, -- ?\n ?)", {8, 17}, true, false},
      {"values (?) -- ?", {8}, true, true},
      {"values (?, '?", {8}, false, false},
      {"values (?) /* ?", {8}, false, false},
      {"values (\"?", {}, false, false},
  };
  for (const auto &c : cases) {
    bool closed = false, lineComment = false;
    EXPECT_EQ(findParameterMarkers(c.sql, &closed, &lineComment), c.markers) << c.sql;
    EXPECT_EQ(closed, c.closed) << c.sql;
    EXPECT_EQ(lineComment, c.lineComment) << c.sql;
  }
}

TEST(BlockStatement, BlockText_RepeatsTheStatementPerSlotBehindTheCount) {
  const std::string sql = "insert into t values (?, '?', ?) -- ?";
  bool closed = false, lineComment = false;
  const std::vector<size_t> markers = findParameterMarkers(sql, &closed, &lineComment);
  EXPECT_EQ(buildBlockText(sql, markers, lineComment, {"INTEGER", "DATE"}, 2),
            "EXECUTE BLOCK (N INTEGER = ?, V1 INTEGER = ?, V2 DATE = ?, V3 INTEGER = ?,"
            " V4 DATE = ?)\nAS BEGIN\n"
            "IF (N > 0) THEN insert into t values (:V1, '?', :V2) -- ?\n;\n"
            "IF (N > 1) THEN insert into t values (:V3, '?', :V4) -- ?\n;\n"
            "END");
  // A full block tests N once; a short one goes by the tests per slot.
  EXPECT_EQ(buildBlockText(sql, markers, lineComment, {"INTEGER", "DATE"}, 2,
                           BlockGuard::kWholeBlock),
            "EXECUTE BLOCK (N INTEGER = ?, V1 INTEGER = ?, V2 DATE = ?, V3 INTEGER = ?,"
            " V4 DATE = ?)\nAS BEGIN\n"
            "IF (N = 2) THEN BEGIN\n"
            "insert into t values (:V1, '?', :V2) -- ?\n;\n"
            "insert into t values (:V3, '?', :V4) -- ?\n;\n"
            "END ELSE BEGIN\n"
            "IF (N > 0) THEN insert into t values (:V1, '?', :V2) -- ?\n;\n"
            "IF (N > 1) THEN insert into t values (:V3, '?', :V4) -- ?\n;\n"
            "END\nEND");
}

TEST(BlockStatement, Declarations_NeedAKnownCharacterSetAndWholeCharacters) {
  const std::vector<CollationName> names = {{0, 0, 1, "NONE", "NONE"},
                                            {4, 0, 4, "UTF8", "UTF8"},
                                            {4, 3, 4, "UTF8", "UNICODE_CI"}};
  EXPECT_EQ(declareInput({SQL_VARYING, 4, 20, 0}, names), "VARCHAR(5) CHARACTER SET UTF8");
  EXPECT_EQ(declareInput({SQL_TEXT + 1, 4 | 3 << 8, 8, 0}, names),
            "CHAR(2) CHARACTER SET UTF8 COLLATE UNICODE_CI");
  EXPECT_EQ(declareInput({SQL_VARYING, 4, 21, 0}, names), "");      // not whole characters
  EXPECT_EQ(declareInput({SQL_VARYING, 53, 20, 0}, names), "");     // unknown set
  EXPECT_EQ(declareInput({SQL_VARYING, 4 | 9 << 8, 20, 0}, names), "");  // unknown collation
  EXPECT_EQ(declareInput({SQL_DOUBLE, 0, 8, -2}, names), "NUMERIC(15,2)");  // dialect 1
  EXPECT_EQ(declareInput({SQL_SHORT, 2, 2, -1}, names), "NUMERIC(4,1)");
  EXPECT_EQ(declareInput({SQL_BOOLEAN, 0, 1, 0}, names), "");
  EXPECT_EQ(declareInput({SQL_ARRAY, 0, 8, 0}, names), "");
  EXPECT_EQ(declareInput({SQL_BLOB, 1, 8, 9}, names), "");  // text blob of an unknown set
}

}  // namespace
