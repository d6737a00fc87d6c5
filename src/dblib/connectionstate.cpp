// connectionstate.cpp - reading from the last client status whether the
// database connection is gone.
//
//   statusVector {isc_arg_gds, code, ...} --any code of a lost connection--> true
#include <ibase.h>

#include "dblib/dbinternal.h"

namespace {

bool meansConnectionLost(ISC_STATUS code) {
  switch (code) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_att_shutdown:
    case isc_shutdown:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool ConnectionLost() {
  // Walk the clusters: each is a type word and its argument(s); a string of
  // isc_arg_cstring has two.
  for (int i = 0; i + 1 < ISC_STATUS_LENGTH && statusVector[i] != isc_arg_end;) {
    const ISC_STATUS type = statusVector[i];
    if (type == isc_arg_gds && meansConnectionLost(statusVector[i + 1])) return true;
    i += type == isc_arg_cstring ? 3 : 2;
  }
  return false;
}
