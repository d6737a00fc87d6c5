// messages.h - how lodrun talks to its user: message lines, the source
// location prefix, the log file and the settings report.
//
// Every message of job control, layout, load and unload goes to standard
// output (which openLogFile reopens onto the log file); dblib writes to
// messageStream, the same stream. Both go through common/messagesink.h, so
// a load's batch may hold them back. Messages end with job.lineEnd, passed as
// the last "%s" of their format; only the memory, argument and dblib
// messages end with a fixed "\r\n".
#ifndef LODRUN_JOB_MESSAGES_H
#define LODRUN_JOB_MESSAGES_H

// Module name of the location prefix for job control, layout, load, unload.
constexpr const char kModuleName[] = "Lodrun";

// Writes the source-location prefix "%s %d: " (module, line) to standard output.
void printLocation(const char *module, int line);

// Writes a formatted message to standard output.
void message(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Writes the prefix "Lodrun <line>: " and then the formatted message.
void messageAt(int line, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// A located message: LOCATED_MESSAGE("could not open <%s>%s", name, job.lineEnd)
#define LOCATED_MESSAGE(...) messageAt(__LINE__, __VA_ARGS__)

// Sets the log file (switch -s, keyword logfile). Standard error and then
// standard output are reopened on `path` in append-and-read mode, so every
// later message lands at the end of the file; job.logStream and
// job.messageStream become the reopened standard output. When a log was
// already open, " reassigning logfile to <path>" goes into the new one. A
// path that cannot be opened gets " could not open logfile - <path>, ignored"
// and nothing changes. job.logFileName becomes `path` (the pointer is kept,
// so it must live to the end of the run).
// `keyword` ("-s", "logfile=") names it in the message of a file clash
// (fileclash.h), checked before anything is opened.
void openLogFile(const char *path, const char *keyword);

// Writes the settings report to standard output: " After parsing command
// <label>" then, when full is 1, every setting of the run, and always the
// rows of fieldTable and an empty line. label is "line" or "file". An unset
// text prints as "(null)"; a set password as "********".
void printSettingsReport(const char *label, int full);

#endif  // LODRUN_JOB_MESSAGES_H
