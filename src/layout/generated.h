// generated.h - the values the program makes itself (sysdate, counters,
// character fills), for load entries and unload fillers alike.
#ifndef LODRUN_LAYOUT_GENERATED_H
#define LODRUN_LAYOUT_GENERATED_H

// Generated value of fieldTable entry `index` (0-based) into job.fieldBuffer
// (NUL-terminated where it is text); *format and *length receive the format
// number and byte length to use with it. A load entry is read by its format
// (202 sysdate, 203 counter) and SQL type, an unload filler by its sqlType (201
// fill, 202, 203) and externalType. Counters are job.startCount +
// job.recordCount; dates are job.runStartTime. Returns 0 or a DblibError
// (kDbCannotFormat: no form for this kind and type; kDbTruncated: a counter
// wider than its field; formatDate's codes).
int makeGeneratedValue(int index, short *format, short *length);

#endif  // LODRUN_LAYOUT_GENERATED_H
