// reader.h - the input record reader.
#ifndef LODRUN_LOAD_READER_H
#define LODRUN_LOAD_READER_H

// Reads the next record into job.inputBuffer (NUL-terminated). Returns its
// length (> 0), or 0 at the end of the data or at the rows limit. A short
// fixed record or a read error ends the run.
int readRecord();

#endif  // LODRUN_LOAD_READER_H
