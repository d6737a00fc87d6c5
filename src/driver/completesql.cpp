// completesql.cpp - SQL completion: brace annotations are cut out of the
// statement and become field specifications of the SQL variable they follow.
//
//   sqlText "insert into t (a {size=3}, b) values (?, ?)"
//     --walk--> new sqlText "insert into t (a, b) values (?, ?)"
//           \--> inputBuffer "size=3" --parseFieldSpec(1)--> fieldTable
#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "dblib/extras.h"
#include "driver/commandfile.h"
#include "driver/options.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/fieldparse.h"
#include "layout/fieldtable.h"

namespace {

// State of one walk over the statement.
struct Completion {
  const char *text = nullptr;  // the annotated statement
  char *out = nullptr;         // the statement without annotations
  int outLength = 0;
  int isInsert = 0;            // column lists of inserts count at depth 1 too
  bool inLiteral = false;
  bool atWordStart = true;
  bool inBraces = false;
  int depth = 0;
  int fieldNumber = 1;
  int braceStart = 0;
  int result = 0;
};

bool isSpace(char c) { return c == ' ' || c == '\t'; }

void closeBraces(Completion *walk, int at);
void copyOrdinary(Completion *walk, int at);
void walkCharacter(Completion *walk, int at);

// The annotation's text goes to the field-specification parser with the
// number of the variable it follows; empty braces describe nothing.
void closeBraces(Completion *walk, int at) {
  walk->inBraces = false;
  int length = at - walk->braceStart;
  if (length <= 0) return;
  if (length > kBufferSize - 1) length = kBufferSize - 1;
  std::memcpy(job.inputBuffer, walk->text + walk->braceStart,
              static_cast<size_t>(length));
  job.inputBuffer[length] = '\0';
  walk->result = parseFieldSpec(walk->fieldNumber) ? 1 : 0;
}

// Outside literals and braces: numbering by commas, "where " and "values ",
// and the white space before an annotation or the end is dropped.
void copyOrdinary(Completion *walk, int at) {
  const char c = walk->text[at];
  if (c == '(') ++walk->depth;
  else if (c == ')' && walk->depth > 0) --walk->depth;
  const bool space = isSpace(c);
  const char next = walk->text[at + 1];
  if (space && (walk->atWordStart || next == '\0' || next == '{')) return;
  if (walk->depth > walk->isInsert) {
    walk->out[walk->outLength++] = c;
    return;
  }
  if (c == ',') ++walk->fieldNumber;
  if (walk->atWordStart) {
    if (hasPrefix("where ", walk->text + at)) ++walk->fieldNumber;
    else if (hasPrefix("values ", walk->text + at)) walk->fieldNumber = 1;
  }
  walk->atWordStart = space;
  walk->out[walk->outLength++] = c;
}

void walkCharacter(Completion *walk, int at) {
  const char c = walk->text[at];
  if (walk->inLiteral) {
    walk->out[walk->outLength++] = c;
    if (c == sqlQuote) walk->inLiteral = false;
  } else if (c == sqlQuote) {
    // Before the brace tests: a quote opens a literal inside braces too.
    walk->out[walk->outLength++] = c;
    walk->inLiteral = true;
  } else if (walk->inBraces) {
    if (c == '{') {
      LOCATED_MESSAGE("invalid sql string - double braces: %s%s", walk->text,
                      job.lineEnd);
      abortRun();
    }
    if (c == '}') closeBraces(walk, at);
  } else if (c == '{') {
    walk->inBraces = true;
    walk->braceStart = at + 1;
  } else {
    copyOrdinary(walk, at);
  }
}

}  // namespace

int completeSql() {
  if (std::strchr(job.sqlText, '{') == nullptr) return 0;
  if (job.sqlVariableCount == 0) {
    LOCATED_MESSAGE("number of sql variables must be known by now, giving up%s",
                    job.lineEnd);
    return 1;
  }
  ensureFieldTable();
  const int length = static_cast<int>(std::strlen(job.sqlText));
  Completion walk;
  walk.text = job.sqlText;
  walk.out = static_cast<char *>(allocZeroed(length + 1, "new sql buffer"));
  walk.isInsert =
      hasPrefix("insert ", walk.text) || hasPrefix("update or insert ", walk.text);
  for (int i = 0; i < length && walk.result == 0; ++i) walkCharacter(&walk, i);
  std::free(job.sqlText);
  job.sqlText = walk.out;
  return walk.result;
}
