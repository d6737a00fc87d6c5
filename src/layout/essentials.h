// essentials.h - the settings without which no run can start.
#ifndef LODRUN_LAYOUT_ESSENTIALS_H
#define LODRUN_LAYOUT_ESSENTIALS_H

// Checks the database, direction, variables count and data file, and the
// combinations that cannot work together; for each problem found writes
// one hint line to standard error naming it and the setting that mends it
// (hints.h). Asks the run's record format (chosen before, recordformat.h)
// what it can do. Returns the number of problems; the caller prints the
// usage text and stops the run when it is not 0.
int reportMissingEssentials();

#endif  // LODRUN_LAYOUT_ESSENTIALS_H
