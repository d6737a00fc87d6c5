// commitpoint.cpp - rejects made durable before each commit, and the count
// of records that commits have covered.
//
//   discards file --fflush + fdatasync--+
//   stdout / log  --fflush (+ fdatasync)-+--> commit --> confirmCommitPoint
//   any failure --> message naming the file --> abortRun (no commit)
#include "job/commitpoint.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dblib/dbfuncs.h"
#include "job/messages.h"
#include "job/run.h"
#include "job/settings.h"

namespace {

// What the commits of this run have covered. The signal watcher's thread
// reads the three atomics as well.
struct CommitPoints {
  std::atomic<int> committed{0};
  std::atomic<bool> inFlight{false};  // a commit is on its way
  std::atomic<int> inFlightUpTo{0};   // the records it makes permanent
  // job.rejectedCount at the last commit point: without new rejects there is
  // nothing to sync.
  int rejectsAtLast = 0;
  bool outputFailureReported = false;  // standard output's failure is on stderr
};
CommitPoints points;

// A write failed while the stream emptied its buffer on its own; its errno
// is long gone.
constexpr int kEarlierWriteFailed = -1;

int makeStreamDurable(FILE *stream, bool sync);
const char *failureText(int error);
void nameOfStream(FILE *stream, char *buffer, size_t size);
[[noreturn]] void failStream(FILE *stream, const char *what, int error);
void reportLostOutput();

}  // namespace

void makeRejectsDurable() {
  const bool newRejects = job.rejectedCount != points.rejectsAtLast;
  // Every stream that receives rejected records is made durable here.
  if (int error = makeStreamDurable(job.discardStream, newRejects))
    failStream(job.discardStream, "discards file", error);
  if (int error = makeStreamDurable(job.reasonsStream, newRejects))
    failStream(job.reasonsStream, "reasons file", error);
  const bool rejectsInOutput = newRejects && job.discardStream == nullptr;
  if (int error = makeStreamDurable(stdout, rejectsInOutput))
    failStream(stdout, job.logStream != nullptr ? "log file" : "standard output", error);
  points.rejectsAtLast = job.rejectedCount;
  points.inFlightUpTo.store(job.recordCount);
  points.inFlight.store(true);
}

void confirmCommitPoint() {
  if (!points.inFlight) return;
  points.committed.store(points.inFlightUpTo.load());
  points.inFlight.store(false);
}

void resetCommitPoints() {
  points.committed.store(0);
  points.inFlight.store(false);
  points.inFlightUpTo.store(0);
  points.rejectsAtLast = 0;
  points.outputFailureReported = false;
}

int recordsCommitted() { return points.committed.load(); }

bool commitInFlight() { return points.inFlight.load(); }

int commitInFlightUpTo() { return points.inFlightUpTo.load(); }

void watchStandardOutput() { std::atexit(reportLostOutput); }

bool reportUncertainCommit() {
  if (!points.inFlight || !ConnectionLost()) return false;
  const int from = points.committed.load() + 1;
  message("Lodrun: the database connection was lost while committing records %d to %d: "
          "the outcome of that commit is unknown (%d records); %d records were committed "
          "before it%s",
          from, points.inFlightUpTo.load(), points.inFlightUpTo.load() - from + 1, from - 1,
          job.lineEnd);
  return true;
}

namespace {

// Returns 0, the errno of the failed flush or sync, or kEarlierWriteFailed.
// A stream without a descriptor that can be synced (a pipe, a terminal,
// /dev/full) is flushed only.
int makeStreamDurable(FILE *stream, bool sync) {
  if (stream == nullptr) return 0;
  errno = 0;
  if (std::fflush(stream) != 0) return errno != 0 ? errno : kEarlierWriteFailed;
  if (std::ferror(stream)) return kEarlierWriteFailed;
  if (!sync) return 0;
  if (fdatasync(fileno(stream)) != 0 && errno != EINVAL && errno != EROFS) return errno;
  return 0;
}

const char *failureText(int error) {
  return error == kEarlierWriteFailed ? "a write failed" : std::strerror(error);
}

// The path the stream's descriptor is open on, as the kernel names it.
void nameOfStream(FILE *stream, char *buffer, size_t size) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fileno(stream));
  const ssize_t length = readlink(link, buffer, size - 1);
  if (length <= 0) {
    std::snprintf(buffer, size, "%s", "?");
    return;
  }
  buffer[length] = '\0';
}

// A failed standard output (or log) cannot carry its own report: it goes to
// standard error then.
void failStream(FILE *stream, const char *what, int error) {
  char name[512];
  nameOfStream(stream, name, sizeof name);
  if (stream == stdout) {
    points.outputFailureReported = true;
    // A pipe or terminal has no name worth showing.
    const bool named = name[0] == '/';
    std::fprintf(stderr, "%s %d: could not write %s%s%s%s: %s%s", kModuleName, __LINE__, what,
                 named ? " <" : "", named ? name : "", named ? ">" : "", failureText(error),
                 job.lineEnd);
    std::fflush(stderr);
  } else {
    LOCATED_MESSAGE("could not write %s <%s>: %s%s", what, name, failureText(error),
                    job.lineEnd);
  }
  abortRun();
}

// At exit: the messages still buffered are written now; when standard
// output failed, here or before, and nobody said so yet, standard error says
// what it lost, whatever ended the run.
void reportLostOutput() {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = !flushed && errno != 0 ? errno : kEarlierWriteFailed;
  if ((flushed && !std::ferror(stdout)) || points.outputFailureReported) return;
  points.outputFailureReported = true;
  char name[512];
  nameOfStream(stdout, name, sizeof name);
  const bool named = name[0] == '/';
  // Without a discards file the rejected records went the same way.
  char lost[64] = "the run's messages";
  if (job.rejectedCount > 0 && job.discardStream == nullptr)
    std::snprintf(lost, sizeof lost, "the run's messages and its %d rejected records",
                  job.rejectedCount);
  std::fprintf(stderr, "%s %d: could not write %s%s%s%s: %s - %s are lost%s", kModuleName,
               __LINE__, job.logStream != nullptr ? "log file" : "standard output",
               named ? " <" : "", named ? name : "", named ? ">" : "", failureText(error), lost,
               job.lineEnd);
  std::fflush(stderr);
}

}  // namespace
