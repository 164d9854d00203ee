#pragma once
// Puts the global format settings back as a test found them, however it ends.
#include "class_library/core/FormatSettings.h"

class FormatSettingsGuard {
public:
  FormatSettingsGuard() : saved_(FormatSettings) {}
  // Also starts the test from Start (TFormatSettings(): the U.S. defaults).
  explicit FormatSettingsGuard(const TFormatSettings& Start) : saved_(FormatSettings) { FormatSettings = Start; }
  ~FormatSettingsGuard() { FormatSettings = saved_; }
  FormatSettingsGuard(const FormatSettingsGuard&) = delete;
  FormatSettingsGuard& operator=(const FormatSettingsGuard&) = delete;

private:
  TFormatSettings saved_;
};
