#pragma once

#include <unistd.h>

namespace sys {

// Owns a file descriptor and closes it on every path out.
class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  // Closes now and reports the result (a failed close may mean lost data).
  int Close() {
    if (fd_ < 0) return 0;
    int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

private:
  int fd_;
};

}  // namespace sys
