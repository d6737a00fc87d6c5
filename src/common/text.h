// text.h - small ASCII text helpers that every folder may use (dblib
// included): one case folding, and the case-blind comparisons built on it.
// Header only, no state; bytes outside A-Z are never changed.
#ifndef LODRUN_COMMON_TEXT_H
#define LODRUN_COMMON_TEXT_H

#include <charconv>
#include <cstring>
#include <string_view>

// c in lower case when it is an ASCII capital, else c unchanged.
inline char lowered(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// ASCII case-blind comparison of n characters: 1, -1 or 0. Stops at the first
// difference, so a shorter NUL-terminated text is never read past its end.
inline int strnicmp(const char *a, const char *b, int n) {
  for (int i = 0; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(lowered(a[i]));
    const unsigned char cb = static_cast<unsigned char>(lowered(b[i]));
    if (ca != cb) return ca > cb ? 1 : -1;
    if (ca == '\0') return 0;
  }
  return 0;
}

// true when text begins with word, letters compared without regard to case.
inline bool hasPrefix(const char *word, const char *text) {
  return strnicmp(word, text, static_cast<int>(std::strlen(word))) == 0;
}

// true when text begins with the lower-case word, whatever the case of text.
inline bool beginsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (lowered(text[i]) != word[i]) return false;
  return true;
}

// true, with *value set, when the whole of text is one decimal number (an
// optional '-' and digits) within the range of T; "32x", "1e20", "" and
// " 5" are no numbers.
template <typename T>
inline bool wholeNumber(std::string_view text, T *value) {
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *value, 10);
  return error == std::errc() && stop == end && !text.empty();
}

#endif  // LODRUN_COMMON_TEXT_H
