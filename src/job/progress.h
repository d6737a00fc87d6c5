// progress.h - the progress of a load or an unload on standard error.
//
// On a terminal (standard error still the process's own) one line is
// rewritten a few times a second; with the progress keyword the line is also
// written to a file or pipe, as a new line every job.progressInterval
// seconds. The last line stays. Standard output never sees it.
#ifndef LODRUN_JOB_PROGRESS_H
#define LODRUN_JOB_PROGRESS_H

// Starts the clock of a transfer; `load` is true for a load (records read
// from job.dataStream, whose size gives the percentage when it is a regular
// file).
void startProgress(bool load);

// Counts one record: cheap; now and then it looks at the clock and shows
// the counters of `job` when the line is due.
void tickProgress();

// Shows the final line, `records` read (or rows written), and leaves it
// standing. Safe to call twice, and when no progress is shown.
void finishProgress(int records);

// Takes a rewritten line off the terminal before other output is written
// there; it comes back at the next tick. Does nothing when none is shown.
void clearProgressLine();

// Formats the progress text into buffer (capacity bytes): records (or
// rows), rejected, rate, elapsed and, when total > 0, percentage read and
// time left. Exposed for tests.
void formatProgress(char *buffer, int capacity, bool load, int records, int rejected,
                    double seconds, long long done, long long total);

#endif  // LODRUN_JOB_PROGRESS_H
