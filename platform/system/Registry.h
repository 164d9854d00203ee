#pragma once
// Per-user settings that other programs keep under registry-style keys. They
// live in an INI-style file:
//   $TW_REGISTRY_FILE, else $XDG_CONFIG_HOME/tarnwick/registry.ini,
//   else $HOME/.config/tarnwick/registry.ini
// with one section per key and name=value lines:
//   [\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
//   ColorName=NormalColor
// Keys and names compare ignoring ASCII case; leading and trailing backslashes
// of a key do not matter. Lines starting with ';' or '#' are comments.
#include <optional>
#include <string>

namespace sys {

// The path of the settings file in use.
std::string RegistryFilePath();

// The value of name under key; nullopt when the file, the key or the name is missing.
std::optional<std::string> ReadRegistryString(const std::string& key, const std::string& name);

}  // namespace sys
