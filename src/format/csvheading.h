// csvheading.h - heading=match and heading=names: the heading line of a CSV
// load read against the statement's column names (rejects/columnnames.h).
#ifndef LODRUN_FORMAT_CSVHEADING_H
#define LODRUN_FORMAT_CSVHEADING_H

// Reads the heading (readCsvHeading) once, before the first record, when
// job.headingCheck is set. heading=match: the heading's names must be the
// statement's columns, position by position; heading=names: each column
// read from the file takes the field of the heading that names it (the
// positions of the field table are remapped, the index rebuilt, and every
// record expected to carry the heading's count of fields; a field that
// names no column is passed over). A name of the file, blanks around it
// ignored, equals an unquoted column name whatever the case of its ASCII
// letters, a quoted one exactly. A difference, a column the heading lacks,
// a heading that names a column twice, a column without a name (an
// expression, a procedure's argument) or a heading whose quotes go wrong is
// reported and ends the run (abortRun) before any record is loaded.
// Returns false when the data is empty; does nothing (true) without
// heading= or after the first call.
bool takeCsvHeading();

#endif  // LODRUN_FORMAT_CSVHEADING_H
