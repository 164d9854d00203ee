#include "controls/VkBlink.h"

#include <algorithm>

#include "class_library/loop/Application.h"

namespace {

std::unique_ptr<TVkBlinkingControlsList> Scheduler;

}  // namespace

TVkBlinkingControlsList::TVkBlinkingControlsList() : timer_(std::make_unique<TTimer>(nullptr)) {
  timer_->SetInterval(intervalOff_);
  timer_->SetOnTimer([this](TObject*) { Tick(); });
  timer_->SetEnabled(true);
}

TVkBlinkingControlsList::~TVkBlinkingControlsList() = default;

bool TVkBlinkingControlsList::Contains(TControl* Control) const {
  return Control && std::find(controls_.begin(), controls_.end(), Control) != controls_.end();
}

void TVkBlinkingControlsList::AddControl(TControl* Control) {
  if (!Control || Contains(Control)) return;
  controls_.push_back(Control);
  ++live_;
}

void TVkBlinkingControlsList::RemoveControl(TControl* Control) {
  auto it = Control ? std::find(controls_.begin(), controls_.end(), Control) : controls_.end();
  if (it == controls_.end()) return;
  --live_;
  // While a tick walks the list the entries keep their places; the hole is
  // closed when the walk ends.
  if (walking_)
    *it = nullptr;
  else
    controls_.erase(it);
}

void TVkBlinkingControlsList::Compact() { std::erase(controls_, nullptr); }

void TVkBlinkingControlsList::Tick() {
  if (phase_ == 1) {
    phase_ = 0;
    timer_->SetInterval(intervalOff_);
  } else {
    phase_ = 1;
    timer_->SetInterval(intervalOn_);
  }
  ++walking_;
  try {
    // Controls added by a handler during the walk wait for the next tick.
    std::size_t count = controls_.size();
    for (std::size_t i = 0; i < count; ++i) {
      if (!controls_[i]) continue;
      if (controls_[i]->Perform(CM_BLINKQUERY, 0, 0) != 1 || !controls_[i]) continue;
      controls_[i]->Perform(CM_BLINK, phase_, 0);
    }
  } catch (...) {
    if (--walking_ == 0) Compact();
    throw;
  }
  if (--walking_ == 0) {
    Compact();
    if (releasePending_ && live_ == 0 && Scheduler.get() == this) {
      // Not now: this runs inside the timer's own handler.
      releasePending_ = false;
      if (ApplicationAlive()) Application()->PostToMainThread([] { ReleaseBlinkSchedulerIfEmpty(); });
    }
  }
}

TVkBlinkingControlsList* BlinkingControls() { return Scheduler.get(); }

void ReleaseBlinkSchedulerIfEmpty() {
  if (!Scheduler || Scheduler->Count() != 0) return;
  if (Scheduler->walking_) {
    Scheduler->releasePending_ = true;
    return;
  }
  Scheduler.reset();
}

void RegisterBlinkingControl(TControl* Control) {
  if (!Scheduler) Scheduler = std::make_unique<TVkBlinkingControlsList>();
  Scheduler->AddControl(Control);
}

void UnregisterBlinkingControl(TControl* Control) {
  if (!Scheduler) return;
  Scheduler->RemoveControl(Control);
  ReleaseBlinkSchedulerIfEmpty();
}
