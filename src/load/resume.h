// resume.h - where a stopped load can go on: the records committed so far,
// told on standard error after a fatal stop or a stop by a signal.
#ifndef LODRUN_LOAD_RESUME_H
#define LODRUN_LOAD_RESUME_H

// Restarts the run's transaction (commit retaining) with SIGINT, SIGTERM and
// SIGHUP held, so that the count the hint gives is never behind the
// database. On success records job.recordCount as job.committedCount and
// prepares the hint; after the first success, one of those signals writes
// the hint before it ends the process as it would have. Returns
// RestartTransaction's result.
int restartKeepingResumePoint();

// The hint "lodrun: N records were committed ...; ... skip=M\n" for the
// records committed so far (M counts the records skipped this time too),
// or nullptr before the first commit or when no hint is wanted (a log file
// took standard error over and the progress keyword is not given). Valid
// until the next commit.
const char *resumeHint();

#endif  // LODRUN_LOAD_RESUME_H
