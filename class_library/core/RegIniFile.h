#pragma once
// Settings another program keeps in the per-user registry stand-in
// (platform/system/Registry.h), read section by section as an INI file:
// TRegIniFile("\Software\Maker\Program").ReadString("Section", "Name", "").
#include "class_library/core/Object.h"

class TRegIniFile : public TObject {
public:
  explicit TRegIniFile(const String& FileName) : path_(FileName) {}
  String ClassName() const override { return "TRegIniFile"; }
  const String& FileName() const { return path_; }
  // The value of Ident under the key FileName\Section, or Default.
  String ReadString(const String& Section, const String& Ident, const String& Default) const;
  int ReadInteger(const String& Section, const String& Ident, int Default) const;
  bool ReadBool(const String& Section, const String& Ident, bool Default) const;

private:
  String path_;
};
