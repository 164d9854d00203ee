#pragma once
// TXbEnv holds the engine's process-wide settings (date format, century,
// epoch, soft seek, exact matching, deleted records, lock time-out, memo block
// size) and pushes every change to the engine on this machine and to the
// database server, as its ApplyTo says. Tables look for the first one among
// the application's data modules and forms when they open and take its
// settings; TXbDatabase (the data-directory alias) lives in XbDatabase.h.
#include <cstdint>

#include "class_library/components/Component.h"
#include "class_library/core/Types.h"
#include "data_access/XbDatabase.h"

class TXbConnection;

enum TXbDateFrmt { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish, dfWinDefault };

enum TXbApplyType { atLocal, atServer };
// A set of TXbApplyType: bit 0 atLocal, bit 1 atServer.
using TXbApplyTo = Byte;
inline constexpr TXbApplyTo ApplyToBit(TXbApplyType t) { return static_cast<TXbApplyTo>(1u << t); }

class TXbEnv : public TComponent {
public:
  // The defaults; nothing reaches the engine yet.
  explicit TXbEnv(TComponent* AOwner) : TComponent(AOwner) {}
  String ClassName() const override { return "TXbEnv"; }
  // Loads the engine when the settings apply to this machine only.
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

  // Where a change is applied; with neither, every setter does nothing.
  TXbApplyTo ApplyTo() const { return applyTo_; }
  void SetApplyTo(TXbApplyTo Value) { applyTo_ = Value; }
  // The connection that receives the server-side changes.
  TXbConnection* XbConnection() const { return xbConnection_; }
  void SetXbConnection(TXbConnection* Value);
  // Refresh every open table after a change of date format, century or
  // deleted records.
  bool AutoRefresh() const { return autoRefresh_; }
  void SetAutoRefresh(bool Value) { autoRefresh_ = Value; }

  // Each setter below sends the change to the server first (when ApplyTo
  // has atServer and the connection is active), then to the engine (when it
  // has atLocal). Date format and century also set the process's short date
  // format and date separator.
  bool Century() const { return century_; }
  void SetCentury(bool Value);
  TXbDateFrmt DateFormat() const { return dateFormat_; }
  void SetDateFormat(TXbDateFrmt Value);
  bool Deleted() const { return deleted_; }
  void SetDeleted(bool Value);
  std::int32_t LockTimeOut() const { return lockTimeOut_; }
  void SetLockTimeOut(std::int32_t Value);
  std::int16_t MemoBlockSize() const { return memoBlockSize_; }
  void SetMemoBlockSize(std::int16_t Value);
  // Engine-only: False unless ApplyTo has atLocal; the engine's answer once set.
  bool OptimisticBuffer() const;
  void SetOptimisticBuffer(bool Value);
  bool SoftSeek() const { return softSeek_; }
  void SetSoftSeek(bool Value);
  bool Exact() const { return exact_; }
  void SetExact(bool Value);
  // 0 is taken as 1900; kept within 100..2999.
  std::int32_t Epoch() const { return epoch_; }
  void SetEpoch(std::int32_t Value);

  // Sends every setting this component has been given to the connection's
  // server (server steps only): a server session starts with the server's
  // own settings, so the connection calls it whenever it (re)connects.
  void PushToServer(TXbConnection& Connection);

  // Copied into a table at its open.
  std::int32_t ErrorLevel() const { return errorLevel_; }
  bool CountNeedsRefresh() const { return countNeedsRefresh_; }
  std::int32_t ErrorFunc() const { return errorFunc_; }

private:
  bool Applies(TXbApplyType Where) const { return (applyTo_ & ApplyToBit(Where)) != 0; }
  // The connection, when a change is to reach the server now.
  TXbConnection* ServerTarget() const;
  // Loads the engine for a local change; raises when it cannot be loaded.
  static void NeedEngine();
  // Refreshes every active table the application holds, when AutoRefresh is set.
  void RefreshTables();

  // The settings a setter has stored (bits of Setting): the ones a new
  // server session is given.
  enum Setting : unsigned {
    kLockTimeOut = 1u << 0,
    kMemoBlockSize = 1u << 1,
    kSoftSeek = 1u << 2,
    kExact = 1u << 3,
    kDeleted = 1u << 4,
    kEpoch = 1u << 5,
    kCentury = 1u << 6,
    kDateFormat = 1u << 7,
  };
  unsigned given_ = 0;

  TXbApplyTo applyTo_ = ApplyToBit(atLocal);
  TXbConnection* xbConnection_ = nullptr;
  bool autoRefresh_ = true;
  bool century_ = true;
  TXbDateFrmt dateFormat_ = dfWinDefault;
  bool deleted_ = false;
  std::int32_t lockTimeOut_ = 1;
  std::int16_t memoBlockSize_ = 64;
  bool optimisticBuffer_ = false;
  bool softSeek_ = false;
  bool exact_ = false;
  std::int32_t epoch_ = 1980;
  std::int32_t errorLevel_ = 0;
  bool countNeedsRefresh_ = false;
  std::int32_t errorFunc_ = -1;
};

// The process's short date format and date separator for a date format, with
// the century edit applied (Century: "yy" becomes "yyyy", else the reverse).
struct TXbDateFormatText {
  String ShortDateFormat;
  char DateSeparator = '/';
};
TXbDateFormatText DateFormatText(TXbDateFrmt Format);
String CenturyEdit(const String& Format, bool Century);
