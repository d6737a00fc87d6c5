// commandfile.h - the command-file reader: options lines, SQL text,
// STARTDATA, and SQL completion (brace annotations to field specifications).
#ifndef LODRUN_DRIVER_COMMANDFILE_H
#define LODRUN_DRIVER_COMMANDFILE_H

#include <cstdio>

// Reads the command stream (the -x file, or standard input with the prompt
// "Lodrun> " and the commands exit, quit and help), applies its options
// lines, joins its SQL lines into job.sqlText and completes the SQL. Stops
// at STARTDATA (job.dataStream then is the command stream, left open), at
// exit/quit or at the end of the stream. Returns 1 when an options line was
// read, else 0. Every fatal error ends the run through abortRun. On return
// job.sqlText holds the statement to prepare (possibly a new buffer).
int readCommandFile();

// Reads the next non-empty line of `stream` into job.inputBuffer without its
// trailing carriage returns and line feeds. A line longer than the buffer
// arrives in pieces, each a line of its own. Returns the length, or 0 at the
// end of the stream (job.inputBuffer is then empty). A read error is no end:
// "could not read command file <name>: <system message>" and abortRun.
int readLine(FILE *stream);

// Cuts the brace annotations out of job.sqlText, handing each one's text (in
// job.inputBuffer) to parseFieldSpec with the number of the SQL variable it
// follows. Returns 0 on success (job.sqlText then is a new buffer when there
// were braces; the old one is freed), non-zero after a reported error. A '{'
// inside braces ends the run at once. Overwrites job.inputBuffer,
// job.fieldBuffer and job.keywordNumber; may allocate fieldTable.
int completeSql();

#endif  // LODRUN_DRIVER_COMMANDFILE_H
