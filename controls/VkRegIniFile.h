#pragma once
// Where settings live (an INI file or a registry key, a special folder).
// In this system the component only holds the values: the frame
// controller's RegIniFile names one, and nothing reads or writes settings
// through it.
#include "class_library/components/Component.h"

enum TVkPathType { ptIniFile, ptRegistry };
enum TVkRegKey {
  hkeyClassesRoot,
  hkeyCurrentUser,
  hkeyLocalMachine,
  hkeyUsers,
  hkeyPerformanceData,
  hkeyCurrentConfig,
  hkeyDynData
};
enum TVkRegAccessKey {
  keyQueryValue,
  keySetValue,
  keyCreateSubKey,
  keyEnumerateSubKeys,
  keyNotify,
  keyCreateLink,
  keyRead,
  keyWrite,
  keyExecute,
  keyAllAccess
};
using TVkRegAccess = unsigned;  // bit n: TVkRegAccessKey n
enum TVkSpecialFolder { sfNone, sfUserAppDataRoaming, sfUserAppDataLocal, sfUserDocuments, sfProgramData };

class TVkRegIniFile : public TComponent {
public:
  explicit TVkRegIniFile(TComponent* AOwner);
  String ClassName() const override { return "TVkRegIniFile"; }

  const String& Path() const { return path_; }
  void SetPath(const String& Value);
  TVkPathType PathType() const { return pathType_; }
  void SetPathType(TVkPathType Value);
  TVkRegKey RegKey() const { return regKey_; }
  void SetRegKey(TVkRegKey Value);
  TVkRegAccess RegAccess() const { return regAccess_; }
  void SetRegAccess(TVkRegAccess Value);
  TVkSpecialFolder SpecialFolder() const { return specialFolder_; }
  void SetSpecialFolder(TVkSpecialFolder Value);
  // True from creation and after every change.
  bool Dirty() const { return dirty_; }

private:
  String path_;
  TVkPathType pathType_ = ptIniFile;
  TVkRegKey regKey_ = hkeyCurrentUser;
  TVkRegAccess regAccess_ = 1u << keyAllAccess;
  TVkSpecialFolder specialFolder_ = sfNone;
  bool dirty_ = true;
};
