#pragma once
// The service's log file: always the whole log of the process, cheap to grow.
//
// Rewriting the whole file for every line costs time in proportion to the
// log's length, and a file rewritten in place can be caught empty or half
// written by a reader. Instead the file is written whole once (under a
// temporary name, then renamed) and from then on each new line is appended
// with one write, so a reader sees the log up to some line and adding a line
// costs the same at any length. When the file is not the one written last
// (deleted, replaced or changed by someone else) it is written whole again.
#include <cstdint>

#include "class_library/core/StringList.h"
#include "class_library/core/Types.h"

class TAppendLogFile {
public:
  explicit TAppendLogFile(String Path) : path_(std::move(Path)) {}

  const String& Path() const { return path_; }

  // Makes the file hold every line of Lines, each followed by CR LF. Lines
  // only ever grow between calls. Raises an Exception naming the file when it
  // cannot be written.
  void Update(const TStrings& Lines);
  // The file was deleted: the next Update writes it whole.
  void Forget();
  // Deletes the file when it is still the one written last (another process
  // may have put its own log there since), then forgets it.
  void Remove();

private:
  bool Append(const TStrings& Lines);
  void Rewrite(const TStrings& Lines);

  String path_;
  int lines_ = 0;           // lines the file holds
  std::int64_t bytes_ = 0;  // its size after the last write
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
  bool written_ = false;
};
