#include "platform/system/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/system/AsciiCase.h"
#include "platform/system/FileTime.h"

namespace sys {

namespace {

bool NameExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Closes a directory stream on every path out.
struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The entry of dir whose name equals name ignoring case; the first in byte
// order when several do. Empty when none does.
std::string FindEntryIgnoringCase(const std::string& dir, const std::string& name) {
  DirHandle d(::opendir(dir.empty() ? "." : dir.c_str()));
  if (!d) return {};
  std::string best;
  while (dirent* e = ::readdir(d.get())) {
    std::string entry = e->d_name;
    if (SameAsciiText(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  return best;
}

// Attributes of an entry as searches report them.
int AttributesOf(const std::string& name, const struct stat& st) {
  int attr = 0;
  if (S_ISDIR(st.st_mode))
    attr |= faDirectory;
  else if (S_ISREG(st.st_mode))
    attr |= faArchive;
  else
    attr |= faSysFile;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
  if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
  return attr;
}

}  // namespace

struct FindState {
  struct Entry {
    std::string Name;
    int64_t Size;
    int Attr;
    double Time;
  };
  std::vector<Entry> Entries;
  size_t Next = 0;
};

SearchRec::SearchRec() = default;
SearchRec::~SearchRec() = default;
SearchRec::SearchRec(SearchRec&&) noexcept = default;
SearchRec& SearchRec::operator=(SearchRec&&) noexcept = default;

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(ResolveFileName(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(ResolveFileName(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) {
  std::string resolved = ResolveFileName(path);
  struct stat st;
  if (::lstat(resolved.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(resolved.c_str()) == 0;
}

std::string ResolveFileName(const std::string& path) {
  if (path.empty() || NameExists(path)) return path;

  const size_t pos0 = path[0] == '/' ? 1 : 0;
  std::string result(pos0, '/');
  size_t pos = pos0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    size_t end = slash == std::string::npos ? path.size() : slash;
    std::string part = path.substr(pos, end - pos);
    if (!part.empty()) {
      if (part == "." || part == ".." || NameExists(result + part)) {
        result += part;
      } else {
        // Strip the trailing '/' for opendir; "" stands for the current directory.
        std::string dir = result;
        if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        std::string match = FindEntryIgnoringCase(dir, part);
        if (match.empty()) return path;
        result += match;
      }
    }
    if (slash == std::string::npos) break;
    if (result.empty() || result.back() != '/') result += '/';
    pos = slash + 1;
  }
  return result;
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  // A mask ending in ".*" stands for "with any extension or none".
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos)
    return MatchesMask(name, mask.substr(0, mask.size() - 2));

  // Greedy match with one backtrack point: linear in practice, never exponential.
  size_t n = 0, m = 0;
  size_t starMask = std::string::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || AsciiLower(mask[m]) == AsciiLower(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

int FindFirst(const std::string& pathWithMask, int attr, SearchRec& rec) {
  FindClose(rec);
  std::string dir, mask;
  auto slash = pathWithMask.rfind('/');
  if (slash == std::string::npos) {
    mask = pathWithMask;
  } else {
    dir = pathWithMask.substr(0, slash == 0 ? 1 : slash);
    mask = pathWithMask.substr(slash + 1);
  }
  if (mask.empty()) return ENOENT;
  if (!dir.empty()) dir = ResolveFileName(dir);

  DirHandle d(::opendir(dir.empty() ? "." : dir.c_str()));
  if (!d) return errno;
  // Special entries show only when asked for; ordinary files always do.
  const int excluded = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  auto state = std::make_unique<FindState>();
  while (dirent* e = ::readdir(d.get())) {
    std::string name = e->d_name;
    if (!MatchesMask(name, mask)) continue;
    struct stat st;
    if (::fstatat(::dirfd(d.get()), e->d_name, &st, 0) != 0 &&
        ::fstatat(::dirfd(d.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      continue;  // vanished since readdir
    int a = AttributesOf(name, st);
    if (a & excluded) continue;
    state->Entries.push_back({name, S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size), a,
                              FileTimeToDateTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec)});
  }
  if (state->Entries.empty()) return ENOENT;
  std::sort(state->Entries.begin(), state->Entries.end(),
            [](const FindState::Entry& x, const FindState::Entry& y) { return x.Name < y.Name; });
  rec.State = std::move(state);
  return FindNext(rec);
}

int FindNext(SearchRec& rec) {
  if (!rec.State || rec.State->Next >= rec.State->Entries.size()) return ENOENT;
  const auto& e = rec.State->Entries[rec.State->Next++];
  rec.Name = e.Name;
  rec.Size = e.Size;
  rec.Attr = e.Attr;
  rec.Time = e.Time;
  return 0;
}

void FindClose(SearchRec& rec) { rec.State.reset(); }

}  // namespace sys
