#include "class_library/core/RegIniFile.h"

#include "class_library/core/SysUtils.h"
#include "platform/system/Registry.h"

String TRegIniFile::ReadString(const String& Section, const String& Ident, const String& Default) const {
  String key = path_;
  if (!Section.empty()) key += "\\" + Section;
  std::optional<std::string> value = sys::ReadRegistryString(key, Ident);
  return value ? *value : Default;
}

int TRegIniFile::ReadInteger(const String& Section, const String& Ident, int Default) const {
  return StrToIntDef(ReadString(Section, Ident, String()), Default);
}

bool TRegIniFile::ReadBool(const String& Section, const String& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}
