// longwords.h - the command-line words that start with "--".
#ifndef LODRUN_DRIVER_LONGWORDS_H
#define LODRUN_DRIVER_LONGWORDS_H

// --help prints the usage text, --version "lodrun <version>"; either returns
// true: the answer is written and the run ends there with status 0 (the
// caller returns, so a harness calling the parser keeps running). Returns
// false for any other word, which the switch parser then reports and
// ignores as before.
bool applyLongWord(const char *word);

#endif  // LODRUN_DRIVER_LONGWORDS_H
