// csvmode.cpp - turning CSV mode on, its checks before the session opens,
// and the facts of every SQL variable that its conversions read.
//
//   csv / -k --> job.csvMode, job.csv, separator ',' (until delimiter= / -c)
//   validateLayout --checkCsvSettings--> refusal of fixed records,
//                                        dblib keeps exact output types
//   after the mapping --describeCsvColumns--> job.csv->columns (output
//                                            columns located)
#include "csv/csvmode.h"

#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

void enableCsvMode() {
  job.csvMode = 1;
  if (job.csv == nullptr) job.csv = new CsvState();  // lives to the end of the run
  if (job.separator == 0) {
    job.separator = ',';
    job.csv->separatorImplied = true;
  }
}

bool csvSeparatorImplied() { return job.csv != nullptr && job.csv->separatorImplied; }

void clearCsvSeparatorImplied() {
  if (job.csv != nullptr) job.csv->separatorImplied = false;
}

// Brace groups are read before the session exists: their blobfile marks wait
// in the settings until describeCsvColumns builds the column table.
void markBlobFileField(int sqlField) { job.csvBlobFileFields.push_back(sqlField); }

bool checkCsvSettings() {
  if (!job.csvMode) return false;
  if (job.recordLength > 0 || job.separator == 0) {
    LOCATED_MESSAGE("csv records have no fixed size: lrecl and fixed-size fields "
                    "cannot be used with csv%s", job.lineEnd);
    return true;
  }
  job.queryRecord.exactOutputTypes = true;  // the run's statement only
  return false;
}

void describeCsvColumns() {
  CsvState &state = *job.csv;
  const bool input = job.direction == 'i';
  const int count = job.sqlVariableCount > 0 ? job.sqlVariableCount : 0;
  state.columns.assign(static_cast<size_t>(count), CsvColumn{});
  for (int k = 1; k <= count; ++k) {
    FieldFacts facts = {};
    const int code = GetFieldFacts(input, &job.queryRecord, k, &facts);
    if (code != kDbOk) failDblib(code, "GetFieldFacts", k);
    CsvColumn &column = state.columns[static_cast<size_t>(k - 1)];
    column.type = facts.type;
    column.scale = facts.scale;
    column.subtype = facts.subtype;
    // A column that cannot be located is read through its number.
    if (!input) LocateOutputColumn(k, &job.queryRecord, &column.fetched);
  }
  for (const int sqlField : job.csvBlobFileFields)
    if (sqlField >= 1 && sqlField <= count)
      state.columns[static_cast<size_t>(sqlField - 1)].blobFile = true;
}
