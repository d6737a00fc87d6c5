// filler.h - filler fields (extra output fields that belong to no SQL
// variable) and the format/width rule they share with generated values.
#ifndef LODRUN_LAYOUT_FILLER_H
#define LODRUN_LAYOUT_FILLER_H

// Parses one filler option value "start;end;kind;format" and stores it in the
// first free fieldTable entry (sqlField 0, sqlType 201 character fill, 202
// sysdate or 203 enum). Returns true when stored, false on error; every
// error has been reported with the whole value. A value longer than 504
// characters ends the run ("buffer too small for safety", abortRun).
// Overwrites job.parseBuffer (the copy kept for messages); `value` may be
// job.fieldBuffer.
bool parseFiller(const char *value);

// true when `format` cannot be written in `size` bytes of external type
// `externalType` in the run's records (job.separator, job.direction).
// Delimited output, and generated 202/203 values in delimited records, are
// always valid.
bool checkFormatSize(short format, short size, short externalType);

#endif  // LODRUN_LAYOUT_FILLER_H
