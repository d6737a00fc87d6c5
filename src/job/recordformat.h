// recordformat.h - the record format of a run (fixed, delimited or CSV) as
// one table of routines and properties, chosen once before the layout is
// validated (chooseRecordFormat, format/formats.h). The load and unload loops
// and the layout validation call through it and never ask which format it is.
//
//   load:   data file --read--> record --rawText--> LoadRecord (loadrecord.h)
//                                 LoadRecord --convert--> input XSQLVARs
//   unload: fetched row --writeRow--> data file      [writeHeading: the heading line]
#ifndef LODRUN_JOB_RECORDFORMAT_H
#define LODRUN_JOB_RECORDFORMAT_H

#include "job/loadrecord.h"

struct ReadAhead;     // the record reader's read-ahead (load/reader.h)
struct OutputRecord;  // the unload loop's output record (unload/writer.h)

struct RecordFormat {
  const char *name;  // "fixed", "delimited", "csv"

  // Load. read: the next record, as readRecord answers (its length, 0 at the
  // end of the data), after readRecord's common steps, through the run's
  // read-ahead. rawText: the record
  // as read, the text of its LoadRecord; *length comes in as the length read
  // and is set to the text's length; valid until the next read. convert: the
  // fields of `record` (the one just read) into job.queryRecord's input
  // variables (fields beyond expectedFields ignored); true when every
  // variable got its value, false when the record is rejected (reported).
  int (*read)(ReadAhead &ahead);
  bool (*convert)(const LoadRecord &record, int expectedFields);
  const char *(*rawText)(int *length);

  // Unload. writeRow: the fetched row as one record (a record that cannot be
  // built is reported and counted; at the errors limit the run ends).
  // writeHeading: the heading line (excel).
  void (*writeRow)(OutputRecord *out);
  void (*writeHeading)(OutputRecord *out);

  // Validation and mapping. describeColumns: called once the SQL variables
  // are mapped (may be null).
  void (*describeColumns)();
  // Fields may be longer than the record buffer (values in growing buffers).
  bool longFields;
  // Dates without a dateform are ISO 8601, not job.defaultDateFormat.
  bool isoDates;
  // Blobs travel whole, binary or long: no warning for them, no notice of
  // an unknown blob format.
  bool wholeBlobs;
  // An unload locates its columns in the output record once per run.
  bool locatesColumns;
  // A load's heading line can be checked against the statement (heading=).
  bool checksHeading;
};

// The format the run uses; valid after useRecordFormat, for the whole run.
const RecordFormat &recordFormat();

// Makes `format` the run's format (it must outlive the run).
void useRecordFormat(const RecordFormat *format);

#endif  // LODRUN_JOB_RECORDFORMAT_H
