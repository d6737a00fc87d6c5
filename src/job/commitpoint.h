// commitpoint.h - what must hold before and after each commit of a run.
//
//   rejected record --writeRejectedRecord--> discards / stdout / log (buffered)
//   commit point: makeRejectsDurable (flush + fdatasync, checked)
//                 --> commit retaining or final commit
//                 --> next record read: confirmCommitPoint
//
// A rejected record reaches stable storage before the commit that keeps its
// neighbours, so a crash can never leave committed rows whose rejects are
// nowhere. The module also keeps the run's one count of the records that
// commits have covered (recordsCommitted): the stop line, the resume line
// and the report of a commit whose outcome is unknown all read it.
#ifndef LODRUN_JOB_COMMITPOINT_H
#define LODRUN_JOB_COMMITPOINT_H

// Call right before every commit. Flushes and fdatasyncs the discards file
// (and any other file of rejects listed beside it in makeRejectsDurable)
// when records were rejected since the last commit point, and flushes standard output (which carries
// rejects when there is no discards file, and may be the log), syncing it
// too when it is a regular file holding new rejects. A failed write or sync
// prints "could not write <what> <name>: <system message>" (on standard
// error when standard output itself failed) and ends the run through
// abortRun, so the commit does not happen. Then marks a commit of records
// up to job.recordCount as in flight.
void makeRejectsDurable();

// The commit marked in flight went through: its records count as committed.
// Called when the run moves on to the next record.
void confirmCommitPoint();

// Records (as counted by job.recordCount) that confirmed commits cover.
int recordsCommitted();

// No commit point yet: the start of a run in a process that has run others
// (resetJobSettings calls it).
void resetCommitPoints();

// True from makeRejectsDurable until the commit is confirmed; then
// commitInFlightUpTo() is the record count it covers. Both may be read from
// any thread.
bool commitInFlight();
int commitInFlightUpTo();

// Call once at the start of a run: at exit, standard output is flushed, and
// when it could not be written and that was not yet reported, standard error
// gets "could not write standard output <name>: <system message> - the run's
// messages [and its N rejected records] are lost", whatever ended the run.
void watchStandardOutput();

// For abortRun: when a commit was in flight and the database connection is
// gone, prints that the outcome of that commit is unknown and which records
// it covered, and returns true (nothing can be rolled back any more);
// otherwise prints nothing and returns false.
bool reportUncertainCommit();

#endif  // LODRUN_JOB_COMMITPOINT_H
