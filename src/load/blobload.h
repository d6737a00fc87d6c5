// blobload.h - loading a blob column from the file its field names, or from
// the field text itself. Neither function touches job.inputBuffer (the record
// there is still being parsed); lines and blocks pass through job.blobWorkArea
// (4088 bytes, allocated at the first blob and kept for the run).
#ifndef LODRUN_LOAD_BLOBLOAD_H
#define LODRUN_LOAD_BLOBLOAD_H

// Loads the blob of fieldTable entry `index` (0-based) for input variable
// `variable` (1-based) from the file named in job.fieldBuffer, whose trailing
// blanks are cut off in place. Forms 204/206 read the file in lines of at
// most blobSegmentSize - 1 bytes, 205/207 in blocks; 206/207 open the file in
// binary mode, 204/205 in text mode, and every form skips a leading UTF-8
// byte-order mark. A name that cannot be opened (or names a directory) is
// reported and its text loaded instead (blobErrorCount + 1). Returns 0 when
// loaded (blobsLoaded + 1; the variable holds the new, closed blob and is
// not NULL), -1 when the field was empty (blobsWithoutFile + 1, nothing
// created). Every other failure (a dblib error, a read error in the file)
// is reported and ends the run (abortRun).
// With blobdir, the name is resolved under that folder: an absolute name, a
// ".." that climbs out or a symbolic link pointing outside rejects the
// record ("blob file name of record N leaves blobdir <DIR>: NAME", noted for
// the reasons file) and returns kBlobRefused, nothing created.
int loadBlobField(int index, int variable);

// loadBlobField's refusal of a name outside blobdir: the record is rejected
// and reported already.
constexpr int kBlobRefused = -2;

// Writes `length` bytes into the current blob of the entry's variable in
// pieces of the entry's blobSegmentSize; returns only on success (a failure
// is reported as "writing blob segment" and ends the run).
void writeBlobText(int index, const char *data, int length);

#endif  // LODRUN_LOAD_BLOBLOAD_H
