#include "platform/system/Registry.h"

#include <cstdlib>

#include "platform/system/AsciiCase.h"
#include "platform/system/TextFile.h"

namespace sys {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// A key as compared: without surrounding backslashes, lower case.
std::string NormalizeKey(std::string key) {
  key = Trim(key);
  size_t b = key.find_first_not_of('\\');
  if (b == std::string::npos) return {};
  size_t e = key.find_last_not_of('\\');
  key = key.substr(b, e - b + 1);
  return AsciiLowerCase(key);
}

}  // namespace

std::string RegistryFilePath() {
  if (const char* f = std::getenv("TW_REGISTRY_FILE"); f && *f) return f;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/tarnwick/registry.ini";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/tarnwick/registry.ini";
}

std::optional<std::string> ReadRegistryString(const std::string& key, const std::string& name) {
  std::vector<std::string> lines;
  try {
    lines = ReadTextLines(RegistryFilePath());
  } catch (const FileError&) {
    return std::nullopt;
  }
  const std::string wantedKey = NormalizeKey(key);
  const std::string wantedName = AsciiLowerCase(Trim(name));
  bool inKey = false;
  for (const auto& raw : lines) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      inKey = NormalizeKey(line.substr(1, line.size() - 2)) == wantedKey;
      continue;
    }
    if (!inKey) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (AsciiLowerCase(Trim(line.substr(0, eq))) == wantedName) return Trim(line.substr(eq + 1));
  }
  return std::nullopt;
}

}  // namespace sys
