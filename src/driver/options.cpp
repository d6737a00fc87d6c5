// options.cpp - option keywords: one rule per keyword, applied in a fixed
// order, then every filler of the line.
//
//   options line in inputBuffer --findKeyword--> fieldBuffer/keywordNumber
//                               --rule--> JobSettings field (or fieldTable)
#include "driver/options.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/text.h"
#include "csv/csvmode.h"
#include "dblib/extras.h"
#include "driver/reportoptions.h"
#include "driver/switches.h"
#include "job/fileclash.h"
#include "job/messages.h"
#include "job/password.h"
#include "job/settings.h"
#include "job/stdstreams.h"
#include "layout/fieldparse.h"
#include "layout/fieldtable.h"
#include "layout/filler.h"

namespace {

// A rule gets the scanner's report n (-1 present without value, > 0 the value
// length in fieldBuffer) and returns the errors it found.
using Rule = int (*)(int n);

char *copyValue(int n, const char *label);
void warnAlreadySet(const char *what);
void warnAlreadySetTo(const char *what, const char *old);
void warnAlreadySetTo(const char *what, int old);
int applyFillers();

char *copyValue(int n, const char *label) {
  auto *copy = static_cast<char *>(allocZeroed(n + 1, label));
  std::memcpy(copy, job.fieldBuffer, static_cast<size_t>(n));
  return copy;
}

void warnAlreadySet(const char *what) {
  message(" Warning: %s already set, setting again%s", what, job.lineEnd);
}

void warnAlreadySetTo(const char *what, const char *old) {
  message(" Warning: %s already set to %s, setting again%s", what, old, job.lineEnd);
}

void warnAlreadySetTo(const char *what, int old) {
  message(" Warning: %s already set to %d, setting again%s", what, old, job.lineEnd);
}

int ruleBatch(int n) {
  if (n <= 0) return 0;
  if (job.keywordNumber >= 1 && job.keywordNumber <= 256)
    job.batchSize = static_cast<short>(job.keywordNumber);
  else
    LOCATED_MESSAGE("warning: batch size unbelievable (1-256 range): %s, ignored%s",
                    job.fieldBuffer, job.lineEnd);
  return 0;
}

// Blob files named by the data must lie under the folder; it is opened now,
// so that a folder that is not there stops the run before anything loads.
int ruleBlobDir(int n) {
  if (n <= 0) return 0;
  if (job.blobDir != nullptr) warnAlreadySetTo("blobdir", job.blobDir);
  const int fd = open(job.fieldBuffer, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    LOCATED_MESSAGE("blobdir <%s> cannot be opened as a folder: %s%s", job.fieldBuffer,
                    std::strerror(errno), job.lineEnd);
    return 1;
  }
  if (job.blobDirFd >= 0) close(job.blobDirFd);
  job.blobDirFd = fd;
  job.blobDir = copyValue(n, "blobdir");
  return 0;
}

int ruleCharset(int n) {
  if (n <= 0) return 0;
  if (job.transCharSet != nullptr) warnAlreadySet("transCharSet");
  job.transCharSet = copyValue(n, "transCharSet");
  return 0;
}

int ruleDelimiter(int n) {
  if (n <= 0) return 0;
  if (job.separator != 0 && !csvSeparatorImplied())
    message(" Warning: %s already set to %c, setting again%s", "delimiter",
            job.separator, job.lineEnd);
  setSeparator(job.fieldBuffer, n);
  clearCsvSeparatorImplied();
  return 0;
}

int ruleCsv(int) {
  enableCsvMode();
  return 0;
}

// The text stays in effect only in csv mode.
int ruleNull(int n) {
  if (n > 0) job.nullText = copyValue(n, "null text");
  return 0;
}

int ruleDirection(int n) {
  if (n > 0) setDirection(job.fieldBuffer[0]);
  return 0;
}

int ruleDb(int n) {
  if (n <= 0) return 0;
  if (job.dbName != nullptr) warnAlreadySetTo("dbName ", job.dbName);
  job.dbName = copyValue(n, "dbName");
  job.fileNaming.dbKeyword = "db=";
  return 0;
}

int ruleDiscards(int n) {
  if (n <= 0) return 0;
  if (job.discardStream != nullptr) {
    warnAlreadySet("discards");
    std::fclose(job.discardStream);
  }
  // Emptied once every file of the run is known (fileclash.h).
  job.discardStream = openOutputUntruncated(job.fieldBuffer);
  job.fileNaming.discardsPath = copyValue(n, "discards");
  if (job.discardStream == nullptr)
    LOCATED_MESSAGE("warning: discards file could not be created, ignored - %s%s",
                    job.fieldBuffer, job.lineEnd);
  else if (job.verbose)
    message(" Discard file set to %s%s", job.fieldBuffer, job.lineEnd);
  return 0;
}

int ruleErrors(int n) {
  if (n <= 0) return 0;
  if (job.maxErrors > 1) warnAlreadySetTo("max errors", job.maxErrors);
  if (job.keywordNumber > 0)
    job.maxErrors = job.keywordNumber;
  else if (job.keywordNumber < 0)  // no number; errors=0 leaves the limit as it is
    LOCATED_MESSAGE("warning: error limit unbelievable: %s, ignored%s", job.fieldBuffer,
                    job.lineEnd);
  return 0;
}

int ruleExcel(int) {
  if (job.excelFormat) warnAlreadySet("excel");
  job.excelFormat = 1;
  return 0;
}

// heading=match or heading=names; a bare `heading` stays without meaning.
int ruleHeading(int n) {
  if (n <= 0) return 0;
  const std::string_view value(job.fieldBuffer);
  HeadingCheck check = HeadingCheck{};
  if (value.size() == 5 && beginsWithNoCase(value, "match")) check = kHeadingMatch;
  if (value.size() == 5 && beginsWithNoCase(value, "names")) check = kHeadingNames;
  if (check == 0) {
    LOCATED_MESSAGE("heading must be match or names: %s%s", job.fieldBuffer, job.lineEnd);
    return 1;
  }
  if (job.headingCheck) warnAlreadySet("heading");
  job.headingCheck = check;
  return 0;
}

int ruleFile(int n) {
  if (n <= 0) return 0;
  if (job.dataFileName != nullptr) warnAlreadySetTo("file ", job.dataFileName);
  job.dataFileName = copyValue(n, "ioFilNam");
  job.fileNaming.dataKeyword = "file=";
  if (dataOnStandardStreams(job.dataFileName)) divertMessagesFromStandardOutput();
  return 0;
}

int ruleFractComma(int) {
  if (job.fractComma) warnAlreadySet("comma separated numerical fractions");
  job.fractComma = 1;
  return 0;
}

int ruleHyphenateDate(int) {
  job.dateSeparator = '-';
  return 0;
}

int ruleLineEnd(int n) {
  if (n > 0) setLineEndStyle(job.fieldBuffer[0]);
  return 0;
}

int ruleLrecl(int n) {
  if (n <= 0) return 0;
  if (job.recordLength > 0) warnAlreadySetTo("lrecl", job.recordLength);
  if (job.keywordNumber < 2 || job.keywordNumber > kBufferSize) {
    LOCATED_MESSAGE("fix sized lrecl unbelievable: %s%s", job.fieldBuffer, job.lineEnd);
    return 1;
  }
  job.recordLength = static_cast<short>(job.keywordNumber);
  return 0;
}

int ruleLogfile(int n) {
  if (n <= 0) return 0;
  if (job.logStream != nullptr)
    warnAlreadySetTo("file ", job.logFileName != nullptr ? job.logFileName : "(null)");
  job.logFileName = copyValue(n, "logfile");
  openLogFile(job.logFileName, "logfile=");
  return 0;
}

int rulePad(int n) {
  if (n > 0) job.padChar = job.fieldBuffer[0];
  return 0;
}

int rulePasswd(int n) {
  // The old password is not written into the log.
  if (n > 0) setPassword(job.fieldBuffer, static_cast<size_t>(n));
  return 0;
}

int rulePasswdFile(int n) {
  if (n > 0) readPasswordFile(job.fieldBuffer);
  return 0;
}

int ruleQuote(int n) {
  if (n <= 0) return 0;
  const char c = job.fieldBuffer[0];
  if (c == sqlQuote || c == '"') {
    job.quoteChar = c;
    job.quoteStrings = 1;
  } else {
    LOCATED_MESSAGE("strange quote character ignored: %c%s", c, job.lineEnd);
  }
  return 0;
}

int ruleRows(int n) {
  if (n <= 0) return 0;
  if (job.maxRows > 0) warnAlreadySetTo("max rows to process", job.maxRows);
  if (job.keywordNumber >= 1)
    job.maxRows = job.keywordNumber;
  else  // the line end comes before " ignored."
    LOCATED_MESSAGE("maximum rows unbelievable: %s%s ignored.", job.fieldBuffer,
                    job.lineEnd);
  return 0;
}

int ruleShortOk(int) {
  if (job.shortOk) warnAlreadySet("data sensitive rows with too few fields");
  job.shortOk = 1;
  return 0;
}

int ruleDryRun(int) {
  if (job.dryRun) warnAlreadySet("dry run");
  job.dryRun = 1;
  return 0;
}

int ruleSkip(int n) {
  if (n <= 0) return 0;
  if (job.skipCount > 0) warnAlreadySetTo("skip count", job.skipCount);
  if (job.keywordNumber >= 0)
    job.skipCount = job.keywordNumber;
  else
    LOCATED_MESSAGE("warning: skip count unbelievable: %s, ignored%s", job.fieldBuffer,
                    job.lineEnd);
  return 0;
}

int ruleStartCount(int n) {
  if (n <= 0) return 0;
  if (job.startCount > 0) warnAlreadySetTo("starting count", job.startCount);
  if (job.keywordNumber >= 0)
    job.startCount = job.keywordNumber;
  else
    LOCATED_MESSAGE("warning: start count unbelievable: %s, ignored%s", job.fieldBuffer,
                    job.lineEnd);
  return 0;
}

int ruleTimestamp(int) {
  job.withTimeOfDay = 1;
  return 0;
}

int ruleTrans(int n) {
  if (n <= 0) return 0;
  if (job.keywordNumber >= 100 && job.keywordNumber <= 20000)
    job.commitEvery = static_cast<short>(job.keywordNumber);
  else
    LOCATED_MESSAGE("warning: commit frequency unbelievable (100-20000 range): %s, "
                    "ignored%s", job.fieldBuffer, job.lineEnd);
  return 0;
}

int ruleUser(int n) {
  if (n <= 0) return 0;
  if (job.userName != nullptr) warnAlreadySetTo("username", job.userName);
  job.userName = copyValue(n, "username");
  return 0;
}

int ruleVariables(int n) {
  if (n <= 0) return 0;
  if (job.sqlVariableCount > 0) warnAlreadySetTo("SQL variables", job.sqlVariableCount);
  if (job.keywordNumber < 0 || job.keywordNumber > 4087) {
    // "?" is no number here: only the -n switch takes it.
    LOCATED_MESSAGE("sql variable count unbelievable: %s%s", job.fieldBuffer, job.lineEnd);
    return 1;
  }
  job.sqlVariableCount = static_cast<short>(job.keywordNumber);
  return 0;
}

int ruleVerbose(int) {
  job.verbose = 1;
  job.statusDumpLevel = 2;
  return 0;
}

int ruleXtraFields(int n) {
  if (n <= 0) return 0;
  int errors = 0;
  if (job.extraFieldCount > 0) warnAlreadySetTo("extra variables", job.extraFieldCount);
  if (job.keywordNumber >= 0 && job.keywordNumber <= 1023) {
    job.extraFieldCount = static_cast<short>(job.keywordNumber);
  } else {
    LOCATED_MESSAGE("extra fields count unbelievable: %s%s", job.fieldBuffer, job.lineEnd);
    ++errors;
  }
  if (job.direction == 'i') {
    LOCATED_MESSAGE("xtra_fields only allowed for ouput%s", job.lineEnd);
    ++errors;
  }
  return errors;
}

int ruleYear(int n) {
  if (n > 0) setCenturySplit(job.fieldBuffer);
  return 0;
}

// Each filler word found is marked by the scanner, so the loop moves on to
// the next one and ends when none is left.
int applyFillers() {
  int errors = 0;
  for (int n; (n = findKeyword("filler", false)) != 0;) {
    if (n < 0) {
      LOCATED_MESSAGE("invalid filler keyword - no parameters%s", job.lineEnd);
      ++errors;
    } else if (job.sqlVariableCount > 0 && job.extraFieldCount != 0 &&
               job.direction != 'i') {
      ensureFieldTable();
      if (!parseFiller(job.fieldBuffer)) ++errors;
    } else {
      LOCATED_MESSAGE("invalid filler option - not output, or field counts not set: "
                      "%s%s", job.fieldBuffer, job.lineEnd);
      ++errors;
    }
  }
  return errors;
}

struct KeywordRule {
  const char *keyword;
  Rule apply;
};

// The order of application, whatever the order in the line: direction
// always takes effect before xtra_fields and the fillers.
constexpr KeywordRule kRules[] = {
    {"batch", ruleBatch},           {"blobdir", ruleBlobDir},
    {"charset", ruleCharset},       {"delimiter", ruleDelimiter},
    {"csv", ruleCsv},               {"null", ruleNull},
    {"direction", ruleDirection},   {"db", ruleDb},
    {"discards", ruleDiscards},     {"dryrun", ruleDryRun},
    {"errors", ruleErrors},
    {"excel", ruleExcel},           {"file", ruleFile},
    {"heading", ruleHeading},
    {"fractcomma", ruleFractComma}, {"hyphenatedate", ruleHyphenateDate},
    {"lineend", ruleLineEnd},       {"lrecl", ruleLrecl},
    {"logfile", ruleLogfile},       {"pad", rulePad},
    {"passwd", rulePasswd},         {"passwd_file", rulePasswdFile},
    {"quote", ruleQuote},
    {"rows", ruleRows},             {"short_ok", ruleShortOk},
    {"skip", ruleSkip},             {"startcount", ruleStartCount},
    {"timestamp", ruleTimestamp},   {"trans", ruleTrans},
    {"user", ruleUser},             {"variables", ruleVariables},
    {"verbose", ruleVerbose},       {"xtra_fields", ruleXtraFields},
    {"year", ruleYear},
};

}  // namespace

short parseOptions() {
  int errors = 0;
  for (const KeywordRule &rule : kRules) {
    const int n = findKeyword(rule.keyword, false);
    if (n != 0) errors += rule.apply(n);
  }
  errors += applyReportingOptions();
  errors += applyFillers();
  return static_cast<short>(errors > SHRT_MAX ? SHRT_MAX : errors);
}

