// refusal.cpp - which database failures reject one record and which end
// the run.
//
//   ExecuteQuery kDbSqlError --LastClientFailure--> isRecordRefusal
//     yes (db_errors=reject): ReportDblibError, noteRefusalReason --> the
//          record's reason, discardRecord
//     no: the caller's fatal stop
#include "load/refusal.h"

#include <algorithm>
#include <iterator>

#include "job/run.h"
#include "job/settings.h"
#include "load/loadloop.h"
#include "rejects/reasons.h"

namespace {

// Refusals of one record's values by the engine.
constexpr ISC_STATUS kRecordCodes[] = {
    isc_unique_key_violation,  // primary or unique key constraint
    isc_no_dup,                // unique index
    isc_foreign_key,
    isc_primary_key_ref,
    isc_foreign_key_references_present,
    isc_check_constraint,
    isc_not_valid,             // NOT NULL and domain checks
    isc_not_valid_for,
    isc_not_valid_for_var,
    isc_except,                // exceptions raised by triggers and procedures
    isc_except2,
    isc_integ_fail,            // "action cancelled by trigger"
    isc_arith_except,          // numeric overflow, string truncation
    isc_string_truncation,
    isc_numeric_out_of_range,
    isc_exception_integer_overflow,
    isc_convert_error,
    isc_date_range_exceeded,
    isc_datetime_range_exceeded,
    isc_transliteration_failed,
    isc_malformed_string,
};

// Failures that are not about the record's values: the session in trouble,
// or another transaction in the way. Wherever they stand in the vector,
// the run stops.
constexpr ISC_STATUS kFatalCodes[] = {
    isc_network_error, isc_lost_db_connection, isc_conn_lost,     isc_shutdown,
    isc_att_shutdown,  isc_bad_db_handle,      isc_io_error,      isc_deadlock,
    isc_update_conflict, isc_lock_conflict,    isc_lock_timeout,
};

// The SQLCODEs of the same refusals, for a vector without any code listed
// above: -803 duplicate, -530 foreign key, -297 check, -625 not
// null, -836 exception, -802 arithmetic, -413 conversion.
constexpr long kRecordSqlCodes[] = {-803, -530, -297, -625, -836, -802, -413};

template <typename T, size_t N>
bool listed(const T (&list)[N], T value) {
  return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

}  // namespace

// The engine wraps a refusal in codes of its own ("Dynamic SQL Error", "SQL
// error code = -303") before naming it, so every code counts.
bool isRecordRefusal(const ClientFailure &failure) {
  if (failure.codeCount == 0) return false;
  const ISC_STATUS *const first = failure.codes;
  const ISC_STATUS *const end = failure.codes + failure.codeCount;
  for (const ISC_STATUS *code = first; code != end; ++code)
    if (listed(kFatalCodes, *code)) return false;
  for (const ISC_STATUS *code = first; code != end; ++code)
    if (listed(kRecordCodes, *code)) return true;
  return listed(kRecordSqlCodes, failure.sqlCode);
}

bool rejectRefusedRecord(int result, const LoadRecord &record) {
  if (!job.rejectRefusals || result != kDbSqlError) return false;
  const ClientFailure *failure = LastClientFailure();
  if (failure == nullptr || !isRecordRefusal(*failure)) return false;
  reportDblibFailure(result, "execute prepared");
  noteRefusalReason(*failure);
  LoadRecord refused = record;
  refused.reason = takeRejectReason();
  discardRecord(refused);
  return true;
}
