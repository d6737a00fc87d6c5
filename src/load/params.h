// params.h - record to parameters: cuts the record (its text in job.inputBuffer) into
// fields and gives every input variable of job.queryRecord its value.
#ifndef LODRUN_LOAD_PARAMS_H
#define LODRUN_LOAD_PARAMS_H

#include "job/loadrecord.h"

// Puts the fields of the delimited `record` (its text in job.inputBuffer): fields
// 1..expectedFields go to the entries at those positions (PutField, or
// loadBlobField for a blob); fields beyond are ignored; missing ones are NULL
// with job.shortOk, else reject the record; generated entries get their
// values last. Adds to job.shortCount for every missing field. Returns true
// when every variable got its value, false when the record is rejected (the
// reason has been reported); every put* function here answers the same way.
// Overwrites job.fieldBuffer. Needs prepareRecordFields. (A CSV record is
// put by putCsvRecord, format/csvload.h.)
bool putDelimitedRecord(const LoadRecord &record, int expectedFields);

// The record ended before field `expected`: the entries of positions
// `position` .. `expected` are counted in job.shortCount and put as NULL with
// job.shortOk; without it the record is rejected (reported). Returns true or
// false as putDelimitedRecord.
bool putMissingFields(int position, int expected);

// Puts the generated values (sysdate, counters) of the entries that no field
// feeds. Returns true or false (reported) as putDelimitedRecord.
bool putUnplacedFields();

// Puts the fields of the fixed-size `record` (job.recordLength bytes, or the
// line that readRecord delivered) in table order, stopping at
// the first failure. A field reaching past the end of a line is cut there
// (empty: NULL); a NUL byte in a field read as characters (any but
// external=int/float) rejects the record as binary data. Returns true or
// false as putDelimitedRecord. An unknown
// externalType ends the run. Overwrites job.fieldBuffer.
bool putFixedRecord(const LoadRecord &record);

// Cuts the next field of a delimited record off the text at *cursor into
// `field` (room for `capacity` bytes, NUL-terminated; longer fields are cut)
// and moves *cursor past it and its separator. A quote at the start opens a
// quoted field and one before a separator or the end closes it; the
// separator ends a field even inside quotes. Backslash escapes give the
// separator (\ then the separator), LF (\n), CR (\r) and tab (\t). Leading
// blanks and '$' are dropped. Returns the field's length.
int extractDelimitedField(const char **cursor, char *field, int capacity, char separator,
                          char quote);

#endif  // LODRUN_LOAD_PARAMS_H
