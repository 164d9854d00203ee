#include "platform/system/VersionInfo.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <cstring>

#include "platform/system/AsciiCase.h"
#include "platform/system/Files.h"
#include "platform/system/UniqueFd.h"

namespace sys {

namespace {

constexpr char kMagic[] = "TWVERBLK";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr char kSectionName[] = ".tw_version";
constexpr uint64_t kMaxBlock = 64 * 1024;         // far above any real block
constexpr uint64_t kMaxSectionHeaders = 1 << 20;  // refuses absurd header tables
constexpr uint64_t kMaxNameTable = 16 * 1024 * 1024;

class File {
public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st;
    if (fd_.Get() >= 0 && ::fstat(fd_.Get(), &st) == 0 && S_ISREG(st.st_mode))
      size_ = static_cast<uint64_t>(st.st_size);
  }
  uint64_t Size() const { return size_; }
  // Reads exactly len bytes at off; false when any of them lies outside the file.
  bool Read(uint64_t off, void* dst, uint64_t len) const {
    if (off > size_ || len > size_ - off) return false;
    auto* p = static_cast<char*>(dst);
    while (len > 0) {
      ssize_t n = ::pread(fd_.Get(), p, len, static_cast<off_t>(off));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      off += static_cast<uint64_t>(n);
      len -= static_cast<uint64_t>(n);
    }
    return true;
  }

private:
  UniqueFd fd_;
  uint64_t size_ = 0;
};

// Walks the block's key/value pairs; false when it is malformed. visit returns
// true to stop early. end receives the block's length up to its end marker.
template <typename Visit>
bool WalkBlock(const uint8_t* data, size_t size, size_t& end, Visit visit) {
  if (size < kMagicSize + 1 || std::memcmp(data, kMagic, kMagicSize) != 0) return false;
  size_t pos = kMagicSize;
  for (;;) {
    if (pos >= size) return false;
    const auto* key = reinterpret_cast<const char*>(data + pos);
    const void* keyEnd = std::memchr(key, 0, size - pos);
    if (!keyEnd) return false;
    size_t keyLen = static_cast<const char*>(keyEnd) - key;
    pos += keyLen + 1;
    if (keyLen == 0) {
      end = pos;
      return true;
    }
    if (pos >= size) return false;
    const auto* value = reinterpret_cast<const char*>(data + pos);
    const void* valueEnd = std::memchr(value, 0, size - pos);
    if (!valueEnd) return false;
    size_t valueLen = static_cast<const char*>(valueEnd) - value;
    pos += valueLen + 1;
    if (visit(std::string_view(key, keyLen), std::string_view(value, valueLen))) {
      end = pos;
      return true;
    }
  }
}

template <typename Ehdr, typename Shdr>
bool FindSection(const File& f, uint64_t& offset, uint64_t& size) {
  Ehdr eh;
  if (!f.Read(0, &eh, sizeof eh)) return false;
  if (eh.e_shoff == 0 || eh.e_shoff >= f.Size() || eh.e_shentsize < sizeof(Shdr)) return false;
  uint64_t count = eh.e_shnum;
  uint64_t nameIndex = eh.e_shstrndx;
  if (count == 0 || nameIndex == SHN_XINDEX) {
    // Many sections: the real numbers sit in the first section header.
    Shdr first;
    if (!f.Read(eh.e_shoff, &first, sizeof first)) return false;
    if (count == 0) count = first.sh_size;
    if (nameIndex == SHN_XINDEX) nameIndex = first.sh_link;
  }
  if (count == 0 || count > kMaxSectionHeaders || nameIndex >= count) return false;
  if (count * eh.e_shentsize > f.Size()) return false;

  auto header = [&](uint64_t i, Shdr& sh) { return f.Read(eh.e_shoff + i * eh.e_shentsize, &sh, sizeof sh); };
  Shdr names;
  if (!header(nameIndex, names) || names.sh_type == SHT_NOBITS || names.sh_size > kMaxNameTable) return false;
  std::string table(names.sh_size, '\0');
  if (!f.Read(names.sh_offset, table.data(), table.size())) return false;

  for (uint64_t i = 0; i < count; ++i) {
    Shdr sh;
    if (!header(i, sh)) return false;
    if (sh.sh_name >= table.size()) continue;
    const char* name = table.data() + sh.sh_name;
    if (std::string_view(name, ::strnlen(name, table.size() - sh.sh_name)) != kSectionName) continue;
    if (sh.sh_type == SHT_NOBITS || sh.sh_size == 0 || sh.sh_size > kMaxBlock) return false;
    if (sh.sh_offset > f.Size() || sh.sh_size > f.Size() - sh.sh_offset) return false;
    offset = sh.sh_offset;
    size = sh.sh_size;
    return true;
  }
  return false;
}

bool ReadBlock(const std::string& path, std::vector<uint8_t>& block) {
  block.clear();
  File f(ResolveFileName(path));
  unsigned char ident[EI_NIDENT];
  if (!f.Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return false;
  if (ident[EI_DATA] != ELFDATA2LSB) return false;  // the structures are read as little-endian
  uint64_t offset = 0, size = 0;
  bool found = ident[EI_CLASS] == ELFCLASS64   ? FindSection<Elf64_Ehdr, Elf64_Shdr>(f, offset, size)
               : ident[EI_CLASS] == ELFCLASS32 ? FindSection<Elf32_Ehdr, Elf32_Shdr>(f, offset, size)
                                               : false;
  if (!found) return false;
  block.resize(size);
  size_t end = 0;
  if (!f.Read(offset, block.data(), size) ||
      !WalkBlock(block.data(), block.size(), end, [](std::string_view, std::string_view) { return false; })) {
    block.clear();
    return false;
  }
  block.resize(end);  // drop alignment padding after the end marker
  return true;
}

}  // namespace

uint32_t GetFileVersionInfoSize(const std::string& path) {
  std::vector<uint8_t> block;
  return ReadBlock(path, block) ? static_cast<uint32_t>(block.size()) : 0;
}

bool GetFileVersionInfo(const std::string& path, std::vector<uint8_t>& block) { return ReadBlock(path, block); }

bool VerQueryValue(const std::vector<uint8_t>& block, const std::string& subBlock, std::string& value) {
  std::string_view wanted = subBlock;
  while (!wanted.empty() && wanted.front() == '\\') wanted.remove_prefix(1);
  bool found = false;
  size_t end = 0;
  bool ok = WalkBlock(block.data(), block.size(), end, [&](std::string_view key, std::string_view v) {
    if (!SameAsciiText(key, wanted)) return false;
    value.assign(v);
    found = true;
    return true;
  });
  return ok && found;
}

}  // namespace sys
