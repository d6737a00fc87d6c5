// blobload.h - loading a blob column from the file its field names, or from
// the field text itself. Neither function touches job.inputBuffer (the record
// there is still being parsed); the file passes through job.blobWorkArea
// (64 KiB, allocated at the first blob and kept for the run).
#ifndef LODRUN_LOAD_BLOBLOAD_H
#define LODRUN_LOAD_BLOBLOAD_H

// Loads the blob of fieldTable entry `index` (0-based) for input variable
// `variable` (1-based) from the file named in job.fieldBuffer, whose trailing
// blanks are cut off in place. Forms 204/206 write each line of the file
// (line feed included; a line longer than blobSegmentSize - 1 bytes in
// pieces of that size) as segments of its own, at most the run's segment
// size (-b) each; 205/207 write the file in segments of 32 KiB, or of
// blobSegmentSize when the field gives blob_size. 206/207 open the file in
// binary mode, 204/205 in text mode, and every form skips a leading UTF-8
// byte-order mark. A name that cannot be opened (or names a directory) is
// reported and its text loaded instead (blobErrorCount + 1). Returns 0 when
// loaded (blobsLoaded + 1; the variable holds the new, closed blob and is
// not NULL), -1 when the field was empty (blobsWithoutFile + 1, nothing
// created). Every other failure (a dblib error, reported as "creating blob",
// "writing blob segment" or "closing blob"; a read error in the file) is
// reported and ends the run (abortRun).
// With blobdir, the name is resolved under that folder: an absolute name, a
// ".." that climbs out or a symbolic link pointing outside rejects the
// record ("blob file name of record N leaves blobdir <DIR>: NAME", noted for
// the reasons file) and returns kBlobRefused, nothing created.
int loadBlobField(int index, int variable);

// loadBlobField's refusal of a name outside blobdir: the record is rejected
// and reported already.
constexpr int kBlobRefused = -2;

#endif  // LODRUN_LOAD_BLOBLOAD_H
