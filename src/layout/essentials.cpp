// essentials.cpp - the settings a run needs before it opens the database,
// each missing or conflicting one named on standard error.
//
//   settings, the chosen record format --problem--> hint lines (standard error)
#include "layout/essentials.h"

#include "job/hints.h"
#include "job/recordformat.h"
#include "job/settings.h"

namespace {

int problems = 0;

void problem(const char *text) {
  ++problems;
  if (hintsWanted()) hint("%s", text);
}

}  // namespace

int reportMissingEssentials() {
  problems = 0;
  const bool fixed = job.separator == 0;
  const bool input = job.direction == 'i';
  const bool dataAfterCommands = job.dataStream != nullptr;
  if (job.dbName == nullptr || *job.dbName == '\0') problem("no database: give db= or -d");
  if (job.direction != 'i' && job.direction != 'o')
    problem("no direction: give direction=i or direction=o, or -i FILE or -o FILE");
  if (job.sqlVariableCount == 0) problem("no variables count: give variables= or -n");
  if (job.dataFileName == nullptr && !dataAfterCommands)
    problem("no data file: give file=, -i FILE or -o FILE, or the data after STARTDATA");
  if (fixed && job.excelFormat)
    problem("excel needs delimited records: give delimiter= or -c");
  if (job.headingCheck && !recordFormat().checksHeading)
    problem("heading= needs CSV mode: give csv or -k");
  if (job.headingCheck && job.direction == 'o') problem("heading= is for loads only");
  if (fixed && job.sqlVariableCount == -1)
    problem("a variables count of ? needs delimited records: give delimiter= or -c");
  if (input && job.sqlVariableCount == -1)
    problem("a load needs the variables count as a number, not ?");
  if (input && job.extraFieldCount > 0) problem("xtra_fields is for unloads only");
  if (!input && dataAfterCommands)
    problem("an unload writes a file: give file= or -o FILE instead of STARTDATA");
  if (!input && job.extraFieldCount > 0 && job.fieldTable == nullptr)
    problem("xtra_fields without filler= fields: give a filler for each one");
  return problems;
}
