#include "platform/system/Paths.h"

#include <unistd.h>

#include <vector>

namespace sys {

std::string ExePath() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);  // the link text may have been cut short
  }
}

std::string BaseDir() {
  std::string exe = ExePath();
  auto slash = exe.rfind('/');
  if (slash == std::string::npos) return "./";
  return exe.substr(0, slash + 1);
}

}  // namespace sys
