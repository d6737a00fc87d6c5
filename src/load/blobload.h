// blobload.h - loading a blob column from the file its field names, or from
// the field text itself.
#ifndef LODRUN_LOAD_BLOBLOAD_H
#define LODRUN_LOAD_BLOBLOAD_H

// Loads the blob of fieldTable entry `index` (0-based) for input variable
// `variable` (1-based) from the file named in job.fieldBuffer. Returns 0
// when loaded, -1 when the field was empty; every other failure ends the run.
int loadBlobField(int index, int variable);

// Writes `length` bytes into the current blob in pieces of the entry's
// segment size; returns only on success.
void writeBlobText(int index, const char *data, int length);

#endif  // LODRUN_LOAD_BLOBLOAD_H
