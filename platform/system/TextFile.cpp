#include "platform/system/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/system/AsciiCase.h"
#include "platform/system/Files.h"
#include "platform/system/UniqueFd.h"

namespace sys {

namespace {

std::string ExtensionOf(const std::string& name) {
  auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::string RandomSuffix() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 gen(std::random_device{}() ^ (static_cast<unsigned>(::getpid()) << 8) ^
                                counter.fetch_add(1));
  std::string s(6, 'x');
  for (char& c : s) c = kChars[gen() % (sizeof kChars - 1)];
  return s;
}

// Creates a new, empty temporary file next to target. The name is a dot file
// whose extension never equals the target's, so a reader scanning the
// directory by the target's mask never picks up a half-written file.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
  auto slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.size() > 100) base.resize(100);  // keep within the file system's name limit
  const std::string targetExt = ExtensionOf(base);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = RandomSuffix();
    if (SameAsciiText("." + suffix, targetExt)) continue;
    tempPath = dir + "." + base + "." + suffix;
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

FileError::FileError(const std::string& path, const std::string& what, int err)
    : std::runtime_error(what + " \"" + path + "\". " + std::strerror(err)), path_(path), err_(err) {}

std::vector<std::string> SplitTextLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::string ReadFileBytes(const std::string& path) {
  const std::string file = ResolveFileName(path);
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) throw FileError(path, "Cannot open file", errno);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) throw FileError(path, "Cannot read file", errno);
  if (S_ISDIR(st.st_mode)) throw FileError(path, "Cannot open file", EISDIR);
  std::string bytes;
  if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(path, "Cannot read file", errno);
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  return bytes;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  return SplitTextLines(ReadFileBytes(path));
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool syncToDisk) {
  std::string bytes;
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  bytes.reserve(total);
  for (const auto& l : lines) {
    bytes += l;
    bytes += "\r\n";
  }
  WriteFileAtomic(path, bytes, syncToDisk);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes, bool syncToDisk) {
  if (path.empty() || path.back() == '/') throw FileError(path, "Cannot create file", EISDIR);
  const std::string target = ResolveFileName(path);
  // The rename below needs only the directory's permission: a file the user
  // may not write must be refused here, not silently replaced.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    throw FileError(path, "Cannot create file", errno);
  }
  std::string temp;
  UniqueFd fd(CreateTempBeside(target, temp));
  if (fd.Get() < 0) throw FileError(path, "Cannot create file", errno);

  auto fail = [&](const char* what, int err) {
    fd.Close();
    ::unlink(temp.c_str());
    throw FileError(path, what, err);
  };

  // A replaced file keeps its permissions.
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd.Get(), st.st_mode & 07777);

  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd.Get(), p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Cannot write file", errno);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (syncToDisk && ::fsync(fd.Get()) != 0) fail("Cannot write file", errno);
  if (fd.Close() != 0) fail("Cannot write file", errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) fail("Cannot create file", errno);

  if (syncToDisk) {
    // Make the new directory entry itself durable.
    auto slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    UniqueFd dfd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dfd.Get() >= 0) ::fsync(dfd.Get());
  }
}

}  // namespace sys
