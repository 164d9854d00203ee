#include "setup_program/LogView.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "class_library/core/StringList.h"
#include "class_library/visual/StdCtrls.h"
#include "platform/system/Files.h"
#include "platform/system/UniqueFd.h"

namespace {

// The bytes before the old end of a longer file that must be as shown for
// the file to count as appended to (a file written again in place differs
// there).
constexpr std::size_t kTailBytes = 256;

std::int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The bytes from Offset to the end of the file; false when it cannot be read.
bool ReadFrom(int Fd, std::int64_t Offset, String& Out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::pread(Fd, buf, sizeof buf, Offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    Out.append(buf, static_cast<std::size_t>(n));
    Offset += n;
  }
}

}  // namespace

bool TLogView::Refresh(const String& Path) {
  const std::string file = sys::ResolveFileName(Path);
  auto stateOf = [](const struct stat& st) {
    FileState s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = Nanoseconds(st.st_mtim);
    s.changed = Nanoseconds(st.st_ctim);
    return s;
  };
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // Nothing changed, neither the file nor the memo: nothing to do.
  if (known_ && stateOf(st) == file_ && memo_->TextLength() == memoLength_) return true;

  sys::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) return false;
  FileState now = stateOf(st);

  // The same file, longer, still holding what is shown where it ended, and
  // the memo as the last refresh left it: only the new bytes are read.
  const bool appended = known_ && now.device == file_.device && now.inode == file_.inode &&
                        now.size >= file_.size && endsWithBreak_ && memo_->TextLength() == memoLength_;
  if (appended) {
    String bytes;
    const std::int64_t from = file_.size - static_cast<std::int64_t>(tail_.size());
    if (!ReadFrom(fd.Get(), from, bytes)) return false;
    if (bytes.compare(0, tail_.size(), tail_) == 0) {
      // What was read is what the file holds now, however it grew meanwhile.
      now.size = from + static_cast<std::int64_t>(bytes.size());
      Shown(now, bytes, false);
      return true;
    }
  }
  String bytes;
  if (!ReadFrom(fd.Get(), 0, bytes)) return false;
  now.size = static_cast<std::int64_t>(bytes.size());
  Shown(now, bytes, true);
  return true;
}

void TLogView::Shown(const FileState& State, const String& Bytes, bool Whole) {
  // Bytes: the whole file, or the tail shown already and what follows it.
  const std::size_t oldTail = Whole ? 0 : tail_.size();
  if (Whole) {
    ShowWhole(Bytes);
  } else if (Bytes.size() > oldTail) {
    // A line the file holds becomes a line of the memo, CR LF after it, as
    // loading the lines would make it.
    TStringList added;
    added.SetText(Bytes.substr(oldTail));
    memo_->AppendText(added.Text());
  }
  file_ = State;
  known_ = true;
  if (Whole || Bytes.size() > oldTail) {
    // A last line without its break (or a CR whose LF may follow) may go on:
    // then the next change reloads whole.
    endsWithBreak_ = Bytes.empty() || Bytes.back() == '\n';
    tail_ = Bytes.substr(Bytes.size() - std::min(Bytes.size(), kTailBytes));
  }
  memoLength_ = memo_->TextLength();
}

void TLogView::ShowWhole(const String& Bytes) {
  TStringList log;
  log.SetText(Bytes);
  // The same text again is not set again, so the user's scroll position and
  // selection survive a file written again with the same lines.
  if (memo_->Lines()->Text() != log.Text()) memo_->Lines()->Assign(&log);
}
