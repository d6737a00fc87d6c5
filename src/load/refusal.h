// refusal.h - statements the database refuses for one record (db_errors=reject).
//
// A constraint, a unique key, a trigger's exception, a text or number too
// big for its column: Firebird undoes the failed statement alone, the
// transaction goes on, and the record can be rejected like one whose
// conversion failed. Anything else (a lost connection, a shutdown, a lock
// conflict, an unknown failure) stays fatal.
#ifndef LODRUN_LOAD_REFUSAL_H
#define LODRUN_LOAD_REFUSAL_H

#include "dblib/dbfuncs.h"
#include "job/loadrecord.h"

// True when the failure is about the record's data alone: a gds code
// anywhere in its vector (or, without a known one, its SQLCODE) names a
// per-record refusal, and no code speaks of the connection or the database
// going away, of a deadlock or of an update conflict.
bool isRecordRefusal(const ClientFailure &failure);

// For an execute that returned `result` for `record`: with db_errors=reject
// and a per-record refusal, reports it ("Got dblib error ... execute
// prepared"), gives the record the database's messages as its reason and
// hands it to discardRecord, which may end the run at the errors limit;
// returns true. Otherwise returns false and the caller stops the run.
bool rejectRefusedRecord(int result, const LoadRecord &record);

#endif  // LODRUN_LOAD_REFUSAL_H
