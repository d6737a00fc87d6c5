// csvmode.h - CSV mode: its settings, its checks at validation, and the
// run state its reader and writer keep (CsvState, owned by job.csv).
//
// CSV mode is turned on by the option keyword `csv` or the switch -k. It
// implies the comma separator (unless delimiter= or -c gives another), reads
// and writes RFC 4180 records (csvreader.h; format/csvload.h and
// format/csvwriter.h, which need the load's and unload's helpers), keeps
// NULL apart from the empty text (null=) and lifts the 8184-byte record
// limit up to kMaxCsvRecord.
#ifndef LODRUN_CSV_CSVMODE_H
#define LODRUN_CSV_CSVMODE_H

#include <cstddef>
#include <vector>

#include "dblib/dbfuncs.h"

// The longest record CSV mode reads or writes, line end not counted.
constexpr size_t kMaxCsvRecord = size_t{64} << 20;

// One field of the record last read: `length` bytes at `offset` in the
// record's value bytes (quotes undone), a NUL after them.
struct CsvField {
  size_t offset;
  int length;
  bool quoted;
};

// Facts of one SQL variable that the CSV conversions need beyond the field
// table: the described type without its nullable bit, scale and subtype.
struct CsvColumn {
  short type = 0;
  short scale = 0;
  short subtype = 0;
  bool blobFile = false;  // brace word `blobfile`: the field names a file
  // An unload's column as located once (no data: not located); its value
  // is read where every fetch leaves it.
  FetchedColumn fetched;
};

// The run state of CSV mode, allocated by enableCsvMode and kept to the end
// of the process. Its buffers grow to the longest record met (at most
// kMaxCsvRecord and a read block) and are reused for every record.
struct CsvState {
  CsvState() = default;
  CsvState(const CsvState &) = delete;
  CsvState &operator=(const CsvState &) = delete;

  // Reader: raw bytes read ahead from the data file, [begin, end) not yet
  // taken; the record last delivered is raw[recordStart, recordEnd).
  std::vector<char> raw;
  size_t begin = 0;
  size_t end = 0;
  bool endOfData = false;
  size_t recordStart = 0;
  size_t recordEnd = 0;
  // Inside quotes that never close: the quoted text a failed record scan
  // passed reaches raw[quotedUntil] (csvreader.cpp). A later scan that is
  // inside quotes at a line end before it can only fail the same way.
  size_t quotedUntil = 0;
  // Bytes the record scans have examined, re-reads included: the reader
  // stays linear in its input whatever the quoting.
  size_t scannedBytes = 0;
  // The record's fields: their values (quotes undone, each NUL-ended) and
  // where each one lies. brokenRecord: the record is only the first line of
  // what was read, and is rejected whole: a quote that never closes, or
  // (textAfterQuote) a quoted field closed before other text on that line.
  std::vector<char> values;
  std::vector<CsvField> fields;
  bool brokenRecord = false;
  bool textAfterQuote = false;
  int expectedFields = -1;  // computed at the first record (expectedCsvFields)
  bool headingTaken = false;  // heading=: the heading was read (format/csvheading.h)

  // Writer: the record being built, out[0, outLength) (out's size is the
  // room it has grown to), and the blob being read into it.
  std::vector<char> out;
  size_t outLength = 0;
  std::vector<char> blob;

  // Per SQL variable, index sqlField - 1.
  std::vector<CsvColumn> columns;
  bool separatorImplied = false;
};

// Turns CSV mode on (keyword csv, switch -k): job.csvMode, job.csv allocated,
// and the comma as separator when none is set yet.
void enableCsvMode();

// True while the separator is the one CSV mode implied: a delimiter= that
// replaces it is no repeated setting.
bool csvSeparatorImplied();
// The separator was given explicitly.
void clearCsvSeparatorImplied();

// Records that the brace group of `sqlField` carried the word blobfile.
void markBlobFileField(int sqlField);

// Called by validateLayout before the session opens: refuses CSV mode with
// fixed-size records (reported; returns true), and asks dblib to keep the
// output types of the run's statement whose exact values CSV mode writes
// (VARCHAR with its length, DATE apart from TIMESTAMP). Does nothing outside
// CSV mode.
bool checkCsvSettings();

// After the layout is mapped: reads every SQL variable's type, scale and
// subtype into job.csv->columns, and on an unload locates each output
// column. Ends the run on a dblib failure.
void describeCsvColumns();

#endif  // LODRUN_CSV_CSVMODE_H
