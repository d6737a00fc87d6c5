// Session and layout errors: each stops the run with its own message before
// anything is loaded; and the credentials taken from the environment.
#include <string>

#include "load_fixture.h"

namespace {

const char kUsageHead[] = "Lodrun Usage: Lodrun loads or unloads fixed-size or delimited file\r\n";

}  // namespace

TEST_F(LoadRun, Session_CredentialsComeFromOptionsOrTheEnvironment) {
  const std::string commands = "options db=" + db + " direction=i delimiter=, variables=2\n"
                               "insert into p values (?, ?)\nSTARTDATA\n1,a\n";
  run(commands);
  EXPECT_EQ(out, "User/Password must be supplied in options or command line\r\n");
  EXPECT_EQ(exitCode, 1);
  run(commands, {"-u", "SYSDBA"});
  EXPECT_EQ(out, "User/Password must be supplied in options or command line\r\n");
  run(commands, {"-u", "SYSDBA"}, {"ISC_PASSWORD=masterkey"});
  EXPECT_EQ(out, summary(1, 0, 0));
  isql(db, "delete from p; commit;");
  run(commands, {}, {"ISC_USER=SYSDBA", "ISC_PASSWORD=masterkey"});
  EXPECT_EQ(out, summary(1, 0, 0));
  EXPECT_EQ(rows("select id, name from p"), (std::vector<std::string>{"1|a"}));
}

TEST_F(LoadRun, Session_StatementMustSuitTheDirectionAndTheCount) {
  isql(db, "set term ^ ; create procedure pio (x integer) returns (y integer) as "
           "begin y = x; end^ set term ; ^ commit;");
  const struct {
    std::string options, sql, message;
  } cases[] = {
      {"delimiter=, variables=3", "insert into t (id, sm, bi, v20) values (?, ?, ?, ?)",
       "Lodrun #: # of variables does not match query: 3/4\r\n"},
      {"delimiter=, variables=2", "execute procedure pio ?",
       "Lodrun #: query has both input and output (1/1). Cannot do this!\r\n"},
      {"delimiter=, variables=1", "delete from p where id = ?",
       "Lodrun #: illogical query type for request (4)\r\n"},
      {"delimiter=, variables=1", "select id from p",
       "Lodrun #: illogical query type for request (1)\r\n"},
      {"delimiter=, variables=1", "insert into nosuch values (?)",
       "Got dblib error 20006 while doing preparing query: SQL error was found + reported to "
       "logfile\r\n"},
  };
  for (const auto &c : cases) {
    run(header(c.options) + c.sql + "\nSTARTDATA\n1\n");
    // A refused prepare is preceded by the database's own report.
    ASSERT_GE(out.size(), c.message.size() + aborted(0).size()) << out;
    EXPECT_EQ(out.substr(out.size() - c.message.size() - aborted(0).size()), c.message + aborted(0))
        << c.sql;
    EXPECT_EQ(exitCode, 1);
  }
  run("options db=run.cmd user=SYSDBA passwd=masterkey direction=i delimiter=, variables=1\n"
      "insert into p (id) values (?)\nSTARTDATA\n1\n");
  EXPECT_NE(out.find("Got dblib error 20006 while doing opening database: SQL error was found "
                     "+ reported to logfile\r\n" + aborted(0, false)),
            std::string::npos)
      << out;
}

TEST_F(LoadRun, Layout_ErrorsStopTheRunBeforeAnyRecord) {
  isql(db, "create table big (c varchar(9000)); create table a (id integer, arr integer[3]);"
           "commit;");
  const struct {
    std::string options, sql, message;
  } cases[] = {
      {"variables=2 lrecl=20", "insert into p values (?{position=1 size=4}, ?)",
       "Lodrun #: sql field input has NO source in file 2\r\n"},
      {"delimiter=, variables=1", "insert into big values (?)",
       "Lodrun #: size sql field 1 invalid (is: 9000, max 8184)\r\n"},
      {"delimiter=, variables=1", "insert into a (arr) values (?)",
       "Lodrun #: unsupported Array field for variable 1\r\n"},
      {"variables=2 lrecl=12",
       "insert into p values (?{position=1 size=4}, ?{position=5 size=10})",
       "Lodrun #: input field 2 too big for record\r\n"},
      {"delimiter=, variables=1 file=missing.csv", "insert into p (id) values (?)",
       "Lodrun #: could not open file <missing.csv> for input\r\n"},
      // The annotation of the literal takes the only free entry.
      {"delimiter=, variables=2", "insert into t (id, v20, c10) values (?, ?, 'x' {position=3})",
       "Lodrun #: sql input field has NO external column possible 2\r\n"},
  };
  for (const auto &c : cases) {
    const bool named = c.options.find("file=") != std::string::npos;
    run(header(c.options) + c.sql + "\n" + (named ? "" : "STARTDATA\n1\n"));
    EXPECT_EQ(out, c.message + aborted(0)) << c.sql;
    EXPECT_EQ(exitCode, 1);
  }
}

TEST_F(LoadRun, Layout_UnloadFieldsMustHaveAPlaceInsideTheRecord) {
  const std::string head = "options db=" + db + " user=SYSDBA passwd=masterkey direction=o "
                           "file=out.txt variables=2 ";
  const struct {
    std::string options, sql, message;
  } cases[] = {
      // A later field starting or ending inside an earlier one overlaps.
      {"", "select id{position=1 size=10}, name{position=9 size=10} from p",
       "Lodrun #: output fields 1 and 2 overlap\r\n"},
      {"", "select id{position=5 size=10}, name{position=1 size=10} from p",
       "Lodrun #: output fields 1 and 2 overlap\r\n"},
      {"lrecl=12", "select id{position=1 size=2}, name{position=5 size=10} from p",
       "Lodrun #: output field 2 too big for record\r\n"},
      // Without lrecl the record and its CR LF must fit 8184 bytes.
      {"", "select id{position=1 size=2}, name{position=8173 size=10} from p",
       "Lodrun #: output field 2 too big for record\r\n"},
      // Generated SQL fields serve loads; an unload column needs a place.
      {"delimiter=,", "select id{sysdate}, name from p",
       "Lodrun #: output field without sufficient information - index: 1\r\n"},
  };
  for (const auto &c : cases) {
    run(head + c.options + "\n" + c.sql + "\n");
    EXPECT_EQ(out, c.message + aborted(0)) << c.sql;
    EXPECT_EQ(exitCode, 1);
  }
}

TEST_F(LoadRun, Layout_MissingEssentialsPrintTheUsage) {
  const std::string cases[] = {
      "options user=SYSDBA passwd=masterkey direction=i delimiter=, variables=1\n",
      "options db=x.fdb user=SYSDBA passwd=masterkey delimiter=, variables=1\n",
      "options db=x.fdb direction=i delimiter=, file=data.csv\n",
      "options db=x.fdb direction=i variables=1 excel file=data.csv\n",
      "options db=x.fdb direction=o delimiter=, variables=1\n",
  };
  for (const auto &options : cases) {
    run(options + "insert into p (id) values (?)\nSTARTDATA\n1\n");
    EXPECT_EQ(out.substr(0, sizeof kUsageHead - 1), kUsageHead) << options;
    EXPECT_EQ(out.substr(out.size() - aborted(0, false).size()), aborted(0, false));
    EXPECT_EQ(exitCode, 1);
  }
}
