// The command stream from the outside: comments, SQL joining, STARTDATA,
// byte-order marks, options errors, completion errors and hostile input.
#include <algorithm>
#include <string>

#include "front_fixture.h"

using namespace std::string_literals;

namespace {

// SQL lines in a command file; the run prints the joined text and stops at
// the layout stage.
std::string sqlOf(const std::string &out) {
  const std::string head = "SQL before parse: >";
  const size_t from = out.find(head);
  const size_t to = out.find("<\r\n", from);
  if (from == std::string::npos || to == std::string::npos) return "<none>";
  return out.substr(from + head.size(), to - from - head.size());
}

}  // namespace

TEST_F(FrontRun, SqlLinesJoinWithSingleSpacesOutsideLiterals) {
  const struct {
    std::string commands;
    const char *sql;
  } rows[] = {
      {"insert into t\n    (a,\tb)\n  values (?, ?)\n", "insert into t (a, b) values (?, ?)"},
      // A literal leaves the space state as it found it: after " 'x'" the
      // next blank is dropped like any blank after a blank.
      {"select c from t where c = 'a  b'   \n", "select c from t where c = 'a  b'"},
      {"select 'it''s' from t # a comment\n# a whole comment line\n",
       "select 'it''s'from t "},
      // A literal does not run on into the next line; the join adds a space.
      {"select x from t where '\n' = ''\n", "select x from t where ' ' = ''"},
      {"quit\nhelp\n", "quit help"},  // plain SQL in a command file
      {"\xEF\xBB\xBFselect 1\n", "\xEF\xBB\xBFselect 1"},  // a mark only counts first
      {"select 1\nstartdata\nselect 2\n", "select 1"},
      {"select x'\xE9\xFF' \0junk\nfrom t\n"s, "select x'\xE9\xFF' from t"},
  };
  for (const auto &row : rows) {
    run({"-x", commands("options verbose\n" + row.commands)});
    EXPECT_EQ(sqlOf(out), row.sql) << row.commands;
    EXPECT_EQ(exitCode, 1);
  }
}

TEST_F(FrontRun, ByteOrderMarkIsSkippedAndAPipeLosesNothing) {
  const std::string expected = "SQL before parse: >select 1<\r\n" + std::string(kLayoutStop) + kAbort;
  run({"-x", commands("\xEF\xBB\xBFoptions verbose delimiter=#\nselect 1\n")});
  EXPECT_EQ(out, expected);
  // A pipe cannot be rewound after the mark test.
  run({"-x", "/dev/stdin"}, "options verbose\nselect 1\n");
  EXPECT_EQ(out, expected);
}

TEST_F(FrontRun, CompletedSqlIsShownAfterTheAnnotatedText) {
  run({"-x", commands("options verbose variables=2\n"
                      "update t set a = ? {position=1 size=3}, b = ? {position=4}\n"
                      "  where k = ? {pos\n")});
  EXPECT_EQ(out,
            "SQL before parse: >update t set a = ? {position=1 size=3}, b = ? "
            "{position=4} where k = ? {pos<\r\n"
            "SQL after parse: >update t set a = ?, b = ? where k = ?<\r\n" +
                std::string(kLayoutStop) + kAbort);
}

TEST_F(FrontRun, CommandErrorsStopTheRun) {
  const struct {
    const char *commands, *output;
  } rows[] = {
      {"options verbose\nselect 1\noptions skip=1\nselect 2\n",
       "Lodrun #: options command found in command file after SQL parse started\r\n"
       "SQL before parse: >select 1<\r\n"},
      {"   \noptions skip=1\nselect 2\n",
       "Lodrun #: options command found in command file after SQL parse started\r\n"
       "Lodrun #: NO SQL string supplied, there is nothing to do\r\n"},
      {"options variables=2\nselect a {size=1 {size=2}} from t\n",
       "Lodrun #: invalid sql string - double braces: select a {size=1 {size=2}} from t\r\n"},
  };
  for (const auto &row : rows) {
    run({"-x", commands(row.commands)});
    EXPECT_EQ(out, row.output + std::string(kAbort)) << row.commands;
    EXPECT_EQ(exitCode, 1);
  }
  // Commands end within 1 MiB; /dev/zero is no command file.
  const std::string comments = std::string(1023, '#') + "\n";
  std::string mebibyte;
  for (int i = 0; i < 1024; ++i) mebibyte += comments;
  run({"-x", commands(mebibyte)});
  EXPECT_EQ(out, "Lodrun #: NO SQL string supplied, there is nothing to do\r\n" +
                     std::string(kAbort));
  const std::string tooLong = " is longer than 1048576 bytes before STARTDATA\r\n";
  run({"-x", commands(mebibyte + "s")});
  EXPECT_EQ(out, "Lodrun #: command file <run.cmd>" + tooLong + kAbort);
  run({"-x", "/dev/zero"});
  EXPECT_EQ(out, "Lodrun #: command file </dev/zero>" + tooLong + kAbort);
  run({}, mebibyte + "select 1\n");  // a prompt for each line read
  const std::string fromStdin = "Lodrun> Lodrun #: command file <stdin>" + tooLong + kAbort;
  EXPECT_EQ(out.substr(out.size() - std::min(out.size(), fromStdin.size())), fromStdin);
  EXPECT_EQ(exitCode, 1);
}

TEST_F(FrontRun, StatementLengthLimitIsExact) {
  // Two lines join with one space: 4000 + 1 + 4183 is exactly 8184.
  run({"-x", commands(std::string(4000, 'a') + "\n" + std::string(4183, 'b') + "\n")});
  EXPECT_EQ(out, kLayoutStop + std::string(kAbort));
  const std::string overflow = "Lodrun #: sql string buffer too small, overflowed 8184\r\n";
  run({"-x", commands(std::string(4000, 'a') + "\n" + std::string(4184, 'b') + "\n")});
  EXPECT_EQ(out, overflow + kAbort);
  // A line far beyond the buffer arrives in pieces and overflows the same way.
  run({"-x", commands("select '" + std::string(30000, 'x') + "' from t\n")});
  EXPECT_EQ(out, overflow + kAbort);
}

TEST_F(FrontRun, HostileOptionValuesNeverOverrunABuffer) {
  run({"-x", commands("options variables=1 xtra_fields=1 direction=o filler=" +
                      std::string(600, '9') + "\nselect 1\n")});
  EXPECT_EQ(out, "buffer too small for safety\r\n" + std::string(kAbort));

  // The tail of the 9000-byte line arrives as a line of its own, which is
  // SQL; the options line after it is then refused.
  run({"-x", commands("options trans=999999999 skip=1234567890 startcount=-99999999999\n"
                      "options " + std::string(9000, 'z') + "\n"
                      "options year=\xFF\xFE delimiter=\xFF\nselect 1\n")});
  EXPECT_EQ(out,
            "Lodrun #: warning: start count unbelievable: -99999999999, ignored\r\n"
            "Lodrun #: warning: commit frequency unbelievable (100-20000 range): 999999999, "
            "ignored\r\n"
            "Lodrun #: options command found in command file after SQL parse started\r\n"
            " Invalid year for century split: \xFF\xFE, ignored (range: 1-99)\r\n" +
                std::string(kAbort));
}

TEST_F(FrontRun, ThousandsOfOptionsLinesAreEachApplied) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "options charset=UTF8 skip=1\n";
  run({"-x", commands(text + "select 1\n")});
  const std::string repeat =
      " Warning: transCharSet already set, setting again\r\n"
      " Warning: skip count already set to 1, setting again\r\n";
  std::string expected;
  for (int i = 1; i < 5000; ++i) expected += repeat;
  EXPECT_EQ(out, expected + kLayoutStop + kAbort);
}
