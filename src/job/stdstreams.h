// stdstreams.h - `file=-`: the records on the standard streams.
//
//   load:   standard input --> the reader (the commands must come from -x or
//           the command line)
//   unload: records --> the process's standard output (kept as a descriptor
//           of its own); fd 1 --> standard error, so every message, the
//           summary and the dblib reports included, lands there
#ifndef LODRUN_JOB_STDSTREAMS_H
#define LODRUN_JOB_STDSTREAMS_H

#include <cstdio>

// True when the data file is named "-".
bool dataOnStandardStreams(const char *dataFileName);

// Call as soon as the data file is named "-", before any message: keeps the
// real standard output for the records and points descriptor 1 (and so every
// later message written to stdout) at standard error. Harmless when called
// again.
void divertMessagesFromStandardOutput();

// The stream the records of a `file=-` run go through: standard input for a
// load (nullptr, after a message, when the commands come from standard input
// too), the kept standard output for an unload (nullptr when it cannot be
// opened).
FILE *openStandardDataStream(bool load, bool commandsOnStandardInput);

// The descriptor the records of an unload to "-" go to; -1 before
// divertMessagesFromStandardOutput.
int standardRecordsDescriptor();

#endif
