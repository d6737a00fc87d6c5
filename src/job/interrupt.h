// interrupt.h - SIGINT and SIGTERM end a run in an orderly way, within a
// second, whatever the run is waiting on.
//
// The signals are blocked in every thread (the embedded engine's threads
// inherit the mask) and taken by one watcher thread with sigwait, so the
// engine's own handlers never see them. The watcher raises a flag and pokes
// the main thread with a handler-only signal until a blocking open or read
// returns EINTR; the main thread stops at its next check. Should it not get
// there in time, the watcher writes the stop lines itself and ends the
// process: uncommitted work is never committed either way. A commit under
// way is waited for, since the count of the stop line depends on it.
//
// Every stop writes the stop line on standard output and then, for a load,
// the resume line of resume.h on standard error.
#ifndef LODRUN_JOB_INTERRUPT_H
#define LODRUN_JOB_INTERRUPT_H

// Blocks SIGINT and SIGTERM, ignores SIGPIPE (a closed standard output is a
// write error, reported like any other) and starts the watcher thread. Call
// once, first thing in the run, before any other thread exists.
void watchStopSignals();

// True once SIGINT or SIGTERM has arrived.
bool stopRequested();

// When a stop was requested: calls the stop hook (setStopHook), prints
// "Lodrun stopped by <signal>: work since the last commit rolled back, <n>
// records committed" and the resume line, rolls back and detaches the
// database when one is open, closes the log and ends the process with
// status 1. Returns at once otherwise. Main thread only; call it at record
// boundaries, after the final commit, and before reporting a failed open or
// read (which may only be the watcher's poke).
void stopIfRequested();

// Sets the function stopIfRequested calls, once, before its lines: a load
// puts standard output back from holding there. nullptr: none.
void setStopHook(void (*hook)());

#endif  // LODRUN_JOB_INTERRUPT_H
