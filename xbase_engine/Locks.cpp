#include "xbase_engine/Locks.h"

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace xbe {

namespace {
int Fcntl(int fd, short type, uint64_t start, uint64_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(start);
  fl.l_len = off_t(length);
  fl.l_pid = 0;
  int r;
  do {
    r = ::fcntl(fd, F_OFD_SETLK, &fl);
  } while (r != 0 && errno == EINTR);
  return r;
}
}  // namespace

bool TryLock(int fd, uint64_t start, uint64_t length, LockType type) {
  return Fcntl(fd, type == LockType::Write ? F_WRLCK : F_RDLCK, start, length) == 0;
}

bool LockWithTimeout(int fd, uint64_t start, uint64_t length, LockType type, int timeoutMs) {
  if (TryLock(fd, start, length, type)) return true;
  if (errno != EAGAIN && errno != EACCES) return false;  // not a conflict: retrying cannot help
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto pause = std::chrono::microseconds(200);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(10)) pause *= 2;
    if (TryLock(fd, start, length, type)) return true;
  }
  return false;
}

void Unlock(int fd, uint64_t start, uint64_t length) { Fcntl(fd, F_UNLCK, start, length); }

bool LockSet::Rlock(int fd, uint32_t rec, int timeoutMs) {
  const auto at = std::lower_bound(records_.begin(), records_.end(), rec);
  if (at != records_.end() && *at == rec) return true;
  if (!fileLocked_ && !LockWithTimeout(fd, kRecordBase + rec, 1, LockType::Write, timeoutMs)) return false;
  records_.insert(at, rec);
  return true;
}

bool LockSet::Flock(int fd, int timeoutMs) {
  if (fileLocked_) return true;
  if (!LockWithTimeout(fd, kRecordBase + 1, kFileLockLength, LockType::Write, timeoutMs)) {
    return false;
  }
  fileLocked_ = true;
  return true;
}

void LockSet::UnlockRecord(int fd, uint32_t rec) {
  const auto at = std::lower_bound(records_.begin(), records_.end(), rec);
  if (at == records_.end() || *at != rec) return;
  records_.erase(at);
  if (!fileLocked_) Unlock(fd, kRecordBase + rec, 1);
}

void LockSet::UnlockAll(int fd) {
  if (fileLocked_ || !records_.empty()) Unlock(fd, kRecordBase, kFileLockLength + 1);
  records_.clear();
  fileLocked_ = false;
}

int LockSet::Count() const { return int(records_.size()) + (fileLocked_ ? 1 : 0); }

std::vector<int> LockSet::Records() const { return std::vector<int>(records_.begin(), records_.end()); }

}  // namespace xbe
