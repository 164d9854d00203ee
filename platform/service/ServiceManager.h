#pragma once
// The service manager of a Linux host is systemd: installing a service means
// writing a unit file for it, uninstalling means removing that file. The unit
// directory is /etc/systemd/system unless the environment variable
// TW_SYSTEMD_UNIT_DIR names another one (tests and unprivileged trials).
#include <stdexcept>
#include <string>
#include <vector>

namespace sys {

// Installing or uninstalling failed; the message says why.
class ServiceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class ServiceStartMode { Boot, System, Auto, Manual, Disabled };

// What the unit file records about a service.
struct ServiceUnit {
  std::string Name;          // unit name without ".service"
  std::string DisplayName;   // becomes the unit's Description
  std::string ExecPath;      // absolute path of the program
  std::string WorkingDirectory;
  ServiceStartMode StartMode = ServiceStartMode::Auto;
  std::vector<std::string> Dependencies;  // other service names, started first
  std::string UserName;      // empty: the system account
  unsigned StopTimeoutMs = 5000;
};

// The directory unit files are written to (no trailing '/').
std::string SystemdUnitDir();

// Full path of the unit file of the named service. Throws ServiceError for a
// name systemd would not accept (anything beyond letters, digits and ":_.-@"),
// so that a name can never point outside the unit directory.
std::string ServiceUnitPath(const std::string& name);

// The text of the unit file (LF line ends, as systemd expects), each value
// written by systemd's rules for its setting: "%" doubled everywhere;
// ExecStart= quoted (a program path with a quote or backslash, which systemd
// refuses as a program name, runs through /usr/bin/env); WorkingDirectory=
// verbatim. Throws ServiceError, saying why, for a program path or working
// directory systemd cannot express (not valid UTF-8, a control character,
// not absolute).
std::string ServiceUnitText(const ServiceUnit& unit);

// Writes the unit file (whole, never half-written) and nothing else. Throws
// ServiceError, writing nothing, when the unit cannot be expressed or written.
void InstallServiceUnit(const ServiceUnit& unit);

// Removes the unit file, the one file InstallServiceUnit writes. Throws
// ServiceError when it is not there or cannot be removed.
void UninstallServiceUnit(const std::string& name);

// True when the unit file of the named service exists.
bool ServiceUnitInstalled(const std::string& name);

}  // namespace sys
