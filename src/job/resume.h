// resume.h - where a stopped load can go on: the records committed so far,
// told on standard error after a fatal stop.
#ifndef LODRUN_JOB_RESUME_H
#define LODRUN_JOB_RESUME_H

// Restarts the run's transaction (commit retaining); on success records
// job.recordCount as job.committedCount and prepares the hint. Returns
// RestartTransaction's result.
int restartKeepingResumePoint();

// The hint "lodrun: N records were committed ...; ... skip=M\n" for the
// records committed so far (M counts the records skipped this time too),
// or nullptr before the first commit or when no hint is wanted (a log file
// took standard error over and the progress keyword is not given). Valid
// until the next commit.
const char *resumeHint();

#endif  // LODRUN_JOB_RESUME_H
