// session.h - the run's one database session: attach, transaction
// "standard trans", the prepared statement and its fit to the direction.
#ifndef LODRUN_LOAD_SESSION_H
#define LODRUN_LOAD_SESSION_H

// Returns only on success; every failure ends the process.
void openSession();

#endif  // LODRUN_LOAD_SESSION_H
