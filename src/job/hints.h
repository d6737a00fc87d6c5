// hints.h - short lines on standard error that tell the user what went wrong
// and what to do next, beside the messages on standard output.
//
// Hints never reach standard output, so logs and captured output keep their
// bytes. When a log file has taken standard error over (openLogFile), the
// hints that nobody asked for are left out, so that the log keeps its bytes
// too.
#ifndef LODRUN_JOB_HINTS_H
#define LODRUN_JOB_HINTS_H

// True when standard error is still the process's own (no log file).
bool hintsWanted();

// Writes "lodrun: <formatted text>\n" to standard error, after flushing
// standard output and taking a progress line off the terminal.
void hint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Writes the interpreted messages of the client failure that is still
// pending (LastClientFailure), one hint line each, when hints are wanted;
// returns the number of lines written.
int hintClientFailure();

// The hints of a fatal stop: the pending client failure's messages, and for
// a load the resume line (resume.h). Called by abortRun before the rollback.
void hintFatalStop();

#endif  // LODRUN_JOB_HINTS_H
