#pragma once
// Memo files beside a table: DBT style (".DBT", 512-byte blocks, text ended
// by 0x1A, or blocks with a length header) and FPT style (".FPT", blocks
// with a type and length header, block size in the file header).
#include <cstdint>
#include <string>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/Posix.h"

namespace xbe {

// The bytes a memo field holds to point at block (0: no memo): four
// binary bytes, or the number right-aligned in the field's width.
std::string MemoReference(const FieldDesc& f, uint32_t block);

class MemoFile {
 public:
  // Opens an existing memo file; throws XbError when it is not usable.
  MemoFile(const std::string& path, MemoKind kind, bool writable);

  // Writes a new, empty memo file (truncating what is there).
  static void Create(const std::string& path, MemoKind kind, int blockSize);

  MemoKind Kind() const { return kind_; }
  uint32_t BlockSize() const { return blockSize_; }
  const std::string& Path() const { return path_; }
  int Fd() const { return fd_.Get(); }

  // The bytes stored at block (block 0 = empty). Throws XbError when the
  // block or its length lies outside the file.
  std::string Read(uint32_t block) const;
  // Stores data in new blocks at the end and returns the first block. The
  // caller serialises writers (memo lock, file lock or exclusive use).
  uint32_t Write(const std::string& data, bool binary);
  // Overwrites the data stored at block with zero bytes (its length stays).
  void Wipe(uint32_t block);
  // Empties the memo file (keeps its header and block size).
  void Zap();
  // Pushes written data to the disk; throws XbError when the disk refuses.
  void Sync();

 private:
  uint32_t HeaderBlocks() const { return (512 + blockSize_ - 1) / blockSize_; }
  uint64_t Size() const;

  std::string path_;
  MemoKind kind_;
  UniqueFd fd_;
  uint32_t blockSize_ = 512;
};

}  // namespace xbe
