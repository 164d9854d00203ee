#pragma once
// Reads of a file that other processes may cut short, through a shared
// read-only mapping instead of a system call per read.
//
// Linux keeps one page cache per file, so a MAP_SHARED mapping shows every
// write of every process the moment it is made, exactly as pread would.
// What a mapping adds is the fault: touching a page the file no longer
// reaches raises SIGBUS. A process-wide SIGBUS handler knows the address
// ranges of every live FileMapping: a fault inside one gets a page of zeros
// mapped in its place (so the copy that touched it finishes) and is counted
// for that mapping; every other SIGBUS goes to the handler that was there
// before. A read that saw its mapping's count move gives up the mapping and
// is made again with pread, which tells exactly what the file still holds.
//
// A cut inside the last page the file still reaches raises no fault: the
// bytes past the new end read as zeros. So each read also reads the last byte
// the file was known to hold. Past the end of a cut file that byte reads as
// zero (or faults); a DBF file ends in its end marker or a record, so it is
// seldom zero, and when it is, the file's size decides.
#include <cstddef>
#include <cstdint>

namespace xbe {

class FileMapping {
 public:
  enum class Result {
    kDone,         // dst holds the bytes as the file holds them now
    kUnavailable,  // the file cannot be mapped, or the bytes lie past `known`: read them otherwise
    kShrunk,       // the file no longer holds all `known` bytes: read them otherwise
  };

  FileMapping() = default;
  ~FileMapping() { Reset(); }
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // Copies n bytes at offset of fd's file into dst. known is how many bytes
  // the file held when last looked at; the bytes asked for lie within them.
  Result Read(int fd, void* dst, size_t n, uint64_t offset, uint64_t known) noexcept;
  // Gives up the mapping; the next read maps the file afresh.
  void Reset() noexcept;
  // A hint that bytes [offset, offset + n) of the mapped file will be read
  // soon: the processor is asked to fetch them. Reads nothing, cannot fault
  // (a prefetch of a page the file no longer reaches is dropped), and does
  // nothing while the file is not mapped.
  void Prefetch(uint64_t offset, size_t n) const noexcept {
    if (!base_ || n == 0 || offset >= len_ || n > len_ - offset) return;
    Touch(base_ + offset);
    Touch(base_ + offset + n - 1);
  }

  // Mappings live at once are limited (their ranges are what the SIGBUS
  // handler looks through); past the limit reads use pread.
  static constexpr size_t kMaxLive = 512;

 private:
  bool Cover(int fd, uint64_t known) noexcept;
  // The prefetch itself. The compiler's own prefetch counts as free of
  // effects, and a call of a function made only of it may be dropped whole;
  // on x86 the instruction is given as such.
  static void Touch(const uint8_t* p) noexcept {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*p));
#else
    __builtin_prefetch(p);
#endif
  }

  uint8_t* base_ = nullptr;
  size_t len_ = 0;
  int slot_ = -1;        // this mapping's entry in the handler's list
  bool failed_ = false;  // the file cannot be mapped: never try again
};

}  // namespace xbe
