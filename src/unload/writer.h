// writer.h - the output record writer: one fetched row into one fixed-size
// or delimited record in job.inputBuffer, and the Excel heading.
#ifndef LODRUN_UNLOAD_WRITER_H
#define LODRUN_UNLOAD_WRITER_H

// Value of fieldTable entry `entry` into job.fieldBuffer; returns its length
// (0 for NULL). Ends the run on error.
int getOutputField(int entry);

// true when the record could not be built (the reason has been reported).
bool buildDelimitedRecord();
bool buildFixedRecord();

// Writes the record in job.inputBuffer to the data file, or hands it to
// discardRecord.
void writeRecordLine();

// Builds and writes the heading line of column names.
void writeExcelHeader();

#endif  // LODRUN_UNLOAD_WRITER_H
