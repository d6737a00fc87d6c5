// csv_interop_test.cpp - CSV mode against Python's csv module, both ways: a
// file Python writes loads exactly, and Python reads lodrun's unload as the
// table's values, row for row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "csv_fixture.h"

namespace {

// Texts a spreadsheet or Python gets right and a naive reader does not.
const char kPythonRows[] =
    "rows = [[1, 'with, comma', 'say \"hi\"'], [2, '$12', '  lead'],"
    " [3, 'trail  ', 'C:\\\\new\\\\table'], [4, 'line1\\nline2', 'cr\\r\\nlf'],"
    " [5, 'h\\u00e9llo \\u00fc', None], [6, '\"', ',']]\n";

TEST_F(CsvRun, Interop_PythonWrittenFileLoadsExactly) {
  const std::string script = std::string("import csv\n") + kPythonRows +
                             "with open('py.csv', 'w', newline='', encoding='utf-8') as f:\n"
                             "    csv.writer(f).writerows(rows)\n";
  ASSERT_EQ(runProgram("/usr/bin/python3", {"-c", script}, "", {}, dir.path()).exitCode, 0);
  run('i', "csv variables=3 file=py.csv", "insert into p values (?, ?, ?)");
  ASSERT_EQ(exitCode, 0) << out;
  EXPECT_EQ(rows("select id, a, b from p order by id"),
            (std::vector<std::string>{"1|with, comma|say \"hi\"", "2|$12|  lead",
                                      "3|trail  |C:\\new\\table", "4|line1\nline2|cr\r\nlf",
                                      "5|h\xC3\xA9llo \xC3\xBC|<null>", "6|\"|,"}));
}

TEST_F(CsvRun, Interop_PythonReadsTheUnloadAsTheTable) {
  ASSERT_EQ(isql(db, "insert into p values (1, 'with, comma', 'say \"hi\"');"
                     "insert into p values (2, '  lead', 'trail  ');"
                     "insert into p values (3, 'line1' || ascii_char(10) || 'line2', null);"
                     "insert into p values (4, '', 'C:\\new\\table');"),
            "");
  run('o', "csv variables=3 file=out.csv", "select id, a, b from p order by id");
  ASSERT_EQ(exitCode, 0) << out;
  // Python shows NULL and the empty text alike, as ''.
  const std::string script =
      "import csv\n"
      "with open('out.csv', newline='', encoding='utf-8') as f:\n"
      "    for row in csv.reader(f): print(repr(row))\n";
  const RunResult python = runProgram("/usr/bin/python3", {"-c", script}, "", {}, dir.path());
  ASSERT_EQ(python.exitCode, 0) << python.err;
  EXPECT_EQ(python.out,
            "['1', 'with, comma', 'say \"hi\"']\n"
            "['2', '  lead', 'trail  ']\n"
            "['3', 'line1\\nline2', '']\n"
            "['4', '', 'C:\\\\new\\\\table']\n");
}

}  // namespace
