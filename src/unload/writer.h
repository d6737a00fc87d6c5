// writer.h - the output record writer: one fetched row into one fixed-size
// or delimited record in job.inputBuffer, and the Excel heading.
//
//   column --GetField--> fieldBuffer --build*Record--> inputBuffer
//   blob id --OpenBlob/GetBlobSegment--> fieldBuffer --/      |
//   filler --makeGeneratedValue--> fieldBuffer --/            |
//                      writeRecordLine --fwrite--> data file or discards
#ifndef LODRUN_UNLOAD_WRITER_H
#define LODRUN_UNLOAD_WRITER_H

#include <cstdint>
#include <vector>

#include "dblib/dbfuncs.h"

// How an unload writes a located column's value (writer_columns.cpp).
enum class TextForm : short { kGeneral, kText, kWhole, kScaled, kDate };

struct LocatedColumn {
  FetchedColumn column;
  TextForm form = TextForm::kGeneral;
  short format = 0;
  bool quoted = false;
};

// An unload's output record: the unload loop's own (unloadRows), handed to
// every function here that builds or writes it.
struct OutputRecord {
  // By output position; valid while columnsLocated is set.
  std::vector<LocatedColumn> located;
  bool columnsLocated = false;
  // The entry of each delimited position (-1: none), indexed once: the
  // layout does not change after validation.
  std::vector<int> byPosition;
  // Bytes of the record now in job.inputBuffer as the last build left it: a
  // delimited record with its final separator, a fixed one outputWidth
  // bytes. Valid until the next build or writeExcelHeader.
  int builtLength = 0;
};

// Value of fieldTable entry `entry` (0-based, bound to a column) into
// job.fieldBuffer; returns its length, 0 for NULL or empty text. Text values
// are followed by a NUL. Returns -1 when the record cannot be built (a blob
// longer than the field buffer in delimited output; reported). Every other
// failure is reported and ends the run.
int getOutputField(int entry);

// Build the current row into job.inputBuffer and set out->builtLength.
// Return true when the record was built, false when it failed (reported);
// the buffer then holds the record as far as it was built. Fatal problems
// end the run.
bool buildDelimitedRecord(OutputRecord *out);
bool buildFixedRecord(OutputRecord *out);

// Replaces every carriage return in the `length` bytes of record by byte 2
// and every line feed by byte 1, so that a value holding line breaks stays on
// one line (a load turns them back).
void hideLineBreaks(char *record, int length);

// Writes the record in job.inputBuffer (out.builtLength bytes) with its line
// end to the data file. A delimited record whose separator count is not
// fieldCount, or that does not fit its record length, goes to discardRecord
// instead (which counts it against errors). A write failure ends the run.
void writeRecordLine(const OutputRecord &out);

// Builds and writes the heading line of column names ("filler%d" for
// fillers). A missing position or a failed name lookup ends the run.
void writeExcelHeader(OutputRecord *out);

// Shared by the writer's files.

// Builds the table of entries by output position from the validated layout
// into out->byPosition: entry p - 1 is the first entry whose position is p
// (1 <= p <= fieldCount), or -1 when there is none. The unload builds it
// once, before any record.
void indexOutputPositions(OutputRecord *out);

// The table above (built on first use when the unload has not built it);
// valid while `out` lives.
const int *entriesByPosition(OutputRecord *out);

// Locates the columns of a delimited unload's fields once, after
// indexOutputPositions and before the first row, so that each row's values
// are read where the fetch leaves them. Nothing is located unless the run's
// format locates its columns (recordFormat().locatesColumns: not fixed
// records, not CSV). The locations hold until the query is freed.
void locateOutputColumns(OutputRecord *out);

enum class ColumnAppend { kAppended, kFailed, kNotLocated };
// Appends the value of the column at output position `position` (1-based)
// of the fetched row to the delimited record, as delimitedColumn would from
// getOutputField: kAppended; kFailed when the record is full (reported by
// appendField); kNotLocated, nothing appended, when that field or this value
// takes the general way.
ColumnAppend appendLocatedColumn(OutputRecord *out, int position);

// Appends `length` bytes of value (in quoteChar when quoted) and the
// separator to the delimited record being built. Returns false, having
// reported "output buffer size too small", when the record with its line end
// would no longer fit the record buffer; nothing is copied then.
bool appendField(OutputRecord *out, const char *value, int length, bool quoted);

// Opens the blob whose id column `sqlField` of the fetched row holds and
// returns its length in bytes, its type in *blobType; a failure of either
// call ends the run (failDblib). Close it with closeFetchedBlob.
int64_t openFetchedBlob(int sqlField, short *blobType);
void closeFetchedBlob(int sqlField);

#endif  // LODRUN_UNLOAD_WRITER_H
