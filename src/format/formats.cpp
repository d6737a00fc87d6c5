// formats.cpp - the routine tables of the three record formats.
//
//            read                     convert             rawText          writeRow / writeHeading
//   fixed:   readRecord (lrecl/lines) putFixedRecord      inputBuffer      writeFixedRow / writeExcelHeader
//   delim.:  readRecord (lines/lrecl) putDelimitedRecord  inputBuffer      writeDelimitedRow / writeExcelHeader
//   csv:     readCsvLoadRecord        putCsvRecord        csvRecordText    writeCsvRow / writeCsvHeading
#include "format/formats.h"

#include "csv/csvmode.h"
#include "csv/csvreader.h"
#include "format/csvheading.h"
#include "format/csvload.h"
#include "format/csvwriter.h"
#include "job/settings.h"
#include "load/params.h"
#include "load/reader.h"
#include "unload/unload.h"
#include "unload/writer.h"

namespace {

bool convertFixed(const LoadRecord &record, int expectedFields);
const char *inputBufferText(int *length);
int readCsvLoadRecord(ReadAhead &ahead);

// Fields in the order of RecordFormat: name; read, convert, rawText;
// writeRow, writeHeading; describeColumns; longFields, isoDates, wholeBlobs,
// locatesColumns, checksHeading.
const RecordFormat kFixed = {"fixed",
                             readRecord, convertFixed, inputBufferText,
                             writeFixedRow, writeExcelHeader,
                             nullptr,
                             false, false, false, false, false};

const RecordFormat kDelimited = {"delimited",
                                 readRecord, putDelimitedRecord, inputBufferText,
                                 writeDelimitedRow, writeExcelHeader,
                                 nullptr,
                                 false, false, false, true, false};

const RecordFormat kCsv = {"csv",
                           readCsvLoadRecord, putCsvRecord, csvRecordText,
                           writeCsvRow, writeCsvHeading,
                           describeCsvColumns,
                           true, true, true, false, true};

}  // namespace

const RecordFormat &chooseRecordFormat() {
  const RecordFormat *format = job.csvMode ? &kCsv : job.separator != 0 ? &kDelimited : &kFixed;
  useRecordFormat(format);
  return *format;
}

namespace {

// A fixed record's fields are placed by their offsets, not counted.
bool convertFixed(const LoadRecord &record, int) { return putFixedRecord(record); }

// Fixed and delimited records are what readRecord left in job.inputBuffer,
// `*length` bytes.
const char *inputBufferText(int *) { return job.inputBuffer; }

// A CSV record goes to job.csv (and its first bytes to job.inputBuffer),
// after the steps every record read takes.
int readCsvLoadRecord(ReadAhead &ahead) {
  beginRecordRead(ahead);
  if (!takeCsvHeading()) return 0;
  return readCsvRecord();
}

}  // namespace
