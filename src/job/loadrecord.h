// loadrecord.h - one record of a load as a value: what the loop read, what
// conversion, the batch, execution and the rejects are handed.
//
//   format.read --> job.recordCount, the record's bytes --loop--> LoadRecord
//     --format.convert / submitRecord (stored in the batch) / executeRecord
//     --discardRecord--> discards file, reasons line (number, reason)
#ifndef LODRUN_JOB_LOADRECORD_H
#define LODRUN_JOB_LOADRECORD_H

#include <string>

// The unread rest of a record's line that did not fit its buffer (the
// record reader's, load/reader.h).
class RecordRest {
 public:
  // Fills buffer (room for `limit` bytes) with the next bytes of the line;
  // returns their count, 0 at its end.
  virtual int read(char *buffer, int limit) = 0;

 protected:
  ~RecordRest() = default;
};

// Why a record is rejected, as its first fault was noted
// (rejects/reasons.h): SQL variable (0: the record as a whole), the field's
// place in the record (0: none), the message without its line end, the value
// as read.
struct RejectReason {
  bool noted = false;
  int sqlField = 0;
  int position = 0;
  std::string text;
  std::string value;
};

// A record as the loop read it. `text` is the record as the format's rawText
// gives it (a CSV record as it stands in the file, quotes and all; a fixed or
// delimited one in job.inputBuffer), `length` bytes, valid until the next
// read; a batch keeps a copy of its own. `rest` reads the rest of a line too
// long for the buffer (such a record is rejected whole), or is none.
// `reason` is filled only once the record is rejected.
struct LoadRecord {
  int number = 0;  // job.recordCount when it was read
  const char *text = nullptr;
  int length = 0;
  RecordRest *rest = nullptr;
  RejectReason reason;
};

#endif  // LODRUN_JOB_LOADRECORD_H
