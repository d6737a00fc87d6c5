// fileclash.cpp - see fileclash.h.
//
//   outputs (discards, reasons, log, unload output) --identity--+
//   inputs (command file, data file, local database) --identity-+--> clash?
//     clash --> log taken back --> message --> abortRun
#include "job/fileclash.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"
#include "job/stdstreams.h"

namespace {

// Who a file is: device and inode when it exists, else its normalised path.
struct Identity {
  bool exists = false;
  bool regular = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string normalPath;
};

struct NamedFile {
  const char *what;     // "data file"
  const char *path;     // as written
  const char *keyword;  // "file=", "-i"
  Identity identity;
  bool log = false;
};

Identity fromStatus(const struct stat &status) {
  Identity id;
  id.exists = true;
  id.regular = S_ISREG(status.st_mode);
  id.device = status.st_dev;
  id.inode = status.st_ino;
  return id;
}

// A missing file is named by the real path of its folder and its own name,
// so "x" and "./x" are one file before either exists.
Identity identityOfPath(const char *path) {
  struct stat status;
  if (stat(path, &status) == 0) return fromStatus(status);
  Identity id;
  const std::string text = path;
  const size_t slash = text.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : text.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
  char real[PATH_MAX];
  id.normalPath = realpath(folder.c_str(), real) != nullptr
                      ? std::string(real) + "/" + name
                      : text;
  return id;
}

Identity identityOfDescriptor(int fd) {
  struct stat status;
  if (fstat(fd, &status) == 0) return fromStatus(status);
  return Identity{};
}

bool sameFile(const Identity &a, const Identity &b) {
  if (a.exists != b.exists) return false;
  if (!a.exists) return !a.normalPath.empty() && a.normalPath == b.normalPath;
  return a.regular && b.regular && a.device == b.device && a.inode == b.inode;
}

std::vector<NamedFile> inputFiles() {
  const FileNaming &naming = job.fileNaming;
  std::vector<NamedFile> files;
  if (job.commandFileName != nullptr) {
    files.push_back({"command file", job.commandFileName, naming.commandKeyword,
                     identityOfPath(job.commandFileName)});
  } else {
    const Identity in = identityOfDescriptor(0);
    if (in.regular)
      files.push_back({"command file", "standard input", "standard input", in});
  }
  if (job.dataFileName != nullptr && job.direction != 'o')
    files.push_back({"data file", job.dataFileName, naming.dataKeyword,
                     dataOnStandardStreams(job.dataFileName) ? identityOfDescriptor(0)
                                                             : identityOfPath(job.dataFileName)});
  if (job.dbName != nullptr && localDatabase(job.dbName))
    files.push_back({"database file", job.dbName, naming.dbKeyword, identityOfPath(job.dbName)});
  return files;
}

std::vector<NamedFile> outputFiles() {
  const FileNaming &naming = job.fileNaming;
  std::vector<NamedFile> files;
  if (job.logStream != nullptr) {
    NamedFile log{"log file", job.logFileName != nullptr ? job.logFileName : "?",
                  naming.logKeyword, identityOfDescriptor(fileno(stdout))};
    log.log = true;
    files.push_back(log);
  }
  if (job.discardStream != nullptr)
    files.push_back({"discards file", naming.discardsPath, "discards=",
                     identityOfDescriptor(fileno(job.discardStream))});
  if (job.reasonsStream != nullptr)
    files.push_back({"reasons file", naming.reasonsPath, "reasons=",
                     identityOfDescriptor(fileno(job.reasonsStream))});
  if (job.dataFileName != nullptr && job.direction == 'o')
    files.push_back({"output file", job.dataFileName, naming.dataKeyword,
                     dataOnStandardStreams(job.dataFileName)
                         ? identityOfDescriptor(standardRecordsDescriptor())
                         : identityOfPath(job.dataFileName)});
  return files;
}

// The log's bytes of this run go, and standard output and error are again
// what they were before it.
void takeBackLog() {
  FileNaming &naming = job.fileNaming;
  std::fflush(stdout);
  std::fflush(stderr);
  struct stat status;
  if (fstat(fileno(stdout), &status) == 0 && S_ISREG(status.st_mode) &&
      ftruncate(fileno(stdout), static_cast<off_t>(naming.logSizeAtOpen)) != 0) {
    // The log keeps this run's lines; the clash is reported all the same.
  }
  if (naming.savedStdout >= 0) dup2(naming.savedStdout, fileno(stdout));
  if (naming.savedStderr >= 0) dup2(naming.savedStderr, fileno(stderr));
  std::clearerr(stdout);
  job.logStream = nullptr;
  job.messageStream = stdout;
}

[[noreturn]] void stopOnClash(const NamedFile &output, const NamedFile &other) {
  if ((output.log || other.log) && job.logStream != nullptr) takeBackLog();
  LOCATED_MESSAGE("%s <%s> (%s) is also the %s (%s)%s", output.what, output.path,
                  output.keyword, other.what, other.keyword, job.lineEnd);
  abortRun();
}

}  // namespace

// "host:/path", "host/3051:path" and "inet://host/path" name a server's
// file; only a plain path is a file of this machine.
bool localDatabase(const char *name) {
  const char *colon = std::strchr(name, ':');
  const char *slash = std::strchr(name, '/');
  return colon == nullptr || (slash != nullptr && slash < colon);
}

FILE *openOutputUntruncated(const char *path) {
  const int fd = open(path, O_WRONLY | O_CREAT, 0666);
  if (fd < 0) return nullptr;
  FILE *stream = fdopen(fd, "w");
  if (stream == nullptr) close(fd);
  return stream;
}

void checkLogClashes(const char *path) {
  NamedFile log{"log file", path, job.fileNaming.logKeyword, identityOfPath(path)};
  for (const NamedFile &input : inputFiles())
    if (sameFile(log.identity, input.identity)) stopOnClash(log, input);
  for (const NamedFile &output : outputFiles())
    if (!output.log && sameFile(log.identity, output.identity)) stopOnClash(log, output);
}

void noteLogOpening(const char *path) {
  FileNaming &naming = job.fileNaming;
  if (naming.savedStdout < 0) {
    naming.savedStdout = fcntl(fileno(stdout), F_DUPFD_CLOEXEC, 3);
    naming.savedStderr = fcntl(fileno(stderr), F_DUPFD_CLOEXEC, 3);
  }
  struct stat status;
  naming.logSizeAtOpen = stat(path, &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

void checkFileClashes() {
  const std::vector<NamedFile> inputs = inputFiles();
  const std::vector<NamedFile> outputs = outputFiles();
  for (size_t i = 0; i < outputs.size(); ++i) {
    for (const NamedFile &input : inputs)
      if (sameFile(outputs[i].identity, input.identity)) stopOnClash(outputs[i], input);
    for (size_t k = i + 1; k < outputs.size(); ++k)
      if (sameFile(outputs[i].identity, outputs[k].identity)) stopOnClash(outputs[k], outputs[i]);
  }
}

void truncateOutputFiles() {
  const struct {
    FILE *stream;
    const char *what;
    const char *path;
  } outputs[] = {{job.discardStream, "discards file", job.fileNaming.discardsPath},
                 {job.reasonsStream, "reasons file", job.fileNaming.reasonsPath}};
  for (const auto &output : outputs) {
    if (output.stream == nullptr) continue;
    struct stat status;
    const int fd = fileno(output.stream);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) continue;
    if (ftruncate(fd, 0) != 0) {
      LOCATED_MESSAGE("could not empty %s <%s>: %s%s", output.what, output.path,
                      std::strerror(errno), job.lineEnd);
      abortRun();
    }
  }
}
