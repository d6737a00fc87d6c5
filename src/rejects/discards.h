// discards.h - where rejected records go, for loads and unloads alike: the
// discards file (or standard output), a line of the reasons file, the count
// of rejected records and its limit.
#ifndef LODRUN_REJECTS_DISCARDS_H
#define LODRUN_REJECTS_DISCARDS_H

// Fills buffer (room for `limit` bytes) with the next bytes of a rejected
// line that did not fit its buffer; returns their count, 0 at its end.
using RecordRest = int (*)(char *buffer, int limit);

// Writes the rejected record (`length` bytes at `record`, then what `rest`
// yields when given) to the discards file (fixed-size records: their
// job.recordLength bytes as read; lines: the text and lineEnd) or, without
// one, the text and lineEnd to standard output, and its line to the reasons
// file (reasons.h). Counts it in job.rejectedCount and ends the run
// (abortRun) when that reaches job.maxErrors, or when the write fails.
void writeRejectedRecord(const char *record, int length, RecordRest rest = nullptr);

// Flushes the discards file at the end of a load; a write that fails only
// now ends the run.
void finishDiscards();

#endif  // LODRUN_REJECTS_DISCARDS_H
