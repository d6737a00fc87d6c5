// background.cpp - see background.h.
#include "background.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char **environ;

BackgroundRun::BackgroundRun(const std::string &program, const std::vector<std::string> &args,
                             const std::string &cwd, const std::string &outPath,
                             const std::string &errPath) {
  std::vector<std::string> argStore{program};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (auto &a : argStore) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char *> envp;
  for (char **e = environ; *e != nullptr; ++e)
    if (std::strncmp(*e, "ISC_USER=", 9) != 0 && std::strncmp(*e, "ISC_PASSWORD=", 13) != 0)
      envp.push_back(*e);
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ != 0) return;
  const int in = open("/dev/null", O_RDONLY);
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  // The test runner may have blocked or ignored signals; the child starts clean.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

BackgroundRun::~BackgroundRun() {
  if (pid_ <= 0 || reaped_) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

void BackgroundRun::signal(int number) const {
  if (pid_ > 0 && !reaped_) kill(pid_, number);
}

int BackgroundRun::wait(double seconds) {
  const double deadline = secondsNow() + seconds;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (secondsNow() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

double secondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
