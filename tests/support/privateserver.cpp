// privateserver.cpp - see privateserver.h.
#include "privateserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

constexpr const char kServer[] = "/usr/sbin/firebird";
constexpr const char kFirebirdRoot[] = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
constexpr const char kSecurityDatabase[] = "/var/lib/firebird/3.0/system/security3.fdb";

std::string installedPassword() {
  std::ifstream in("/etc/firebird/3.0/SYSDBA.password");
  const std::string key = "ISC_PASSWORD=";
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return "";
}

// A port nobody listens on now (the kernel's choice).
int freePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

bool listening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

}  // namespace

PrivateServer::PrivateServer() {
  password_ = installedPassword();
  if (geteuid() != 0 || access(kServer, X_OK) != 0 || password_.empty()) {
    unavailable_ = "needs root and the firebird3.0-server package";
    return;
  }
  port_ = freePort();
  if (port_ == 0 || !prepareRoot()) {
    unavailable_ = "could not prepare the server's root";
    return;
  }
  const std::string port = std::to_string(port_);
  const std::string log = root_.file("server.log");
  pid_ = fork();
  if (pid_ == 0) {
    setenv("FIREBIRD", root_.path().c_str(), 1);
    setenv("FIREBIRD_LOCK", root_.file("lock").c_str(), 1);
    if (freopen(log.c_str(), "w", stdout) == nullptr || freopen(log.c_str(), "a", stderr) == nullptr)
      _exit(126);
    execl(kServer, "firebird", "-p", port.c_str(), static_cast<char *>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100 && !listening(port_); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!listening(port_)) unavailable_ = "the server did not come up: " + readFile(log);
}

PrivateServer::~PrivateServer() { kill(); }

std::string PrivateServer::databaseName(const std::string &path) const {
  return "localhost/" + std::to_string(port_) + ":" + path;
}

void PrivateServer::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

// The installed server's files by link, its own configuration, lock
// directory and security database beside them.
bool PrivateServer::prepareRoot() {
  for (const char *entry : {"firebird.msg", "intl", "plugins", "lib", "UDF", "plugins.conf"}) {
    const std::string target = std::string(kFirebirdRoot) + "/" + entry;
    if (symlink(target.c_str(), root_.file(entry).c_str()) != 0) return false;
  }
  const std::string security = readFile(kSecurityDatabase);
  if (security.empty()) return false;
  writeFile(root_.file("security3.fdb"), security);
  if (mkdir(root_.file("lock").c_str(), 0700) != 0) return false;
  writeFile(root_.file("firebird.conf"),
            "RemoteServicePort = " + std::to_string(port_) +
                "\nRemoteBindAddress = localhost\nSecurityDatabase = " +
                root_.file("security3.fdb") + "\nUdfAccess = None\n");
  writeFile(root_.file("databases.conf"), "security.db = " + root_.file("security3.fdb") +
                                              "\n{\n\tRemoteAccess = false\n}\n");
  return true;
}
