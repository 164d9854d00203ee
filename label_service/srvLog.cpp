#include "label_service/srvLog.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "class_library/core/Exceptions.h"
#include "platform/system/TextFile.h"
#include "platform/system/UniqueFd.h"

namespace {

String LinesFrom(const TStrings& Lines, int First) {
  String text;
  for (int i = First; i < Lines.Count(); ++i) {
    text += Lines.Strings(i);
    text += "\r\n";
  }
  return text;
}

}  // namespace

void TAppendLogFile::Forget() { written_ = false; }

void TAppendLogFile::Remove() {
  struct stat st {};
  if (written_ && ::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
    ::unlink(path_.c_str());
  }
  written_ = false;
}

void TAppendLogFile::Update(const TStrings& Lines) {
  if (written_ && Lines.Count() >= lines_ && Append(Lines)) return;
  Rewrite(Lines);
}

bool TAppendLogFile::Append(const TStrings& Lines) {
  sys::UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return false;
  // Only a file that still holds exactly what was written last is extended.
  if (st.st_dev != device_ || st.st_ino != inode_ || st.st_size != bytes_) return false;
  String text = LinesFrom(Lines, lines_);
  if (text.empty()) return true;
  ssize_t n;
  do {
    n = ::write(fd.Get(), text.data(), text.size());
  } while (n < 0 && errno == EINTR);
  if (n != static_cast<ssize_t>(text.size())) return false;  // rewritten whole below
  bytes_ += n;
  lines_ = Lines.Count();
  return true;
}

void TAppendLogFile::Rewrite(const TStrings& Lines) {
  written_ = false;
  String text = LinesFrom(Lines, 0);
  try {
    sys::WriteFileAtomic(path_, text);
  } catch (const std::exception& e) {
    throw EFCreateError(e.what());
  }
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return;  // gone already: written whole next time
  device_ = st.st_dev;
  inode_ = st.st_ino;
  bytes_ = st.st_size;
  lines_ = Lines.Count();
  written_ = static_cast<std::int64_t>(text.size()) == bytes_;
}
