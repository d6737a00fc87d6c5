// fieldparse.h - the keyword scanner shared by every keyword=value parser,
// and the parser of one field specification (the text of a brace group).
#ifndef LODRUN_LAYOUT_FIELDPARSE_H
#define LODRUN_LAYOUT_FIELDPARSE_H

// Looks for `keyword` (lower case) as a word of job.inputBuffer: a word
// starts the text or follows a blank or tab, and the keyword matches when
// its letters agree without regard to case and are followed by the end, a
// blank, a tab or '='. Only the first matching word counts; with
// firstWordOnly only the first word of the text is looked at.
// Returns 0 when absent, -1 when present without a value (alone, or "kw="
// with nothing after '='), else the length of the value (the text after '='
// up to the next blank, tab or end).
// Overwrites job.fieldBuffer with the value (empty when there is none) and
// job.keywordNumber with its decimal value when the whole value is digits
// within the range of int, else -1 ("32x", "-5", "1e20"). A match of "filler" replaces
// the first letter of that word in job.inputBuffer by 'X', so that the next
// search finds the next occurrence.
int findKeyword(const char *keyword, bool firstWordOnly);

// Parses the field specification in job.inputBuffer for SQL variable
// `sqlField` (1-based) and stores it in the first free fieldTable entry.
// Returns false when accepted, true on any error; the messages have then been
// written and no entry is stored. Overwrites job.fieldBuffer and
// job.keywordNumber; job.inputBuffer is left as it was.
bool parseFieldSpec(int sqlField);

// Index of the first free fieldTable entry (format and sqlField both 0), or
// -1 when there is none or no table yet.
int firstFreeField();

#endif  // LODRUN_LAYOUT_FIELDPARSE_H
