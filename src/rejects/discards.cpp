// discards.cpp - rejected records: the discards file, standard output
// without one, the reasons line and the count against errors=.
//
//   rejected record (number, text, rest of a long line, reason)
//     --writeRejectedRecord--> discards file | standard output
//                         \--writeRejectReason--> reasons file
#include "rejects/discards.h"

#include <cstdio>

#include "common/messagesink.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "rejects/reasons.h"

namespace {

void writeDiscard(FILE *stream, int number, const char *record, int length, RecordRest *rest);
size_t writeRest(FILE *stream, RecordRest *rest, size_t *total);

}  // namespace

void writeRejectedRecord(int number, const char *text, int length, RecordRest *rest,
                         const RejectReason &reason) {
  if (job.discardStream != nullptr) {
    writeDiscard(job.discardStream, number, text, length, rest);
  } else {
    // Raw record bytes beside the messages, so a NUL inside does not cut it.
    writeMessage(stdout, text, static_cast<size_t>(length));
    size_t total = 0;
    writeRest(stdout, rest, &total);
    message("%s", job.lineEnd);
  }
  writeRejectReason(number, reason);
  ++job.rejectedCount;
  if (job.rejectedCount >= job.maxErrors) abortRunAt(number);
}

namespace {

// Fixed-size records are written as read; a line gets the run's line end.
void writeDiscard(FILE *stream, int number, const char *record, int length, RecordRest *rest) {
  const bool fixedRecords = job.recordLength > 0;
  const size_t wanted = static_cast<size_t>(fixedRecords ? job.recordLength : length);
  size_t written = std::fwrite(record, 1, wanted, stream);
  size_t total = wanted;
  if (!fixedRecords && written == wanted) written += writeRest(stream, rest, &total);
  if (!fixedRecords && written == total) {
    total += static_cast<size_t>(job.lineEndLength);
    written += std::fwrite(job.lineEnd, 1, static_cast<size_t>(job.lineEndLength), stream);
  }
  if (written == total) return;
  if (std::ferror(stream)) {
    flushMessages(stdout);
    std::perror("Unexpected system error writing output");
  } else {
    LOCATED_MESSAGE("Lodrun: short %s for last %sput (size %d, wanted %d), line count %d%s",
                    "discards write", "out", static_cast<int>(written),
                    static_cast<int>(total), number, job.lineEnd);
  }
  abortRunAt(number);
}

// Copies what `rest` yields (nothing without one) to stream; adds the bytes
// to *total and returns how many were written, less at the first failure.
size_t writeRest(FILE *stream, RecordRest *rest, size_t *total) {
  if (rest == nullptr) return 0;
  char piece[8192];
  size_t written = 0;
  for (int n; (n = rest->read(piece, sizeof piece)) > 0;) {
    const size_t count = static_cast<size_t>(n);
    *total += count;
    const size_t done = writeMessage(stream, piece, count);
    written += done;
    if (done < count) break;
  }
  return written;
}

}  // namespace

// The discards are buffered; a write that fails only when they are flushed
// must not pass unnoticed.
void finishDiscards() {
  if (job.discardStream == nullptr) return;
  if (std::fflush(job.discardStream) == 0 && !std::ferror(job.discardStream)) return;
  flushMessages(stdout);
  std::perror("Unexpected system error writing output");
  abortRun();
}
