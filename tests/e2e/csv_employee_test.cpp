// csv_employee_test.cpp - CSV mode on Firebird's own employee sample: every
// table with data is unloaded with csv and loaded into an empty copy of the
// database, and isql-fb sees the same rows in both.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "csv_fixture.h"
#include "testsupport.h"

namespace {

const char kEmployeeScript[] = "/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz";

std::vector<std::string> split(const std::string &row) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(row);
  while (std::getline(in, part, '|')) parts.push_back(part);
  return parts;
}

std::string joined(const std::vector<std::string> &names, const std::string &between) {
  std::string text;
  for (const std::string &name : names) text += (text.empty() ? "" : between) + name;
  return text;
}

// isql-fb's list view of the rows, without the blob ids (they differ per copy).
std::string isqlView(const std::string &db, const std::string &select) {
  return withoutBlobIds(isql(db, "set list on; set blob all; " + select + ";"));
}

// Creates the sample database at `path` from the packaged script.
bool createEmployee(const std::string &path) {
  const RunResult script = runProgram("/bin/gzip", {"-dc", kEmployeeScript});
  if (script.exitCode != 0) return false;
  std::string sql = script.out;
  const std::string create = "create database 'employee.fdb';";
  const size_t at = sql.find(create);
  if (at == std::string::npos) return false;
  sql.replace(at, create.size(),
              "create database '" + path + "' user 'SYSDBA' password 'masterkey';");
  const RunResult r = runProgram("/usr/bin/isql-fb", {"-q"}, sql);
  return r.exitCode == 0;
}

TEST(CsvEmployee, EveryTableWithDataRoundTrips) {
  if (!fileExists(kEmployeeScript)) {
    if (ciRun()) FAIL() << "CI=true but firebird3.0-examples is not installed";
    GTEST_SKIP() << "firebird3.0-examples is not installed";
  }
  TempDir dir;
  const std::string source = dir.file("employee.fdb");
  const std::string copy = dir.file("copy.fdb");
  ASSERT_TRUE(createEmployee(source));
  writeFile(copy, readFile(source));

  // The copy: no foreign keys (the tables refer to each other in a circle),
  // no checks (some rows were made valid by later updates), no triggers
  // (the rows carry their generated values), no rows.
  std::string emptying;
  for (const std::string &row :
       queryRows(copy, "select trim(rdb$relation_name), trim(rdb$constraint_name) from "
                       "rdb$relation_constraints where rdb$constraint_type in ('FOREIGN KEY', 'CHECK')")) {
    const std::vector<std::string> parts = split(row);
    emptying += "alter table " + parts[0] + " drop constraint " + parts[1] + ";\n";
  }
  for (const std::string &name : queryRows(copy, "select trim(rdb$trigger_name) from rdb$triggers "
                                                 "where coalesce(rdb$system_flag, 0) = 0"))
    emptying += "alter trigger " + name + " inactive;\n";
  const std::vector<std::string> tables =
      queryRows(source, "select trim(rdb$relation_name) from rdb$relations where "
                        "rdb$system_flag = 0 and rdb$view_blr is null order by 1");
  for (const std::string &table : tables) emptying += "delete from " + table + ";\n";
  ASSERT_EQ(isql(copy, emptying).find("Statement failed"), std::string::npos);

  int tablesWithData = 0;
  for (const std::string &table : tables) {
    if (queryRows(source, "select count(*) from " + table) == std::vector<std::string>{"0"})
      continue;
    ++tablesWithData;
    // Stored columns only; arrays have no external form in lodrun.
    std::vector<std::string> columns, ordered;
    int position = 0;
    for (const std::string &row : queryRows(
             source, "select trim(rf.rdb$field_name), iif(f.rdb$computed_blr is null, 0, 1), "
                     "coalesce(f.rdb$dimensions, 0), f.rdb$field_type from rdb$relation_fields rf "
                     "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source where "
                     "rf.rdb$relation_name = '" + table + "' order by rf.rdb$field_position")) {
      const std::vector<std::string> parts = split(row);
      if (parts[1] != "0" || parts[2] != "0") continue;
      columns.push_back(parts[0]);
      ++position;
      if (parts[3] != "261") ordered.push_back(std::to_string(position));  // not a blob
    }
    const std::string names = joined(columns, ", ");
    const std::string count = std::to_string(columns.size());
    writeFile(dir.file("unload.cmd"), "options db=" + source +
                                          " user=SYSDBA passwd=masterkey direction=o csv file=" +
                                          table + ".csv variables=" + count + "\nselect " + names +
                                          " from " + table + "\n");
    RunResult r = runLodrun({"-x", "unload.cmd"}, "", {}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << table << ": " << r.out;
    std::vector<std::string> marks(columns.size(), "?");
    writeFile(dir.file("load.cmd"), "options db=" + copy +
                                        " user=SYSDBA passwd=masterkey direction=i csv file=" +
                                        table + ".csv variables=" + count + "\ninsert into " +
                                        table + " (" + names + ") values (" +
                                        joined(marks, ", ") + ")\n");
    r = runLodrun({"-x", "load.cmd"}, "", {}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << table << ": " << r.out;
    const std::string select =
        "select " + names + " from " + table + " order by " + joined(ordered, ", ");
    const std::string expected = isqlView(source, select);
    EXPECT_NE(expected.find(columns[0]), std::string::npos) << table;
    EXPECT_EQ(isqlView(copy, select), expected) << table;
  }
  EXPECT_GE(tablesWithData, 10);
}

}  // namespace
