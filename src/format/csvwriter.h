// csvwriter.h - the output side of CSV mode: one fetched row as one RFC 4180
// record, and the heading line: the CSV format's writeRow and writeHeading
// (formats.cpp).
#ifndef LODRUN_FORMAT_CSVWRITER_H
#define LODRUN_FORMAT_CSVWRITER_H

struct OutputRecord;  // unload/writer.h: the unload's field order

// Builds the fetched row into job.csv->out and writes it with job.lineEnd.
// Fields in position order, apart by the separator: NULL as the unquoted
// job.nullText; texts (CHAR without its trailing blanks, VARCHAR as stored,
// text blobs) quoted when they hold the separator, the quote character, CR
// or LF, begin or end with a blank, are empty or equal the NULL text (every
// text with job.quoteStrings), quote characters inside doubled; integers
// and scaled numbers exact; FLOAT/DOUBLE as their shortest text that reads
// back the same; DATE, TIME and TIMESTAMP in ISO 8601 (the field's dateform
// when it names one); binary blobs as their bytes, quoted. A record that
// cannot be built (a blob or record beyond kMaxCsvRecord, a filler without
// a value) is reported, not written, and counted against job.maxErrors
// (abortRun at the limit). A failed write or a dblib failure ends the run.
void writeCsvRow(OutputRecord *out);

// Writes the heading: column names (fillers "filler1", ...) quoted only when
// they need it. A failed name lookup or write ends the run.
void writeCsvHeading(OutputRecord *out);

#endif  // LODRUN_FORMAT_CSVWRITER_H
