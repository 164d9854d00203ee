#include "platform/system/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sys {

namespace {

// The directory for lock files: the session's runtime directory when there is
// one, else a private directory in /tmp that must be ours and not a link.
std::string RuntimeDir(std::string& error) {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    struct stat st;
    if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return std::string(xdg) + "/";
  }
  std::string dir = "/tmp/tarnwick-" + std::to_string(::getuid());
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "cannot create " + dir + ": " + std::strerror(errno);
    return {};
  }
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 0022) != 0) {
    error = dir + " is not a private directory of this user";
    return {};
  }
  return dir + "/";
}

}  // namespace

std::string NamedMutex::LockFilePath(const std::string& name) {
  std::string error;
  std::string dir = RuntimeDir(error);
  if (dir.empty()) return {};
  // Names may hold characters a file name cannot ("Global\Name"); distinct
  // names must stay distinct, so replaced bytes are written as hex.
  std::string file = "tarnwick-mutex-";
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-') {
      file += static_cast<char>(c);
    } else {
      file += '_';
      file += kHex[c >> 4];
      file += kHex[c & 15];
    }
  }
  if (file.size() > 200) file.resize(200);
  return dir + file + ".lock";
}

NamedMutex::NamedMutex(const std::string& name) {
  std::string error;
  if (RuntimeDir(error).empty()) {
    error_ = error;
    return;
  }
  const std::string path = LockFilePath(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = "cannot open " + path + ": " + std::strerror(errno);
    return;
  }
  // An open-file-description lock: it conflicts with every other open of the
  // file, in this process too, and vanishes when the description is closed.
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) {
    fd_ = fd;
    return;
  }
  const int err = errno;
  ::close(fd);
  if (err == EAGAIN || err == EACCES)
    alreadyExists_ = true;
  else
    error_ = "cannot lock " + path + ": " + std::strerror(err);
}

NamedMutex::~NamedMutex() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace sys
