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
#include "job/loadrecord.h"

// Opens `path` for writing (created when missing, emptied only by
// truncateOutputFiles once the run's files are checked, fileclash.h) as
// job.reasonsStream, closing an earlier one. Returns false when it cannot be created
// (job.reasonsStream is then none).
bool openReasonsFile(const char *path);

// Notes a fault of the record being converted or executed: SQL variable `sqlField` (0: none),
// its field's `position` in the record (0: none), the message text (its line
// end is dropped) and `valueLength` bytes of the value. The first note
// stands until takeRejectReason takes it.
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

// Takes the note away (not noted: none was), so that the next record starts
// without one; the rejected record carries it from here (loadrecord.h).
RejectReason takeRejectReason();

// Writes the reasons line of rejected record `recordNumber` with `reason`
// (a bare line when it was not noted) and forgets the record's client
// failure. Without a reasons file it only forgets. A failed write ends the
// run (abortRunAt the record).
void writeRejectReason(int recordNumber, const RejectReason &reason);

// Flushes the reasons file at the end of a load; a failed write ends the run.
void finishReasons();

// Appends `length` bytes of text to *out with the escapes of the reasons
// file.
void appendEscaped(std::string *out, const char *text, size_t length);

#endif  // LODRUN_REJECTS_REASONS_H
