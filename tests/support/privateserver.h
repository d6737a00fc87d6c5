// privateserver.h - a Firebird server of the test's own, on a port of its
// own, that the test may kill without disturbing the shared local server
// other tests use. It runs from a temp root (its own configuration, lock
// directory and copy of the security database) and needs root and the
// firebird3.0-server package; without them it is unavailable.
#ifndef LODRUN_TESTS_PRIVATESERVER_H
#define LODRUN_TESTS_PRIVATESERVER_H

#include <sys/types.h>

#include <string>

#include "testsupport.h"

class PrivateServer {
 public:
  PrivateServer();
  ~PrivateServer();
  PrivateServer(const PrivateServer &) = delete;
  PrivateServer &operator=(const PrivateServer &) = delete;

  // Empty when the server runs; else why it could not be started.
  const std::string &unavailable() const { return unavailable_; }
  // "localhost/<port>:" + path
  std::string databaseName(const std::string &path) const;
  // The SYSDBA password of the installed server (and of this copy).
  const std::string &password() const { return password_; }
  // Ends the server at once (SIGKILL), as a crash would.
  void kill();

 private:
  bool prepareRoot();
  TempDir root_;
  std::string unavailable_;
  std::string password_;
  int port_ = 0;
  pid_t pid_ = -1;
};

#endif  // LODRUN_TESTS_PRIVATESERVER_H
