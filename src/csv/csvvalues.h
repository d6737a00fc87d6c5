// csvvalues.h - the value texts of CSV mode that the older formats lack:
// ISO 8601 dates and times read from and written to the database's own
// date words, and FLOAT/DOUBLE as the shortest text that reads back as the
// same number.
//
//   "2009-01-12T14:05:09.1234" --scanIsoDateTime--> ISC_TIMESTAMP
//   ISC_DATE / ISC_TIME / ISC_TIMESTAMP --formatIso*--> "YYYY-MM-DD hh:mm:ss.ffff"
//   double / float --formatShortest*--> "0.1", "-327.7", "1e-07", "1.5e+20"
//
// The database counts days from 17 November 1858 (ISC_DATE) and time in
// 1/10000 seconds from midnight (ISC_TIME). Nothing here keeps state; texts
// go to the caller's buffer.
#ifndef LODRUN_CSV_CSVVALUES_H
#define LODRUN_CSV_CSVVALUES_H

#include <ibase.h>

#include <ctime>

// Room for any text below and its NUL.
constexpr int kCsvValueRoom = 40;

// What a date text held.
enum IsoDateParts : int {
  kIsoDateOnly = 1,  // YYYY-MM-DD
  kIsoTimeOnly = 2,  // hh:mm[:ss[.f]]
  kIsoDateTime = 3,  // both, apart by a blank or 'T'
};

// scanIsoDateTime's answer for a time followed by a zone ("Z", "+hh:mm",
// "-hh:mm"): a well-formed text that no column without a zone can take.
constexpr int kIsoTimeZone = -1;

// Reads `length` bytes (blanks around them allowed) as YYYY-MM-DD,
// hh:mm[:ss[.f]] (1-9 fraction digits) or the two joined by one blank or
// 'T'. A missing date is day 0 (17 November 1858), a missing time midnight.
// Fractions finer than 1/10000 s round half away from zero, carrying into
// the next second, minute and day. Returns 0 with *stamp and *parts set,
// kDbBadDate for a date that is no calendar day of the years 1-9999 (or is
// rounded past 9999-12-31), kDbBadTime for a time outside
// 00:00:00-23:59:59.9999 (a time alone rounded to midnight included),
// kIsoTimeZone for a time with a zone suffix, kDbCannotFormat for any other
// text. *stamp is untouched on failure.
int scanIsoDateTime(const char *text, int length, ISC_TIMESTAMP *stamp, int *parts);

// "YYYY-MM-DD", "hh:mm:ss.ffff" (always four fraction digits) and the two
// apart by a blank, with a NUL, into out (kCsvValueRoom bytes); each returns
// the text's length.
int formatIsoDate(ISC_DATE date, char *out);
int formatIsoTime(ISC_TIME time, char *out);
int formatIsoTimestamp(const ISC_TIMESTAMP &stamp, char *out);

// The date and time as the C library's calendar record (seconds, ..., year
// since 1900; weekday and day of year set), for formatDate.
void timestampToCalendar(const ISC_TIMESTAMP &stamp, struct tm *calendar);

// The fewest significant digits ("%.Ng", N from 15 up to 17 for a double,
// from 6 up to 9 for a float) whose text reads back (strtod, strtof) as the
// very same value; with a NUL into out (kCsvValueRoom bytes). Returns the
// length. Whole numbers below 10^15 come out without point or exponent
// (1e+20 and 1e-07 keep theirs).
int formatShortestDouble(double value, char *out);
int formatShortestFloat(float value, char *out);

#endif  // LODRUN_CSV_CSVVALUES_H
