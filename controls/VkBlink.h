#pragma once
// The one blink scheduler: labels and status panes that can blink register
// with it, and on each phase change it asks every registered control
// whether it blinks (CM_BLINKQUERY) and tells those that do the new phase
// (CM_BLINK), so that everything blinks in step. It exists from the first
// registration to the last removal.
#include <memory>
#include <vector>

#include "class_library/loop/Timer.h"
#include "class_library/visual/Controls.h"
#include "controls/VkTypes.h"

class TVkBlinkingControlsList : public TObject {
public:
  // Phase 1 (on), 500 ms on and 500 ms off, the timer running.
  TVkBlinkingControlsList();
  ~TVkBlinkingControlsList() override;
  String ClassName() const override { return "TVkBlinkingControlsList"; }

  // The controls registered (each once).
  virtual int Count() const { return live_; }
  // Adds a control that is not registered yet; a second call does nothing.
  void AddControl(TControl* Control);
  // Removes a registered control; an unknown one is ignored. Safe while a
  // tick is walking the list (the control is not reached afterwards).
  void RemoveControl(TControl* Control);
  bool Contains(TControl* Control) const;

  // 1: the blinking controls show their blink colour; 0: their normal one.
  Byte BlinkPhase() const { return phase_; }
  // Lengths of the phases in milliseconds; a change takes effect from the
  // next phase change. 0 would stop the timer for good, so it counts as 1.
  Word IntervalOn() const { return intervalOn_; }
  void SetIntervalOn(Word Value) { intervalOn_ = Value ? Value : 1; }
  Word IntervalOff() const { return intervalOff_; }
  void SetIntervalOff(Word Value) { intervalOff_ = Value ? Value : 1; }
  TTimer* Timer() { return timer_.get(); }

  // The timer's tick: switches the phase, sets the next interval and tells
  // the blinking controls. Controls registered or removed meanwhile (by a
  // control's handler) are handled safely: removed ones are not reached,
  // added ones are reached from the next tick.
  void Tick();

private:
  friend void ReleaseBlinkSchedulerIfEmpty();
  void Compact();

  Byte phase_ = 1;
  std::vector<TControl*> controls_;  // not owned; nullptr: removed during a tick
  int live_ = 0;
  std::unique_ptr<TTimer> timer_;
  Word intervalOff_ = 500;
  Word intervalOn_ = 500;
  int walking_ = 0;
  bool releasePending_ = false;
};

// The scheduler, or nullptr while no control is registered.
TVkBlinkingControlsList* BlinkingControls();
// Frees the scheduler when no control is registered any more (later, when
// called from inside a tick).
void ReleaseBlinkSchedulerIfEmpty();
// For the controls: creates the scheduler when there is none and registers
// the control; removes it and releases the scheduler when it was the last.
void RegisterBlinkingControl(TControl* Control);
void UnregisterBlinkingControl(TControl* Control);
