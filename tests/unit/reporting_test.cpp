// Reporting and recovery pieces on their own: the reasons file's escapes,
// the progress text, which database failures reject one record, and the
// keywords that turn them on.
#include <string>

#include "job/progress.h"
#include "job_fixture.h"
#include "load/refusal.h"
#include "rejects/columnnames.h"
#include "rejects/reasons.h"

namespace {

std::string escaped(const std::string &text) {
  std::string out;
  appendEscaped(&out, text.data(), text.size());
  return out;
}

ClientFailure failureOf(long sqlCode, std::initializer_list<ISC_STATUS> codes) {
  ClientFailure f;
  f.sqlCode = sqlCode;
  for (ISC_STATUS c : codes) f.codes[f.codeCount++] = c;
  return f;
}

std::string progressText(bool load, int records, int rejected, double seconds, long long done,
                         long long total) {
  char text[200];
  formatProgress(text, sizeof text, load, records, rejected, seconds, done, total);
  return text;
}

class ReportingOptions : public JobTest {
 protected:
  std::string apply(const std::string &line) {
    setLine(line);
    return printed([] { parseOptions(); });
  }
};

}  // namespace

TEST(Reasons, ControlBytesTabsAndBackslashesAreEscapedOthersKept) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"plain, text", "plain, text"},
      {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
      {std::string("\x01\x1f\x7f\0z", 5), "\\x01\\x1f\\x7f\\x00z"},
      {"back\\slash", "back\\\\slash"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto &c : cases) EXPECT_EQ(escaped(c.text), c.expected) << c.text;
}

TEST(Refusal, DataRefusalsRejectOneRecordSessionFailuresStayFatal) {
  const struct {
    ClientFailure failure;
    bool perRecord;
  } cases[] = {
      {failureOf(-803, {isc_unique_key_violation, isc_random}), true},
      {failureOf(-530, {isc_foreign_key}), true},
      {failureOf(-297, {isc_check_constraint}), true},
      {failureOf(-625, {isc_not_valid}), true},
      {failureOf(-836, {isc_except, isc_random}), true},
      {failureOf(-802, {isc_arith_except, isc_string_truncation}), true},
      {failureOf(-803, {isc_no_dup}), true},
      // Behind the engine's wrapper codes.
      {failureOf(-303, {isc_dsql_error, isc_sqlerr, isc_arith_except, isc_string_truncation,
                        isc_trunc_limits}), true},
      {failureOf(-104, {isc_dsql_error, isc_sqlerr, isc_malformed_string}), true},
      {failureOf(-303, {isc_dsql_error, isc_sqlerr, isc_arith_except, isc_deadlock}), false},
      // Known by SQLCODE alone.
      {failureOf(-625, {335544999L}), true},
      // The session is going away, whatever came first.
      {failureOf(-902, {isc_network_error}), false},
      {failureOf(-803, {isc_unique_key_violation, isc_lost_db_connection}), false},
      {failureOf(-902, {isc_att_shutdown}), false},
      // Not about the record's values.
      {failureOf(-913, {isc_deadlock, isc_update_conflict}), false},
      {failureOf(-901, {isc_lock_conflict, isc_convert_error}), false},
      {failureOf(-204, {isc_dsql_error}), false},
      {failureOf(-803, {}), false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(isRecordRefusal(c.failure), c.perRecord)
        << c.failure.sqlCode << " " << c.failure.codes[0];
}

TEST(Progress, TextShowsCountsRateElapsedAndForAFileTheRest) {
  EXPECT_EQ(progressText(true, 5000, 2, 2.0, 250, 1000),
            "5000 records, 2 rejected, 2500/s, 0:02 elapsed, 25% read, 0:06 left");
  EXPECT_EQ(progressText(false, 120, 0, 3725.0, 0, 0),
            "120 rows, 0 rejected, 0/s, 1:02:05 elapsed");
  // Nothing read yet: no guess at the time left; a read-ahead past the size is 100%.
  EXPECT_EQ(progressText(true, 0, 0, 0.0, 0, 1000), "0 records, 0 rejected, 0/s, 0:00 elapsed");
  EXPECT_EQ(progressText(true, 9, 0, 1.0, 2000, 1000),
            "9 records, 0 rejected, 9/s, 0:01 elapsed, 100% read, 0:00 left");
  // A small buffer is cut, never overrun.
  char small[12];
  formatProgress(small, sizeof small, true, 123456, 0, 1.0, 1, 2);
  EXPECT_EQ(std::string(small), "123456 reco");
}

TEST_F(ReportingOptions, KeywordsSetTheirSettingsAndBadValuesWarn) {
  TempDir dir;
  const std::string why = dir.file("why.txt");
  EXPECT_EQ(apply("options reasons=" + why + " db_errors=REJECT progress warn_exit"), "");
  EXPECT_NE(job.reasonsStream, nullptr);
  EXPECT_TRUE(fileExists(why));
  EXPECT_EQ(job.rejectRefusals, 1);
  EXPECT_EQ(job.progressInterval, 5);
  EXPECT_EQ(job.warnExit, 1);
  EXPECT_EQ(apply("options db_errors=stop progress=30"), "");
  EXPECT_EQ(job.rejectRefusals, 0);
  EXPECT_EQ(job.progressInterval, 30);

  EXPECT_EQ(apply("options db_errors=maybe progress=0 reasons=" + dir.file("no/such/dir")),
            " Warning: reasons already set, setting again\n"
            "Lodrun #: warning: reasons file could not be created, ignored - " +
                dir.file("no/such/dir") +
                "\n"
                "Lodrun #: db_errors must be reject or stop: maybe - ignored\n"
                "Lodrun #: progress interval unbelievable (1-3600 seconds): 0 - ignored\n");
  EXPECT_EQ(job.reasonsStream, nullptr);
  EXPECT_EQ(job.progressInterval, 30);
}

TEST(ColumnNames, ParametersAreNamedByTheColumnTheyFeed) {
  const struct {
    const char *sql;
    int number;
    std::string column;
  } cases[] = {
      {"insert into t (id, name, n) values (?, ?, ?)", 3, "n"},
      {"INSERT INTO t (id,\"Name\") VALUES (?,?)", 2, "\"Name\""},
      // Literals and expressions take places; their '?' are no plain values.
      {"insert into t (a, b, c, d) values ('?,', upper(?), ?, (select 1 from x where y = ?))", 2,
       "c"},
      {"insert into t (a, b, c, d) values ('?,', upper(?), ?, (select 1 from x where y = ?))", 1,
       ""},
      {"insert into t values (?, ?)", 1, ""},
      {"update or insert into t (k, v) values (?, ?) matching (k)", 2, "v"},
      {"update t set a = ?, b = coalesce(?, 0), c = ? where k = ?", 3, "c"},
      {"update t set a = ?, b = coalesce(?, 0), c = ? where k = ?", 2, ""},
      {"update t set a = ?, b = coalesce(?, 0), c = ? where k = ?", 4, ""},
      {"execute procedure p ?, ?", 1, ""},
      {"insert into t (a) values (?)", 2, ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(parameterColumnName(c.sql, c.number), c.column) << c.sql << " #" << c.number;
}
