#include "data_access/tests/ServerProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/system/Paths.h"

ServerProcess::ServerProcess(const std::string& dataDir, const std::vector<std::string>& args) {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe");
  const std::string program = sys::BaseDir() + "xbase_server";
  std::vector<std::string> all{program, "--data", dataDir, "--port", "0"};
  all.insert(all.end(), args.begin(), args.end());
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // The server dies with the test process, even when that one crashes or is
    // killed: no server is left listening after a failed run. The check after
    // the request catches a parent that ended before it took effect.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) std::_Exit(1);
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    std::_Exit(127);
  }
  ::close(out[1]);
  if (pid_ < 0) {
    ::close(out[0]);
    throw std::runtime_error("fork");
  }
  FILE* f = ::fdopen(out[0], "r");
  unsigned port = 0;
  if (!f || std::fscanf(f, "PORT %u", &port) != 1) {
    if (f) std::fclose(f);
    // The constructor fails: no destructor will stop and reap the child.
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("xbase_server did not start");
  }
  std::fclose(f);
  port_ = static_cast<std::uint16_t>(port);
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}
