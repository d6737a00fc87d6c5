// unload.h - the unload loop.
#ifndef LODRUN_UNLOAD_UNLOAD_H
#define LODRUN_UNLOAD_UNLOAD_H

// Opens the cursor, writes the Excel heading, fetches and writes every row
// within the rows limit, closes the cursor. Every failure ends the run.
void unloadRows();

#endif  // LODRUN_UNLOAD_UNLOAD_H
