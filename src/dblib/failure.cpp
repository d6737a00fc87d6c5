// failure.cpp - the last reported client failure, kept past the status
// vector's life; and the input-variable name lookup that failure reports use.
//
//   failed client call --statusVector--> ReportSqlStatus --RememberClientFailure-->
//   ClientFailure (SQLCODE, gds codes, fb_interpret messages) --> LastClientFailure
//
// The status vector is overwritten by the next client call (a rollback, a
// detach), and the strings it points at may go with it; the interpreted
// texts are therefore copied out at once.
#include <algorithm>
#include <cstring>

#include "dblib/dbinternal.h"

namespace {

ClientFailure lastFailure;
bool failurePending = false;

}  // namespace

void RememberClientFailure() {
  ClientFailure &kept = lastFailure;
  kept = ClientFailure{};
  kept.sqlCode = lastSqlCode;
  // The vector is a list of (argument kind, value) pairs up to isc_arg_end;
  // string kinds carry a length as well.
  for (int i = 0; i < ISC_STATUS_LENGTH && statusVector[i] != isc_arg_end;) {
    const ISC_STATUS kind = statusVector[i];
    if (i + 1 >= ISC_STATUS_LENGTH) break;
    if (kind == isc_arg_gds && kept.codeCount < kClientFailureCodes)
      kept.codes[kept.codeCount++] = statusVector[i + 1];
    i += kind == isc_arg_cstring ? 3 : 2;
  }
  const ISC_STATUS *position = statusVector;
  while (kept.messageCount < kClientFailureMessages &&
         fb_interpret(kept.messages[kept.messageCount], kClientFailureMessageSize,
                      &position) > 0)
    ++kept.messageCount;
  failurePending = true;
}

const ClientFailure *LastClientFailure() { return failurePending ? &lastFailure : nullptr; }

void ClearClientFailure() { failurePending = false; }

int GetInputFieldName(int column, QueryRecord *query, char *destination) {
  destination[0] = '\0';
  const int found = FindVariable(column, query, true);
  if (found != kDbOk) return found;
  const XSQLVAR *variable = currentVariable;
  const int length = std::clamp<int>(variable->sqlname_length, 0,
                                     static_cast<int>(sizeof variable->sqlname));
  std::memcpy(destination, variable->sqlname, static_cast<size_t>(length));
  destination[length] = '\0';
  return kDbOk;
}
