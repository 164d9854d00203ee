#include "controls/VkRegIniFile.h"

#include "class_library/components/TypeInfo.h"

namespace {

const bool kRegistered = [] {
  RegisterClass<TVkRegIniFile>("TVkRegIniFile", "TComponent")
      .Str("Path", &TVkRegIniFile::Path, &TVkRegIniFile::SetPath)
      .Enum("PathType", {"ptIniFile", "ptRegistry"}, &TVkRegIniFile::PathType, &TVkRegIniFile::SetPathType, ptIniFile)
      .Enum("RegKey",
            {"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers", "hkeyPerformanceData",
             "hkeyCurrentConfig", "hkeyDynData"},
            &TVkRegIniFile::RegKey, &TVkRegIniFile::SetRegKey, hkeyCurrentUser)
      .Set("RegAccess",
           {"keyQueryValue", "keySetValue", "keyCreateSubKey", "keyEnumerateSubKeys", "keyNotify", "keyCreateLink",
            "keyRead", "keyWrite", "keyExecute", "keyAllAccess"},
           &TVkRegIniFile::RegAccess, &TVkRegIniFile::SetRegAccess, 1u << keyAllAccess)
      .Enum("SpecialFolder", {"sfNone", "sfUserAppDataRoaming", "sfUserAppDataLocal", "sfUserDocuments", "sfProgramData"},
            &TVkRegIniFile::SpecialFolder, &TVkRegIniFile::SetSpecialFolder, sfNone);
  return true;
}();

template <class T>
void Store(T& Field, const T& Value, bool& Dirty) {
  if (Field == Value) return;
  Field = Value;
  Dirty = true;
}

}  // namespace

TVkRegIniFile::TVkRegIniFile(TComponent* AOwner) : TComponent(AOwner) { (void)kRegistered; }

void TVkRegIniFile::SetPath(const String& Value) { Store(path_, Value, dirty_); }
void TVkRegIniFile::SetPathType(TVkPathType Value) { Store(pathType_, Value, dirty_); }
void TVkRegIniFile::SetRegKey(TVkRegKey Value) { Store(regKey_, Value, dirty_); }
void TVkRegIniFile::SetRegAccess(TVkRegAccess Value) { Store(regAccess_, Value, dirty_); }
void TVkRegIniFile::SetSpecialFolder(TVkSpecialFolder Value) { Store(specialFolder_, Value, dirty_); }
