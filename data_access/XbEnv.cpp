#include "data_access/XbEnv.h"

#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "class_library/core/FormatSettings.h"
#include "class_library/components/TypeInfo.h"
#include "data_access/XBE60.h"
#include "data_access/XbConn.h"
#include "data_access/XbDSet.h"
#include "data_access/XbError.h"
#include "data_access/XbSearch.h"
#include "platform/system/Locale.h"

namespace {

// Booleans reach the engine as -1 (true) or 0.
int Flag(bool On) { return On ? -1 : 0; }

}  // namespace

// ---- the date format table --------------------------------------------------------

TXbDateFormatText DateFormatText(TXbDateFrmt Format) {
  switch (Format) {
    case dfAmerican: return {"mm/dd/yy", '/'};
    case dfAnsi: return {"yy.mm.dd", '.'};
    case dfBritish:
    case dfFrench: return {"dd/mm/yy", '/'};
    case dfGerman: return {"dd.mm.yy", '.'};
    case dfItalian:
    case dfSpanish: return {"dd-mm-yy", '-'};
    case dfWinDefault: break;
  }
  const sys::LocaleFormats locale = sys::ReadLocaleFormats();
  TXbDateFormatText text;
  text.ShortDateFormat = locale.ShortDateFormat.empty() ? String("m/d/yy") : String(locale.ShortDateFormat);
  text.DateSeparator = locale.DateSeparator != '\0' ? locale.DateSeparator : '/';
  return text;
}

String CenturyEdit(const String& Format, bool Century) {
  String result = Format;
  if (Century) {
    const size_t yy = result.find("yy");
    if (result.find("yyyy") == String::npos && yy != String::npos) result.replace(yy, 2, "yyyy");
  } else {
    const size_t yyyy = result.find("yyyy");
    if (yyyy != String::npos) result.replace(yyyy, 4, "yy");
  }
  return result;
}

// ---- TXbEnv -------------------------------------------------------------------------

void TXbEnv::FinishLoading() {
  TComponent::FinishLoading();
  if (applyTo_ == ApplyToBit(atLocal)) EnsureEngineLoaded();
}

void TXbEnv::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == xbConnection_) xbConnection_ = nullptr;
}

void TXbEnv::SetXbConnection(TXbConnection* Value) {
  if (Value == xbConnection_) return;
  if (xbConnection_) {
    xbConnection_->DetachEnv(this);
    RemoveFreeNotification(xbConnection_);
  }
  xbConnection_ = Value;
  if (Value) {
    FreeNotification(Value);
    Value->AttachEnv(this);
  }
}

void TXbEnv::PushToServer(TXbConnection& Connection) {
  if (!Applies(atServer) || !Connection.Active()) return;
  // In the order of the setters; a connection that breaks on the way is
  // left alone.
  const std::pair<unsigned, std::function<void()>> steps[] = {
      {kLockTimeOut, [&] { Connection.SetLockTimeOut(lockTimeOut_); }},
      {kMemoBlockSize, [&] { Connection.SetMemoBlockSize(memoBlockSize_); }},
      {kSoftSeek, [&] { Connection.SetSoftSeek(softSeek_); }},
      {kExact, [&] { Connection.SetExact(exact_); }},
      {kDeleted, [&] { Connection.SetDeleted(deleted_); }},
      {kEpoch, [&] { Connection.SetEpoch(static_cast<std::int16_t>(epoch_)); }},
      {kDateFormat,
       [&] { Connection.SetDateFormat(dateFormat_ == dfWinDefault ? 99 : static_cast<int>(dateFormat_)); }},
      {kCentury, [&] { Connection.SetCentury(century_); }},
  };
  for (const auto& [bit, step] : steps) {
    if ((given_ & bit) == 0) continue;
    if (!Connection.Active()) return;
    step();
  }
}

TXbConnection* TXbEnv::ServerTarget() const {
  // An inactive or missing connection is passed over without an error.
  if (!Applies(atServer) || !xbConnection_ || !xbConnection_->Active()) return nullptr;
  return xbConnection_;
}

void TXbEnv::NeedEngine() {
  if (!EnsureEngineLoaded()) throw EXbError(XbEngineMissingMessage);
}

void TXbEnv::SetLockTimeOut(std::int32_t Value) {
  if (applyTo_ == 0 || Value == lockTimeOut_) return;
  if (TXbConnection* c = ServerTarget()) c->SetLockTimeOut(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetLockTimeout(Value);
  }
  lockTimeOut_ = Value;
  given_ |= kLockTimeOut;
}

void TXbEnv::SetMemoBlockSize(std::int16_t Value) {
  if (applyTo_ == 0 || Value == memoBlockSize_) return;
  if (TXbConnection* c = ServerTarget()) c->SetMemoBlockSize(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetMemoBlockSize(Value);
  }
  memoBlockSize_ = Value;
  given_ |= kMemoBlockSize;
}

bool TXbEnv::OptimisticBuffer() const { return Applies(atLocal) && optimisticBuffer_; }

void TXbEnv::SetOptimisticBuffer(bool Value) {
  if (!Applies(atLocal)) return;
  NeedEngine();
  xbe::xb_SysProp(XB_PROP_SET_OPTIMISTIC, Flag(Value));
  optimisticBuffer_ = xbe::xb_SysProp(XB_PROP_GET_OPTIMISTIC, 0) != 0;
}

void TXbEnv::SetSoftSeek(bool Value) {
  if (applyTo_ == 0 || Value == softSeek_) return;
  softSeek_ = Value;
  given_ |= kSoftSeek;
  if (TXbConnection* c = ServerTarget()) c->SetSoftSeek(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetSoftSeek(Flag(Value));
  }
}

void TXbEnv::SetExact(bool Value) {
  if (applyTo_ == 0 || Value == exact_) return;
  exact_ = Value;
  given_ |= kExact;
  if (TXbConnection* c = ServerTarget()) c->SetExact(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetExact(Flag(Value));
  }
}

void TXbEnv::SetDeleted(bool Value) {
  if (applyTo_ == 0) return;
  deleted_ = Value;
  given_ |= kDeleted;
  if (TXbConnection* c = ServerTarget()) c->SetDeleted(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetDeleted(Flag(Value));
  }
  RefreshTables();
}

void TXbEnv::SetEpoch(std::int32_t Value) {
  if (applyTo_ == 0) return;
  epoch_ = Value == 0 ? 1900 : Value < 100 ? 100 : Value >= 3000 ? 2999 : Value;
  given_ |= kEpoch;
  if (TXbConnection* c = ServerTarget()) c->SetEpoch(static_cast<std::int16_t>(epoch_));
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetEpoch(static_cast<short>(epoch_));
  }
}

void TXbEnv::SetCentury(bool Value) {
  if (applyTo_ == 0) return;
  if (TXbConnection* c = ServerTarget()) c->SetCentury(Value);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetCentury(Flag(Value));
  }
  century_ = Value;
  given_ |= kCentury;
  SetShortDateFormat(CenturyEdit(ShortDateFormat(), century_));
  RefreshTables();
}

void TXbEnv::SetDateFormat(TXbDateFrmt Value) {
  if (applyTo_ == 0) return;
  const int code = Value == dfWinDefault ? 99 : static_cast<int>(Value);
  if (TXbConnection* c = ServerTarget()) c->SetDateFormat(code);
  if (Applies(atLocal)) {
    NeedEngine();
    xbe::xb_SetDateFormat(code);
  }
  dateFormat_ = Value;
  given_ |= kDateFormat;
  const TXbDateFormatText text = DateFormatText(Value);
  SetShortDateFormat(text.ShortDateFormat);
  SetDateSeparator(text.DateSeparator);
  if (century_)
    SetCentury(century_);  // widens the year again, and refreshes
  else
    RefreshTables();
}

void TXbEnv::RefreshTables() {
  if (!autoRefresh_) return;
  std::vector<TXbTable*> tables;
  TXbSearchObject search;
  for (TComponent* c = search.FindFirst("TXbTable"); c; c = search.FindNext("TXbTable"))
    if (auto* table = dynamic_cast<TXbTable*>(c); table && table->Active()) tables.push_back(table);
  // A table that fails does not leave the ones after it stale; the first
  // failure is passed on once every table had its turn.
  std::exception_ptr first;
  for (TXbTable* table : tables) {
    try {
      table->Refresh();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

// ---- published properties ----------------------------------------------------------

namespace {

const bool registered = [] {
  RegisterClass<TXbEnv>("TXbEnv", "TComponent")
      .Set("ApplyTo", {"atLocal", "atServer"}, &TXbEnv::ApplyTo,
           [](TXbEnv& e, std::int64_t v) { e.SetApplyTo(static_cast<TXbApplyTo>(v & 3)); }, ApplyToBit(atLocal))
      .Component("XbConnection", "TXbConnection", &TXbEnv::XbConnection, &TXbEnv::SetXbConnection)
      .Boolean("AutoRefresh", &TXbEnv::AutoRefresh, &TXbEnv::SetAutoRefresh, true)
      .Boolean("Century", &TXbEnv::Century, &TXbEnv::SetCentury, true)
      .Enum("DateFormat", {"dfAmerican", "dfAnsi", "dfBritish", "dfFrench", "dfGerman", "dfItalian", "dfSpanish",
                           "dfWinDefault"},
            &TXbEnv::DateFormat, &TXbEnv::SetDateFormat, dfWinDefault)
      .Boolean("Deleted", &TXbEnv::Deleted, &TXbEnv::SetDeleted, false)
      .Integer("LockTimeOut", &TXbEnv::LockTimeOut, &TXbEnv::SetLockTimeOut, 1)
      .Integer("MemoBlockSize", &TXbEnv::MemoBlockSize, &TXbEnv::SetMemoBlockSize, 64)
      .Boolean("OptimisticBuffer", &TXbEnv::OptimisticBuffer, &TXbEnv::SetOptimisticBuffer, false)
      .Boolean("SoftSeek", &TXbEnv::SoftSeek, &TXbEnv::SetSoftSeek, false)
      .Boolean("Exact", &TXbEnv::Exact, &TXbEnv::SetExact, false)
      .Integer("Epoch", &TXbEnv::Epoch, &TXbEnv::SetEpoch, 1980)
      .Boolean("CountNeedsRefresh", &TXbEnv::CountNeedsRefresh, nullptr, false)
      .NotStored()
      .Integer("ErrorFunc", &TXbEnv::ErrorFunc, nullptr, -1)
      .NotStored();
  return true;
}();

}  // namespace
