#pragma once
// Runs `systemd-analyze verify` on a unit file, the check systemd itself
// applies when it loads the unit. It needs no running systemd. Where the tool
// is missing or cannot work at all (it refuses even a minimal unit), the
// tests that use it report themselves skipped with the reason.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace systemd_verify {

struct Result {
  int ExitCode = -1;  // -1: the tool could not be started
  std::string Output;
  bool Passed() const { return ExitCode == 0; }
};

// systemd-analyze verify <unit>, its output (standard output and error together).
inline Result Verify(const std::filesystem::path& unit) {
  namespace fs = std::filesystem;
  Result result;
  const fs::path out = fs::temp_directory_path() / ("tw_verify_" + std::to_string(::getpid()) + ".out");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string unitPath = unit.string();
  char tool[] = "systemd-analyze";
  char verb[] = "verify";
  char* argv[] = {tool, verb, unitPath.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  result.Output = text.str();
  std::error_code ec;
  fs::remove(out, ec);
  return result;
}

// Empty when systemd-analyze verify works here (it passes a minimal unit),
// else why not. Checked once per process.
inline const std::string& Unavailable() {
  static const std::string reason = [] {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tw_verify_probe_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
      std::ofstream unit(dir / "tw-verify-probe.service");
      unit << "[Unit]\nDescription=probe\n\n[Service]\nExecStart=/bin/true\n";
    }
    Result r = Verify(dir / "tw-verify-probe.service");
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (r.ExitCode == -1) return std::string("systemd-analyze is not installed (Debian package systemd)");
    if (!r.Passed()) return "systemd-analyze verify refuses even a minimal unit here: " + r.Output;
    return std::string();
  }();
  return reason;
}

}  // namespace systemd_verify
