// csvheading.cpp - the heading of a CSV load checked against, or mapped to,
// the statement's columns.
//
//   first record --readCsvHeading--> job.csv->fields (the heading's names)
//   statement text --parameterColumnName--> the name of each column read
//   match: name at position p == column at position p, for every p
//   names: column's entry.position := the heading position of its name
//          --prepareRecordFields, expectCsvFields--> the records' layout
#include "format/csvheading.h"

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "csv/csvmode.h"
#include "csv/csvreader.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "layout/fieldtable.h"
#include "rejects/columnnames.h"

namespace {

// A column read from the file: its field table entry and its name as the
// statement writes it.
struct NamedColumn {
  int entry;
  std::string name;
};

const char *keywordText() { return job.headingCheck == kHeadingMatch ? "match" : "names"; }

[[noreturn]] void stop(const std::string &text) {
  message("heading=%s: %s%s", keywordText(), text.c_str(), job.lineEnd);
  abortRun();
}

std::vector<std::string_view> headingNames() {
  const CsvState &state = *job.csv;
  std::vector<std::string_view> names;
  for (const CsvField &field : state.fields) {
    std::string_view name(state.values.data() + field.offset, static_cast<size_t>(field.length));
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    names.push_back(name);
  }
  return names;
}

bool isQuoted(const std::string &name) {
  return name.size() >= 2 && name.front() == '"' && name.back() == '"';
}

// The name without the statement's quotes ("" inside them is one quote).
std::string bareName(const std::string &name) {
  if (!isQuoted(name)) return name;
  std::string bare;
  for (size_t i = 1; i + 1 < name.size(); ++i) {
    bare += name[i];
    if (name[i] == '"' && name[i + 1] == '"') ++i;
  }
  return bare;
}

// Firebird's rule for identifiers: unquoted, ASCII letters in either case
// are the same; quoted, the name is exactly what stands between the quotes.
bool sameName(std::string_view fileName, const std::string &columnName) {
  const std::string bare = bareName(columnName);
  if (isQuoted(columnName)) return fileName == bare;
  if (fileName.size() != bare.size()) return false;
  for (size_t i = 0; i < bare.size(); ++i)
    if (lowered(fileName[i]) != lowered(bare[i])) return false;
  return true;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Every entry bound to an SQL variable and read from the file, in table
// order, with its column's name; a parameter without one ends the run.
std::vector<NamedColumn> namedColumns() {
  std::vector<NamedColumn> columns;
  for (int i = 0; i < job.fieldCount; ++i) {
    const FieldSpec &f = job.fieldTable[i];
    if (f.sqlField <= 0 || f.position <= 0) continue;
    std::string name = parameterColumnName(job.sqlText, f.sqlField);
    if (name.empty())
      stop("the statement names no column for parameter " + std::to_string(f.sqlField) +
           " (a procedure's argument, an expression, a condition, or an INSERT without a "
           "column list)");
    columns.push_back({i, std::move(name)});
  }
  return columns;
}

// The statement's column at each position 1..highest (empty: no column is
// read there, any name will do).
void matchHeading(const std::vector<std::string_view> &names,
                  const std::vector<NamedColumn> &columns) {
  const int highest = expectedCsvFields();
  std::vector<std::string> atPosition(static_cast<size_t>(highest) + 1);
  for (const NamedColumn &column : columns) {
    std::string &slot = atPosition[static_cast<size_t>(job.fieldTable[column.entry].position)];
    if (slot.empty()) slot = column.name;
  }
  const int count = static_cast<int>(names.size());
  for (int p = 1; p <= count || p <= highest; ++p) {
    const std::string column = p <= highest ? bareName(atPosition[static_cast<size_t>(p)]) : "";
    if (p > count)
      stop("the heading ends after column " + std::to_string(count) + ", the statement column " +
           std::to_string(p) + " is " + quoted(column));
    const std::string_view name = names[static_cast<size_t>(p - 1)];
    if (p > highest)
      stop("the heading names column " + std::to_string(p) + " " + quoted(name) +
           ", the statement has " + std::to_string(highest) + " columns");
    if (!atPosition[static_cast<size_t>(p)].empty() &&
        !sameName(name, atPosition[static_cast<size_t>(p)]))
      stop("the heading names column " + std::to_string(p) + " " + quoted(name) +
           ", the statement column " + std::to_string(p) + " is " + quoted(column));
  }
}

void mapHeading(const std::vector<std::string_view> &names,
                const std::vector<NamedColumn> &columns) {
  for (const NamedColumn &column : columns) {
    int found = 0;
    for (size_t j = 0; j < names.size(); ++j) {
      if (!sameName(names[j], column.name)) continue;
      if (found != 0)
        stop("the heading names column " + quoted(bareName(column.name)) + " twice (columns " +
             std::to_string(found) + " and " + std::to_string(j + 1) + ")");
      found = static_cast<int>(j + 1);
    }
    if (found == 0)
      stop("the heading does not name the statement column " + quoted(bareName(column.name)));
    job.fieldTable[column.entry].position = static_cast<short>(found);
  }
  prepareRecordFields();
  expectCsvFields(static_cast<int>(names.size()));
}

}  // namespace

bool takeCsvHeading() {
  if (job.headingCheck == 0 || job.csv->headingTaken) return true;
  job.csv->headingTaken = true;
  if (!readCsvHeading()) return false;
  if (job.csv->brokenRecord) stop("the heading line's quotes go wrong");
  const std::vector<std::string_view> names = headingNames();
  if (names.size() > static_cast<size_t>(SHRT_MAX)) stop("the heading has too many names");
  const std::vector<NamedColumn> columns = namedColumns();
  if (job.headingCheck == kHeadingMatch)
    matchHeading(names, columns);
  else
    mapHeading(names, columns);
  return true;
}
