#pragma once
// Label rendering: fills the user's label design once per 100-line record of
// an RM spool file. The service module uses it for every order, the desktop
// program for its test label.
#include <functional>

#include "class_library/core/StringList.h"
#include "class_library/core/Types.h"

// The captions RM writes in front of the values of some record lines.
struct TLabelCaptions {
  String LabelsText = "Labels";
  String TimeText = "Time:";
  String MapText = "Map:";
  String TotalText = "Total:";
};

// Lines per spool record.
constexpr int SpoolRecordLines = 100;
// Modifier tags "<Item Mod[1]>" .. "<Item Mod[100]>" are filled or removed.
constexpr int MaxItemModifiers = 100;

// Fills the label design once per 100-line record of a spool file.
class TLabelRenderer {
public:
  TLabelCaptions Captions;
  // Loads the design into the list (called anew for every record); raises
  // when the design cannot be read.
  std::function<void(TStringList& Design)> LoadDesign;
  // The line count is not a multiple of 100: nothing is rendered.
  std::function<void()> OnIncompatible;
  // LoadDesign raised; the record is still rendered from whatever the list holds.
  std::function<void()> OnDesignError;

  // Escapes every "'" of SpoolLines as "\'" (in place), then replaces the
  // content of LabelLines by one filled design per record.
  void Render(TStringList& SpoolLines, TStringList& LabelLines) const;

  // The design text filled from the record starting at line Base.
  String FillRecord(const String& DesignText, const TStrings& Spool, int Base) const;
};
