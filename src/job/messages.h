// messages.h - how lodrun talks to its user: message lines, the source
// location prefix, the log file and the settings report.
//
// Every message of job control, layout, load and unload goes to standard
// output (which openLogFile reopens onto the log file); dblib writes to
// messageStream, the same stream. Messages end with job.lineEnd, passed as
// the last "%s" of their format.
#ifndef LODRUN_JOB_MESSAGES_H
#define LODRUN_JOB_MESSAGES_H

// Writes the source-location prefix "%s %d: " (module, line) to standard output.
void printLocation(const char *module, int line);

// Writes a formatted message to standard output.
void message(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Writes the prefix "Lodrun <line>: " and then the formatted message.
void messageAt(int line, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// A located message: LOCATED_MESSAGE("could not open <%s>%s", name, job.lineEnd)
#define LOCATED_MESSAGE(...) messageAt(__LINE__, __VA_ARGS__)

// Sets the log file (switch -s, keyword logfile): standard error and standard
// output are reopened on it in append mode. A path that cannot be opened is
// reported and ignored.
void openLogFile(const char *path);

// The settings report; label "line" or "file", full 1 or 0.
void printSettingsReport(const char *label, int full);

#endif  // LODRUN_JOB_MESSAGES_H
