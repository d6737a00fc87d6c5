// discards.h - where rejected records go, for loads and unloads alike: the
// discards file (or standard output), a line of the reasons file, the count
// of rejected records and its limit.
#ifndef LODRUN_REJECTS_DISCARDS_H
#define LODRUN_REJECTS_DISCARDS_H

#include "job/loadrecord.h"

// Writes rejected record `number` (`length` bytes at `text`, then what `rest`
// reads when given) to the discards file (fixed-size records: their
// job.recordLength bytes as read; lines: the text and lineEnd) or, without
// one, the text and lineEnd to standard output, and its line with `reason`
// to the reasons file (reasons.h). Counts it in job.rejectedCount and ends
// the run (abortRunAt the record) when that reaches job.maxErrors, or when
// the write fails.
void writeRejectedRecord(int number, const char *text, int length, RecordRest *rest,
                         const RejectReason &reason);

// Flushes the discards file at the end of a load; a write that fails only
// now ends the run.
void finishDiscards();

#endif  // LODRUN_REJECTS_DISCARDS_H
