#include "class_library/loop/Timer.h"

#include "class_library/loop/Application.h"
#include "class_library/components/TypeInfo.h"

namespace {

const bool kTimerRegistered = [] {
  RegisterClass<TTimer>("TTimer", "TComponent")
      .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
      .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
      .Event<TNotifyEvent>("OnTimer", &TTimer::SetOnTimer);
  return true;
}();

}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { (void)kTimerRegistered; }

TTimer::~TTimer() {
  if (ApplicationAlive()) Application()->RemoveTimer(this);
}

void TTimer::SetEnabled(bool Value) {
  if (enabled_.exchange(Value) == Value) return;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (interval_.exchange(Value) == Value) return;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  onTimer_ = std::move(Value);
  UpdateTimer();
}

void TTimer::Timer() {
  if (onTimer_) onTimer_(this);
}

void TTimer::UpdateTimer() {
  if (ApplicationAlive()) Application()->UpdateTimer(this);
}
