// commandfile.cpp - the command-file reader.
//
//   command stream --readLine--> inputBuffer --options--> parseOptions
//                                            --SQL line--> sqlText (joined)
//                                            --STARTDATA--> dataStream
//   sqlText --completeSql--> new sqlText + fieldTable entries
#include "driver/commandfile.h"

#include <cerrno>
#include <cstring>

#include "common/text.h"
#include "driver/options.h"
#include "driver/switches.h"
#include "job/interrupt.h"
#include "job/messages.h"
#include "job/password.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/textfile.h"
#include "layout/fieldparse.h"

namespace {

// The commands before STARTDATA are a few lines; a stream this long is no
// command file (lodrun -x /dev/zero would otherwise read for ever).
constexpr long long kCommandStreamLimit = 1 << 20;

// The command stream's stdio buffer: ours, so that the options line with a
// password can be wiped from it once the commands are read.
char streamBuffer[1 << 16];

struct ReaderState {
  FILE *stream = nullptr;
  long long bytesRead = 0;
  bool interactive = false;  // standard input: prompt, exit, quit, help
  int sqlLength = 0;
  bool sqlStarted = false;
  int optionsSeen = 0;
  bool fatal = false;
};

enum class LineAction { Next, Stop };

FILE *openCommandStream();
int readLine(ReaderState *state);
void wipeConsumedCommands(FILE *stream);
void cutComment(char *line);
LineAction handleLine(ReaderState *state);
LineAction handleOptionsLine(ReaderState *state);
bool storeSqlCharacter(ReaderState *state, char c);
bool appendSqlLine(ReaderState *state, const char *line);
int finishCommands(ReaderState *state);
[[noreturn]] void failCommandRead(int error);

FILE *openCommandStream() {
  if (job.commandFileName == nullptr) {
    std::setvbuf(stdin, streamBuffer, _IOFBF, sizeof streamBuffer);
    return stdin;
  }
  FILE *stream = std::fopen(job.commandFileName, "r");
  if (stream == nullptr) {
    stopIfRequested();  // a FIFO without a writer blocks until a signal
    LOCATED_MESSAGE("could not open command file <%s>%s", job.commandFileName,
                    job.lineEnd);
    abortRun();
  }
  std::setvbuf(stream, streamBuffer, _IOFBF, sizeof streamBuffer);
  return skipByteOrderMark(stream, job.commandFileName, "r");
}

// Every byte of the buffer but those the data after STARTDATA still need.
void wipeConsumedCommands(FILE *stream) {
  char *const begin = streamBuffer;
  char *const end = streamBuffer + sizeof streamBuffer;
  if (stream == nullptr) {
    wipeBytes(begin, sizeof streamBuffer);
    return;
  }
#if defined(__GLIBC__)
  // glibc keeps the unread bytes between _IO_read_ptr and _IO_read_end.
  char *const unreadBegin = stream->_IO_read_ptr;
  char *const unreadEnd = stream->_IO_read_end;
  if (stream->_IO_buf_base == begin && unreadBegin >= begin && unreadBegin <= unreadEnd &&
      unreadEnd <= end) {
    wipeBytes(begin, static_cast<size_t>(unreadBegin - begin));
    wipeBytes(unreadEnd, static_cast<size_t>(end - unreadEnd));
  }
#endif
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
  if (state->stream != job.dataStream) {
    std::fclose(state->stream);
    wipeConsumedCommands(nullptr);
  } else {
    wipeConsumedCommands(state->stream);
  }
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
    if (readLine(&state) == 0) break;
    if (handleLine(&state) == LineAction::Stop) break;
  }
  return finishCommands(&state);
}

namespace {

// Reads the next non-empty line of the stream into job.inputBuffer without
// its trailing carriage returns and line feeds; a line longer than the buffer
// arrives in pieces, each a line of its own (a NUL ends a line's text). Returns
// the length, or 0 at the end of the stream (job.inputBuffer is then empty).
// A read error is no end: "could not read command file <name>: <system
// message>" and abortRun; so is a stream longer than kCommandStreamLimit.
int readLine(ReaderState *state) {
  char *buffer = job.inputBuffer;
  FILE *stream = state->stream;
  for (;;) {
    int got = 0;
    int c = 0;
    while (got < kBufferSize - 1 && (c = getc_unlocked(stream)) != EOF) {
      buffer[got++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    state->bytesRead += got;
    if (state->bytesRead > kCommandStreamLimit) {
      LOCATED_MESSAGE("command file <%s> is longer than %lld bytes before STARTDATA%s",
                      job.commandFileName != nullptr ? job.commandFileName : "stdin",
                      kCommandStreamLimit, job.lineEnd);
      abortRun();
    }
    if (got == 0) break;
    buffer[got] = '\0';
    size_t length = std::strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n'))
      buffer[--length] = '\0';
    if (length > 0) return static_cast<int>(length);
  }
  buffer[0] = '\0';
  if (std::ferror(stream)) failCommandRead(errno);
  return 0;
}

}  // namespace

