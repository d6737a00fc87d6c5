// refusal.cpp - which database failures reject one record and which end
// the run.
//
//   ExecuteQuery kDbSqlError --LastClientFailure--> isRecordRefusal
//     yes (db_errors=reject): ReportDblibError, noteRefusalReason, discardRecord
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

// Failures that mean the session itself is in trouble, wherever they stand
// in the vector.
constexpr ISC_STATUS kSessionCodes[] = {
    isc_network_error, isc_lost_db_connection, isc_conn_lost, isc_shutdown,
    isc_att_shutdown,  isc_bad_db_handle,      isc_io_error,
};

// The SQLCODEs of the same refusals, for a vector whose first code is not
// listed above: -803 duplicate, -530 foreign key, -297 check, -625 not
// null, -836 exception, -802 arithmetic, -413 conversion.
constexpr long kRecordSqlCodes[] = {-803, -530, -297, -625, -836, -802, -413};

template <typename T, size_t N>
bool listed(const T (&list)[N], T value) {
  return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

}  // namespace

bool isRecordRefusal(const ClientFailure &failure) {
  if (failure.codeCount == 0) return false;
  for (int i = 0; i < failure.codeCount; ++i)
    if (listed(kSessionCodes, failure.codes[i])) return false;
  return listed(kRecordCodes, failure.codes[0]) || listed(kRecordSqlCodes, failure.sqlCode);
}

bool rejectRefusedRecord(int result, int length) {
  if (!job.rejectRefusals || result != kDbSqlError) return false;
  const ClientFailure *failure = LastClientFailure();
  if (failure == nullptr || !isRecordRefusal(*failure)) return false;
  reportDblibFailure(result, "execute prepared");
  noteRefusalReason(*failure);
  discardRecord(length);
  return true;
}
