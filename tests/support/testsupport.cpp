// testsupport.cpp - see testsupport.h.
#include "testsupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <ibase.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

extern char **environ;

namespace {

int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
  return ::remove(path);
}

}  // namespace

TempDir::TempDir() {
  char pattern[] = "/tmp/lodrun-test-XXXXXX";
  char *made = ::mkdtemp(pattern);
  if (made == nullptr) {
    ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    path_ = "/tmp";
    return;
  }
  path_ = made;
}

TempDir::~TempDir() {
  if (path_ == "/tmp" || std::getenv("LODRUN_KEEP_TEMP") != nullptr) return;
  ::nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string TempDir::file(const std::string &name) const {
  return path_ + "/" + name;
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool fileExists(const std::string &path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string lodrunBinary() { return LODRUN_BINARY; }

RunResult runProgram(const std::string &program,
                     const std::vector<std::string> &args,
                     const std::string &input,
                     const std::vector<std::string> &env,
                     const std::string &cwd, int timeoutSeconds) {
  RunResult result;
  int inPipe[2], outPipe[2], errPipe[2];
  if (::pipe(inPipe) != 0 || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
    ADD_FAILURE() << "pipe failed";
    return result;
  }
  // Build argv and the environment before forking.
  std::vector<std::string> argStore;
  argStore.push_back(program);
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (auto &a : argStore) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);

  std::vector<std::string> envStore;
  bool keepUser = false, keepPassword = false;
  for (const auto &e : env) {
    if (e.rfind("ISC_USER=", 0) == 0) keepUser = true;
    if (e.rfind("ISC_PASSWORD=", 0) == 0) keepPassword = true;
  }
  for (char **e = environ; *e != nullptr; ++e) {
    std::string entry(*e);
    if (!keepUser && entry.rfind("ISC_USER=", 0) == 0) continue;
    if (!keepPassword && entry.rfind("ISC_PASSWORD=", 0) == 0) continue;
    bool overridden = false;
    for (const auto &add : env) {
      auto eq = add.find('=');
      if (eq != std::string::npos && entry.compare(0, eq + 1, add, 0, eq + 1) == 0)
        overridden = true;
    }
    if (!overridden) envStore.push_back(entry);
  }
  envStore.insert(envStore.end(), env.begin(), env.end());
  std::vector<char *> envp;
  for (auto &e : envStore) envp.push_back(const_cast<char *>(e.c_str()));
  envp.push_back(nullptr);

  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(inPipe[0], 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
      ::close(fd);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  ::signal(SIGPIPE, SIG_IGN);

  size_t written = 0;
  int inFd = inPipe[1];
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  } else {
    ::fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  int outFd = outPipe[0], errFd = errPipe[0];
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool killed = false;
  char chunk[65536];
  while (outFd >= 0 || errFd >= 0) {
    std::vector<pollfd> fds;
    if (inFd >= 0) fds.push_back({inFd, POLLOUT, 0});
    if (outFd >= 0) fds.push_back({outFd, POLLIN, 0});
    if (errFd >= 0) fds.push_back({errFd, POLLIN, 0});
    int ready = ::poll(fds.data(), fds.size(), 200);
    if (std::chrono::steady_clock::now() > deadline && !killed) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
    if (ready <= 0) continue;
    for (const auto &p : fds) {
      if (p.revents == 0) continue;
      if (p.fd == inFd) {
        ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<size_t>(n);
        if (n < 0 && errno != EAGAIN) written = input.size();
        if (written >= input.size()) {
          ::close(inFd);
          inFd = -1;
        }
      } else {
        ssize_t n = ::read(p.fd, chunk, sizeof chunk);
        if (n <= 0) {
          ::close(p.fd);
          if (p.fd == outFd) outFd = -1; else errFd = -1;
        } else if (p.fd == outFd) {
          result.out.append(chunk, static_cast<size_t>(n));
        } else {
          result.err.append(chunk, static_cast<size_t>(n));
        }
      }
    }
  }
  if (inFd >= 0) ::close(inFd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
  if (killed) ADD_FAILURE() << program << " timed out";
  if (result.err.find("Sanitizer") != std::string::npos ||
      result.err.find("runtime error:") != std::string::npos) {
    ADD_FAILURE() << "sanitizer report from " << program << ":\n" << result.err;
  }
  return result;
}

RunResult runLodrun(const std::vector<std::string> &args,
                    const std::string &input,
                    const std::vector<std::string> &env,
                    const std::string &cwd) {
  return runProgram(lodrunBinary(), args, input, env, cwd);
}

std::string withoutLineNumbers(const std::string &text) {
  std::string result;
  result.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    for (const char *module : {"Lodrun ", "extras ", "qrfuncs "}) {
      const size_t len = std::strlen(module);
      if (text.compare(i, len, module) != 0) continue;
      size_t j = i + len;
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      if (j > i + len && text.compare(j, 2, ": ") == 0) {
        result.append(module).append("#: ");
        i = j + 2;
        replaced = true;
      }
      break;
    }
    if (!replaced) result += text[i++];
  }
  return result;
}

std::string isql(const std::string &path, const std::string &sql) {
  std::string script = "CONNECT '" + path + "' USER 'SYSDBA' PASSWORD 'masterkey';\n" +
                       sql + "\nCOMMIT;\n";
  RunResult r = runProgram("/usr/bin/isql-fb", {"-q", "-m"}, script);
  return r.out + r.err;
}

namespace {

// Creates the database at `path` with isql-fb and runs `ddl` in it.
bool createWithIsql(const std::string &path, const std::string &ddl) {
  std::string script = "CREATE DATABASE '" + path +
                       "' USER 'SYSDBA' PASSWORD 'masterkey';\n" + ddl + "\nCOMMIT;\n";
  RunResult r = runProgram("/usr/bin/isql-fb", {"-q", "-m", "-b"}, script);
  if (r.exitCode != 0 || r.out.find("Statement failed") != std::string::npos ||
      r.err.find("Statement failed") != std::string::npos) {
    ADD_FAILURE() << "createDatabase " << path << " failed:\n" << r.out << r.err;
    return false;
  }
  return true;
}

// The template for `ddl`: <build>/tests/templates/<hash of ddl>.fdb, made
// under an exclusive lock by the first process that needs it and renamed
// into place only when complete, so processes running side by side (ctest -j)
// either wait for it or find it whole. Empty when it cannot be made.
std::string templateFor(const std::string &ddl) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : ddl) hash = (hash ^ c) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  const std::string dir = LODRUN_TEMPLATE_DIR;
  const std::string path = dir + "/" + name + ".fdb";
  if (fileExists(path)) return path;
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  const int lock = ::open((dir + "/" + name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) {
    ADD_FAILURE() << "createDatabase: cannot lock a template in " << dir << ": "
                  << std::strerror(errno);
    return "";
  }
  ::flock(lock, LOCK_EX);
  std::string made = path;
  if (!fileExists(path)) {
    const std::string partial = path + ".part";
    ::unlink(partial.c_str());
    if (!createWithIsql(partial, ddl) || ::rename(partial.c_str(), path.c_str()) != 0) made.clear();
  }
  ::close(lock);  // releases the lock
  return made;
}

}  // namespace

bool createDatabase(const std::string &path, const std::string &ddl) {
  const std::string source = templateFor(ddl);
  if (source.empty()) return false;
  std::error_code error;
  std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) {
    ADD_FAILURE() << "createDatabase " << path << ": copying " << source << " failed: "
                  << error.message();
    return false;
  }
  return true;
}

bool ciRun() {
  const char *ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

namespace {

// Reads a whole blob through the raw client API.
std::string readBlob(isc_db_handle *db, isc_tr_handle *tr, ISC_QUAD *id) {
  ISC_STATUS_ARRAY status;
  isc_blob_handle blob = 0;
  std::string bytes;
  if (isc_open_blob2(status, db, tr, &blob, id, 0, nullptr)) return "<blob error>";
  char segment[65535];
  for (;;) {
    unsigned short got = 0;
    ISC_STATUS rc = isc_get_segment(status, &blob, &got, sizeof segment, segment);
    if (rc != 0 && rc != isc_segment) break;
    bytes.append(segment, got);
  }
  isc_close_blob(status, &blob);
  return bytes;
}

}  // namespace

std::vector<std::string> queryRows(const std::string &path,
                                   const std::string &select) {
  std::vector<std::string> rows;
  ISC_STATUS_ARRAY status;
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  isc_stmt_handle stmt = 0;
  char dpb[64];
  int n = 0;
  dpb[n++] = isc_dpb_version1;
  dpb[n++] = isc_dpb_user_name;
  dpb[n++] = 6;
  std::memcpy(dpb + n, "SYSDBA", 6);
  n += 6;
  dpb[n++] = isc_dpb_password;
  dpb[n++] = 9;
  std::memcpy(dpb + n, "masterkey", 9);
  n += 9;
  auto fail = [&](const char *what) {
    char text[512];
    const ISC_STATUS *vector = status;
    std::string message = what;
    while (fb_interpret(text, sizeof text, &vector) > 0) message += std::string(": ") + text;
    ADD_FAILURE() << "queryRows(" << select << "): " << message;
  };
  if (isc_attach_database(status, 0, path.c_str(), &db, static_cast<short>(n), dpb)) {
    fail("attach");
    return rows;
  }
  static char tpb[] = {isc_tpb_version1, isc_tpb_read, isc_tpb_concurrency, isc_tpb_wait};
  if (isc_start_transaction(status, &tr, 1, &db, sizeof tpb, tpb)) {
    fail("start");
    isc_detach_database(status, &db);
    return rows;
  }
  std::unique_ptr<char[]> daBytes(new char[XSQLDA_LENGTH(200)]());
  XSQLDA *da = reinterpret_cast<XSQLDA *>(daBytes.get());
  da->version = SQLDA_VERSION1;
  da->sqln = 200;
  bool ok = !isc_dsql_allocate_statement(status, &db, &stmt) &&
            !isc_dsql_prepare(status, &tr, &stmt, 0, select.c_str(), 3, da);
  if (!ok) fail("prepare");
  std::vector<std::vector<char>> data;
  std::vector<short> nulls(static_cast<size_t>(ok ? da->sqld : 0));
  if (ok) {
    for (int i = 0; i < da->sqld; ++i) {
      XSQLVAR &v = da->sqlvar[i];
      const int type = v.sqltype & ~1;
      if (type != SQL_BLOB) {
        v.sqltype = SQL_VARYING + 1;  // the engine converts every value to text
        v.sqllen = 8190;
        v.sqlscale = 0;
      }
      data.emplace_back(static_cast<size_t>(v.sqllen) + 2);
      v.sqldata = data.back().data();
      v.sqlind = &nulls[static_cast<size_t>(i)];
    }
    ok = !isc_dsql_execute(status, &tr, &stmt, 3, nullptr);
    if (!ok) fail("execute");
  }
  while (ok) {
    ISC_STATUS rc = isc_dsql_fetch(status, &stmt, 3, da);
    if (rc == 100) break;
    if (rc != 0) {
      fail("fetch");
      break;
    }
    std::string row;
    for (int i = 0; i < da->sqld; ++i) {
      XSQLVAR &v = da->sqlvar[i];
      if (i > 0) row += '|';
      if (*v.sqlind < 0) {
        row += "<null>";
      } else if ((v.sqltype & ~1) == SQL_BLOB) {
        row += readBlob(&db, &tr, reinterpret_cast<ISC_QUAD *>(v.sqldata));
      } else {
        unsigned short len;
        std::memcpy(&len, v.sqldata, 2);
        row.append(v.sqldata + 2, len);
      }
    }
    rows.push_back(row);
  }
  if (stmt) isc_dsql_free_statement(status, &stmt, DSQL_drop);
  isc_commit_transaction(status, &tr);
  isc_detach_database(status, &db);
  return rows;
}
