// runstate.h - the working state that modules keep from one call to the next
// during a run. JobSettings owns one of each, so that resetJobSettings starts
// the next run with all of it fresh.
#ifndef LODRUN_JOB_RUNSTATE_H
#define LODRUN_JOB_RUNSTATE_H

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "dblib/dbfuncs.h"
#include "job/loadrecord.h"

// The record reader's read-ahead of job.dataStream (load/reader.cpp): one
// getc per byte costs more than the rest of a record's parsing, so lines are
// cut from a block read with fread. A terminal is read byte by byte, a line
// at a time, so that typed records load as they come.
struct ReadAhead {
  bool started = false;  // byteByByte is decided for the run's data stream
  bool byteByByte = false;
  bool lineGoesOn = false;  // the record delivered is only the start of its line
  size_t begin = 0;
  size_t end = 0;
  char block[65536];
};

// The bytes of a delimited record that need a decision
// (load/params_extract.cpp), as strcspn sets: at the start of a field blanks
// and '$' are dropped as well. Built again when the separator or the quote
// changes.
struct DelimiterBytes {
  bool ready = false;
  char separator = 0;
  char quote = 0;
  char leading[8] = {};
  char inside[8] = {};
};

// How an unload writes a located column's value (unload/writer_columns.cpp).
enum class TextForm : short { kGeneral, kText, kWhole, kScaled, kDate };

struct LocatedColumn {
  FetchedColumn column;
  TextForm form = TextForm::kGeneral;
  short format = 0;
  bool quoted = false;
};

// An unload's output record (unload/writer_*.cpp).
struct OutputRecord {
  // By output position; valid while job.columnsLocated is set.
  std::vector<LocatedColumn> located;
  // The entry of each delimited position (-1: none), indexed once: the
  // layout does not change after validation.
  std::vector<int> byPosition;
  // Bytes of the record now in job.inputBuffer as the last build left it: a
  // delimited record with its final separator, a fixed one outputWidth
  // bytes. Valid until the next build or writeExcelHeader.
  int builtLength = 0;
  // Records go out through one large buffer: fewer writes, same bytes.
  char streamBuffer[1 << 16];
};

// The words the files of a run were named by, and how to take back a log
// that turns out to be one of the run's other files (job/fileclash.cpp).
struct FileNaming {
  const char *commandKeyword = "-x";
  const char *dataKeyword = "file=";
  const char *dbKeyword = "db=";
  const char *logKeyword = "logfile=";
  const char *discardsPath = nullptr;
  const char *reasonsPath = nullptr;
  int savedStdout = -1;      // standard output and error before the first log
  int savedStderr = -1;
  long long logSizeAtOpen = 0;
};

// The commit points of a run (job/commitpoint.cpp).
struct CommitPoints {
  // All three are read by the signal watcher's thread as well.
  std::atomic<int> committed{0};
  std::atomic<bool> inFlight{false};  // a commit is on its way
  std::atomic<int> inFlightUpTo{0};   // the records it makes permanent
  // job.rejectedCount at the last commit point: without new rejects there is
  // nothing to sync.
  int rejectsAtLast = 0;
  bool outputFailureReported = false;  // standard output's failure is on stderr
};

// The progress line (job/progress.cpp).
struct ProgressState {
  bool active = false;
  bool terminal = false;
  bool drawn = false;       // a rewritten line is on the terminal now
  bool load = false;
  double interval = 0;
  double started = 0;
  double lastShown = 0;
  long long totalBytes = 0; // 0: no percentage
  int ticks = 0;
};

// The most records one block holds: Firebird 3 allows 256 contexts per
// request, one per statement of the block at least.
constexpr int kMaxBatchSize = 256;

// The records a load gathers for one execution of its block statement
// (load/batch.cpp).
struct Batch {
  QueryRecord block;
  std::string blockText;
  int slots = 1;      // records per execution; 1: record by record
  int inputs = 0;     // input variables of the run's statement
  int gathered = 0;   // records waiting in slots 0 .. gathered-1
  int dirtySlots = 0; // slots that may hold values since they were made NULL
  long heldEnd[kMaxBatchSize] = {};  // end of the output held before slot s
  // Each slot's record, its text in recordText[s], as a re-run hands it on;
  // kept for the run (no allocation per record once they have grown).
  LoadRecord records[kMaxBatchSize];
  std::string recordText[kMaxBatchSize];
};

#endif  // LODRUN_JOB_RUNSTATE_H
