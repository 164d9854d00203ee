#pragma once
// The engine's process-wide settings.
#include <string>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/xbe61.h"

namespace xbe {

struct Settings {
  bool century = false;
  int dateCode = 0;          // see xb_SetDateFormat
  DateLayout layout;         // the layout dateCode stands for
  bool hideDeleted = false;  // SetDeleted
  int epoch = 1900;
  bool exact = false;
  bool softSeek = false;
  bool queryExact = false;
  bool optimistic = false;
  int lockTimeoutSeconds = 1;
  int memoBlockSize = 64;
  int errorLevel = 1;
  int stringType = 1;
  char delimiter = ',';
  std::string udfPath;
  xb_ErrorCallback errorCallback = nullptr;
  xb_GaugeCallback gaugeCallback = nullptr;

  int LockTimeoutMs() const { return lockTimeoutSeconds * 1000; }
};

}  // namespace xbe
