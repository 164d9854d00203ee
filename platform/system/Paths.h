#pragma once
// Where the running program lives. Every data file of the system sits in the
// program's own directory, so paths are formed as BaseDir() + name.
#include <string>

namespace sys {

// Absolute path of the running executable (from /proc/self/exe).
std::string ExePath();

// Directory of the running executable, always ending with '/'.
std::string BaseDir();

}  // namespace sys
