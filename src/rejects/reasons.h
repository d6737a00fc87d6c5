// reasons.h - why each rejected record was rejected: the reasons file
// (keyword reasons) and the note that the record's first fault leaves.
//
// One line per rejected record, fields separated by tabs, ended by lineEnd:
//   record number, SQL field number (0: the record as a whole), column name
//   (or "position N" when the statement names no column; empty for the
//   record as a whole), the message as printed, the field's value as read.
// Tabs, line breaks, other control bytes and backslashes in the column, the
// message and the value are written as \t, \n, \r, \xHH and \\, so a line
// stays a line of five fields.
#ifndef LODRUN_REJECTS_REASONS_H
#define LODRUN_REJECTS_REASONS_H

#include <string>

#include "dblib/dbfuncs.h"

// Opens `path` for writing (created when missing, emptied only by
// truncateOutputFiles once the run's files are checked, fileclash.h) as
// job.reasonsStream, closing an earlier one. Returns false when it cannot be created
// (job.reasonsStream is then none).
bool openReasonsFile(const char *path);

// Notes a fault of the current record: SQL variable `sqlField` (0: none),
// its field's `position` in the record (0: none), the message text (its line
// end is dropped) and `valueLength` bytes of the value. The first note of a
// record is the one written.
void noteRejectReason(int sqlField, int position, const char *text, const char *value,
                      int valueLength);

// A value of the current record failed the dblib call `operation` with
// `code`: reports it (reportDblibFailure) and notes it as the record's fault
// with `valueLength` bytes of `value`; the record is then rejected.
void rejectDblibValue(int code, const char *operation, int sqlField, int position,
                      const char *value, int valueLength);

// Notes a statement the database refused for the record: the failure's
// interpreted messages, joined by "; ".
void noteRefusalReason(const ClientFailure &failure);

// Prints a located message (as LOCATED_MESSAGE) and notes it as the record's
// fault.
void rejectionMessageAt(int line, int sqlField, int position, const char *value,
                        int valueLength, const char *format, ...)
    __attribute__((format(printf, 6, 7)));
#define REJECTION_MESSAGE(...) rejectionMessageAt(__LINE__, __VA_ARGS__)

// Writes the reasons line of rejected record job.recordCount (a bare line
// when no fault was noted) and forgets the note and the record's client
// failure. Without a reasons file it only forgets. A failed write ends the
// run.
void writeRejectReason();

// Sets the current record's note aside while the records gathered before it
// execute (one of them may be refused and noted), and puts it back after.
void setAsideRejectReason();
void restoreRejectReason();

// Flushes the reasons file at the end of a load; a failed write ends the run.
void finishReasons();

// Appends `length` bytes of text to *out with the escapes of the reasons
// file.
void appendEscaped(std::string *out, const char *text, size_t length);

#endif  // LODRUN_REJECTS_REASONS_H
