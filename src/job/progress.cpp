// progress.cpp - the progress line of a transfer.
//
//   loop --startProgress--> this module's state, begun afresh
//   loop --tickProgress--> every 64 records: clock --due?--> formatProgress
//     --> stderr ("\r" line "\x1b[K" on a terminal, a new line elsewhere)
//   dblib and job messages --beforeMessage--> clearProgressLine
#include "job/progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "common/messagesink.h"
#include "job/compressedfile.h"
#include "job/settings.h"

namespace {

// The progress line of the transfer under way; startProgress begins it
// afresh.
struct ProgressState {
  bool active = false;
  bool terminal = false;
  bool drawn = false;       // a rewritten line is on the terminal now
  bool load = false;
  double interval = 0;
  double started = 0;
  double lastShown = 0;
  long long totalBytes = 0; // 0: no percentage
  int ticks = 0;
};

ProgressState progress;

// A terminal line is redrawn this often (seconds).
constexpr double kTerminalInterval = 0.25;
// The clock is read once per this many records.
constexpr int kTickMask = 63;

double now();
void show(bool final, int records);
long long dataBytesRead();
void appendDuration(char *buffer, int capacity, int *used, double seconds);
void appendText(char *buffer, int capacity, int *used, const char *text);

}  // namespace

void startProgress(bool load) {
  ProgressState &p = progress;
  p = ProgressState{};
  // A log file has taken standard error over: only the keyword writes there.
  const bool ownStderr = job.logStream == nullptr;
  p.terminal = ownStderr && isatty(STDERR_FILENO) != 0;
  if (!p.terminal && job.progressInterval <= 0) return;
  p.active = true;
  p.load = load;
  p.interval = p.terminal ? kTerminalInterval : job.progressInterval;
  p.started = p.lastShown = now();
  if (load && job.dataFileName != nullptr && job.dataStream != nullptr) {
    struct stat info {};
    if (fstat(fileno(fileBeneath(job.dataStream)), &info) == 0 && S_ISREG(info.st_mode))
      p.totalBytes = info.st_size;
  }
  if (p.terminal) job.beforeMessage = clearProgressLine;
}

void tickProgress() {
  ProgressState &p = progress;
  if (!p.active || (++p.ticks & kTickMask) != 0) return;
  const double t = now();
  if (t - p.lastShown < p.interval) return;
  p.lastShown = t;
  show(false, job.recordCount);
}

void finishProgress(int records) {
  ProgressState &p = progress;
  if (!p.active) return;
  show(true, records);
  p.active = false;
  p.drawn = false;
  job.beforeMessage = nullptr;
}

void clearProgressLine() {
  ProgressState &p = progress;
  if (!p.drawn) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  p.drawn = false;
}

void formatProgress(char *buffer, int capacity, bool load, int records, int rejected,
                    double seconds, long long done, long long total) {
  const double rate = seconds > 0 ? records / seconds : 0;
  int used = std::snprintf(buffer, static_cast<size_t>(capacity), "%d %s, %d rejected, %.0f/s, ",
                           records, load ? "records" : "rows", rejected, rate);
  appendDuration(buffer, capacity, &used, seconds);
  appendText(buffer, capacity, &used, " elapsed");
  if (total <= 0 || done <= 0) return;
  if (done > total) done = total;
  char percent[16];
  std::snprintf(percent, sizeof percent, ", %d%% read, ", static_cast<int>(done * 100 / total));
  appendText(buffer, capacity, &used, percent);
  appendDuration(buffer, capacity, &used, seconds * static_cast<double>(total - done) / done);
  appendText(buffer, capacity, &used, " left");
}

namespace {

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

void show(bool final, int records) {
  ProgressState &p = progress;
  char text[200];
  const long long done = p.totalBytes > 0 ? dataBytesRead() : 0;
  formatProgress(text, sizeof text, p.load, records, job.rejectedCount,
                 now() - p.started, done, p.totalBytes);
  // Standard output first, so a message and the line do not interleave.
  flushMessages(stdout);
  if (p.terminal) {
    std::fprintf(stderr, "\rlodrun: %s\x1b[K%s", text, final ? "\n" : "");
    p.drawn = !final;
  } else {
    std::fprintf(stderr, "lodrun: %s\n", text);
  }
  std::fflush(stderr);
}

// The stream reads ahead in blocks, so this is where reading has got to,
// give or take one block.
long long dataBytesRead() {
  const long position = std::ftell(fileBeneath(job.dataStream));
  return position > 0 ? position : 0;
}

// Appends while there is room; *used may pass capacity when the text is cut.
void appendText(char *buffer, int capacity, int *used, const char *text) {
  if (*used >= capacity) return;
  *used += std::snprintf(buffer + *used, static_cast<size_t>(capacity - *used), "%s", text);
}

// h:mm:ss, or m:ss under an hour.
void appendDuration(char *buffer, int capacity, int *used, double seconds) {
  if (*used >= capacity) return;
  long total = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
  const long hours = total / 3600;
  total %= 3600;
  char *at = buffer + *used;
  const size_t room = static_cast<size_t>(capacity - *used);
  if (hours > 0)
    *used += std::snprintf(at, room, "%ld:%02ld:%02ld", hours, total / 60, total % 60);
  else
    *used += std::snprintf(at, room, "%ld:%02ld", total / 60, total % 60);
}

}  // namespace
