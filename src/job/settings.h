// settings.h - JobSettings, the one run-wide settings record.
//
// There is exactly one instance (`job`), alive for the whole process. It is
// filled in three stages (start-up values, command-line switches, the command
// file) and read by every other module. Text settings point at command-line
// words, constants or allocZeroed copies, and are never freed. The fields that
// dblib reads (messageStream, statusDumpLevel, fractComma, centurySplit,
// dateSeparator, lineEnd, lastDblibError) live in the DblibRunSettings base.
// The file naming of a run (runstate.h) is kept here too; the commit points
// and the working state of the record loops are their modules' own.
#ifndef LODRUN_JOB_SETTINGS_H
#define LODRUN_JOB_SETTINGS_H

#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

#include "dblib/dbfuncs.h"
#include "job/fieldspec.h"
#include "job/runstate.h"

// Size of the input, field and SQL buffers; a record or line plus its NUL
// (or line end) must fit.
constexpr int kBufferSize = 8184;
// Size of the parse buffer that holds one filler option.
constexpr int kParseBufferSize = 504;

// The three line terminators; lineEnd always points at one of them.
extern const char kLineEndMac[];   // "\r"
extern const char kLineEndPc[];    // "\r\n"
extern const char kLineEndUnix[];  // "\n"

// The string-literal quote of SQL text; also one of the two quote characters
// the quote keyword accepts.
constexpr char sqlQuote = '\'';

// heading= of a CSV load: the heading's names are checked against the
// statement's columns in order, or map the file's fields to them by name.
enum HeadingCheck : unsigned char { kHeadingMatch = 1, kHeadingNames = 2 };

// The UTF-8 byte-order mark skipped at the start of every text file read.
constexpr unsigned char byteOrderMark[3] = {0xEF, 0xBB, 0xBF};

struct JobSettings : DblibRunSettings {
  // lineEnd must always point at one of the three terminator constants.
  JobSettings() { lineEnd = kLineEndPc; }
  JobSettings(const JobSettings &) = delete;
  JobSettings &operator=(const JobSettings &) = delete;

  // Direction and record format.
  char direction = 0;                     // 0 unset, 'i' load, 'o' unload
  const char *directionText = nullptr;    // "input" / "output"
  char separator = 0;                     // 0: fixed-size records
  char quoteChar = '"';
  unsigned char quoteStrings = 0;
  char padChar = ' ';
  short recordLength = 0;                 // lrecl; -1: fixed output width computed
  unsigned char excelFormat = 0;
  unsigned char headingCheck = 0;         // heading=: kHeadingMatch, kHeadingNames (CSV loads)
  unsigned char shortOk = 0;
  unsigned char dryRun = 0;               // dryrun: a load's one transaction is rolled back
  unsigned char withTimeOfDay = 0;
  unsigned char asciiBlobs = 0;
  unsigned short defaultBlobSegmentSize = 80;
  short blobStyle = 0;
  const char *blobDir = nullptr;          // blobdir: blob files only from under it
  int blobDirFd = -1;                     // that folder, opened O_PATH
  short defaultDateFormat = 16;
  unsigned char csvMode = 0;              // csv, -k: RFC 4180 records (src/csv)
  const char *nullText = "";              // null=: the unquoted text of NULL in csv

  // Names, files and streams.
  const char *commandFileName = nullptr;  // none: standard input
  const char *dataFileName = nullptr;
  const char *dbName = nullptr;
  const char *userName = nullptr;
  const char *password = nullptr;
  const char *transCharSet = nullptr;
  const char *logFileName = nullptr;
  FILE *logStream = nullptr;
  FILE *discardStream = nullptr;
  FILE *dataStream = nullptr;

  // Counts and limits.
  int maxErrors = 1;
  int maxRows = -1;
  int skipCount = 0;
  int startCount = 0;
  short commitEvery = 5000;
  short batchSize = 0;                    // records per execution; 0: default
  short sqlVariableCount = 0;             // -1: "?", take it from the statement
  short extraFieldCount = 0;
  short fieldCount = 0;
  short blobFieldCount = 0;
  short statementType = -1;
  short outputWidth = 0;

  unsigned char verbose = 0;

  // Buffers, allocated once by the driver.
  char *inputBuffer = nullptr;            // kBufferSize
  char *fieldBuffer = nullptr;            // kBufferSize
  char *parseBuffer = nullptr;            // kParseBufferSize
  char *sqlText = nullptr;                // kBufferSize, replaced by completion
  FieldSpec *fieldTable = nullptr;        // fieldCount entries
  FieldPositions fieldPositions;          // fieldTable by delimited position

  // Scratch shared between modules.
  int keywordNumber = -1;
  const char *currentArgument = nullptr;
  char *blobWorkArea = nullptr;
  struct CsvState *csv = nullptr;         // csv mode's record buffers (src/csv)

  // Counters.
  int recordCount = 0;
  int rejectedCount = 0;
  int shortCount = 0;
  int blobsLoaded = 0;
  int blobsWithoutFile = 0;
  int blobErrorCount = 0;
  int blankLineCount = 0;

  // Database state.
  isc_db_handle databaseHandle = 0;
  isc_tr_handle transactionHandle = 0;
  QueryRecord queryRecord;
  struct tm runStartTime = {};

  // Reporting and recovery: reasons file, refusals, progress, exit status.
  FILE *reasonsStream = nullptr;          // reasons: one line per rejected record
  unsigned char rejectRefusals = 0;       // db_errors=reject
  unsigned char warnExit = 0;             // warn_exit: exit 2 after rejections
  int progressInterval = 0;               // progress: seconds between lines; 0 off
  // The skip a load began with, for the resume line (resume.h); -1: no
  // line is due (no load begun, or a log file took standard error over).
  std::atomic<int> resumeBase{-1};

  // State of the run beside the settings (runstate.h).
  std::vector<int> csvBlobFileFields;     // blobfile marks before the session
  FileNaming fileNaming;                  // keywords of the run's files
  char *ownedPassword = nullptr;          // setPassword's copy, for the wipe
  void (*abortHook)() = nullptr;          // abortRun calls it first (setAbortHook)
  void (*stopHook)() = nullptr;           // a stop by signal calls it first (setStopHook)
};

extern JobSettings job;

// Puts `job` back to its start-up values: the next run's settings and
// counts start from scratch (for tests; the program sets it up once).
// Buffers are not allocated here; earlier ones are simply dropped.
void resetJobSettings();

// Allocates inputBuffer, fieldBuffer, sqlText (kBufferSize each) and
// parseBuffer (kParseBufferSize) with allocZeroed. Each block has at least
// one spare byte past its nominal size for a terminator. Never fails (memory
// exhaustion ends the process).
void allocateJobBuffers();

#endif  // LODRUN_JOB_SETTINGS_H
