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
// read, else 0. Every fatal error ends the run through abortRun, a stream of
// more than 1 MiB before STARTDATA among them. Every byte of commands is
// wiped from the stream's buffer before it returns (a password may be there). On return
// job.sqlText holds the statement to prepare (possibly a new buffer).
int readCommandFile();

// Cuts the brace annotations out of job.sqlText, handing each one's text (in
// job.inputBuffer) to parseFieldSpec with the number of the SQL variable it
// follows. Returns 0 on success (job.sqlText then is a new buffer when there
// were braces; the old one is freed), non-zero after a reported error. A '{'
// inside braces ends the run at once. Overwrites job.inputBuffer,
// job.fieldBuffer and job.keywordNumber; may allocate fieldTable.
int completeSql();

#endif  // LODRUN_DRIVER_COMMANDFILE_H
