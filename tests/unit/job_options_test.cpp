// Option keywords of an options line, and the settings report they feed.
#include <string>
#include <vector>

#include "job/messages.h"
#include "job_fixture.h"

namespace {

class Options : public JobTest {
 protected:
  // Applies one options line; returns what it printed, keeps the error count.
  std::string apply(const std::string &line) {
    setLine(line);
    return printed([this] { errors = parseOptions(); });
  }
  short errors = -1;
};

}  // namespace

TEST_F(Options, BadValuesWarnOrCountAsErrors) {
  const struct {
    const char *line, *output;
    short errors;
  } rows[] = {
      {"options rows=100 skip=2 trans=500 errors=0 delimeter=, username=bob", "", 0},
      // Malformed numbers are refused with the keyword's message and the text as written.
      {"options batch=32x trans=1e20 skip=-5 rows=abc errors=7.5 startcount=1O",
       "Lodrun #: warning: batch size unbelievable (1-256 range): 32x, ignored\n"
       "Lodrun #: warning: error limit unbelievable: 7.5, ignored\n"
       "Lodrun #: maximum rows unbelievable: abc\n ignored."
       "Lodrun #: warning: skip count unbelievable: -5, ignored\n"
       "Lodrun #: warning: start count unbelievable: 1O, ignored\n"
       "Lodrun #: warning: commit frequency unbelievable (100-20000 range): 1e20, ignored\n",
       0},
      {"options progress=5s year=19x", " Invalid year for century split: 19x, ignored "
       "(range: 1-99)\nLodrun #: progress interval unbelievable (1-3600 seconds): 5s - "
       "ignored\n", 0},
      {"options xtra_fields=2x variables=3 direction=o",
       "Lodrun #: extra fields count unbelievable: 2x\n", 1},
      {"options trans=50",
       "Lodrun #: warning: commit frequency unbelievable (100-20000 range): 50, ignored\n", 0},
      {"options rows=0", "Lodrun #: maximum rows unbelievable: 0\n ignored.", 0},
      {"options discards=/nonexistent/d.txt",
       "Lodrun #: warning: discards file could not be created, ignored - /nonexistent/d.txt\n",
       0},
      {"options lrecl=1", "Lodrun #: fix sized lrecl unbelievable: 1\n", 1},
      {"options lrecl=80x", "Lodrun #: fix sized lrecl unbelievable: 80x\n", 1},
      {"options variables=?", "Lodrun #: sql variable count unbelievable: ?\n", 1},
      {"options variables=99999", "Lodrun #: sql variable count unbelievable: 99999\n", 1},
      // direction applies first whatever the order in the line
      {"options variables=2 xtra_fields=1 filler=1;5;*;7 direction=i",
       "Lodrun #: xtra_fields only allowed for ouput\n"
       "Lodrun #: invalid filler option - not output, or field counts not set: 1;5;*;7\n", 2},
  };
  for (const auto &row : rows) {
    SetUp();
    EXPECT_EQ(apply(row.line), row.output) << row.line;
    EXPECT_EQ(errors, row.errors) << row.line;
  }
  EXPECT_EQ(std::vector<int>({job.maxRows, job.skipCount, job.commitEvery, job.maxErrors,
                              job.batchSize, job.startCount, job.centurySplit}),
            std::vector<int>({-1, 0, 5000, 1, 0, 0, 0}));
}

TEST_F(Options, RepeatedSettingsWarnInKeywordOrder) {
  EXPECT_EQ(apply("options charset=A delimiter=; db=x.fdb errors=5 excel lrecl=80 "
                  "passwd=secret skip=0"),
            "");
  EXPECT_EQ(apply("options SKIP=2 passwd=other lrecl=90 Excel errors=6 db=y.fdb "
                  "charset=B delimiter=| lineend=m"),
            " Warning: transCharSet already set, setting again\n"
            " Warning: delimiter already set to ;, setting again\n"
            " Warning: dbName  already set to x.fdb, setting again\n"
            " Warning: max errors already set to 5, setting again\n"
            " Warning: excel already set, setting again\n"
            " Warning: lrecl already set to 80, setting again\r"  // lineend before lrecl
            " Warning: password already set to ********, setting again\r");
  EXPECT_EQ(errors, 0);
  EXPECT_STREQ(job.dbName, "y.fdb");
  EXPECT_STREQ(job.password, "other");
  EXPECT_EQ(std::vector<int>({job.separator, job.skipCount, job.recordLength}),
            std::vector<int>({'|', 2, 90}));
}

TEST_F(Options, FillersComeLastAndFillTheTableInLineOrder) {
  EXPECT_EQ(apply("options filler=1;5;-;7 filler=6;10;+;7 lrecl=100 xtra_fields=2 "
                  "variables=3"),
            "");
  EXPECT_EQ(errors, 0);
  ASSERT_EQ(job.fieldCount, 5);
  EXPECT_EQ(std::vector<int>({job.fieldTable[0].position, job.fieldTable[0].blobSegmentSize,
                              job.fieldTable[1].position, job.fieldTable[1].blobSegmentSize}),
            std::vector<int>({1, '-', 6, '+'}));
  // A bad filler counts; the good ones before it stay.
  EXPECT_EQ(apply("options filler=11;12;*;7 filler=20;19;*;7"),
            "Lodrun #: fixed position filler field, invalid ending position: 20;19;*;7\n");
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(job.fieldTable[2].position, 11);
}

TEST_F(Options, SettingsReportShowsTheRunAfterOptions) {
  apply("options direction=o db=/tmp/x.fdb user=SYSDBA passwd=masterkey file=out.txt "
        "delimiter=, rows=5 skip=1 startcount=3 charset=UTF8 variables=1 xtra_fields=1 "
        "filler=2;0;enum;7 quote=\"");
  job.commandFileName = "load.cmd";
  EXPECT_EQ(printed([] { printSettingsReport("file", 1); }),
            " After parsing command file, variables:\n"
            "\tControl file is: load.cmd\n"
            "\tDbName: /tmp/x.fdb\n"
            "\t Sql output variables 1, filler fields 1, Default date format 16\n"
            "\ttranslation character set: UTF8\n"
            "\t SQL user: SYSDBA/********, internal query type -1\n"
            "\t Skip: 1, stop after 5, maximum error count 1\n"
            "\t Restart transaction after 5000 Db writes\n"
            "\t Output filename out.txt\n"
            "\t File format is data sensitive, output pad: > < (32)\n"
            "\t Generated fields will use this as a base count: 3\n"
            "\tSeparator character: >,< (44)\n"
            "\t Excel format not set, terminator style: Linux/Unix, do quote strings, "
            "timestamp off\n"
            " Field  0, format   7; FIELD position   2, size:   0, type: 100;"
            " SQL position  0, size   0, type 203\n"
            " Field  1, format   0; FIELD position   0, size:   0, type:   0;"
            " SQL position  0, size   0, type   0\n"
            "\n");
  EXPECT_EQ(printed([] { printSettingsReport("file", 0); }).substr(0, 57),
            " After parsing command file, NO option changes\n Field  0,");
}
