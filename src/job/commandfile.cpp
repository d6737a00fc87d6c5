// commandfile.cpp - the command-file reader.
//
//   command stream --readLine--> inputBuffer --options--> parseOptions
//                                            --SQL line--> sqlText (joined)
//                                            --STARTDATA--> dataStream
//   sqlText --completeSql--> new sqlText + fieldTable entries
#include "job/commandfile.h"

#include <cerrno>
#include <cstring>

#include "job/interrupt.h"
#include "job/messages.h"
#include "job/options.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/switches.h"
#include "layout/fieldparse.h"

namespace {

struct ReaderState {
  FILE *stream = nullptr;
  bool interactive = false;  // standard input: prompt, exit, quit, help
  int sqlLength = 0;
  bool sqlStarted = false;
  int optionsSeen = 0;
  bool fatal = false;
};

enum class LineAction { Next, Stop };

FILE *openCommandStream();
void cutComment(char *line);
LineAction handleLine(ReaderState *state);
LineAction handleOptionsLine(ReaderState *state);
bool storeSqlCharacter(ReaderState *state, char c);
bool appendSqlLine(ReaderState *state, const char *line);
int finishCommands(ReaderState *state);
bool pushBack(FILE *stream, const unsigned char *bytes, size_t count);
[[noreturn]] void failCommandRead(int error);

FILE *openCommandStream() {
  if (job.commandFileName == nullptr) return stdin;
  FILE *stream = std::fopen(job.commandFileName, "r");
  if (stream == nullptr) {
    stopIfRequested();  // a FIFO without a writer blocks until a signal
    LOCATED_MESSAGE("could not open command file <%s>%s", job.commandFileName,
                    job.lineEnd);
    abortRun();
  }
  return skipByteOrderMark(stream, job.commandFileName, "r");
}

// A '#' right after '=' is a keyword value (delimiter=#), not a comment.
void cutComment(char *line) {
  for (char *p = line; *p != '\0'; ++p) {
    if (*p == '#' && (p == line || p[-1] != '=')) {
      *p = '\0';
      return;
    }
  }
}

LineAction handleOptionsLine(ReaderState *state) {
  if (state->sqlStarted) {
    LOCATED_MESSAGE("options command found in command file after SQL parse started%s",
                    job.lineEnd);
    state->fatal = true;
  }
  if (parseOptions() != 0) state->fatal = true;
  state->optionsSeen = 1;
  return state->fatal ? LineAction::Stop : LineAction::Next;
}

LineAction handleLine(ReaderState *state) {
  char *line = job.inputBuffer;
  cutComment(line);
  if (line[0] == '\0') return LineAction::Next;
  if (state->interactive && std::strlen(line) >= 4) {
    if (hasPrefix("exit", line) || hasPrefix("quit", line)) return LineAction::Stop;
    if (hasPrefix("help", line)) {
      printUsage();
      return LineAction::Next;
    }
  }
  if (findKeyword("startdata", true) != 0) {
    // The rest of the stream is the data; it stays open.
    job.dataStream = state->stream;
    return LineAction::Stop;
  }
  if (findKeyword("options", true) != 0) return handleOptionsLine(state);
  if (!appendSqlLine(state, line)) {
    state->fatal = true;
    return LineAction::Stop;
  }
  return LineAction::Next;
}

// The text holds at most kBufferSize characters (and its terminator in the
// buffer's spare byte); one more is the overflow.
bool storeSqlCharacter(ReaderState *state, char c) {
  if (state->sqlLength >= kBufferSize) {
    LOCATED_MESSAGE("sql string buffer too small, overflowed %d%s", kBufferSize,
                    job.lineEnd);
    return false;
  }
  job.sqlText[state->sqlLength++] = c;
  return true;
}

// Lines join with one space; outside literals leading white space goes and
// every run of blanks and tabs becomes one space. A literal ends with its line.
bool appendSqlLine(ReaderState *state, const char *line) {
  if (!state->sqlStarted) {
    state->sqlStarted = true;
    state->sqlLength = 0;
  } else if (state->sqlLength > 0 && job.sqlText[state->sqlLength - 1] != ' ') {
    if (!storeSqlCharacter(state, ' ')) return false;
  }
  bool inLiteral = false;
  bool afterSpace = true;
  for (const char *p = line; *p != '\0'; ++p) {
    char c = *p;
    if (inLiteral) {
      if (c == sqlQuote) inLiteral = false;
    } else if (c == sqlQuote) {
      inLiteral = true;
    } else if (c == ' ' || c == '\t') {
      if (afterSpace) continue;
      c = ' ';
      afterSpace = true;
    } else {
      afterSpace = false;
    }
    if (!storeSqlCharacter(state, c)) return false;
  }
  return true;
}

int finishCommands(ReaderState *state) {
  if (state->stream != job.dataStream) std::fclose(state->stream);
  if (state->sqlLength == 0) {
    LOCATED_MESSAGE("NO SQL string supplied, there is nothing to do%s", job.lineEnd);
    abortRun();
  }
  job.sqlText[state->sqlLength] = '\0';
  if (job.verbose) message("SQL before parse: >%s<%s", job.sqlText, job.lineEnd);
  const char *before = job.sqlText;
  if (completeSql() != 0) state->fatal = true;
  if (job.sqlText != before && job.verbose)
    message("SQL after parse: >%s<%s", job.sqlText, job.lineEnd);
  if (state->fatal) abortRun();
  return state->optionsSeen;
}

// Returns the `count` bytes of `bytes` to the stream, last first; false when
// the stream refuses one (nothing is then read from it again).
bool pushBack(FILE *stream, const unsigned char *bytes, size_t count) {
  for (size_t i = count; i > 0; --i)
    if (std::ungetc(bytes[i - 1], stream) == EOF) return false;
  return true;
}

// A read that fails is no end of the commands: "-x /tmp" must not read as
// an empty command file.
void failCommandRead(int error) {
  stopIfRequested();
  LOCATED_MESSAGE("could not read command file <%s>: %s%s",
                  job.commandFileName != nullptr ? job.commandFileName : "stdin",
                  std::strerror(error), job.lineEnd);
  abortRun();
}

}  // namespace

int readCommandFile() {
  ReaderState state;
  state.stream = openCommandStream();
  state.interactive = state.stream == stdin;
  for (;;) {
    if (state.interactive) {
      message("Lodrun> ");
      std::fflush(stdout);
    }
    if (readLine(state.stream) == 0) break;
    if (handleLine(&state) == LineAction::Stop) break;
  }
  return finishCommands(&state);
}

int readLine(FILE *stream) {
  char *buffer = job.inputBuffer;
  while (std::fgets(buffer, kBufferSize, stream) != nullptr) {
    size_t length = std::strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n'))
      buffer[--length] = '\0';
    if (length > 0) return static_cast<int>(length);
  }
  buffer[0] = '\0';
  if (std::ferror(stream)) failCommandRead(errno);
  return 0;
}

FILE *skipByteOrderMark(FILE *stream, const char *path, const char *mode) {
  // A local buffer: callers may be in the middle of a record in inputBuffer.
  unsigned char head[3] = {};
  const size_t got = std::fread(head, 1, sizeof head, stream);
  if (got == sizeof head && std::memcmp(head, byteOrderMark, sizeof head) == 0)
    return stream;
  std::clearerr(stream);
  if (std::fseek(stream, 0, SEEK_SET) == 0) return stream;
  // A pipe cannot be rewound, and opening it again would lose what the
  // stream has already buffered: hand the bytes back instead.
  if (pushBack(stream, head, got)) return stream;
  std::fclose(stream);
  FILE *reopened = std::fopen(path, mode);
  if (reopened == nullptr) {
    message("could not re-open a file we just opened - %s%s", path, job.lineEnd);
    abortRun();
  }
  return reopened;
}

int strnicmp(const char *a, const char *b, int n) {
  for (int i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return ca > cb ? 1 : -1;
    if (ca == '\0') return 0;
  }
  return 0;
}

bool hasPrefix(const char *word, const char *text) {
  return strnicmp(word, text, static_cast<int>(std::strlen(word))) == 0;
}
