// reasons.cpp - the reasons file: the fault of each rejected record.
//
//   PutField failure / rejection message / refused execute --note*--> pending note
//     --takeRejectReason--> the rejected record's reason (job/loadrecord.h)
//   rejected record --writeRejectReason--> reasons file (one line)
#include "rejects/reasons.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "common/messagesink.h"
#include "dblib/extras.h"
#include "job/fileclash.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "rejects/columnnames.h"

namespace {

// The first fault noted since the last take.
RejectReason pending;

std::string columnOf(int sqlField, int position);
[[noreturn]] void failWrite(int recordNumber);
void noteDblibReason(int code, const char *operation, int sqlField, int position,
                     const char *value, int valueLength);

}  // namespace

bool openReasonsFile(const char *path) {
  if (job.reasonsStream != nullptr) std::fclose(job.reasonsStream);
  // Emptied once every file of the run is known (fileclash.h).
  job.reasonsStream = openOutputUntruncated(path);
  if (job.reasonsStream == nullptr) return false;
  const size_t length = std::strlen(path);
  auto *copy = static_cast<char *>(allocZeroed(static_cast<long>(length) + 1, "reasons"));
  std::memcpy(copy, path, length);
  job.fileNaming.reasonsPath = copy;
  return true;
}

void noteRejectReason(int sqlField, int position, const char *text, const char *value,
                      int valueLength) {
  RejectReason &p = pending;
  if (p.noted) return;
  p.noted = true;
  p.sqlField = sqlField;
  p.position = position;
  size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
  p.text.assign(text, length);
  p.value.assign(value, valueLength > 0 ? static_cast<size_t>(valueLength) : 0);
}

void rejectDblibValue(int code, const char *operation, int sqlField, int position,
                      const char *value, int valueLength) {
  reportDblibFailure(code, operation, sqlField);
  noteDblibReason(code, operation, sqlField, position, value, valueLength);
}

void noteRefusalReason(const ClientFailure &failure) {
  std::string text;
  for (int i = 0; i < failure.messageCount; ++i) {
    if (i > 0) text += "; ";
    text += failure.messages[i];
  }
  noteRejectReason(0, 0, text.c_str(), "", 0);
}

void rejectionMessageAt(int line, int sqlField, int position, const char *value,
                        int valueLength, const char *format, ...) {
  char text[kBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  messageAt(line, "%s", text);
  noteRejectReason(sqlField, position, text, value, valueLength);
}

RejectReason takeRejectReason() {
  RejectReason taken = std::move(pending);
  pending = RejectReason{};
  return taken;
}

void writeRejectReason(int recordNumber, const RejectReason &p) {
  ClearClientFailure();
  if (job.reasonsStream != nullptr) {
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%d\t%d\t", recordNumber,
                  p.noted ? p.sqlField : 0);
    std::string line = numbers;
    if (p.noted) {
      // A quoted name may hold a tab or a line break too.
      const std::string column = columnOf(p.sqlField, p.position);
      appendEscaped(&line, column.data(), column.size());
    }
    line += '\t';
    appendEscaped(&line, p.text.data(), p.text.size());
    line += '\t';
    appendEscaped(&line, p.value.data(), p.value.size());
    line += job.lineEnd;
    if (std::fwrite(line.data(), 1, line.size(), job.reasonsStream) != line.size())
      failWrite(recordNumber);
  }
}

void finishReasons() {
  if (job.reasonsStream == nullptr) return;
  if (std::fflush(job.reasonsStream) != 0 || std::ferror(job.reasonsStream))
    failWrite(job.recordCount);
}

void appendEscaped(std::string *out, const char *text, size_t length) {
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\t': *out += "\\t"; break;
      case '\n': *out += "\\n"; break;
      case '\r': *out += "\\r"; break;
      case '\\': *out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          *out += "\\x";
          *out += kHex[c >> 4];
          *out += kHex[c & 15];
        } else {
          *out += static_cast<char>(c);
        }
    }
  }
}

namespace {

// The column the variable feeds, by the statement's description or else its
// text; an expression feeds none, and then the field's place in the record
// says which one it was.
std::string columnOf(int sqlField, int position) {
  char name[40] = {};
  if (sqlField > 0 && GetInputFieldName(sqlField, &job.queryRecord, name) == kDbOk &&
      name[0] != '\0')
    return name;
  if (sqlField > 0) {
    std::string written = parameterColumnName(job.sqlText, sqlField);
    if (!written.empty()) return written;
  }
  if (position <= 0) return "";
  std::snprintf(name, sizeof name, "position %d", position);
  return name;
}

void failWrite(int recordNumber) {
  flushMessages(stdout);
  std::perror("Unexpected system error writing output");
  abortRunAt(recordNumber);
}

// Notes the fault that ReportDblibError has just printed for `code`, with its
// text.
void noteDblibReason(int code, const char *operation, int sqlField, int position,
                     const char *value, int valueLength) {
  if (pending.noted) return;
  // The text ReportDblibError printed, without its line end.
  char text[300];
  int used = std::snprintf(text, sizeof text, "Got dblib error %d while doing %s", code, operation);
  if (sqlField > 0 && used < static_cast<int>(sizeof text))
    used += std::snprintf(text + used, sizeof text - static_cast<size_t>(used),
                          " with SQL field %d", sqlField);
  if (used < static_cast<int>(sizeof text))
    std::snprintf(text + used, sizeof text - static_cast<size_t>(used), ": %s",
                  DblibErrorText(code));
  noteRejectReason(sqlField, position, text, value, valueLength);
}

}  // namespace
