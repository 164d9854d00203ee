#pragma once
// Sharing and locking of a table with open-file-description locks, which
// conflict between two opens of one process exactly as between two processes,
// and disappear with their holder. Nothing here ever waits inside the kernel:
// a busy lock is retried until the lock time-out has passed.
//
// Layout of the lock bytes (all beyond 4 GiB, so they never touch data):
//   kShareByte            read lock by every open, write lock by an exclusive open
//   kShareByte + 1        header lock: held while a record is appended
//   kShareByte + 2        memo lock: held while memo blocks are allocated
//   kRecordBase + n       record lock of record n; the file lock covers them all
// Index files have a lock byte of their own (kIndexLockByte in
// index/PageStore.h) held by writers for one key change; INDEXES.md tells
// how readers stay consistent without locking.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace xbe {

constexpr uint64_t kShareByte = uint64_t(1) << 32;
constexpr uint64_t kHeaderByte = kShareByte + 1;
constexpr uint64_t kMemoByte = kShareByte + 2;
constexpr uint64_t kRecordBase = kShareByte + 16;
constexpr uint64_t kFileLockLength = uint64_t(1) << 32;

enum class LockType { Read, Write };

// One non-blocking attempt; false when another holder conflicts (or the
// descriptor's access mode does not allow the lock).
bool TryLock(int fd, uint64_t start, uint64_t length, LockType type);
// Retries TryLock until timeoutMs has passed (0: a single attempt).
bool LockWithTimeout(int fd, uint64_t start, uint64_t length, LockType type, int timeoutMs);
void Unlock(int fd, uint64_t start, uint64_t length);

// The locks one work area holds. Unlocking a record that a file lock covers
// only drops it from the list, so no hole is punched into the file lock.
class LockSet {
 public:
  bool Rlock(int fd, uint32_t rec, int timeoutMs);
  bool Flock(int fd, int timeoutMs);
  void UnlockRecord(int fd, uint32_t rec);
  void UnlockAll(int fd);
  bool FileLocked() const { return fileLocked_; }
  bool Holds(uint32_t rec) const {
    return fileLocked_ || std::binary_search(records_.begin(), records_.end(), rec);
  }
  int Count() const;
  std::vector<int> Records() const;

 private:
  // In ascending order, each once. A vector: an edit locks and unlocks one
  // record at a time, and its room stays for the next lock.
  std::vector<uint32_t> records_;
  bool fileLocked_ = false;
};

// Holds a lock for the life of a scope (the header or memo lock).
class ScopedLock {
 public:
  ScopedLock() = default;
  ScopedLock(int fd, uint64_t start) : fd_(fd), start_(start) {}
  ~ScopedLock() {
    if (fd_ >= 0) Unlock(fd_, start_, 1);
  }
  ScopedLock(ScopedLock&& o) noexcept : fd_(o.fd_), start_(o.start_) { o.fd_ = -1; }
  ScopedLock& operator=(ScopedLock&& o) noexcept {
    if (this != &o) {
      if (fd_ >= 0) Unlock(fd_, start_, 1);
      fd_ = o.fd_;
      start_ = o.start_;
      o.fd_ = -1;
    }
    return *this;
  }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  int fd_ = -1;
  uint64_t start_ = 0;
};

}  // namespace xbe
