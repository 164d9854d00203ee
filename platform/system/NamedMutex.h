#pragma once
// A system-wide name that one process at a time can hold, for programs that
// must run only once. The name is a lock on a file in the user's runtime
// directory ($XDG_RUNTIME_DIR, else /tmp/tarnwick-<uid>); the lock belongs to
// the open file, so it is freed when the holder closes it or dies.
#include <string>

namespace sys {

class NamedMutex {
public:
  // Tries to take the name at once (never waits).
  explicit NamedMutex(const std::string& name);
  ~NamedMutex();  // releases the name when held
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Another holder (another live process, or another NamedMutex of this one)
  // has the name.
  bool AlreadyExists() const { return alreadyExists_; }
  // This object holds the name.
  bool Owned() const { return fd_ >= 0; }
  // Why the name could neither be taken nor found taken (empty otherwise).
  const std::string& Error() const { return error_; }

  // The lock file that stands for name.
  static std::string LockFilePath(const std::string& name);

private:
  int fd_ = -1;
  bool alreadyExists_ = false;
  std::string error_;
};

}  // namespace sys
