// validate.cpp - the one-time check of the layout against the prepared
// statement, for loads and unloads.
//
//   settings --csv checks--> openSession --> mapSqlVariable (each variable:
//   type and size from the statement, an entry and a position for it)
//   --format.describeColumns--> entry checks, variable coverage, record bounds
//   --> data file opened
//
// What differs between the record formats (field sizes, default date form,
// blobs, column descriptions) is read from the run's format (recordFormat),
// chosen before validateLayout.
//
// The checks after the mapping report every problem they find before the
// run stops; the session and the mapping stop at the first.
#include "layout/validate.h"

#include <climits>
#include <cstdio>

#include "csv/csvmode.h"
#include "dblib/dbfuncs.h"
#include "job/compressedfile.h"
#include "job/datainput.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/recordformat.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/stdstreams.h"
#include "job/textfile.h"
#include "layout/fieldtable.h"
#include "session/session.h"

namespace {

bool inputDirection() { return job.direction == 'i'; }
bool delimited() { return job.separator != 0; }
bool isGenerated(const FieldSpec &f) {
  return f.format == kFormatSysdate || f.format == kFormatEnum;
}
bool isFiller(const FieldSpec &f) {
  return f.sqlType >= kKindCharFill && f.sqlType <= kKindEnum;
}
int findEntry(int sqlField);
int takeFreeEntry();
short nextFreePosition(int *lastPosition);
void reportNotices(int lastPosition);
bool checkEntries();
bool checkEntry(int index);
bool checkBoundEntry(FieldSpec *f, int number);
bool checkVariablesCovered();
bool checkFixedOutputBounds();
bool checkFixedInputBounds();
void openDataFile();

}  // namespace

void validateLayout() {
  if (checkCsvSettings()) abortRun();
  if (job.recordLength > 0)
    job.outputWidth = job.recordLength;
  else if (!delimited() && !inputDirection())
    job.recordLength = -1;  // the width comes from the fields

  openSession();
  if (job.fieldTable == nullptr) ensureFieldTable();

  int lastPosition = 0;
  for (int k = 1; k <= job.sqlVariableCount; ++k) mapSqlVariable(k, &lastPosition);
  reportNotices(lastPosition);
  const RecordFormat &format = recordFormat();
  if (format.describeColumns != nullptr) format.describeColumns();

  bool failed = checkEntries();
  if (checkVariablesCovered()) failed = true;
  if (!delimited() && !inputDirection() && checkFixedOutputBounds()) failed = true;
  if (!delimited() && inputDirection() && checkFixedInputBounds()) failed = true;
  if (failed) abortRun();

  openDataFile();
}

void mapSqlVariable(int sqlField, int *lastPosition) {
  const bool input = inputDirection();
  short type = 0;
  int result = GetFieldType(sqlField, &job.queryRecord, input, &type);
  if (result != kDbOk) failDblib(result, "GetFieldType", sqlField);
  type = static_cast<short>(type & ~1);
  if (type == kTypeArray) {
    LOCATED_MESSAGE("unsupported Array field for variable %d%s", sqlField, job.lineEnd);
    abortRun();
  }
  int size = 8;
  if (type == kTypeBlob) {
    ++job.blobFieldCount;
  } else {
    result = GetFieldSize(input, &job.queryRecord, sqlField, &size);
    if (result != kDbOk) failDblib(result, "GetFieldSize", sqlField);
    // Some formats (CSV) hold their values in buffers that grow as needed.
    if (size < 1 || (size >= kBufferSize && !recordFormat().longFields)) {
      LOCATED_MESSAGE("size sql field %d invalid (is: %d, max %d)%s", sqlField, size,
                      kBufferSize, job.lineEnd);
      abortRun();
    }
  }

  int index = findEntry(sqlField);
  if (index < 0 && !delimited()) {
    LOCATED_MESSAGE("sql field %s has NO source in file %d%s", job.directionText, sqlField,
                    job.lineEnd);
    abortRun();
  }
  if (index < 0) {
    index = takeFreeEntry();
    if (index < 0) {
      LOCATED_MESSAGE("sql %s field has NO external column possible %d%s", job.directionText,
                      sqlField, job.lineEnd);
      abortRun();
    }
    FieldSpec &automatic = job.fieldTable[index];
    automatic.sqlField = static_cast<short>(sqlField);
    // Some formats' dates (CSV) are ISO 8601 unless their brace group names a
    // dateform.
    automatic.format = type == kTypeTimestamp && !recordFormat().isoDates
                           ? job.defaultDateFormat
                           : static_cast<short>(kFormatDelimitedText);
  }
  FieldSpec &f = job.fieldTable[index];
  // In delimited records a field without `position=` takes the next ordinal
  // left free, whether or not it has a brace group.
  if (delimited() && f.position == 0 && !isGenerated(f))
    f.position = nextFreePosition(lastPosition);

  f.sqlType = type;
  f.sqlSize = static_cast<short>(size);
  if (f.externalType == 0) f.externalType = kExtText;
  if (type == kTypeBlob && f.format == 0)
    f.format = job.asciiBlobs ? kFormatAsciiBlob : kFormatBinaryBlob;
}

namespace {

int findEntry(int sqlField) {
  for (int i = 0; i < job.fieldCount; ++i)
    if (job.fieldTable[i].sqlField == sqlField) return i;
  return -1;
}

// A variable without a brace group never takes another variable's entry, nor
// a filler's: only one that nothing has claimed.
int takeFreeEntry() {
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.format == 0 && f.sqlField == 0 && f.sqlType == 0 && f.position == 0) return i;
  }
  return -1;
}

// The smallest ordinal above *lastPosition that no entry uses.
short nextFreePosition(int *lastPosition) {
  int candidate = *lastPosition + 1;
  for (bool taken = true; taken;) {
    taken = false;
    for (int i = 0; i < job.fieldCount; ++i) {
      if (job.fieldTable[i].position == candidate) {
        taken = true;
        ++candidate;
        break;
      }
    }
  }
  *lastPosition = candidate;
  return static_cast<short>(candidate);
}

void reportNotices(int lastPosition) {
  // Some formats (CSV) carry blobs whole, binary or long.
  if (!inputDirection() && job.blobFieldCount > 0 && !recordFormat().wholeBlobs)
    message(" Warning: binary or long blobs may cause problems%s", job.lineEnd);
  if (job.verbose && delimited() && lastPosition > 0)
    message("  maximum ASSIGNED %s field is %d%s", job.directionText, lastPosition,
            job.lineEnd);
}

bool checkEntries() {
  bool failed = false;
  for (int i = 0; i < job.fieldCount; ++i)
    if (checkEntry(i)) failed = true;
  return failed;
}

// Checks one entry (numbered from 1 in the messages); also grows a computed
// output width. Returns true when something is wrong.
bool checkEntry(int index) {
  FieldSpec &f = job.fieldTable[index];
  const int number = index + 1;
  const char *direction = job.directionText;
  bool failed = false;
  if (job.recordLength == -1 && f.position + f.size > job.outputWidth) {
    // Wider than any record buffer either way; the bounds check refuses it.
    const int width = f.position + f.size;
    job.outputWidth = static_cast<short>(width < SHRT_MAX ? width : SHRT_MAX);
  }
  if (f.sqlType == kKindCharFill && f.blobSegmentSize == 0) {
    LOCATED_MESSAGE("character fill field %d has null fill character%s", number, job.lineEnd);
    failed = true;
  }
  if (f.sqlType == 0) {
    LOCATED_MESSAGE("%s field without sufficient information - index: %d%s", direction,
                    number, job.lineEnd);
    failed = true;
  } else if (f.sqlField > 0 && checkBoundEntry(&f, number)) {
    failed = true;
  }
  if (f.format == 0) {
    LOCATED_MESSAGE("%s field %d has no format%s", direction, number, job.lineEnd);
    failed = true;
  }
  if (f.position != 0 && (f.externalType == 0 || (!delimited() && f.size == 0))) {
    LOCATED_MESSAGE("%s field without sufficient information - index: %d%s", direction,
                    number, job.lineEnd);
    failed = true;
  }
  // A load entry must feed a variable; an unload entry needs a place.
  const bool unanchored = inputDirection() ? f.sqlField == 0 : f.position == 0;
  if (unanchored) {
    LOCATED_MESSAGE("%s field without sufficient information - index: %d%s", direction,
                    number, job.lineEnd);
    failed = true;
  }
  const bool noData = inputDirection() ? f.position == 0 && !isGenerated(f)
                                       : f.sqlField == 0 && !isFiller(f);
  if (noData) {
    LOCATED_MESSAGE("%s field without a data source - index: %d%s", direction, number,
                    job.lineEnd);
    failed = true;
  }
  return failed;
}

// Completes an entry bound to an SQL variable: the run's date format for a
// timestamp without one, the blob defaults and a blob form.
bool checkBoundEntry(FieldSpec *f, int number) {
  bool failed = false;
  if (f->sqlSize == 0) {
    LOCATED_MESSAGE("%s field without sufficient information - index: %d%s",
                    job.directionText, number, job.lineEnd);
    failed = true;
  }
  if (f->sqlType == kTypeTimestamp && f->format == 0) f->format = job.defaultDateFormat;
  if (f->sqlType == kTypeBlob) {
    // A stream form without blob_size keeps 0: its file goes in large segments.
    const bool stream = f->format == kFormatAsciiBlobStream || f->format == kFormatBinaryBlobStream;
    if (f->blobSegmentSize == 0 && !stream)
      f->blobSegmentSize = static_cast<short>(job.defaultBlobSegmentSize);
    if (f->externalType == 0) f->externalType = kExtText;
    if (f->format < kFormatAsciiBlob || f->format > kFormatBinaryBlobStream) {
      if (!recordFormat().wholeBlobs)
        message("blob %s field %d format unknown, set to segmented %s%s", job.directionText,
                number, job.asciiBlobs ? "ascii" : "binary", job.lineEnd);
      f->format = job.asciiBlobs ? kFormatAsciiBlob : kFormatBinaryBlob;
    }
  }
  return failed;
}

bool checkVariablesCovered() {
  for (int k = 1; k <= job.sqlVariableCount; ++k) {
    if (findEntry(k) >= 0) continue;
    LOCATED_MESSAGE("SQL field %d has no %s%s", k, inputDirection() ? "source" : "target",
                    job.lineEnd);
    return true;
  }
  return false;
}

// Fixed output: every field inside the record, the record (and its line end
// when it has no lrecl) inside the record buffer, and no later field starting
// or ending inside an earlier one. A field placed exactly over another is
// allowed: a filler under a column shows where the column is NULL.
bool checkFixedOutputBounds() {
  bool failed = false;
  int furthest = -1;
  int furthestEnd = 0;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.position < 1) continue;  // reported as unplaced already
    const int end = f.position + f.size - 1;
    if (job.recordLength > 0 && end > job.recordLength) {
      LOCATED_MESSAGE("output field %d too big for record%s", i + 1, job.lineEnd);
      failed = true;
    }
    if (end > furthestEnd) {
      furthest = i;
      furthestEnd = end;
    }
    for (int j = i + 1; j < job.fieldCount; ++j) {
      const FieldSpec &g = job.fieldTable[j];
      if (g.position < 1) continue;
      const int gEnd = g.position + g.size - 1;
      if ((f.position < g.position && g.position < end) ||
          (f.position < gEnd && gEnd < end)) {
        LOCATED_MESSAGE("output fields %d and %d overlap%s", i + 1, j + 1, job.lineEnd);
        failed = true;
      }
    }
  }
  if (job.recordLength == -1 && furthest >= 0 &&
      job.outputWidth + job.lineEndLength > kBufferSize) {
    LOCATED_MESSAGE("output field %d too big for record%s", furthest + 1, job.lineEnd);
    failed = true;
  }
  return failed;
}

// Fixed input with lrecl: a field must lie inside the record, or it would
// read bytes that belong to no record.
bool checkFixedInputBounds() {
  if (job.recordLength <= 0) return false;
  bool failed = false;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.position == 0) continue;  // generated
    if (f.position + f.size - 1 > job.recordLength) {
      LOCATED_MESSAGE("input field %d too big for record%s", i + 1, job.lineEnd);
      failed = true;
    }
  }
  return failed;
}

void openDataFile() {
  if (job.dataStream != nullptr) return;  // the data follow STARTDATA
  const bool input = inputDirection();
  const char *mode = input ? "r" : "w";
  FILE *stream = dataOnStandardStreams(job.dataFileName)
                     ? openStandardDataStream(input, job.commandFileName == nullptr)
                     : std::fopen(job.dataFileName, mode);
  if (stream == nullptr) {
    stopIfRequested();  // a FIFO without a writer blocks until a signal
    if (dataOnStandardStreams(job.dataFileName) && input)
      LOCATED_MESSAGE("file=- reads the records from standard input, which holds the commands: "
                      "give the commands with -x%s", job.lineEnd);
    else
      LOCATED_MESSAGE("could not open file <%s> for %s%s", job.dataFileName, job.directionText,
                      job.lineEnd);
    abortRun();
  }
  if (!input)
    job.dataStream = openDataOutput(stream, job.dataFileName);
  else if (beginStreamingInput(stream))
    job.dataStream = stream;  // a pipe or FIFO: read as its data arrive, not decompressed
  else
    job.dataStream =
        skipByteOrderMark(openDataInput(stream, job.dataFileName), job.dataFileName, mode);
}

}  // namespace
