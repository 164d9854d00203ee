#pragma once
// Running another program from a test: what a shell command prints, and
// whether a Python module the interoperability tests read tables with is
// installed.
#include <cstdio>
#include <cstdlib>
#include <string>

// What the command prints on standard output and standard error together.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// True when /usr/bin/python3 can import the module.
inline bool HavePythonModule(const std::string& module) {
  return std::system(("/usr/bin/python3 -c 'import " + module + "' >/dev/null 2>&1").c_str()) == 0;
}
