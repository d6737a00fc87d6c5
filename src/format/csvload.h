// csvload.h - a CSV record (read by readCsvRecord) into the statement's
// input variables: the CSV format's convert (formats.cpp).
#ifndef LODRUN_FORMAT_CSVLOAD_H
#define LODRUN_FORMAT_CSVLOAD_H

#include "job/loadrecord.h"

// Puts the fields of `record` (its fields in job.csv) into the input variables of
// job.queryRecord. A record with more fields than `expectedFields` (the
// highest position), a broken record (a quote never closed, text after a
// closing quote) and a text or number field holding a NUL byte are rejected
// whole. Per field: an unquoted
// field equal to job.nullText is NULL; a quoted empty field is the empty text
// for text columns and NULL for the others; texts keep every byte; numbers,
// dates and booleans may have blanks around them; FLOAT and DOUBLE are read
// exactly (strtof, strtod); dates without a dateform are ISO 8601; blob
// fields hold the blob's content (with the brace word blobfile: the name of
// its file). Missing fields follow the short-record rules, generated values
// come last. Returns true when every variable got its value, false when the
// record is rejected (reported).
bool putCsvRecord(const LoadRecord &record, int expectedFields);

#endif  // LODRUN_FORMAT_CSVLOAD_H
