// columnnames.cpp - parameter to column, by the statement's own text.
//
//   sqlText --splitTopLevel--> items of the column list, VALUES list, SET list
//     --a value item that is one '?'--> the column at the same place
#include "rejects/columnnames.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace {

struct Item {
  std::string_view text;  // trimmed
  int firstParameter;     // ordinal of the first '?' at or after the item's start
};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool startsWithWord(std::string_view s, std::string_view word) {
  s = trimmed(s);
  if (!beginsWithNoCase(s, word)) return false;
  return s.size() == word.size() || !std::isalnum(static_cast<unsigned char>(s[word.size()]));
}

// One character of a left-to-right scan: follows quotes ('...', "...") and
// bracket depth; true when c stands outside quotes and is no quote or
// bracket itself.
bool plainCharacter(char c, char *quote, int *depth) {
  if (*quote != 0) {
    if (c == *quote) *quote = 0;
    return false;
  }
  if (c == '\'' || c == '"') {
    *quote = c;
  } else if (c == '(') {
    ++*depth;
  } else if (c == ')') {
    --*depth;
  } else {
    return true;
  }
  return false;
}

// Positions of the word (any case, outside quotes and brackets) in text.
size_t findTopLevelWord(std::string_view text, std::string_view word, size_t from) {
  char quote = 0;
  int depth = 0;
  for (size_t i = from; i < text.size(); ++i) {
    if (plainCharacter(text[i], &quote, &depth) && depth == 0 &&
        (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]))) &&
        startsWithWord(text.substr(i), word))
      return i;
  }
  return std::string_view::npos;
}

// Splits text[begin, end) at the commas outside quotes and brackets; counts
// the '?' before each item, starting from `parametersBefore`.
std::vector<Item> splitTopLevel(std::string_view text, size_t begin, size_t end,
                                int parametersBefore) {
  std::vector<Item> items;
  char quote = 0;
  int depth = 0;
  int parameters = parametersBefore;
  size_t start = begin;
  int startParameter = parameters;
  for (size_t i = begin; i <= end; ++i) {
    const char c = i < end ? text[i] : ',';
    if (!plainCharacter(c, &quote, &depth)) continue;
    if (c == '?') {
      ++parameters;
    } else if (c == ',' && depth == 0) {
      items.push_back({trimmed(text.substr(start, i - start)), startParameter + 1});
      start = i + 1;
      startParameter = parameters;
    }
  }
  return items;
}

// The '?' before position `end`, outside quotes.
int parametersBefore(std::string_view text, size_t end) {
  char quote = 0;
  int depth = 0;
  int count = 0;
  for (size_t i = 0; i < end && i < text.size(); ++i)
    if (plainCharacter(text[i], &quote, &depth) && text[i] == '?') ++count;
  return count;
}

// The bracketed group that starts at the first '(' at or after `from`:
// [open + 1, close). False when there is none.
bool bracketGroup(std::string_view text, size_t from, size_t *open, size_t *close) {
  *open = text.find('(', from);
  if (*open == std::string_view::npos) return false;
  char quote = 0;
  int depth = 0;
  for (size_t i = *open; i < text.size(); ++i) {
    const bool closing = quote == 0 && text[i] == ')';
    plainCharacter(text[i], &quote, &depth);
    if (closing && depth == 0) {
      *close = i;
      return true;
    }
  }
  return false;
}

std::string insertColumn(std::string_view text, int number) {
  const size_t values = findTopLevelWord(text, "values", 0);
  if (values == std::string_view::npos) return "";
  size_t columnsOpen = 0, columnsClose = 0, valuesOpen = 0, valuesClose = 0;
  // The column list is the last bracket group before VALUES.
  const size_t lastOpen = text.substr(0, values).rfind('(');
  if (lastOpen == std::string_view::npos ||
      !bracketGroup(text, lastOpen, &columnsOpen, &columnsClose) || columnsClose > values ||
      !bracketGroup(text, values, &valuesOpen, &valuesClose))
    return "";
  const std::vector<Item> columns = splitTopLevel(text, columnsOpen + 1, columnsClose, 0);
  const std::vector<Item> items =
      splitTopLevel(text, valuesOpen + 1, valuesClose, parametersBefore(text, valuesOpen));
  if (columns.size() != items.size()) return "";
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].text == "?" && items[i].firstParameter == number)
      return std::string(columns[i].text);
  return "";
}

std::string updateColumn(std::string_view text, int number) {
  const size_t set = findTopLevelWord(text, "set", 0);
  if (set == std::string_view::npos) return "";
  size_t end = findTopLevelWord(text, "where", set);
  if (end == std::string_view::npos) end = text.size();
  const size_t begin = set + 3;
  for (const Item &item : splitTopLevel(text, begin, end, parametersBefore(text, begin))) {
    const size_t equals = item.text.find('=');
    if (equals == std::string_view::npos) continue;
    if (trimmed(item.text.substr(equals + 1)) == "?" && item.firstParameter == number)
      return std::string(trimmed(item.text.substr(0, equals)));
  }
  return "";
}

}  // namespace

std::string parameterColumnName(const char *sqlText, int number) {
  if (sqlText == nullptr || number < 1) return "";
  const std::string_view text(sqlText);
  if (startsWithWord(text, "insert")) return insertColumn(text, number);
  if (startsWithWord(text, "update")) {
    const std::string_view rest = trimmed(trimmed(text).substr(6));
    if (startsWithWord(rest, "or")) return insertColumn(text, number);
    return updateColumn(text, number);
  }
  return "";
}
