#include "xbase_engine/FileMapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace xbe {

namespace {

// Address space reserved past the file's end, so that a growing file is
// seldom moved: the reservation costs no memory.
constexpr size_t kHeadroom = size_t(64) << 20;

// One live mapping as the SIGBUS handler sees it: [lo, hi), and how many
// faults it took. lo == hi == 0: free.
struct Range {
  std::atomic<uintptr_t> lo {0};
  std::atomic<uintptr_t> hi {0};
  std::atomic<uint32_t> faults {0};
};

Range gRanges[FileMapping::kMaxLive];
std::mutex gRangesMutex;  // claiming and freeing entries (never in the handler)
struct sigaction gPrevious {};
uintptr_t gPageSize = 4096;

void OnSigbus(int sig, siginfo_t* info, void* context) {
  const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
  if (info->si_code > 0) {
    for (Range& r : gRanges) {
      const uintptr_t hi = r.hi.load(std::memory_order_acquire);
      const uintptr_t lo = r.lo.load(std::memory_order_acquire);
      if (at < lo || at >= hi) continue;
      // A page the file no longer reaches: zeros in its place let the copy
      // finish; the count tells its reader not to trust what it copied. The
      // system call itself, not a library's wrapper of it, in a handler.
      const uintptr_t page = at & ~(gPageSize - 1);
      const long p = ::syscall(SYS_mmap, page, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
      if (p == long(page)) {
        r.faults.fetch_add(1, std::memory_order_release);
        return;
      }
      break;  // no page to put there: the fault takes its usual course
    }
  }
  // Not a fault of ours: whoever handled SIGBUS before us does.
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) {
      gPrevious.sa_sigaction(sig, info, context);
      return;
    }
  } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(sig);
    return;
  }
  // The default action: a fault repeats on return and then ends the process
  // as it would have without us; a SIGBUS sent by someone is sent again.
  struct sigaction dfl {};
  dfl.sa_handler = gPrevious.sa_handler == SIG_IGN && info->si_code <= 0 ? SIG_IGN : SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(SIGBUS, &dfl, nullptr);
  if (info->si_code <= 0 && dfl.sa_handler == SIG_DFL) ::raise(SIGBUS);
}

bool InstallHandler() noexcept {
  static const bool installed = [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) gPageSize = uintptr_t(page);
    struct sigaction sa {};
    sa.sa_sigaction = OnSigbus;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    return ::sigaction(SIGBUS, &sa, &gPrevious) == 0;
  }();
  return installed;
}

int ClaimRange(uintptr_t lo, uintptr_t hi) noexcept {
  std::lock_guard<std::mutex> lock(gRangesMutex);
  for (size_t i = 0; i < FileMapping::kMaxLive; ++i) {
    Range& r = gRanges[i];
    if (r.hi.load(std::memory_order_relaxed) != 0) continue;
    r.lo.store(lo, std::memory_order_release);
    r.hi.store(hi, std::memory_order_release);
    return int(i);
  }
  return -1;
}

}  // namespace

bool FileMapping::Cover(int fd, uint64_t known) noexcept {
  if (failed_) return false;
  if (base_ && known <= len_) return true;
  if (known > SIZE_MAX / 4 || !InstallHandler()) {
    failed_ = true;
    return false;
  }
  const size_t len = size_t(known) + std::max(size_t(known), kHeadroom);
  if (!base_) {
    void* p = ::mmap(nullptr, len, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      // A file system without mappings: reads stay with the system calls.
      failed_ = true;
      return false;
    }
    slot_ = ClaimRange(reinterpret_cast<uintptr_t>(p), reinterpret_cast<uintptr_t>(p) + len);
    if (slot_ < 0) {
      ::munmap(p, len);
      failed_ = true;
      return false;
    }
    base_ = static_cast<uint8_t*>(p);
    len_ = len;
    return true;
  }
  // The range leaves the list before its addresses are given back, so that
  // no entry ever names addresses another mapping may get.
  std::lock_guard<std::mutex> lock(gRangesMutex);
  Range& r = gRanges[slot_];
  r.hi.store(0, std::memory_order_release);
  void* p = ::mremap(base_, len_, len, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) {
    // The old mapping stays whole; it is given up as a failed one.
    r.lo.store(0, std::memory_order_release);
    r.faults.store(0, std::memory_order_release);
    ::munmap(base_, len_);
    slot_ = -1;
    base_ = nullptr;
    len_ = 0;
    failed_ = true;
    return false;
  }
  base_ = static_cast<uint8_t*>(p);
  len_ = len;
  r.lo.store(reinterpret_cast<uintptr_t>(p), std::memory_order_release);
  r.hi.store(reinterpret_cast<uintptr_t>(p) + len, std::memory_order_release);
  return true;
}

FileMapping::Result FileMapping::Read(int fd, void* dst, size_t n, uint64_t offset, uint64_t known) noexcept {
  if (n == 0 || offset > known || n > known - offset || !Cover(fd, known)) return Result::kUnavailable;
  std::atomic<uint32_t>& faults = gRanges[slot_].faults;
  const uint32_t before = faults.load(std::memory_order_acquire);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(dst, base_ + offset, n);
  const uint8_t last = *static_cast<const volatile uint8_t*>(base_ + known - 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (faults.load(std::memory_order_acquire) != before) {
    // Pages of zeros stand where the file's were: map it afresh next time.
    Reset();
    return Result::kShrunk;
  }
  if (last != 0) return Result::kDone;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Result::kUnavailable;
  return uint64_t(st.st_size) >= known ? Result::kDone : Result::kShrunk;
}

void FileMapping::Reset() noexcept {
  if (slot_ >= 0) {
    std::lock_guard<std::mutex> lock(gRangesMutex);
    Range& r = gRanges[slot_];
    r.hi.store(0, std::memory_order_release);
    r.lo.store(0, std::memory_order_release);
    r.faults.store(0, std::memory_order_release);
    slot_ = -1;
    // Unmapped under the lock: no new range can name these addresses while
    // this one may still.
    if (base_) ::munmap(base_, len_);
  } else if (base_) {
    ::munmap(base_, len_);
  }
  base_ = nullptr;
  len_ = 0;
}

}  // namespace xbe
