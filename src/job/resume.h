// resume.h - where a stopped load goes on: one line on standard error after
// a fatal stop and after a stop by SIGINT or SIGTERM alike.
//
//   lodrun: N records were committed before the stop; to go on with the
//   next one, run again with skip=M
//
// N counts the records this run committed (commitpoint.h), M the records
// from the data file's first one: the skip the load began with plus N. So a
// run that was itself resumed with skip= names the point to go on from, and
// stop, resume, stop, resume loads every record once.
#ifndef LODRUN_JOB_RESUME_H
#define LODRUN_JOB_RESUME_H

#include <cstddef>

// Call when a load begins reading its records: remembers job.skipCount as
// the skip given, and whether the line is wanted (standard error is the
// process's own, or the progress keyword asks for it in the log; never in a
// dry run, which commits nothing).
void beginResumePoint();

// Restarts the run's transaction (commit retaining); on success the records
// of the commit point count as committed (confirmCommitPoint). Returns
// RestartTransaction's result.
int restartKeepingResumePoint();

// Formats the line, "\n" included, into buffer (NUL-terminated) and returns
// its length; returns 0 and leaves buffer alone when no line is due: no load
// has begun, the line is not wanted, or the run committed nothing and was
// given no skip. Reads only atomics, so the signal watcher may call it too.
int formatResumeLine(char *buffer, size_t size);

// Writes the line when one is due, to standard error, after flushing
// standard output and taking a progress line off the terminal. Main thread.
void reportResumePoint();

#endif  // LODRUN_JOB_RESUME_H
