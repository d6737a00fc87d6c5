// Keep going and say why: the reasons file, statements the database refuses
// for one record (db_errors=reject), the warn_exit status and the resume
// hint after a stop.
#include <string>

#include "load_fixture.h"

namespace {

// p2 refuses in every way the database can refuse one record: key, NOT
// NULL, CHECK, a trigger's exception and a text too long for the trigger's
// target column (string overflow inside the engine).
const char kRefusingSchema[] =
    "create table p2 (id integer not null constraint pk_p2 primary key, "
    "name varchar(8) not null, n integer constraint ck_small check (n < 100), tag varchar(2));"
    "create exception e_boom 'boom refused';"
    "set term ^ ;"
    "create trigger p2_bi for p2 before insert as begin "
    "  if (new.name = 'boom') then exception e_boom; "
    "  if (new.name = 'wide') then new.tag = 'far too wide'; end^"
    "set term ; ^";

// Ten records: 2 a bad number, 4 a duplicate key, 5 a CHECK refusal, 6 a
// trigger exception, 7 a string overflow, 8 too short, 9 NOT NULL; the rest load.
const char kData[] =
    "1,one,1\n2,two,x\t2\n3,three,3\n1,dup,4\n5,five,500\n6,boom,6\n7,wide,7\n8,eight\n"
    "9,,9\n10,ten,10\n";

const char kReasons[] =
    "2\t3\tn\tGot dblib error 20030 while doing data sensitive Putfield with SQL "
    "field 3: Number Conversion Error\tx\\t2\r\n"
    "4\t0\t\tviolation of PRIMARY or UNIQUE KEY constraint \"PK_P2\" on table \"P2\"; "
    "Problematic key value is (\"ID\" = 1)\t\r\n"
    "5\t0\t\tOperation violates CHECK constraint CK_SMALL on view or table P2; At trigger "
    "'CHECK_1'\t\r\n"
    "6\t0\t\texception 1; E_BOOM; boom refused; At trigger 'P2_BI' line: 1, col: 82\t\r\n"
    "7\t0\t\tarithmetic exception, numeric overflow, or string truncation; string right "
    "truncation; expected length 2, actual 12; At trigger 'P2_BI' line: 1, col: 130\t\r\n"
    "8\t3\tn\trecord 8 contains null field at 3 (short) - discarded)\t\r\n"
    "9\t0\t\tvalidation error for column \"P2\".\"NAME\", value \"*** null ***\"\t\r\n";

const char kDiscards[] = "2,two,x\t2\r\n1,dup,4\r\n5,five,500\r\n6,boom,6\r\n7,wide,7\r\n"
                         "8,eight\r\n9,,9\r\n";

}  // namespace

TEST_F(LoadRun, Reasons_ConversionAndDatabaseRefusalsRejectOneRecordEach) {
  isql(db, std::string(kRefusingSchema) + "commit;");
  writeFile(dir.file("data.csv"), kData);
  const std::string sql = "insert into p2 (id, name, n) values (?, ?, ?)\n";
  run(header("delimiter=, variables=3 errors=10 db_errors=reject reasons=why.txt "
             "discards=bad.csv file=data.csv") + sql);
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("why.txt")), kReasons);
  EXPECT_EQ(readFile(dir.file("bad.csv")), kDiscards);
  EXPECT_EQ(rows("select id, name, n from p2 order by id"),
            (std::vector<std::string>{"1|one|1", "3|three|3", "10|ten|10"}));
  // Each refusal shows its status report and the usual summary line.
  const std::string refused =
      "Got dblib error 20006 while doing execute prepared: SQL error was found + reported "
      "to logfile\r\n";
  size_t count = 0;
  for (size_t at = out.find(refused); at != std::string::npos; at = out.find(refused, at + 1))
    ++count;
  EXPECT_EQ(count, 5u);
  EXPECT_NE(out.find(summary(10, 1, 7, "data.csv")), std::string::npos) << out;

  // warn_exit: the same run exits 2; a clean one still exits 0.
  isql(db, "delete from p2; commit;");
  run(header("delimiter=, variables=3 errors=10 db_errors=reject warn_exit file=data.csv") +
      sql);
  EXPECT_EQ(exitCode, 2);
  EXPECT_EQ(rows("select count(*) from p2"), (std::vector<std::string>{"3"}));
  isql(db, "delete from p2; commit;");
  run(header("delimiter=, variables=3 warn_exit") + sql + "STARTDATA\n1,a,1\n2,b,2\n");
  EXPECT_EQ(exitCode, 0);
  // Shortened records accepted with short_ok count as a warning too.
  isql(db, "delete from p2; commit;");
  run(header("delimiter=, variables=3 warn_exit short_ok") + sql + "STARTDATA\n1,a\n");
  EXPECT_EQ(exitCode, 2);
}

TEST_F(LoadRun, Reasons_RefusalsCountAgainstErrorsAndOtherFailuresStayFatal) {
  isql(db, std::string(kRefusingSchema) + "commit;");
  writeFile(dir.file("data.csv"), kData);
  const std::string sql = "insert into p2 (id, name, n) values (?, ?, ?)\n";
  // The third rejection (record 5, a refusal) reaches the limit.
  run(header("delimiter=, variables=3 errors=3 db_errors=reject reasons=why.txt "
             "file=data.csv") + sql);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find(aborted(5)), std::string::npos) << out;
  EXPECT_TRUE(rows("select id from p2").empty());
  // Without db_errors=reject the first refusal stops the run, as before.
  run(header("delimiter=, variables=3 errors=10 file=data.csv") + sql);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find(aborted(4)), std::string::npos) << out;
  EXPECT_EQ(err, "lodrun: violation of PRIMARY or UNIQUE KEY constraint \"PK_P2\" on table "
                 "\"P2\"\nlodrun: Problematic key value is (\"ID\" = 1)\n");
  // A reasons file without discards, and without db_errors: conversions only.
  run(header("delimiter=, variables=2 errors=5 reasons=why.txt") +
      "insert into p values (?, ?)\nSTARTDATA\n1,a\nx,b\n3,ccccccccccccc\n1.5e-3,d\n");
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(readFile(dir.file("why.txt")),
            "2\t1\tposition 1\tGot dblib error 20030 while doing data sensitive Putfield with "
            "SQL field 1: Number Conversion Error\tx\r\n"
            "3\t2\tposition 2\ttruncating record 3, field 2 (was 13 bytes, now: 10\t"
            "ccccccccccccc\r\n"
            "4\t1\tposition 1\tGot dblib error 20030 while doing data sensitive Putfield with "
            "SQL field 1: Number Conversion Error\t1.5e-3\r\n");
}

TEST_F(LoadRun, Reasons_FixedRecordsNameTheColumnAndEscapeControlBytes) {
  writeFile(dir.file("data.fix"), "0001abc\n00\x01" "2def\n");
  run(header("lrecl=8 variables=2 errors=5 reasons=why.txt file=data.fix") +
      "insert into p (id {position=1 size=4}, name {position=5 size=3}) values (?, ?)\n");
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(readFile(dir.file("why.txt")),
            "2\t1\tid\tGot dblib error 20030 while doing fixed Putfield with SQL field "
            "1: Number Conversion Error\t00\\x012\r\n");
  EXPECT_EQ(rows("select id, name from p"), (std::vector<std::string>{"1|abc"}));
}

TEST_F(LoadRun, Resume_StopAfterCommitsSaysWhereToGoOnAndSkipCompletesTheTable) {
  std::string data;
  for (int i = 1; i <= 250; ++i)
    data += (i == 230 ? "x" : "") + std::to_string(i) + ",n" + std::to_string(i) + "\n";
  writeFile(dir.file("data.csv"), data);
  const std::string sql = "insert into p values (?, ?)\n";
  run(header("delimiter=, variables=2 trans=100 skip=1 file=data.csv") + sql);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(err, "lodrun: 200 records were committed before the stop; to go on with the next "
                 "one, run again with skip=201\n");
  EXPECT_EQ(rows("select count(*), min(id), max(id) from p"),
            (std::vector<std::string>{"200|2|201"}));

  // Going on meets the record again before any commit: the point stays.
  run(header("delimiter=, variables=2 trans=100 skip=201 file=data.csv") + sql);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(err, "lodrun: 0 records were committed before the stop; to go on with the next "
                 "one, run again with skip=201\n");

  // Mend the record and go on from where the committed part ends.
  data.replace(data.find("x230"), 4, "230");
  writeFile(dir.file("data.csv"), data);
  run(header("delimiter=, variables=2 trans=100 skip=201 file=data.csv") + sql);
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(err, "");
  EXPECT_EQ(rows("select count(*), min(id), max(id) from p"),
            (std::vector<std::string>{"249|2|250"}));
}

TEST_F(LoadRun, DryRun_TellsWhatTheRealRunWouldAndLeavesTheTableAlone) {
  isql(db, std::string(kRefusingSchema) + "insert into p2 values (999, 'kept', 1, null); commit;");
  // kData, then records enough for two commit points and one more conversion reject.
  std::string data = kData;
  for (int i = 11; i <= 250; ++i)
    data += (i == 230 ? "x" : "") + std::to_string(i) + ",n,1\n";
  writeFile(dir.file("data.csv"), data);
  const std::string sql = "insert into p2 (id, name, n) values (?, ?, ?)\n";
  const std::string options = "delimiter=, variables=3 errors=10 db_errors=reject trans=100 "
                              "reasons=why.txt discards=bad.csv file=data.csv";
  const std::string table = "select count(*) from p2;";
  const std::string before = isql(db, table);
  run(header(options + " dryrun") + sql);
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(err, "");
  EXPECT_EQ(isql(db, table), before);
  const std::string dryOut = out;
  const std::string dryReasons = readFile(dir.file("why.txt"));
  const std::string dryDiscards = readFile(dir.file("bad.csv"));

  run(header(options) + sql);
  EXPECT_EQ(exitCode, 0) << out;
  EXPECT_EQ(dryOut, out + "dry run: every change rolled back, nothing was committed\r\n");
  EXPECT_EQ(dryReasons, readFile(dir.file("why.txt")));
  EXPECT_EQ(dryReasons.substr(0, sizeof kReasons - 1), kReasons);
  EXPECT_EQ(dryDiscards, readFile(dir.file("bad.csv")));
  EXPECT_EQ(rows("select count(*) from p2"), (std::vector<std::string>{"243"}));

  // A stop after the commit points commits nothing either: no skip is offered.
  isql(db, "delete from p2 where id <> 999; commit;");
  run(header("delimiter=, variables=3 errors=7 db_errors=reject trans=100 skip=1 dryrun "
             "file=data.csv") + sql);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find(aborted(229)), std::string::npos) << out;
  EXPECT_EQ(err, "");
  EXPECT_EQ(isql(db, table), before);

  // An unload has nothing to roll back: refused before its file is touched.
  writeFile(dir.file("out.csv"), "kept");
  run("options db=" + db + " user=SYSDBA passwd=masterkey direction=o delimiter=, variables=3"
      " file=out.csv dryrun\nselect id, name, n from p2\n");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(out.find("dryrun is for loads only; an unload cannot be run dry\r\n"),
            std::string::npos) << out;
  EXPECT_EQ(readFile(dir.file("out.csv")), "kept");
}
