// longwords.h - the command-line words that start with "--".
#ifndef LODRUN_DRIVER_LONGWORDS_H
#define LODRUN_DRIVER_LONGWORDS_H

// --help prints the usage text and ends the process with status 0;
// --version prints "lodrun <version>" and ends it with status 0. Returns
// false for any other word, which the switch parser then reports and
// ignores as before.
bool applyLongWord(const char *word);

#endif  // LODRUN_DRIVER_LONGWORDS_H
