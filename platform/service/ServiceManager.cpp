#include "platform/service/ServiceManager.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/system/Files.h"
#include "platform/system/TextFile.h"

namespace sys {

namespace {

bool ValidUnitName(const std::string& name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == ':' || c == '_' || c == '.' || c == '-' || c == '@';
    if (!ok) return false;
  }
  return name != "." && name != "..";
}

// A value on one unit line: systemd expands "%" specifiers, so a literal
// percent sign is doubled; a line break would start a new directive.
std::string UnitValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\n' || c == '\r') {
      out += ' ';
    } else if (c == '%') {
      out += "%%";
    } else {
      out += c;
    }
  }
  return out;
}

// One word of a command line, quoted so that blanks, quotes, backslashes and
// "$" reach the program unchanged.
std::string QuotedCommandWord(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '$') {
      out += "$$";
    } else {
      out += c;
    }
  }
  out += '"';
  return UnitValue(out);
}

}  // namespace

std::string SystemdUnitDir() {
  const char* dir = std::getenv("TW_SYSTEMD_UNIT_DIR");
  std::string result = (dir != nullptr && *dir != '\0') ? dir : "/etc/systemd/system";
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

std::string ServiceUnitPath(const std::string& name) {
  if (!ValidUnitName(name)) throw ServiceError("Invalid service name \"" + name + "\"");
  return SystemdUnitDir() + "/" + name + ".service";
}

std::string ServiceUnitText(const ServiceUnit& unit) {
  std::string text = "[Unit]\n";
  text += "Description=" + UnitValue(unit.DisplayName.empty() ? unit.Name : unit.DisplayName) + "\n";
  for (const auto& dep : unit.Dependencies) {
    ServiceUnitPath(dep);  // validates the name
    text += "Requires=" + dep + ".service\n";
    text += "After=" + dep + ".service\n";
  }
  text += "\n[Service]\n";
  text += "Type=simple\n";
  text += "ExecStart=" + QuotedCommandWord(unit.ExecPath) + "\n";
  if (!unit.WorkingDirectory.empty()) {
    text += "WorkingDirectory=" + QuotedCommandWord(unit.WorkingDirectory) + "\n";
  }
  if (!unit.UserName.empty()) text += "User=" + UnitValue(unit.UserName) + "\n";
  text += "KillSignal=SIGTERM\n";
  text += "TimeoutStopSec=" + std::to_string((unit.StopTimeoutMs + 999) / 1000) + "\n";
  text += "Restart=no\n";
  switch (unit.StartMode) {
    case ServiceStartMode::Boot:
    case ServiceStartMode::System:
    case ServiceStartMode::Auto:
      text += "\n[Install]\nWantedBy=multi-user.target\n";
      break;
    case ServiceStartMode::Manual:
    case ServiceStartMode::Disabled:
      break;
  }
  return text;
}

void InstallServiceUnit(const ServiceUnit& unit) {
  std::string path = ServiceUnitPath(unit.Name);
  if (unit.ExecPath.empty() || unit.ExecPath.front() != '/') {
    throw ServiceError("The program path \"" + unit.ExecPath + "\" is not absolute");
  }
  std::string text = ServiceUnitText(unit);
  try {
    WriteFileAtomic(path, text, true);
  } catch (const FileError& e) {
    throw ServiceError(e.what());
  }
}

void UninstallServiceUnit(const std::string& name) {
  std::string path = ServiceUnitPath(name);
  if (!FileExists(path)) throw ServiceError("The service " + name + " is not installed (" + path + ")");
  if (::unlink(path.c_str()) != 0) {
    throw ServiceError("Cannot remove " + path + ": " + std::strerror(errno));
  }
}

bool ServiceUnitInstalled(const std::string& name) { return FileExists(ServiceUnitPath(name)); }

}  // namespace sys
