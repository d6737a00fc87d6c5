// Batched loads against record-by-record ones: the same input, loaded with
// `batch` 1 and with records gathered into blocks, gives the same table,
// output, discards and exit status, failures and limits included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testsupport.h"

namespace {

struct Outcome {
  std::string out, discards, table;
  int exitCode = -1;
};

class BatchRun : public ::testing::Test {
 protected:
  // Loads `data` with `batch` (0: no keyword) into a fresh database made by `schema` (or
  // `createScript`, a whole isql script, when given) and reads it back with
  // `select`. The database has the same path every time, so messages that
  // name it compare too.
  Outcome load(int batch, const std::string &options, const std::string &sql,
               const std::string &data) {
    ::unlink(db.c_str());
    ::unlink(dir.file("bad.txt").c_str());
    ::unlink(dir.file("run.log").c_str());
    if (createScript.empty()) {
      EXPECT_TRUE(createDatabase(db, schema));
    } else {
      const RunResult made = runProgram("/usr/bin/isql-fb", {"-q", "-b"}, createScript);
      EXPECT_EQ(made.exitCode, 0) << made.out << made.err;
    }
    writeFile(dir.file("data.csv"), data);
    writeFile(dir.file("run.cmd"), "options db=" + db +
                                       " user=SYSDBA passwd=masterkey direction=i file=data.csv"
                                       " discards=bad.txt " +
                                       (batch > 0 ? "batch=" + std::to_string(batch) + " " : "") +
                                       options + "\n" + sql + "\n");
    const RunResult r = runLodrun({"-x", "run.cmd"}, "", {}, dir.path());
    Outcome o;
    o.out = withoutLineNumbers(r.out);
    if (fileExists(dir.file("run.log")))
      o.out += "--- run.log ---\n" + withoutLineNumbers(readFile(dir.file("run.log")));
    o.exitCode = r.exitCode;
    if (fileExists(dir.file("bad.txt"))) o.discards = readFile(dir.file("bad.txt"));
    for (const std::string &row : queryRows(db, select)) o.table += row + "\n";
    return o;
  }
  // Loads with batch 1 and with `batch`; expects the same outcome and
  // returns the batched one.
  Outcome expectSame(int batch, const std::string &options, const std::string &sql,
                     const std::string &data) {
    const Outcome single = load(1, options, sql, data);
    const Outcome batched = load(batch, options, sql, data);
    EXPECT_EQ(batched.out, single.out);
    EXPECT_EQ(batched.exitCode, single.exitCode);
    EXPECT_EQ(batched.discards, single.discards);
    EXPECT_EQ(batched.table, single.table);
    return batched;
  }

  TempDir dir;
  const std::string db = dir.file("batch.fdb");
  std::string schema =
      "create table t (id integer not null primary key, sm smallint, bi bigint, "
      "n92 numeric(9,2), dp double precision, fl float, c10 char(10), v20 varchar(20), "
      "d date, tm time, ts timestamp);"
      "create table p (id integer not null primary key, name varchar(10));";
  std::string createScript;
  std::string select = "select * from t order by id";
};

// Record i of table t, every column filled; empty fields (NULL) now and then.
std::string typedRecord(int i) {
  std::string r = std::to_string(i) + "," + std::to_string(i % 300 - 150) + "," +
                  std::to_string(i * 1000003LL) + "," + std::to_string(i) + "." +
                  std::to_string(i % 100) + "," + std::to_string(i) + ".5,";
  r += i % 7 == 0 ? "" : std::to_string(i % 50) + ".25";
  r += ",c" + std::to_string(i) + ",v" + std::string(static_cast<size_t>(i % 19), 'x');
  r += "," + std::to_string(i % 28 + 1) + "/0" + std::to_string(i % 9 + 1) + "/1999";
  r += ",01/01/2000 12:" + std::to_string(10 + i % 50) + ":05";
  r += "," + std::to_string(i % 28 + 1) + "/12/2020 23:59:" + std::to_string(10 + i % 50) + "\n";
  return r;
}

const char *const kInsertT =
    "insert into t values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?{dateform=17}, ?{dateform=17})";

TEST_F(BatchRun, Batch_CleanLoadOfEveryTypeWithRestartsNotAMultiple) {
  std::string data;
  for (int i = 1; i <= 350; ++i) data += typedRecord(i);
  const Outcome o = expectSame(16, "delimiter=, variables=11 trans=100 verbose", kInsertT, data);
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_NE(o.out.find("Commit at count:    300\r\n"), std::string::npos) << o.out;
  EXPECT_EQ(std::count(o.table.begin(), o.table.end(), '\n'), 350);
}

TEST_F(BatchRun, Batch_ScatteredRejectsKeepTheirPlaceAndRestartPoints) {
  std::string data;
  for (int i = 1; i <= 260; ++i) {
    if (i == 3 || i == 10 || i == 11 || i == 100 || i == 150 || i == 260)
      data += std::to_string(i) + ",notanumber\n";
    else
      data += typedRecord(i);
  }
  const Outcome o = expectSame(8, "delimiter=, variables=11 trans=100 errors=50 verbose", kInsertT,
                               data);
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_EQ(std::count(o.discards.begin(), o.discards.end(), '\n'), 6);
  // Record 100 was rejected: no restart after it.
  EXPECT_EQ(o.out.find("Commit at count:    100"), std::string::npos) << o.out;
}

TEST_F(BatchRun, Batch_DuplicateKeyInsideABatchFailsAsAlone) {
  std::string data;
  for (int i = 1; i <= 180; ++i) {
    if (i == 150)
      data += typedRecord(140);  // the duplicate, in the middle of a batch
    else if (i == 152)
      data += "152,notanumber\n";  // after the failure: never shows
    else
      data += typedRecord(i);
  }
  const Outcome o = expectSame(16, "delimiter=, variables=11 trans=100 errors=10", kInsertT,
                               data);
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.out.find("SQLCODE: -803"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("current record count: 150\r\n"), std::string::npos) << o.out;
  EXPECT_EQ(o.discards, "");
  EXPECT_EQ(std::count(o.table.begin(), o.table.end(), '\n'), 100);
}

TEST_F(BatchRun, Batch_LogFileGetsTheSameReports) {
  std::string data;
  for (int i = 1; i <= 30; ++i)
    data += i == 12 ? "12,x\n" : i == 20 ? typedRecord(3) : i == 22 ? "22,y\n" : typedRecord(i);
  const Outcome o =
      expectSame(8, "delimiter=, variables=11 errors=5 logfile=run.log", kInsertT, data);
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.out.find("--- run.log ---"), std::string::npos);
  EXPECT_NE(o.out.find("current record count: 20\r\n"), std::string::npos) << o.out;
  // Record 12's rejection shows; record 22's, after the failing one, does not.
  ASSERT_NE(o.out.find("SQL field 2: Number"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("SQL field 2: Number"), o.out.rfind("SQL field 2: Number")) << o.out;
}

TEST_F(BatchRun, Batch_ErrorsLimitExecutesTheRecordsBeforeIt) {
  std::string data;
  for (int i = 1; i <= 40; ++i) data += i == 21 ? "21,x\n" : i == 5 ? "5,y\n" : typedRecord(i);
  // The limit stops the run (and rolls back); the records gathered before
  // the limiting one still execute first, so a failure among them shows.
  Outcome o = expectSame(8, "delimiter=, variables=11 errors=2", kInsertT, data);
  EXPECT_EQ(o.exitCode, 1);
  data = typedRecord(1) + typedRecord(2) + typedRecord(1) + "4,x\n" + typedRecord(5);
  o = expectSame(8, "delimiter=, variables=11 errors=1", kInsertT, data);
  EXPECT_NE(o.out.find("current record count: 3\r\n"), std::string::npos) << o.out;
}

TEST_F(BatchRun, Batch_RowsLimitInsideABatch) {
  std::string data;
  for (int i = 1; i <= 40; ++i) data += typedRecord(i);
  const Outcome o = expectSame(8, "delimiter=, variables=11 rows=21", kInsertT, data);
  EXPECT_EQ(std::count(o.table.begin(), o.table.end(), '\n'), 21);
}

TEST_F(BatchRun, Batch_FixedRecordsAndBlobs) {
  schema = "create table b (id integer not null primary key, note blob sub_type text, "
           "name varchar(8));"
           "create table p (id integer not null primary key, name varchar(10));";
  select = "select id, cast(note as varchar(100)), name from b order by id";
  writeFile(dir.file("one.txt"), "first file\nsecond line\n");
  std::string data;
  for (int i = 1; i <= 20; ++i)
    data += std::to_string(i) + "," + (i % 3 == 0 ? "one.txt" : "inline" + std::to_string(i)) +
            ",n" + std::to_string(i) + "\n";
  data += "7,again,dup\n21,x,y\n";
  const Outcome o = expectSame(8, "delimiter=, variables=3 errors=5",
                               "insert into b values (?, ? {ascii_blob}, ?)", data);
  EXPECT_EQ(o.exitCode, 1);

  select = "select * from p order by id";
  std::string fixed;
  for (int i = 1; i <= 30; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%4dname%-6d", i, i);
    fixed += line;
  }
  const Outcome f = expectSame(8, "lrecl=14 variables=2", "insert into p values (?{position=1 size=4}, ?{position=5 size=10})",
                               fixed);
  EXPECT_EQ(f.exitCode, 0) << f.out;
  EXPECT_EQ(std::count(f.table.begin(), f.table.end(), '\n'), 30);
}

TEST_F(BatchRun, Batch_UpdateUpdateOrInsertAndProcedure) {
  schema += "insert into p values (1, 'one'); insert into p values (2, 'two');"
            "insert into p values (3, 'three');"
            "set term ^ ; create procedure addp (i integer, n varchar(10)) as begin "
            "insert into p values (:i + 100, upper(:n)); end^ set term ; ^";
  select = "select * from p order by id";
  std::string data;
  for (int i = 1; i <= 30; ++i) data += "n" + std::to_string(i) + "," + std::to_string(i) + "\n";
  expectSame(8, "delimiter=, variables=2", "update p set name = ? where id = ?", data);
  data.clear();
  for (int i = 1; i <= 30; ++i) data += std::to_string(i % 12) + ",u" + std::to_string(i) + "\n";
  expectSame(8, "delimiter=, variables=2",
             "update or insert into p (id, name) values (?, ?) matching (id)", data);
  expectSame(8, "delimiter=, variables=2", "execute procedure addp (?, ?)", data);
  // The procedure refuses record 14 (its key is taken by record 2).
  data += "2,again\n";
  const Outcome o = expectSame(8, "delimiter=, variables=2", "execute procedure addp (?, ?)",
                               data);
  EXPECT_EQ(o.exitCode, 1);
}

TEST_F(BatchRun, Batch_MarkersInsideLiteralsCommentsAndQuotedNames) {
  schema = "create table \"Q?\" (id integer not null primary key, \"NA?ME\" varchar(20));";
  select = "select * from \"Q?\" order by id";
  std::string data;
  for (int i = 1; i <= 20; ++i) data += std::to_string(i) + ",x" + std::to_string(i) + "\n";
  const Outcome o = expectSame(
      8, "delimiter=, variables=2",
      "insert into \"Q?\" (id, \"NA?ME\") values (? /* not ? here */, '?''?' || q'{?}' || ?)"
      " -- nor ? here",
      data);
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_NE(o.table.find("?'??x20"), std::string::npos) << o.table;
}

TEST_F(BatchRun, Batch_Utf8TextsAtTheirFullLength) {
  createScript = "create database '" + db +
                 "' user 'SYSDBA' password 'masterkey' default character set utf8;\n"
                 "create table u (id integer not null primary key, v varchar(5), c char(3),"
                 " w varchar(4) character set win1252, k varchar(6) collate unicode_ci);\n"
                 "commit;\n";
  select = "select * from u order by id";
  std::string data;
  for (int i = 1; i <= 20; ++i)
    data += std::to_string(i) + ",äöüßé,€€€,äöüé,K" + std::to_string(i) + "ĞğŞ\n";
  const char *const insert = "insert into u (id, v, c, w, k) values (?, ?, ?, ?, ?)";
  Outcome o = expectSame(8, "delimiter=, variables=5 charset=UTF8", insert, data);
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_NE(o.table.find("20|äöüßé|€€€|"), std::string::npos) << o.table;
  // A collation on the compared column; and one character too many, which
  // the database refuses for that record alone.
  schema.clear();
  createScript += "insert into u (id, k) values (1, 'K3ĞğŞ'); insert into u (id, k) "
                  "values (2, 'K4ĞğŞ'); commit;\n";
  o = expectSame(8, "delimiter=, variables=2 charset=UTF8", "update u set v = ? where k = ?",
                 "ÄÖ,k3ğğş\nÜ,K4ĞĞŞ\n");
  EXPECT_EQ(o.table, "1|ÄÖ|<null>|<null>|K3ĞğŞ\n2|Ü|<null>|<null>|K4ĞğŞ\n");
  createScript.erase(createScript.find("insert into u"));
  data.insert(data.find("\n5,") + 1, "99,äöüßéx,€,a,b\n");
  o = expectSame(8, "delimiter=, variables=5 charset=UTF8", insert, data);
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.out.find("current record count: 5\r\n"), std::string::npos) << o.out;

  // With db_errors=reject the engine's refusals behind its "Dynamic SQL
  // Error" wrapper reject their records alone: six characters for five (of
  // one byte and of three), and a Latin-1 byte in UTF-8 text.
  createScript += "create table t (k integer, v varchar(5)); commit;\n";
  select = "select k, v from t order by k";
  const std::string truncated =
      "\t0\t\tDynamic SQL Error; SQL error code = -303; arithmetic exception, numeric "
      "overflow, or string truncation; string right truncation; expected length 5, actual 6\t\r\n";
  const std::string reasons = "2" + truncated +
                              "4\t0\t\tDynamic SQL Error; SQL error code = -303; Malformed "
                              "string\t\r\n6" + truncated;
  for (const char *mode : {"csv", "delimiter=,"}) {
    const std::string options =
        std::string(mode) + " variables=2 charset=UTF8 errors=100 db_errors=reject reasons=why.txt";
    const std::string records = "1,abc\n2,abcdef\n3,xyz\n4,\xe9t\xe9\n5,€€€€€\n6,€€€€€€\n";
    std::string single;
    for (const int batch : {1, 8}) {
      o = load(batch, options, "insert into t values (?, ?)", records);
      if (batch == 1) single = o.out;
      EXPECT_EQ(o.out, single);
      EXPECT_EQ(o.exitCode, 0) << o.out;
      EXPECT_EQ(o.table, "1|abc\n3|xyz\n5|€€€€€\n");
      EXPECT_EQ(o.discards, "2,abcdef\r\n4,\xe9t\xe9\r\n6,€€€€€€\r\n");
      EXPECT_EQ(readFile(dir.file("why.txt")), reasons) << mode << batch;
    }
  }
}

}  // namespace

namespace {

// A trigger notes which statement the database was running for each row:
// the block for a batched load, the statement itself record by record.
TEST_F(BatchRun, Batch_RecordsReachTheDatabaseInBlocksByDefault) {
  // No key: a slot run beyond the records would add a row, not be refused.
  schema = "create table p (id integer, name varchar(10), how varchar(13));"
           "set term ^ ; create trigger p_how for p before insert as begin new.how = "
           "(select first 1 cast(substring(s.mon$sql_text from 1 for 13) as varchar(13)) "
           "from mon$statements s where s.mon$attachment_id = current_connection "
           "and s.mon$state = 1); end^ set term ; ^";
  select = "select how, count(*) from p group by how";
  std::string data;
  for (int i = 1; i <= 40; ++i) data += std::to_string(i) + ",n\n";
  const std::string options = "delimiter=, variables=2";
  const std::string insert = "insert into p (id, name) values (?, ?)";
  EXPECT_EQ(load(1, options, insert, data).table, "insert into p|40\n");
  EXPECT_EQ(load(0, options, insert, data).table, "EXECUTE BLOCK|40\n");
  const Outcome o = load(0, "batch=257 " + options, insert, data);
  EXPECT_EQ(o.table, "EXECUTE BLOCK|40\n");
  EXPECT_EQ(o.out.substr(0, o.out.find("\r\n")),
            "Lodrun #: warning: batch size unbelievable (1-256 range): 257, ignored");
}

}  // namespace

namespace {

// Refusals under db_errors=reject inside a block: the block is re-run record
// by record and each refused record reaches the discards and the reasons file
// as its own, also in CSV mode where the raw record can be longer than any
// fixed buffer; conversion rejects that end a batch keep their own reasons.
TEST_F(BatchRun, Batch_RefusedRecordsRejectedOneByOneWithTheirReasons) {
  select = "select id, name, char_length(note) from p order by id";
  const std::string wide(9000, 'w');  // past the fixed record buffer: CSV only
  for (const bool csv : {false, true}) {
    schema = "create table p (id integer not null primary key, name varchar(20) check (name <> 'x'),"
             " note varchar(" + std::string(csv ? "9100" : "100") + "));";
    std::string data;
    for (int i = 1; i <= 70; ++i) {
      const int id = i % 11 == 0 || i == 45 ? 1 : i;  // duplicate keys through blocks
      std::string name = i == 20 ? "x" : "n" + std::to_string(i);
      std::string note = "t";
      if (csv && i == 30) name = "\"bad, \"\"quoted\"\"\"";
      if (csv && i % 9 == 0) note = "\"" + wide + "\"";
      data += std::to_string(id) + "," + name + "," + note + (csv && i == 33 ? ",extra" : "") +
              "\n";
    }
    const std::string options = std::string(csv ? "csv " : "delimiter=, ") +
                                "variables=3 errors=100 db_errors=reject reasons=why.txt";
    const std::string insert = "insert into p (id, name, note) values (?, ?, ?)";
    load(1, options, insert, data);
    const std::string singleReasons = readFile(dir.file("why.txt"));
    const Outcome batched = expectSame(16, options, insert, data);
    EXPECT_EQ(readFile(dir.file("why.txt")), singleReasons) << csv;
    EXPECT_EQ(batched.exitCode, 0) << batched.out;
    EXPECT_NE(singleReasons.find("\n22\t0\t\tviolation of PRIMARY or UNIQUE KEY"),
              std::string::npos) << singleReasons;
    EXPECT_NE(singleReasons.find("\n20\t0\t\tOperation violates CHECK constraint"),
              std::string::npos) << singleReasons;
    if (csv) {
      EXPECT_NE(batched.discards.find("1,n45,\"" + wide + "\""), std::string::npos);
    }
  }
}

}  // namespace
