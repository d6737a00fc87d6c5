// switches.h - the command-line switches and the setters that switches and
// option keywords share.
#ifndef LODRUN_DRIVER_SWITCHES_H
#define LODRUN_DRIVER_SWITCHES_H

#include <climits>

// Examines argv[1] .. argv[argc-1] in order and sets the JobSettings fields
// of each switch. A bad switch or value is reported and ignored (or set to
// its fallback); a switch whose argument is missing ends the process
// (argumentAt). Text arguments are kept as pointers to the argv words.
// Returns false when a word answered and ends the run with status 0
// (--help, --version; the words after it are not examined), true otherwise.
bool parseSwitches(int argc, char **argv);

// Writes the 28 lines of the usage text, each as "Lodrun %s%s" with lineEnd.
void printUsage();

// argv[index] when index < argc; otherwise writes "<argv[0]>: Attempt to use
// argument <index> - past end\r\n" to the message stream and exits with 1.
const char *argumentAt(int index, int argc, char **argv);

// The same check as argumentAt, without returning the word.
void requireArgument(int index, int argc, char **argv);

// What readDecimal returns for a text that is no number.
constexpr long kNoNumber = LONG_MIN;

// The decimal number that is the whole of `text` (optional '-', digits), or
// kNoNumber: "32x", "abc", "1e20" and "" are no numbers, so each setter
// refuses them with its own message, showing the text as written.
long readDecimal(const char *text);

// 'i' or 'o' (either case): sets direction and directionText, warning when a
// different direction was set before. Any other letter is reported; nothing
// changes.
void setDirection(char letter);

// 'm', 'p' or 'u' (either case) selects the "\r", "\r\n" or "\n" line end;
// any other letter gets a warning and nothing changes.
void setLineEndStyle(char letter);

// 1-99 (the whole text) becomes centurySplit; any other text is reported
// as written and ignored.
void setCenturySplit(const char *text);

// Sets the field separator from `text` (`length` bytes, -1: strlen): one
// character that is no letter or digit, "\t" for tab, or x followed by one
// or two decimal digits giving the character code (x0 selects fixed-size
// records). Anything else is reported and changes nothing.
void setSeparator(const char *text, int length);

#endif  // LODRUN_DRIVER_SWITCHES_H
