// params.h - record to parameters: cuts the record in job.inputBuffer into
// fields and gives every input variable its value.
#ifndef LODRUN_LOAD_PARAMS_H
#define LODRUN_LOAD_PARAMS_H

// 0 when every variable got its value, non-zero when the record is rejected.
int putDelimitedRecord(int expectedFields);
int putFixedRecord();

// Generated value of fieldTable entry `index` (0-based) into job.fieldBuffer;
// *format and *length receive its format and length. Returns a DblibError.
int makeGeneratedValue(int index, short *format, short *length);

#endif  // LODRUN_LOAD_PARAMS_H
