#pragma once
// Starts tools/xbase_server (next to the test program) on a free loopback
// port for one test and stops it afterwards.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class ServerProcess {
public:
  // dataDir: the server's data directory; args: more switches.
  ServerProcess(const std::string& dataDir, const std::vector<std::string>& args = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  std::uint16_t Port() const { return port_; }

private:
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};
