// csv_fixture.h - CSV-mode runs of the built lodrun binary against a fresh
// embedded UTF8 database holding a table of every Firebird 3 column type
// (t) and an empty copy of it (t2), with the comparisons the CSV tests share.
#ifndef LODRUN_TESTS_E2E_CSV_FIXTURE_H
#define LODRUN_TESTS_E2E_CSV_FIXTURE_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

// Every Firebird 3 column type; the column list is shared by t and t2.
inline const char kCsvColumns[] =
    "(id integer not null primary key, sm smallint, i integer, bi bigint,"
    " n4 numeric(4,2), n9 numeric(9,3), n18 numeric(18,4), d18 decimal(18,2),"
    " fl float, dp double precision, dt date, tm time, ts timestamp,"
    " c10 char(10) character set utf8, v40 varchar(40) character set utf8,"
    " bt blob sub_type text character set utf8, bb blob sub_type binary, bo boolean)";

inline const char kCsvColumnNames[] =
    "id, sm, i, bi, n4, n9, n18, d18, fl, dp, dt, tm, ts, c10, v40, bt, bb, bo";

// isql-fb's list output without the lines that show a blob's id ("BT   80:0"):
// ids differ between copies of the same rows.
inline std::string withoutBlobIds(const std::string &isqlText) {
  auto isBlobId = [](const std::string &line) {
    const size_t gap = line.find(' ');
    if (gap == 0 || gap == std::string::npos) return false;
    const size_t value = line.find_first_not_of(' ', gap);
    if (value == std::string::npos) return false;
    std::string rest = line.substr(value);
    if (!rest.empty() && rest.back() == '\r') rest.pop_back();
    const size_t colon = rest.find(':');
    return colon != std::string::npos && colon > 0 && colon + 1 < rest.size() &&
           rest.find_first_not_of("0123456789abcdef:") == std::string::npos &&
           rest.find(':', colon + 1) == std::string::npos;
  };
  std::istringstream lines(isqlText);
  std::string kept, line;
  while (std::getline(lines, line))
    if (!isBlobId(line)) kept += line + "\n";
  return kept;
}

class CsvRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(createDatabase(db, std::string("create table t ") + kCsvColumns +
                                       "; create table t2 " + kCsvColumns + ";" +
                                       "create table p (id integer, a varchar(40), b varchar(40));"));
  }
  // Runs lodrun -x on an options line (database, direction, `options`) and
  // `sql`, in the temp directory.
  void run(char direction, const std::string &options, const std::string &sql) {
    writeFile(dir.file("run.cmd"), "options db=" + db + " user=SYSDBA passwd=masterkey direction=" +
                                       direction + " " + options + "\n" + sql + "\n");
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    out = withoutLineNumbers(r.out);
    err = r.err;
    exitCode = r.exitCode;
  }
  // Unloads every column of `table` in CSV mode into `file`.
  void unloadAll(const std::string &table, const std::string &file,
                 const std::string &options = "") {
    run('o', "csv variables=18 file=" + file + " " + options,
        std::string("select ") + kCsvColumnNames + " from " + table + " order by id");
  }
  // Loads `file` in CSV mode into every column of `table`.
  void loadAll(const std::string &table, const std::string &file,
               const std::string &options = "") {
    run('i', "csv variables=18 file=" + file + " " + options,
        "insert into " + table + " (" + kCsvColumnNames +
            ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  }
  std::vector<std::string> rows(const std::string &select) const { return queryRows(db, select); }
  // isql-fb's list view of a table, blob ids left out.
  std::string isqlView(const std::string &table) const {
    return withoutBlobIds(isql(db, "set list on; set blob all; select " +
                                       std::string(kCsvColumnNames) + " from " + table +
                                       " order by id;"));
  }

  TempDir dir;
  const std::string db = dir.file("csv.fdb");
  std::string out;
  std::string err;
  int exitCode = -1;
};

#endif  // LODRUN_TESTS_E2E_CSV_FIXTURE_H
