// switches.cpp - the command line: one pass over argv, each switch setting
// its JobSettings fields; plus the setters shared with option keywords.
#include "driver/switches.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "csv/csvmode.h"
#include "driver/longwords.h"
#include "job/messages.h"
#include "job/password.h"
#include "job/stdstreams.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

void applySwitch(char letter, int *index, int argc, char **argv);
void setBlobSegmentSize(const char *text);
void setDefaultDateFormat(const char *text);
void setBlobStyle(const char *text);
void setVariableCount(const char *word);

constexpr const char *kUsageLines[] = {
    "Usage: Lodrun loads or unloads fixed-size or delimited file",
    "\t-a <nothing> => Ascii blob segments, LINE oriented (NL,NL/CR,CR; see -l param)",
    "\t-b blob_seg_sz max size of an output blob segment (default 80)",
    "\t-c character_separator (use xNN notation for special chars; e.g. x08 for tab)",
    "\t-d dbName",
    "\t-e <nothing> => I/O file in EXCEL format (ignore first line in or gen. names out)",
    "\t-f external_date_format  (default FmtMDYdate, see dbfuncs for more)",
    "\t-h use hyphen instead of slash for output dates",
    "\t-i input_file_name\t    OR   -o output_file_name",
    "\t-l m/p/u - one char to specify line ending type (Mac, Pc, Unix; default U",
    "\t-m comma separates fractions (yuck!)",
    "\t-n number_of_variables in/out (may be '?' - but escape it so cmd parser ignores)",
    "\t-p password for DB - optional for Unix/Linux (environment variables OK)",
    "\t-q <nothing> => quote strings using double quotes - (use if -c option only)",
    "\t-r overRide blob style (1 - force segmented (default), 2 force stream style)",
    "\t-t character_string from translation character set (must be known to DB)",
    "\t-u username for DB - optional for Unix/Linux (environment variables OK)",
    "\t-v 0/1/2/3 - verbose (0 silent, 1 errors only (default), 2 warnings, 3 prattle)",
    "\t-x filename for control file (if not stdin for commands)",
    "\t-y NN (treat 2 digit dates after this number as prior century)",
    "\t-z load short data records (if too few fields, treat trailing as null)",
    " All above switches are accepted in upper or lower case (MS compatible)",
    " Blobs are supported for input files - where the in-field is the blob file name",
    "     or if the file is not found - the actual text will be loaded into the blog",
    "  N.B. You may only specify one blob_seg_sz or date format here, so all blobs must",
    "   use the same blob-parameters and all dates must use the same style format too",
    "  Do NOT try to load two or more blobs (or dates) of different types in one load.",
    "  But you may use the command file interface (allows features at the field level).",
};


bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Ranges are checked on the whole number before it is narrowed to 16 bits,
// so 65616 is refused as a blob size instead of wrapping round to 80.
void setBlobSegmentSize(const char *text) {
  long value = readDecimal(text);
  if (value < 80 || value > 4088) {
    LOCATED_MESSAGE("ridiculous blob size (%s) - ignored%s", text, job.lineEnd);
    value = 80;
  }
  job.defaultBlobSegmentSize = static_cast<unsigned short>(value);
}

void setDefaultDateFormat(const char *text) {
  long value = readDecimal(text);
  if (value < 11 || value > 17) {
    message("Unsupported format for ASCII dates (%s) - ignored%s", text, job.lineEnd);
    value = 16;
  }
  job.defaultDateFormat = static_cast<short>(value);
}

void setBlobStyle(const char *text) {
  long value = readDecimal(text);
  if (value < 0 || value > 2) {
    message("def_blob_parm value must be in range 0-2 - ignored%s", job.lineEnd);
    value = 0;
  }
  job.blobStyle = static_cast<short>(value);
}

// "?" (or -1) leaves the count to the prepared statement. A count the
// field table cannot hold is refused rather than wrapped into 16 bits.
void setVariableCount(const char *word) {
  if (std::strcmp(word, "?") == 0) {
    job.sqlVariableCount = -1;
    return;
  }
  const long value = readDecimal(word);
  if (value < -1 || value > 4087) {
    LOCATED_MESSAGE("sql variable count unbelievable: %s%s", word, job.lineEnd);
    return;
  }
  job.sqlVariableCount = static_cast<short>(value);
}

void applySwitch(char letter, int *index, int argc, char **argv) {
  // Switches with an argument take the next word; the scan resumes after it.
  auto argument = [&]() -> const char * {
    *index += 1;
    return argumentAt(*index, argc, argv);
  };
  switch (letter) {
    case 'a': job.asciiBlobs = 1; break;
    case 'b': setBlobSegmentSize(argument()); break;
    case 'c': setSeparator(argument(), -1); break;
    case 'd':
      job.dbName = argument();
      job.fileNaming.dbKeyword = "-d";
      break;
    case 'e': job.excelFormat = 1; break;
    case 'f': setDefaultDateFormat(argument()); break;
    case 'h': job.dateSeparator = '-'; break;
    case 'k': enableCsvMode(); break;
    case 'i':
    case 'o':
      setDirection(letter);
      job.dataFileName = argument();
      job.fileNaming.dataKeyword = letter == 'i' ? "-i" : "-o";
      if (dataOnStandardStreams(job.dataFileName)) divertMessagesFromStandardOutput();
      break;
    case 'l': setLineEndStyle(argument()[0]); break;
    case 'm': job.fractComma = 1; break;
    case 'n': setVariableCount(argument()); break;
    case 'p':
      *index += 1;
      requireArgument(*index, argc, argv);
      takePasswordArgument(argv[*index]);
      break;
    case 'q': job.quoteStrings = 1; break;
    case 'r': setBlobStyle(argument()); break;
    case 's': openLogFile(argument(), "-s"); break;
    case 't': job.transCharSet = argument(); break;
    case 'u': job.userName = argument(); break;
    case 'w': readPasswordFile(argument()); break;
    case 'v':
      job.verbose = 1;
      job.statusDumpLevel = 2;
      break;
    case 'x': job.commandFileName = argument(); break;
    case 'y': setCenturySplit(argument()); break;
    case 'z': job.shortOk = 1; break;
    default:
      LOCATED_MESSAGE("switch not understood <%s> - ignored%s", job.currentArgument,
                      job.lineEnd);
      break;
  }
}

}  // namespace

bool parseSwitches(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    const char *word = argv[i];
    job.currentArgument = word;
    if (word[0] == '-' && word[1] == '-' && applyLongWord(word)) return false;
    if (word[0] != '-' || std::strlen(word) != 2) {
      LOCATED_MESSAGE("cannot understand argument <%s> - ignored%s", word,
                      job.lineEnd);
      continue;
    }
    applySwitch(lowered(word[1]), &i, argc, argv);
  }
  return true;
}

void printUsage() {
  for (const char *line : kUsageLines) message("Lodrun %s%s", line, job.lineEnd);
}

const char *argumentAt(int index, int argc, char **argv) {
  requireArgument(index, argc, argv);
  return argv[index];
}

void requireArgument(int index, int argc, char **argv) {
  if (index < argc) return;
  FILE *out = job.messageStream != nullptr ? job.messageStream : stdout;
  std::fprintf(out, "%s: Attempt to use argument %d - past end\r\n", argv[0], index);
  endProcess(1);
}

long readDecimal(const char *text) {
  long value = 0;
  return wholeNumber(std::string_view(text), &value) ? value : kNoNumber;
}

void setDirection(char letter) {
  letter = lowered(letter);
  if (letter != 'i' && letter != 'o') {
    LOCATED_MESSAGE("invalid direction: %c - must be i/o for direction to/from SQL%s",
                    letter, job.lineEnd);
    return;
  }
  if (job.direction != 0 && job.direction != letter)
    message(" Warning: %s already set to %c, setting again%s", "direction",
            job.direction, job.lineEnd);
  job.direction = letter;
  job.directionText = letter == 'o' ? "output" : "input";
}

void setLineEndStyle(char letter) {
  letter = lowered(letter);
  const char *chosen = letter == 'm'   ? kLineEndMac
                       : letter == 'p' ? kLineEndPc
                       : letter == 'u' ? kLineEndUnix
                                       : nullptr;
  if (chosen == nullptr) {
    message("Lodrun: warning unknown OS type: %c (ignored)%s", letter, job.lineEnd);
    return;
  }
  job.lineEnd = chosen;
  job.lineEndLength = static_cast<short>(std::strlen(chosen));
}

void setCenturySplit(const char *text) {
  const long value = readDecimal(text);
  if (value < 1 || value > 99) {
    message(" Invalid year for century split: %s, ignored (range: 1-99)%s", text,
            job.lineEnd);
    return;
  }
  job.centurySplit = static_cast<short>(value);
}

void setSeparator(const char *text, int length) {
  if (length == -1) length = static_cast<int>(std::strlen(text));
  if (length < 1) {
    LOCATED_MESSAGE("No separator supplied after keyword%s", job.lineEnd);
    return;
  }
  if (length > 3) {
    LOCATED_MESSAGE("separator string %s: %s%s", "too long", text, job.lineEnd);
    return;
  }
  if (length == 1) {
    const char c = lowered(text[0]);
    if ((c >= 'a' && c <= 'z') || isDigit(c)) {
      LOCATED_MESSAGE("separator string %s: %s%s", "uses common character", text,
                      job.lineEnd);
      return;
    }
    job.separator = c;
    return;
  }
  if (text[0] == '\\' && (text[1] == 't' || text[1] == 'T')) {
    job.separator = '\t';
    return;
  }
  if ((text[0] == 'x' || text[0] == 'X') && isDigit(text[1]) &&
      (length == 2 || isDigit(text[2]))) {
    int code = 0;
    for (int i = 1; i < length; ++i) code = code * 10 + (text[i] - '0');
    job.separator = static_cast<char>(code % 256);
    return;
  }
  LOCATED_MESSAGE("separator string %s: %s%s", "invalid", text, job.lineEnd);
}
