// regress_main.cpp - the regression run of a fuzz target without libFuzzer:
// every file of the corpus directories (or files) named on the command line
// goes through LLVMFuzzerTestOneInput once. A crash or sanitizer finding
// ends the run abnormally, so a bug found once stays fixed.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

std::vector<std::string> inputsOf(const std::string &path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return {};
  if (!S_ISDIR(status.st_mode)) return {path};
  std::vector<std::string> files;
  DIR *dir = opendir(path.c_str());
  if (dir == nullptr) return files;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    files.push_back(path + "/" + name);
  }
  closedir(dir);
  return files;
}

}  // namespace

int main(int argc, char **argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::string &file : inputsOf(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
      ++count;
    }
  }
  std::fprintf(stderr, "%d inputs run\n", count);
  return count > 0 ? 0 : 1;
}
