#pragma once
// The service's log file shown whole in a memo, refreshed cheaply.
//
// The service keeps its log while it runs and adds three lines per order, so
// a busy restaurant's log grows to 100,000 lines. A refresh therefore costs
// nothing while the file stays as it was (its size and change times are
// compared first), adds only the new lines when the file grew by appending,
// and reloads the memo whole only when the file was replaced or cut, or when
// the memo was changed by someone else (a notice the program adds lasts only
// until the next refresh). The user's scroll position and selection stay
// while the memo is only added to.
#include <cstdint>

#include "class_library/core/Types.h"

class TCustomMemo;

class TLogView {
public:
  explicit TLogView(TCustomMemo* Memo) : memo_(Memo) {}

  // Brings the memo up to the file at Path. False when the file cannot be
  // opened or read (no log: the service does not run); the memo then keeps
  // what it shows.
  bool Refresh(const String& Path);

private:
  struct FileState {
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileState&) const = default;
  };

  void ShowWhole(const String& Bytes);
  void Shown(const FileState& State, const String& Bytes, bool Whole);

  TCustomMemo* memo_;
  bool known_ = false;       // the memo shows the file as it was at file_
  FileState file_;
  String tail_;              // the last bytes shown, to check that a longer file still holds them
  bool endsWithBreak_ = true;
  int memoLength_ = 0;       // the memo's text length after the last refresh
};
