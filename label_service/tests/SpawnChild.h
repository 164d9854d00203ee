#pragma once
// Starting the service and simulator programs from the end-to-end tests and
// the benchmark: a child with no input and its output going to a file.
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <vector>

extern char** environ;

// Starts args[0] (a path) with the arguments args, standard input from
// /dev/null and standard output and error into the file Output (truncated).
// The child's pid, or -1 when it could not be started.
inline pid_t SpawnChild(const std::vector<std::string>& args, const std::string& Output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}
