#pragma once
// The files the label service shares with the desktop program, all in the
// base directory, and the seven settings of the configuration file.
//
//   Tarnwick.cfg       the settings, lines Name=Value
//   Tarnwick.err       the status code, one line
//   Tarnwick.txt       the service's log; present only while it runs
//   TWKConfigChanged   the reload flag: the service reloads when it exists
//   LabelDesign.txt    the label design
#include "class_library/core/StringList.h"
#include "class_library/core/Types.h"

inline const String ConfigFileName = "Tarnwick.cfg";
inline const String StatusFileName = "Tarnwick.err";
inline const String LogFileName = "Tarnwick.txt";
inline const String ReloadFlagName = "TWKConfigChanged";
inline const String LabelDesignName = "LabelDesign.txt";

// The seven settings. The directories are names of sub-directories of the
// base directory, joined to it with no separator added.
struct TTarnwickSettings {
  String SPLDirSource, SPLDirDest, SPLDirBackup;
  String LabelsText, TimeText, MapText, TotalText;

  // Each setting from the line of its name (names matched ignoring case, the
  // first line of a name wins); a missing name gives the empty text.
  void ReadFrom(const TStrings& Lines);
  // Appends the seven lines Name=Value in the file's order.
  void AppendTo(TStrings& Lines) const;
};

// Name when no file of that name (in any case) is in Dir, else the first free
// stem-n.ext (n = 2, 3, ...): a new file never replaces another one.
String FreeFileName(const String& Dir, const String& Name);
