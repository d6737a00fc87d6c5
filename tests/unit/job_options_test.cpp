// Option keywords of an options line, and the settings report they feed.
#include <string>

#include "job/messages.h"
#include "job/options.h"
#include "job_fixture.h"

namespace {

class Options : public JobTest {
 protected:
  // Applies one options line; returns what it printed and stores the error count.
  std::string apply(const std::string &line) {
    setLine(line);
    return printed([this] { errors = parseOptions(); });
  }
  short errors = -1;
};

}  // namespace

TEST_F(Options, PlainLineSetsValuesQuietly) {
  EXPECT_EQ(apply("options rows=100 skip=2 trans=500"), "");
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(job.maxRows, 100);
  EXPECT_EQ(job.skipCount, 2);
  EXPECT_EQ(job.commitEvery, 500);

  EXPECT_EQ(apply("options FractComma HYPHENATEDATE Skip=3 VERBOSE Timestamp Lineend=M "
                  "pad=. quote=' lrecl=80 excel short_ok startcount=7 year=50 "
                  "delimiter=x09 direction=O errors=4 variables=2 xtra_fields=1"),
            // lineend comes before skip in the keyword order
            " Warning: skip count already set to 2, setting again\r");
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(job.fractComma, 1);
  EXPECT_EQ(job.dateSeparator, '-');
  EXPECT_EQ(job.skipCount, 3);
  EXPECT_EQ(job.verbose, 1);
  EXPECT_EQ(job.statusDumpLevel, 2);
  EXPECT_EQ(job.withTimeOfDay, 1);
  EXPECT_EQ(job.lineEnd, kLineEndMac);
  EXPECT_EQ(job.padChar, '.');
  EXPECT_EQ(job.quoteChar, '\'');
  EXPECT_EQ(job.quoteStrings, 1);
  EXPECT_EQ(job.recordLength, 80);
  EXPECT_EQ(job.excelFormat, 1);
  EXPECT_EQ(job.shortOk, 1);
  EXPECT_EQ(job.startCount, 7);
  EXPECT_EQ(job.centurySplit, 50);
  EXPECT_EQ(job.separator, '\t');
  EXPECT_EQ(job.direction, 'o');
  EXPECT_EQ(job.maxErrors, 4);
  EXPECT_EQ(job.sqlVariableCount, 2);
  EXPECT_EQ(job.extraFieldCount, 1);
}

TEST_F(Options, BadValuesWarnOrCountAsErrors) {
  const struct {
    const char *line;
    const char *output;
    short errors;
  } rows[] = {
      {"options trans=50",
       "Lodrun #: warning: commit frequency unbelievable (100-20000 range): 50, ignored\n", 0},
      {"options trans=0000001000",
       "Lodrun #: warning: commit frequency unbelievable (100-20000 range): -1, ignored\n", 0},
      {"options trans=999999999",
       "Lodrun #: warning: commit frequency unbelievable (100-20000 range): 999999999, "
       "ignored\n", 0},
      {"options errors=0 errors=abc rows=", "", 0},
      {"options delimeter=, username=bob #", "", 0},
      {"options skip=-1", "Lodrun #: warning: skip count unbelievable: -1, ignored\n", 0},
      {"options startcount=x", "Lodrun #: warning: start count unbelievable: -1, ignored\n", 0},
      {"options rows=0", "Lodrun #: maximum rows unbelievable: 0\n ignored.", 0},
      {"options quote=*", "Lodrun #: strange quote character ignored: *\n", 0},
      {"options year=100", " Invalid year for century split: 100, ignored (range: 1-99)\n", 0},
      {"options delimiter=a", "Lodrun #: separator string uses common character: a\n", 0},
      {"options direction=x",
       "Lodrun #: invalid direction: x - must be i/o for direction to/from SQL\n", 0},
      {"options lineend=w", "Lodrun: warning unknown OS type: w (ignored)\n", 0},
      {"options discards=/nonexistent/dir/d.txt",
       "Lodrun #: warning: discards file could not be created, ignored - "
       "/nonexistent/dir/d.txt\n", 0},
      {"options logfile=/nonexistent/dir/log",
       " could not open logfile - /nonexistent/dir/log, ignored\n", 0},
      {"options lrecl=1", "Lodrun #: fix sized lrecl unbelievable: 0\n", 1},
      {"options lrecl=8185", "Lodrun #: fix sized lrecl unbelievable: 0\n", 1},
      {"options variables=4088", "Lodrun #: sql variable count unbelievable: 4088\n", 1},
      {"options variables=?", "Lodrun #: sql variable count unbelievable: -1\n", 1},
      {"options variables=99999", "Lodrun #: sql variable count unbelievable: 99999\n", 1},
      {"options xtra_fields=1024", "Lodrun #: extra fields count unbelievable: 0\n", 1},
      {"options xtra_fields=2 direction=i", "Lodrun #: xtra_fields only allowed for ouput\n", 1},
      {"options filler", "Lodrun #: invalid filler keyword - no parameters\n", 1},
      {"options filler=1;5;*;7 filler=",
       "Lodrun #: invalid filler option - not output, or field counts not set: 1;5;*;7\n"
       "Lodrun #: invalid filler keyword - no parameters\n", 2},
      {"options variables=2 xtra_fields=1 direction=i filler=1;5;*;7",
       "Lodrun #: xtra_fields only allowed for ouput\n"
       "Lodrun #: invalid filler option - not output, or field counts not set: 1;5;*;7\n", 2},
  };
  for (const auto &row : rows) {
    resetJobSettings();
    allocateJobBuffers();
    job.lineEnd = kLineEndUnix;
    EXPECT_EQ(apply(row.line), row.output) << row.line;
    EXPECT_EQ(errors, row.errors) << row.line;
    EXPECT_EQ(job.commitEvery, 5000) << row.line;
    EXPECT_EQ(job.maxErrors, 1) << row.line;
    EXPECT_EQ(job.recordLength, 0) << row.line;
    EXPECT_EQ(job.userName, nullptr) << row.line;
  }
}

TEST_F(Options, RepeatedSettingsWarnInKeywordOrder) {
  EXPECT_EQ(apply("options charset=A db=x.fdb discards=/dev/null errors=5 excel file=f1 "
                  "fractComma lrecl=80 passwd=secret rows=10 short_ok skip=1 "
                  "startcount=1 user=u1 variables=2 xtra_fields=1 delimiter=;"),
            "");
  EXPECT_EQ(apply("options xtra_fields=3 variables=4 user=u2 startcount=2 skip=2 "
                  "short_ok rows=20 passwd=other lrecl=90 fractComma file=f2 excel "
                  "errors=6 discards=/dev/null db=y.fdb charset=B delimiter=|"),
            " Warning: transCharSet already set, setting again\n"
            " Warning: delimiter already set to ;, setting again\n"
            " Warning: dbName  already set to x.fdb, setting again\n"
            " Warning: discards already set, setting again\n"
            " Warning: max errors already set to 5, setting again\n"
            " Warning: excel already set, setting again\n"
            " Warning: file  already set to f1, setting again\n"
            " Warning: comma separated numerical fractions already set, setting again\n"
            " Warning: lrecl already set to 80, setting again\n"
            " Warning: password already set to ********, setting again\n"
            " Warning: max rows to process already set to 10, setting again\n"
            " Warning: data sensitive rows with too few fields already set, setting again\n"
            " Warning: skip count already set to 1, setting again\n"
            " Warning: starting count already set to 1, setting again\n"
            " Warning: username already set to u1, setting again\n"
            " Warning: SQL variables already set to 2, setting again\n"
            " Warning: extra variables already set to 1, setting again\n");
  EXPECT_EQ(errors, 0);
  EXPECT_STREQ(job.transCharSet, "B");
  EXPECT_STREQ(job.dbName, "y.fdb");
  EXPECT_STREQ(job.dataFileName, "f2");
  EXPECT_STREQ(job.password, "other");
  EXPECT_STREQ(job.userName, "u2");
  EXPECT_EQ(job.separator, '|');
  EXPECT_EQ(job.extraFieldCount, 3);
  EXPECT_EQ(job.sqlVariableCount, 4);
}

TEST_F(Options, FillersComeLastAndFillTheTableInLineOrder) {
  EXPECT_EQ(apply("options filler=1;5;-;7 filler=6;10;+;7 lrecl=100 xtra_fields=2 "
                  "variables=3"),
            "");
  EXPECT_EQ(errors, 0);
  ASSERT_EQ(job.fieldCount, 5);
  EXPECT_EQ(job.fieldTable[0].position, 1);
  EXPECT_EQ(job.fieldTable[0].blobSegmentSize, '-');
  EXPECT_EQ(job.fieldTable[1].position, 6);
  EXPECT_EQ(job.fieldTable[1].blobSegmentSize, '+');
  EXPECT_EQ(job.fieldTable[2].format, 0);
  // A bad filler counts; the good ones before it stay.
  EXPECT_EQ(apply("options filler=11;12;*;7 filler=20;19;*;7"),
            "Lodrun #: fixed position filler field, invalid ending position: 20;19;*;7\n");
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(job.fieldTable[2].position, 11);
}

TEST_F(Options, ManyFillersOnOneLongLine) {
  std::string line = "options variables=1 xtra_fields=1000 direction=o delimiter=,";
  int fillers = 0;
  while (line.size() < kBufferSize - 20)
    line += " filler=" + std::to_string(++fillers) + ";1;*;7";
  const std::string out = apply(line);
  EXPECT_EQ(errors, 0) << out.substr(0, 200);
  EXPECT_GT(fillers, 400);
  EXPECT_EQ(job.fieldTable[fillers - 1].position, fillers);
  EXPECT_EQ(job.fieldTable[fillers].format, 0);
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

TEST_F(Options, SettingsReportOfALoadJoinsFormatAndShortLines) {
  apply("options direction=i delimiter=; year=30 lrecl=120");
  job.blobFieldCount = 2;
  job.asciiBlobs = 1;
  job.lineEnd = kLineEndPc;
  EXPECT_EQ(printed([] { printSettingsReport("line", 1); }),
            " After parsing command line, variables:\r\n"
            "\tControl file is: stdin\r\n"
            "\tDbName: (null)\r\n"
            "\t Sql input variables 0, filler fields 0, Default date format 16\r\n"
            "\t Ascii blobs set, segment size: 80, type override 0\r\n"
            "\t SQL user: (null)/(null), internal query type -1\r\n"
            "\tInput file (null)\r\n"
            "\t maximum error count 1\r\n"
            "\t File format is data sensitive of size 120, load short (null field) "
            "records: no\r\n"
            "\tCentury split set to 30\r\n"
            "\tSeparator character: >;< (59)\r\n"
            "\t Excel format not set, terminator style: PC, don't quote strings, "
            "timestamp off\r\n"
            "\r\n");
}
