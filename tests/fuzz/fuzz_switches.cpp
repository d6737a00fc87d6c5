// fuzz_switches.cpp - the command-line switches: the input's lines are the
// words after the program name. -s (which moves the standard streams onto a
// log) and -w (which reads a file) become -a.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/switches.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  freshJob();
  const std::string text(reinterpret_cast<const char *>(data), size);
  std::vector<std::vector<char>> words;
  words.push_back({'l', 'o', 'd', 'r', 'u', 'n', '\0'});
  size_t start = 0;
  while (start <= text.size() && words.size() < 64) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::vector<char> word(text.begin() + static_cast<long>(start),
                           text.begin() + static_cast<long>(end));
    word.push_back('\0');
    // The word ends at its first NUL, as the parser sees it.
    if (std::strlen(word.data()) == 2 && word[0] == '-' &&
        (word[1] == 's' || word[1] == 'S' || word[1] == 'w' || word[1] == 'W'))
      word[1] = 'a';
    words.push_back(word);
    start = end + 1;
  }
  std::vector<char *> argv;
  for (auto &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  guarded([&] { parseSwitches(static_cast<int>(words.size()), argv.data()); });
  return 0;
}
