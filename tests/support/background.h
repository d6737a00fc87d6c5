// background.h - the built lodrun (or any program) running beside the test,
// so that the test can signal or kill it mid-run.
#ifndef LODRUN_TESTS_BACKGROUND_H
#define LODRUN_TESTS_BACKGROUND_H

#include <sys/types.h>

#include <string>
#include <vector>

// Starts `program` with `args` in `cwd`, standard input from /dev/null and
// standard output and error into the files `outPath` and `errPath`.
// ISC_USER and ISC_PASSWORD are removed from the environment. A process still
// running at scope end is killed and reaped.
class BackgroundRun {
 public:
  BackgroundRun(const std::string &program, const std::vector<std::string> &args,
                const std::string &cwd, const std::string &outPath,
                const std::string &errPath);
  ~BackgroundRun();
  BackgroundRun(const BackgroundRun &) = delete;
  BackgroundRun &operator=(const BackgroundRun &) = delete;

  pid_t pid() const { return pid_; }
  void signal(int number) const;
  // Waits at most `seconds` for the end; returns the exit status, 128 +
  // signal, or -1 when the process is still running.
  int wait(double seconds);

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Seconds since an arbitrary fixed point (a monotonic clock).
double secondsNow();

#endif  // LODRUN_TESTS_BACKGROUND_H
