#pragma once

#include <unistd.h>

namespace sys {

// Owns a file descriptor and closes it on every path out.
class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.Release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = o.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  // Closes now, ignoring the result.
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes now and reports the result (a failed close may mean lost data).
  int Close() {
    if (fd_ < 0) return 0;
    int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

private:
  int fd_ = -1;
};

}  // namespace sys
