// report.cpp - the settings report: the state of JobSettings after the
// switches (label "line") and after the command file (label "file").
#include <cstdio>
#include <cstring>

#include "job/messages.h"
#include "job/settings.h"

namespace {

void printDirectionSettings();
void printLimitsLine();
void printFormatLine();
void printFieldRows();

// printf("%s", nullptr) is undefined; the report shows unset texts this way.
const char *shown(const char *text) { return text != nullptr ? text : "(null)"; }

// Passwords never reach a report or a log file.
const char *shownPassword() {
  return job.password != nullptr ? "********" : "(null)";
}

const char *lineEndStyleName() {
  if (std::strcmp(job.lineEnd, kLineEndUnix) == 0) return "Linux/Unix";
  if (std::strcmp(job.lineEnd, kLineEndMac) == 0) return "MAC";
  return "PC";
}

int characterCode(char c) { return static_cast<unsigned char>(c); }

void printDirectionSettings() {
  const char *end = job.lineEnd;
  if (job.direction == 'o') {
    printLimitsLine();
    message("\t Restart transaction after %d Db writes%s\t Output filename %s%s",
            job.commitEvery, end, shown(job.dataFileName), end);
    printFormatLine();
    message(", output pad: >%c< (%d)%s", job.padChar, characterCode(job.padChar),
            end);
    message("\t Generated fields will use this as a base count: %d%s",
            job.startCount, end);
  } else if (job.direction == 'i') {
    message("\tInput file %s%s", shown(job.dataFileName), end);
    printLimitsLine();
    printFormatLine();
    message(", load short (null field) records: %s%s", job.shortOk ? "yes" : "no",
            end);
    if (job.centurySplit != 0)
      message("\tCentury split set to %hd%s", job.centurySplit, end);
  } else {
    message("DIRECTION of data still unknown%s", end);
  }
}

void printLimitsLine() {
  message("\t ");
  if (job.skipCount > 0) message("Skip: %d, ", job.skipCount);
  if (job.maxRows > 0) message("stop after %d, ", job.maxRows);
  message("maximum error count %d%s", job.maxErrors, job.lineEnd);
}

// No line end: the caller's next print continues the line.
void printFormatLine() {
  message("\t File format is %s", job.separator != 0 ? "data sensitive" : "fixed");
  if (job.recordLength != 0) message(" of size %d", job.recordLength);
}

void printFieldRows() {
  if (job.fieldTable == nullptr) return;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    message(" Field %2d, format %3hd;", i, f.format);
    message(" FIELD position %3hd, size: %3hd, type: %3d;", f.position, f.size,
            f.externalType);
    message(" SQL position %2hd, size %3hd, type %3hd%s", f.sqlField, f.sqlSize,
            f.sqlType, job.lineEnd);
  }
}

}  // namespace

void printSettingsReport(const char *label, int full) {
  const char *end = job.lineEnd;
  message(" After parsing command %s", label);
  if (full == 0) {
    message(", NO option changes%s", end);
  } else {
    message(", variables:%s\tControl file is: %s%s", end,
            job.commandFileName != nullptr ? job.commandFileName : "stdin", end);
    message("\tDbName: %s%s\t Sql %s variables %hd, filler fields %hd, "
            "Default date format %hd%s",
            shown(job.dbName), end, shown(job.directionText), job.sqlVariableCount,
            job.extraFieldCount, job.defaultDateFormat, end);
    if (job.transCharSet != nullptr)
      message("\ttranslation character set: %s%s", job.transCharSet, end);
    if (job.blobFieldCount > 0)
      message("\t %s blobs set, segment size: %hd, type override %hd%s",
              job.asciiBlobs ? "Ascii" : "Binary",
              static_cast<short>(job.defaultBlobSegmentSize), job.blobStyle, end);
    message("\t SQL user: %s/%s, internal query type %hd%s", shown(job.userName),
            shownPassword(), job.statementType, end);
    printDirectionSettings();
    if (job.separator != 0)
      message("\tSeparator character: >%c< (%d)%s", job.separator,
              characterCode(job.separator), end);
    message("\t Excel format %s set, terminator style: %s, %s quote strings, "
            "timestamp %s%s",
            job.excelFormat ? "is" : "not", lineEndStyleName(),
            job.quoteStrings ? "do" : "don't", job.withTimeOfDay ? "on" : "off", end);
    if (job.csvMode)
      message("\t CSV records, quote character >%c<, NULL text >%s<%s", job.quoteChar,
              job.nullText, end);
  }
  printFieldRows();
  message("%s", end);
}
