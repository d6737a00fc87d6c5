// options.h - the keyword options of an options line in the command file.
#ifndef LODRUN_DRIVER_OPTIONS_H
#define LODRUN_DRIVER_OPTIONS_H

// Applies every keyword option of the line in job.inputBuffer, looking for
// the keywords in a fixed order whatever their order in the line, and each
// filler occurrence last, in line order. Returns the number of errors (0:
// the line is accepted); warnings do not count. Overwrites job.fieldBuffer,
// job.keywordNumber and job.parseBuffer, and marks the filler words of
// job.inputBuffer (their first letter becomes 'X'). Text values are copied
// into storage of their own that lives to the end of the run.
short parseOptions();


#endif  // LODRUN_DRIVER_OPTIONS_H
