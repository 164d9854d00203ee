// Opening documents and addresses with the desktop's default program.
#include "platform/gui/Shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace gui {

bool ShellOpen(const std::string& target) {
  if (target.empty()) return false;
  const char* custom = std::getenv("TW_SHELL_OPENER");
  std::string opener = custom && *custom ? custom : "xdg-open";
  // A target that starts with "-" would read as an option of the opener.
  std::string arg = (!target.empty() && target[0] == '-') ? "./" + target : target;
  std::vector<char*> argv{opener.data(), arg.data(), nullptr};
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  int rc = posix_spawnp(&pid, opener.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // The opener usually hands over and ends at once; a quick failure (no
  // handler, no such file) is reported, a long-running opener is left to run.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (r < 0 && errno != EINTR) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Still running: reap it later so that it leaves no zombie.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace gui
