#include "xbase_engine/Memo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace xbe {

bool ReadAt(int fd, void* buf, size_t n, uint64_t offset) {
  auto* p = static_cast<uint8_t*>(buf);
  while (n > 0) {
    const ssize_t r = ::pread(fd, p, n, off_t(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= size_t(r);
    offset += uint64_t(r);
  }
  return true;
}

size_t ReadUpTo(int fd, void* buf, size_t n, uint64_t offset) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, p + done, n - done, off_t(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += size_t(r);
  }
  return done;
}

void WriteAt(int fd, const void* buf, size_t n, uint64_t offset) {
  auto* p = static_cast<const uint8_t*>(buf);
  while (n > 0) {
    const ssize_t r = ::pwrite(fd, p, n, off_t(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) throw XbError(std::string("Write error: ") + std::strerror(errno));
    p += r;
    n -= size_t(r);
    offset += uint64_t(r);
  }
}

UniqueFd OpenRegular(const std::string& path, int flags, mode_t mode) {
  // O_NONBLOCK keeps the open of a pipe without a peer from waiting; it has
  // no effect on a regular file, yet it is cleared again below.
  UniqueFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
  if (!fd) {
    // A pipe without a reader (write-only open) or a socket.
    if (errno == ENXIO) throw XbError("Not a regular file: " + path);
    return fd;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) throw XbError("Cannot stat " + path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw XbError("Not a regular file: " + path);
  const int fl = ::fcntl(fd.Get(), F_GETFL);
  if (fl < 0 || ::fcntl(fd.Get(), F_SETFL, fl & ~O_NONBLOCK) != 0) {
    throw XbError("Cannot set up " + path + ": " + std::strerror(errno));
  }
  return fd;
}

bool SameFile(int fd, const struct stat& st) {
  struct stat own {};
  return fd >= 0 && ::fstat(fd, &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino;
}

uint64_t FileSize(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw XbError(std::string("Cannot stat file: ") + std::strerror(errno));
  return uint64_t(st.st_size);
}

namespace {
const uint8_t kDbt4Signature[4] = {0xFF, 0xFF, 0x08, 0x00};
}

MemoFile::MemoFile(const std::string& path, MemoKind kind, bool writable)
    : path_(path), kind_(kind) {
  fd_ = OpenRegular(path, writable ? O_RDWR : O_RDONLY);
  if (!fd_ && writable) fd_ = OpenRegular(path, O_RDONLY);
  if (!fd_) throw XbError("Cannot open memo file " + path + ": " + std::strerror(errno));
  uint8_t h[512];
  if (!ReadAt(fd_.Get(), h, sizeof h, 0)) throw XbError("Memo file header cut short: " + path);
  switch (kind_) {
    case MemoKind::Fpt: {
      blockSize_ = uint32_t(h[6]) << 8 | h[7];
      if (blockSize_ == 0) throw XbError("Memo file with block size 0: " + path);
      break;
    }
    case MemoKind::Dbt4: {
      const uint32_t bs = ReadLe16(h + 20);
      blockSize_ = bs >= 64 ? bs : 512;
      break;
    }
    default:
      blockSize_ = 512;
  }
}

void MemoFile::Create(const std::string& path, MemoKind kind, int blockSize) {
  UniqueFd fd = OpenRegular(path, O_RDWR | O_CREAT | O_TRUNC);
  if (!fd) throw XbError("Cannot create memo file " + path + ": " + std::strerror(errno));
  std::vector<uint8_t> h(512, 0);
  if (kind == MemoKind::Fpt) {
    uint32_t bs = uint32_t(blockSize < 32 ? 32 : blockSize > 16384 ? 16384 : blockSize);
    bs = bs / 32 * 32;
    const uint32_t first = (512 + bs - 1) / bs;
    WriteBe32(h.data(), first);
    h[6] = uint8_t(bs >> 8);
    h[7] = uint8_t(bs);
  } else {
    WriteLe32(h.data(), 1);
    h[16] = 0x03;
  }
  WriteAt(fd.Get(), h.data(), h.size(), 0);
}

uint64_t MemoFile::Size() const { return FileSize(fd_.Get()); }

std::string MemoFile::Read(uint32_t block) const {
  if (block == 0) return {};
  if (block < HeaderBlocks()) throw XbError("Memo reference into the memo header");
  const uint64_t size = Size();
  const uint64_t start = uint64_t(block) * blockSize_;
  if (start >= size) throw XbError("Memo reference beyond the memo file");
  uint8_t head[8] = {0};
  const bool haveHead = start + 8 <= size && ReadAt(fd_.Get(), head, 8, start);
  uint64_t length = 0;
  uint64_t dataStart = start + 8;
  if (kind_ == MemoKind::Fpt) {
    if (!haveHead) throw XbError("Memo block cut short");
    length = ReadBe32(head + 4);
  } else if (haveHead && std::memcmp(head, kDbt4Signature, 4) == 0) {
    length = ReadLe32(head + 4);
    if (length < 8) throw XbError("Memo block with a bad length");
    length -= 8;
  } else {
    // Text ended by 0x1A (or by the end of the file).
    std::string out;
    uint64_t pos = start;
    char buf[4096];
    while (pos < size) {
      const size_t n = size_t(std::min<uint64_t>(sizeof buf, size - pos));
      if (!ReadAt(fd_.Get(), buf, n, pos)) throw XbError("Memo read error");
      const void* end = std::memchr(buf, 0x1A, n);
      if (end) {
        out.append(buf, size_t(static_cast<const char*>(end) - buf));
        return out;
      }
      out.append(buf, n);
      pos += n;
    }
    return out;
  }
  if (dataStart + length > size) throw XbError("Memo length beyond the memo file");
  std::string out(size_t(length), '\0');
  if (length > 0 && !ReadAt(fd_.Get(), out.data(), size_t(length), dataStart)) {
    throw XbError("Memo read error");
  }
  return out;
}

uint32_t MemoFile::Write(const std::string& data, bool binary) {
  if (data.size() > 0x7FFFFFF0u) throw XbError("Memo too large");
  uint8_t h[4];
  if (!ReadAt(fd_.Get(), h, 4, 0)) throw XbError("Memo header cut short");
  uint32_t next = kind_ == MemoKind::Fpt ? ReadBe32(h) : ReadLe32(h);
  // Never place data inside the header, and never behind what the file holds
  // so that a damaged pointer cannot make the file enormous.
  const uint64_t size = Size();
  const uint64_t blocksInFile = (size + blockSize_ - 1) / blockSize_;
  if (next < HeaderBlocks() || next > blocksInFile) next = uint32_t(std::max<uint64_t>(blocksInFile, HeaderBlocks()));

  std::vector<uint8_t> out;
  if (kind_ == MemoKind::Fpt) {
    out.resize(8 + data.size());
    WriteBe32(out.data(), binary ? 0 : 1);
    WriteBe32(out.data() + 4, uint32_t(data.size()));
    std::memcpy(out.data() + 8, data.data(), data.size());
  } else if (binary || data.find('\x1A') != std::string::npos) {
    // Bytes that could end a text early go into a block with a length header.
    out.resize(8 + data.size());
    std::memcpy(out.data(), kDbt4Signature, 4);
    WriteLe32(out.data() + 4, uint32_t(data.size() + 8));
    std::memcpy(out.data() + 8, data.data(), data.size());
  } else {
    out.assign(data.begin(), data.end());
    out.push_back(0x1A);
    out.push_back(0x1A);
  }
  const uint64_t blocks = (out.size() + blockSize_ - 1) / blockSize_;
  if (uint64_t(next) + blocks > 0xFFFFFFFFull) throw XbError("Memo file full");
  out.resize(size_t(blocks * blockSize_), 0);
  WriteAt(fd_.Get(), out.data(), out.size(), uint64_t(next) * blockSize_);
  const uint32_t newNext = uint32_t(next + blocks);
  if (kind_ == MemoKind::Fpt) {
    WriteBe32(h, newNext);
  } else {
    WriteLe32(h, newNext);
  }
  WriteAt(fd_.Get(), h, 4, 0);
  return next;
}

void MemoFile::Wipe(uint32_t block) {
  const std::string data = Read(block);
  if (data.empty()) return;
  uint64_t at = uint64_t(block) * blockSize_;
  uint8_t head[4] = {0};
  // Blocks with a header (FPT, and DBT blocks with the length signature) keep it.
  if (kind_ == MemoKind::Fpt || (ReadAt(fd_.Get(), head, 4, at) && std::memcmp(head, kDbt4Signature, 4) == 0)) at += 8;
  const std::vector<uint8_t> zeros(data.size(), 0);
  WriteAt(fd_.Get(), zeros.data(), zeros.size(), at);
}

std::string MemoReference(const FieldDesc& f, uint32_t block) {
  if (f.binary) {
    uint8_t b[4];
    dbf::WriteMemoRefBinary(b, block);
    return std::string(reinterpret_cast<char*>(b), 4);
  }
  return dbf::FormatMemoRef(block, f.width);
}

void MemoFile::Zap() {
  const uint32_t first = HeaderBlocks();
  uint8_t h[4];
  if (kind_ == MemoKind::Fpt) {
    WriteBe32(h, first);
  } else {
    WriteLe32(h, first);
  }
  WriteAt(fd_.Get(), h, 4, 0);
  if (::ftruncate(fd_.Get(), off_t(uint64_t(first) * blockSize_)) != 0) {
    throw XbError("Cannot truncate the memo file");
  }
}

void MemoFile::Sync() {
  if (::fdatasync(fd_.Get()) != 0) {
    throw XbError("Commit failed: the memo file did not reach the disk: " + std::string(std::strerror(errno)));
  }
}

}  // namespace xbe
