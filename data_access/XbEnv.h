#pragma once
// The settings component and the data-directory alias that tables look for
// among the application's data modules and forms at open. Only what the
// table reads is here: the components that push their settings to the engine
// arrive with the settings work.
#include <cstdint>

#include "class_library/Component.h"
#include "class_library/Types.h"

enum TXbDateFrmt { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish, dfWinDefault };

enum TXbApplyType { atLocal, atServer };
// A set of TXbApplyType: bit 0 atLocal, bit 1 atServer.
using TXbApplyTo = Byte;
inline constexpr TXbApplyTo ApplyToBit(TXbApplyType t) { return static_cast<TXbApplyTo>(1u << t); }

class TXbEnv : public TComponent {
public:
  explicit TXbEnv(TComponent* AOwner) : TComponent(AOwner) {}
  String ClassName() const override { return "TXbEnv"; }

  TXbApplyTo ApplyTo = ApplyToBit(atLocal);
  bool Century = true;
  TXbDateFrmt DateFormat = dfWinDefault;
  bool Deleted = false;
  std::int32_t LockTimeOut = 1;
  std::int16_t MemoBlockSize = 64;
  bool SoftSeek = false;
  bool Exact = false;
  std::int32_t Epoch = 1980;
  std::int32_t ErrorLevel = 0;
  bool CountNeedsRefresh = false;
  std::int32_t ErrorFunc = -1;
};

class TXbDatabase : public TComponent {
public:
  explicit TXbDatabase(TComponent* AOwner) : TComponent(AOwner) {}
  String ClassName() const override { return "TXbDatabase"; }

  String DataPath;
  String DataPathAlias;
};
