// loadloop.h - the record loop of a load and the discards.
#ifndef LODRUN_LOAD_LOADLOOP_H
#define LODRUN_LOAD_LOADLOOP_H

// Reads, converts and executes every record; restarts the transaction every
// `trans` records. Returns at the end of the input or the rows limit.
void loadRecords();

// Writes the rejected record (job.inputBuffer, `length` bytes) to the discards
// file or the message stream, counts it, and stops the run at the errors limit.
void discardRecord(int length);

#endif  // LODRUN_LOAD_LOADLOOP_H
