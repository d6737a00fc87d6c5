// csvreader.h - the record reader of a CSV load: RFC 4180 records, read
// leniently, of any length up to kMaxCsvRecord.
#ifndef LODRUN_CSV_CSVREADER_H
#define LODRUN_CSV_CSVREADER_H

// Reads the next record from job.dataStream into job.csv: its raw bytes
// (job.csv->raw[recordStart, recordEnd), line end excluded) and its fields
// (job.csv->fields, values with the quotes undone). A field that starts with
// the quote character runs to its closing quote; a doubled quote inside is
// one quote; line breaks inside quotes are data, so a record may span lines.
// After the closing quote only blanks (space, tab) may come before the
// separator, the line end or the end of the data. A record whose quotes go
// wrong is cut at its first line end and marked broken
// (job.csv->brokenRecord; the lines after it are read again as records):
// text after a closing quote on that line (job.csv->textAfterQuote), or a
// quote that is never closed (nor within kMaxCsvRecord bytes). A quote inside
// an unquoted field is data. Passes over the Excel heading, the first
// job.skipCount records and empty lines (those only when records have more
// than one field). Also copies the record, or its first kBufferSize - 1
// bytes, into job.inputBuffer with a NUL. Returns the length copied there (at
// least 1, also for an empty one-field record) and adds one to
// job.recordCount; 0 at the end of the data or when the record goes beyond
// job.maxRows. A record that is longer than kMaxCsvRecord with its quotes
// closed, or whose first line is, and a read error end the run (abortRun).
// The work is linear in the data whatever the quoting (job.csv->scannedBytes
// counts it).
int readCsvRecord();

// Reads the first record of the data as the heading, into job.csv as
// readCsvRecord does (neither counted nor copied to job.inputBuffer), and
// clears job.excelFormat. False when the data is empty. Called once, before
// the first readCsvRecord.
bool readCsvHeading();

// The raw bytes of the record last read, as they stand in the file, and
// their count in *length; valid until the next readCsvRecord.
const char *csvRecordText(int *length);

// True when bytes already read and not yet taken hold a line end: the next
// record may be there without another read (a quoted line end may deceive;
// then the next read only waits a little early).
bool csvBytesHoldLineEnd();

// Number of fields a record is expected to carry: the highest position of
// an entry bound to an SQL variable. Computed once, after validation.
int expectedCsvFields();

// Sets the number of fields every record is expected to carry (a heading's
// count), in place of the one expectedCsvFields computes.
void expectCsvFields(int count);

#endif  // LODRUN_CSV_CSVREADER_H
