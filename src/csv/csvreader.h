// csvreader.h - the record reader of a CSV load: RFC 4180 records, read
// leniently, of any length up to kMaxCsvRecord.
#ifndef LODRUN_CSV_CSVREADER_H
#define LODRUN_CSV_CSVREADER_H

// Reads the next record from job.dataStream into job.csv: its raw bytes
// (job.csv->raw[recordStart, recordEnd), line end excluded) and its fields
// (job.csv->fields, values with the quotes undone). A field that starts with
// the quote character runs to a quote followed by the separator, the line
// end or the end of the data; a doubled quote inside is one quote; line
// breaks inside quotes are data, so a record may span lines. A quote that is
// never closed cuts the record at its first line end and marks it broken
// (job.csv->brokenRecord; the lines after it are read again as records).
// Passes over the Excel heading, the first job.skipCount records and empty
// lines (those only when records have more than one field). Also copies the
// record, or its first kBufferSize - 1 bytes, into job.inputBuffer with a NUL.
// Returns the length copied there (at least 1, also for an empty one-field
// record) and adds one to job.recordCount; 0 at the end of the data or when
// the record goes beyond job.maxRows. A record longer than kMaxCsvRecord and a read error end the
// run (abortRun).
int readCsvRecord();

// The raw bytes of the record last read, as they stand in the file, and
// their count in *length; valid until the next readCsvRecord.
const char *csvRecordText(int *length);

// Number of fields a record is expected to carry: the highest position of
// an entry bound to an SQL variable. Computed once, after validation.
int expectedCsvFields();

#endif  // LODRUN_CSV_CSVREADER_H
