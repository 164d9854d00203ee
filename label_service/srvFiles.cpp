#include "label_service/srvFiles.h"

#include "class_library/core/SysUtils.h"

void TTarnwickSettings::ReadFrom(const TStrings& Lines) {
  SPLDirSource = Lines.Values("SPLDirSource");
  SPLDirDest = Lines.Values("SPLDirDest");
  SPLDirBackup = Lines.Values("SPLDirBackup");
  LabelsText = Lines.Values("LabelsText");
  TimeText = Lines.Values("TimeText");
  MapText = Lines.Values("MapText");
  TotalText = Lines.Values("TotalText");
}

void TTarnwickSettings::AppendTo(TStrings& Lines) const {
  Lines.Add("SPLDirSource=" + SPLDirSource);
  Lines.Add("SPLDirDest=" + SPLDirDest);
  Lines.Add("SPLDirBackup=" + SPLDirBackup);
  Lines.Add("LabelsText=" + LabelsText);
  Lines.Add("TimeText=" + TimeText);
  Lines.Add("MapText=" + MapText);
  Lines.Add("TotalText=" + TotalText);
}

String FreeFileName(const String& Dir, const String& Name) {
  // FileExists matches names in any case, as RM's world does.
  if (!FileExists(Dir + "/" + Name)) return Name;
  const size_t dot = Name.rfind('.');
  const String stem = dot == String::npos ? Name : Name.substr(0, dot);
  const String ext = dot == String::npos ? String() : Name.substr(dot);
  for (int n = 2;; ++n) {
    String candidate = stem + "-" + IntToStr(n) + ext;
    if (!FileExists(Dir + "/" + candidate)) return candidate;
  }
}
