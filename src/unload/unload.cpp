// unload.cpp - the unload loop: the SELECT's rows, one output record each.
//
//   OpenCursor --> locate columns (OutputRecord, the loop's) --> [format.writeHeading]
//     --> FetchRow --format.writeRow(OutputRecord)--> data file ... until 100 or `rows`
//   --> CloseCursor --> everything written reaches the file
//
//   fixed, delimited: writeFixedRow / writeDelimitedRow --build*Record--> inputBuffer
//                       --writeRecordLine--> data file
//   CSV: writeCsvRow (format/csvwriter.cpp)
#include "unload/unload.h"

#include <cstdio>

#include "dblib/dbfuncs.h"
#include "job/compressedfile.h"
#include "job/interrupt.h"
#include "job/progress.h"
#include "job/recordformat.h"
#include "job/run.h"
#include "job/settings.h"
#include "unload/writer.h"

namespace {

// Records go out through one large buffer: fewer writes, same bytes. The
// data stream keeps using it until the driver closes it, after the loop.
char streamBuffer[1 << 16];

void writeRow(OutputRecord *out, bool delimited);
void flushDataFile();

}  // namespace

void unloadRows() {
  QueryRecord *query = &job.queryRecord;
  int code = OpenCursor(query, &job.transactionHandle);
  if (code != kDbOk) failDblib(code, "open read cursor");
  std::setvbuf(job.dataStream, streamBuffer, _IOFBF, sizeof streamBuffer);
  OutputRecord out;
  indexOutputPositions(&out);
  locateOutputColumns(&out);
  const RecordFormat &format = recordFormat();
  if (job.excelFormat) format.writeHeading(&out);

  startProgress(false);
  // At most `rows` rows are fetched.
  while (job.maxRows <= 0 || job.recordCount < job.maxRows) {
    stopIfRequested();
    code = FetchRow(query);
    if (code == kDbEndOfData) break;
    if (code != kDbOk) failDblib(code, "fetching from cursor");
    if (job.skipCount > 0) job.skipCount = 0;
    ++job.recordCount;
    format.writeRow(&out);
    tickProgress();
  }

  code = CloseCursor(query);
  if (code != kDbOk) failDblib(code, "closing cursor");
  flushDataFile();
  finishProgress(job.recordCount);
}

void writeFixedRow(OutputRecord *out) { writeRow(out, false); }

void writeDelimitedRow(OutputRecord *out) { writeRow(out, true); }

namespace {

// Builds and writes the fetched row. A record that failed counts once
// against errors and, at the limit, stops the run unwritten. Below it the
// record goes on as far as it was built: a delimited one is then short of
// separators and goes to the discards, which count it; one that still
// reaches the file is counted here.
void writeRow(OutputRecord *out, bool delimited) {
  const bool built = delimited ? buildDelimitedRecord(out) : buildFixedRecord(out);
  if (built) {
    writeRecordLine(*out);
    return;
  }
  if (job.rejectedCount + 1 >= job.maxErrors) {
    ++job.rejectedCount;
    abortRun();
  }
  const int rejectedBefore = job.rejectedCount;
  if (delimited && job.recordLength <= 0)
    hideLineBreaks(job.inputBuffer, out->builtLength);  // one discard, one line
  writeRecordLine(*out);
  if (job.rejectedCount == rejectedBefore) ++job.rejectedCount;
}

// The driver only closes the data file: a full disk must show here, while
// the run can still fail.
void flushDataFile() {
  if (finishDataOutput(job.dataStream) == 0) return;
  stopIfRequested();
  std::perror("Unexpected system error writing output");
  abortRun();
}

}  // namespace
