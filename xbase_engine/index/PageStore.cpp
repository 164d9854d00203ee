#include "xbase_engine/index/PageStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/Locks.h"

namespace xbe::idx {

PageStore::PageStore(const std::string& path, bool create, bool writable, uint32_t pageSize,
                     uint32_t counterOffset, int counterWidth)
    : path_(path), pageSize_(pageSize), counterOffset_(counterOffset), counterWidth_(counterWidth) {
  int flags = O_CLOEXEC | (writable ? O_RDWR : O_RDONLY);
  // Never cut on opening: other processes may map the file; a rebuild
  // replaces its contents under the counter bracket.
  if (create) flags |= O_CREAT;
  fd_ = OpenRegular(path, flags);
  if (!fd_ && writable && !create) fd_ = OpenRegular(path, O_RDONLY);
  else writable_ = writable;
  if (!fd_) throw XbError("Cannot open index " + path + ": " + std::strerror(errno));
  if (fd_ && writable && !create) {
    const int mode = ::fcntl(fd_.Get(), F_GETFL);
    writable_ = (mode & O_ACCMODE) == O_RDWR;
  }
  size_ = FileSize(fd_.Get());
  end_ = size_;
}

PageStore::~PageStore() {
  if (locked_) Unlock(fd_.Get(), kIndexLockByte, 1);
}

void PageStore::ReadInto(uint8_t* dst, size_t n, uint64_t offset, uint64_t known) {
  if (offset + n > size_) {
    size_ = FileSize(fd_.Get());
    if (offset + n > size_) throw XbError("Damaged index (page beyond the end of the file): " + path_);
  }
  if (known == 0 || known > size_ || offset + n > known) known = size_;
  switch (mapping_.Read(fd_.Get(), dst, n, offset, known)) {
    case FileMapping::Result::kDone:
      return;
    case FileMapping::Result::kShrunk:
      size_ = std::min(size_, FileSize(fd_.Get()));
      break;
    case FileMapping::Result::kUnavailable:
      break;
  }
  // Whatever the file still holds, pread tells exactly.
  if (ReadUpTo(fd_.Get(), dst, n, offset) < n) throw XbError("Damaged index (file cut short): " + path_);
}

const uint8_t* PageStore::Bytes(uint64_t offset, size_t length) {
  if (buf_.size() < length) buf_.resize(length);
  ReadInto(buf_.data(), length, offset);
  return buf_.data();
}

uint32_t PageStore::Counter() {
  uint8_t b[4] = {};
  // Only the counter's own bytes need to be in the file: checking the probe
  // byte after them proves it without a system call.
  ReadInto(b, size_t(counterWidth_), counterOffset_, probe_);
  // The pages read after the counter are not to be read before it (a compiler barrier: the
  // reads are copies out of the file, ordered for other processes by the kernel).
  std::atomic_signal_fence(std::memory_order_acquire);
  return counterWidth_ == 2 ? ReadLe16(b) : ReadLe32(b);
}

void PageStore::FindProbe() {
  probe_ = 0;
  const uint64_t from = uint64_t(counterOffset_) + uint64_t(counterWidth_);
  const uint64_t upto = std::min<uint64_t>(size_, std::min<uint64_t>(pageSize_, from + 64));
  if (upto <= from) return;
  uint8_t b[128];
  const size_t n = size_t(upto - from);
  try {
    ReadInto(b, n, from);
  } catch (const XbError&) {
    return;  // the file was cut meanwhile: no probe, its reads find out
  }
  for (size_t i = 0; i < n; ++i) {
    if (b[i] != 0) {
      probe_ = from + i + 1;
      return;
    }
  }
}

void PageStore::PutCounter(uint32_t v) {
  uint8_t b[4];
  WriteLe32(b, v);
  WriteAt(fd_.Get(), b, size_t(counterWidth_), counterOffset_);
}

bool PageStore::Sync(int waitMs) {
  uint32_t c = Counter();
  if (c & 1) {
    if (writing_) throw NeedsRebuild(path_);
    // A writer is at work, or died at work: its lock tells which.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs + 2000);
    for (;;) {
      if (TryLock(fd_.Get(), kIndexLockByte, 1, LockType::Read)) {
        Unlock(fd_.Get(), kIndexLockByte, 1);
        c = Counter();
        if (c & 1) {
          if (!acceptBroken_) throw NeedsRebuild(path_);
          broken_ = true;
        }
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) throw XbError("Index is busy: " + path_);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      c = Counter();
      if (!(c & 1)) break;
    }
  }
  if (synced_ && c == seen_) return true;
  if (HasDirty()) throw XbError("Index changed by another writer during a batch: " + path_);
  ClearCache();
  seen_ = c;
  synced_ = true;
  size_ = FileSize(fd_.Get());
  if (!writing_) end_ = size_;
  FindProbe();
  return false;
}

void PageStore::Validate() {
  if (writing_) return;
  if (Counter() != seen_) throw Changed{};
}

Node* PageStore::Keep(std::unique_ptr<Node> n) {
  Node* p = n.get();
  const size_t i = n->offset / pageSize_;
  if (i >= cache_.size()) cache_.resize(std::max(i + 1, cache_.size() * 2));
  cache_[i] = std::move(n);
  return p;
}

void PageStore::ClearCache() {
  cache_.clear();
  ++countEpoch;
}

void PageStore::BeginWrite(bool batched, int waitMs, bool rebuild) {
  if (!writable_) throw XbError("Index is read-only: " + path_);
  if (writing_) return;
  if (!batched) {
    if (!LockWithTimeout(fd_.Get(), kIndexLockByte, 1, LockType::Write, std::max(waitMs, 2000))) {
      throw XbError("Index lock failure: " + path_);
    }
    locked_ = true;
  }
  try {
    if (rebuild) {
      // Whatever the file holds is about to be replaced.
      size_ = FileSize(fd_.Get());
      uint32_t c = 0;
      if (size_ >= uint64_t(counterOffset_) + uint64_t(counterWidth_)) c = Counter();
      seen_ = c & ~1u;
      synced_ = true;
      broken_ = false;
      acceptBroken_ = false;
      ClearCache();
      dirty_.clear();
      rawDirty_.clear();
    } else {
      Sync(0);
    }
  } catch (...) {
    EndWrite();
    throw;
  }
  writing_ = true;
  end_ = std::max(end_, size_);
}

void PageStore::WriteRaw(uint64_t offset, std::vector<uint8_t> bytes) {
  for (auto& [off, b] : rawDirty_) {
    if (off == offset && b.size() == bytes.size()) {
      b = std::move(bytes);
      return;
    }
  }
  rawDirty_.emplace_back(offset, std::move(bytes));
}

uint32_t PageStore::Allocate() {
  const uint64_t off = end_;
  if (off + pageSize_ > 0xFFFFFFF0u) throw XbError("Index file full: " + path_);
  end_ += pageSize_;
  return uint32_t(off);
}

void PageStore::BracketOpen() {
  PutCounter(seen_ + 1);
  // A header written with the nodes carries the odd counter too.
  for (auto& [off, b] : rawDirty_) {
    if (off <= counterOffset_ && counterOffset_ + uint64_t(counterWidth_) <= off + b.size()) {
      uint8_t c[4];
      WriteLe32(c, seen_ + 1);
      std::memcpy(b.data() + (counterOffset_ - off), c, size_t(counterWidth_));
    }
  }
}

void PageStore::BracketClose() {
  const uint32_t mask = counterWidth_ == 2 ? 0xFFFFu : 0xFFFFFFFFu;
  seen_ = (seen_ + 2) & mask;
  PutCounter(seen_);
  size_ = std::max(size_, end_);
  FindProbe();
}

void PageStore::Abandon() {
  dirty_.clear();
  rawDirty_.clear();
  ClearCache();
  synced_ = false;
}

void PageStore::EndWrite() {
  writing_ = false;
  if (locked_) {
    Unlock(fd_.Get(), kIndexLockByte, 1);
    locked_ = false;
  }
}

void PageStore::Rewrite(const std::vector<uint8_t>& bytes, bool shrink) {
  dirty_.clear();
  rawDirty_.clear();
  PutCounter(seen_ + 1);
  std::vector<uint8_t> copy = bytes;
  if (copy.size() >= counterOffset_ + uint64_t(counterWidth_)) {
    uint8_t c[4];
    WriteLe32(c, seen_ + 1);
    std::memcpy(copy.data() + counterOffset_, c, size_t(counterWidth_));
  }
  WriteAt(fd_.Get(), copy.data(), copy.size(), 0);
  // Other processes may map the old length: only exclusive use may cut it.
  if (shrink && ::ftruncate(fd_.Get(), off_t(copy.size())) != 0) throw XbError("Cannot cut the index " + path_);
  ClearCache();
  end_ = copy.size();
  BracketClose();
  size_ = FileSize(fd_.Get());
  end_ = shrink ? size_ : copy.size();
  FindProbe();
}

}  // namespace xbe::idx
