#include "platform/service/ServiceManager.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/system/Files.h"
#include "platform/system/TextFile.h"
#include "platform/system/Utf8.h"

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

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// systemd reads unit files as UTF-8 and ends a setting at the line's end; it
// expands "%" specifiers in every setting used here ("%%" is a percent sign).
std::string Specifiers(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

// A free-text value (Description=, User=): taken as it stands after the
// specifiers. Control characters (a line break would start a new setting)
// become blanks; a trailing backslash would join the next line to it.
std::string TextValue(const std::string& setting, const std::string& value) {
  if (!IsValidUtf8(value)) {
    throw ServiceError(setting + "= cannot hold \"" + value + "\": systemd reads only UTF-8");
  }
  std::string out;
  for (char c : value) out += IsControl(c) ? ' ' : c;
  while (!out.empty() && (out.back() == '\\' || out.back() == ' ')) out.pop_back();
  return Specifiers(out);
}

// A path systemd can hold in WorkingDirectory= (taken verbatim, no quoting)
// and in ExecStart=: valid UTF-8 without control characters. Anything else
// is refused with the reason.
void CheckUnitPath(const std::string& what, const std::string& path) {
  const char* why = nullptr;
  if (!IsValidUtf8(path)) {
    why = "it is not valid UTF-8";
  } else if (std::any_of(path.begin(), path.end(), IsControl)) {
    why = "it holds a control character";
  } else if (path.empty() || path.front() != '/') {
    why = "it is not absolute";
  }
  if (why != nullptr) {
    throw ServiceError("systemd cannot express the " + what + " \"" + path + "\" in a unit file: " + why +
                       ". Move the program to a directory whose path is valid UTF-8 without control characters.");
  }
}

// True when systemd takes path as the program of ExecStart= itself: it
// refuses quotes and backslashes in a program's name even where quoting
// would carry them.
bool PlainProgramPath(const std::string& path) {
  return path.find_first_of("\"'\\") == std::string::npos;
}

// One word of ExecStart=, double-quoted (blanks stay in the word). Inside
// the quotes systemd undoes C escapes; in an argument "$" starts a variable
// ("$$" is a dollar sign), in the program's own name it stays as it is.
std::string CommandWord(const std::string& word, bool isProgram) {
  std::string out = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '$' && !isProgram) out += '$';
    out += c;
  }
  out += '"';
  return Specifiers(out);
}

// ExecStart=: the program quoted, or, for a program path systemd refuses as
// a program name, started through env with the path as an argument (which
// may hold any character once escaped).
std::string ExecStartValue(const std::string& program) {
  if (PlainProgramPath(program)) return CommandWord(program, true);
  return "/usr/bin/env " + CommandWord(program, false);
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
  CheckUnitPath("program path", unit.ExecPath);
  if (!unit.WorkingDirectory.empty()) CheckUnitPath("working directory", unit.WorkingDirectory);
  std::string text = "[Unit]\n";
  const std::string& description = unit.DisplayName.empty() ? unit.Name : unit.DisplayName;
  text += "Description=" + TextValue("Description", description) + "\n";
  for (const auto& dep : unit.Dependencies) {
    ServiceUnitPath(dep);  // validates the name
    text += "Requires=" + dep + ".service\n";
    text += "After=" + dep + ".service\n";
  }
  text += "\n[Service]\n";
  text += "Type=simple\n";
  text += "ExecStart=" + ExecStartValue(unit.ExecPath) + "\n";
  if (!unit.WorkingDirectory.empty()) {
    // Taken verbatim (no quotes) but for the specifiers; systemd would drop
    // a trailing blank, a final '/' keeps it.
    std::string dir = unit.WorkingDirectory;
    if (dir.back() == ' ') dir += '/';
    text += "WorkingDirectory=" + Specifiers(dir) + "\n";
  }
  if (!unit.UserName.empty()) text += "User=" + TextValue("User", unit.UserName) + "\n";
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
