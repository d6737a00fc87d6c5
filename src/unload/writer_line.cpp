// writer_line.cpp - a built record out to the data file, and the heading line.
//
//   inputBuffer --separator count--> + line end (or pad to lrecl)
//               --fwrite--> dataStream
//               \--miscounted, too long, failed--> writeRejectedRecord
//
// A delimited record carries its final separator until here; the line end
// takes its place. Records with an lrecl have no line end.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "rejects/discards.h"
#include "rejects/reasons.h"
#include "unload/writer.h"

namespace {

void writeDelimitedLine(const OutputRecord &out);
void discardDelimited(int length);
void writeFixedLine(const OutputRecord &out);
int countSeparators(const char *record, int length);
bool opensOrClosesQuote(const char *record, int length, int i);
bool addLineEnd(int *length);
void writeBytes(int length);

}  // namespace

void writeRecordLine(const OutputRecord &out) {
  if (job.separator != 0)
    writeDelimitedLine(out);
  else
    writeFixedLine(out);
}

void writeExcelHeader(OutputRecord *out) {
  out->builtLength = 0;
  int fillerNumber = 1;
  char name[48];
  const int *entries = entriesByPosition(out);
  for (int position = 1; position <= job.fieldCount; ++position) {
    const int entry = entries[position - 1];
    if (entry < 0) {
      LOCATED_MESSAGE("spec for output field %d not available%s", position, job.lineEnd);
      abortRun();
    }
    const FieldSpec &spec = job.fieldTable[entry];
    bool quoted = false;
    if (spec.sqlField == 0) {
      std::snprintf(name, sizeof name, "%s%d", "filler", fillerNumber++);
    } else {
      const int code = GetFieldName(spec.sqlField, &job.queryRecord, name);
      if (code != kDbOk) failDblib(code, "GetFieldName", spec.sqlField);
      quoted = job.quoteStrings != 0;
    }
    if (!appendField(out, name, static_cast<int>(strnlen(name, sizeof name)), quoted))
      abortRun();
  }
  writeRecordLine(*out);
}

namespace {

void writeDelimitedLine(const OutputRecord &out) {
  const int count = countSeparators(job.inputBuffer, out.builtLength);
  int length = out.builtLength > 0 ? out.builtLength - 1 : 0;
  if (count != job.fieldCount) {
    LOCATED_MESSAGE("wrong number of separators on delimited output line %d (s.b. %hd, is %d)%s",
                    job.recordCount, job.fieldCount, count, job.lineEnd);
    discardDelimited(length);
    return;
  }
  if (job.recordLength > 0) {
    // Records of lrecl bytes: the fields, then the pad.
    if (length > job.recordLength) {
      LOCATED_MESSAGE("Lodrun: %s size too small for, is %d need %d%s", "record",
                      job.recordLength, length, job.lineEnd);
      discardDelimited(length);
      return;
    }
    std::memset(job.inputBuffer + length, job.padChar,
                static_cast<size_t>(job.recordLength - length));
    length = job.recordLength;
  } else if (!addLineEnd(&length)) {
    writeRejectedRecord(job.recordCount, job.inputBuffer, length, nullptr, takeRejectReason());
    return;
  }
  writeBytes(length);
}

// With an lrecl the discards take records of exactly lrecl bytes (a longer
// one is cut there): a shorter record gets the pad instead of stale bytes.
void discardDelimited(int length) {
  if (job.recordLength > length)
    std::memset(job.inputBuffer + length, job.padChar,
                static_cast<size_t>(job.recordLength - length));
  writeRejectedRecord(job.recordCount, job.inputBuffer, length, nullptr, takeRejectReason());
}

// Layout validation keeps every fixed record and its line end within the
// record buffer; a record that still would not fit cannot be written.
void writeFixedLine(const OutputRecord &out) {
  int length = out.builtLength;
  if (job.recordLength <= 0 && !addLineEnd(&length)) abortRun();
  writeBytes(length);
}

// Separators outside quotes, the final one included. A separator after a
// backslash is data. With quoting, a quote character at the record's start
// or beside a separator opens or closes a quoted value.
int countSeparators(const char *record, int length) {
  const char separator = job.separator;
  int count = 0;
  if (!job.quoteStrings) {
    const char *const end = record + length;
    for (const char *p = record;
         (p = static_cast<const char *>(std::memchr(p, separator, end - p))); ++p)
      if (p == record || p[-1] != '\\') ++count;
    return count;
  }
  bool quoted = false;
  for (int i = 0; i < length; ++i) {
    if (opensOrClosesQuote(record, length, i)) {
      quoted = !quoted;
    } else if (record[i] == separator && !quoted && (i == 0 || record[i - 1] != '\\')) {
      ++count;
    }
  }
  return count;
}

bool opensOrClosesQuote(const char *record, int length, int i) {
  if (record[i] != job.quoteChar) return false;
  return i == 0 || record[i - 1] == job.separator ||
         (i + 1 < length && record[i + 1] == job.separator);
}

// Puts the line end after the `*length` bytes of the record; false, having
// reported it, when the record buffer cannot hold it.
bool addLineEnd(int *length) {
  const int need = *length + job.lineEndLength;
  if (need > kBufferSize) {
    LOCATED_MESSAGE("Lodrun: %s size too small for, is %d need %d%s", "output buffer",
                    kBufferSize, need, job.lineEnd);
    return false;
  }
  std::memcpy(job.inputBuffer + *length, job.lineEnd,
              static_cast<size_t>(job.lineEndLength));
  *length = need;
  return true;
}

void writeBytes(int length) {
  const size_t wanted = static_cast<size_t>(length);
  errno = 0;
  const size_t written = std::fwrite(job.inputBuffer, 1, wanted, job.dataStream);
  if (written == wanted) return;
  stopIfRequested();  // a full FIFO blocks the write until a signal
  if (std::ferror(job.dataStream)) {
    std::perror("Unexpected system error writing output");
  } else {
    LOCATED_MESSAGE("Lodrun: short %s for last %sput (size %d, wanted %d), line count %d%s",
                    "write", "out", static_cast<int>(written), length, job.recordCount,
                    job.lineEnd);
  }
  abortRun();
}

}  // namespace
