#pragma once
// A component that fires OnTimer every Interval milliseconds on the thread
// that runs the application's loop.
#include <atomic>

#include "class_library/components/Component.h"

class TTimer : public TComponent {
public:
  // Create and free timers on the loop thread.
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  String ClassName() const override { return "TTimer"; }

  // Enabled (default true) and Interval (default 1000 ms; 0 stops the timer)
  // may be set from any thread; setting either restarts the interval. The
  // timer runs only while it is enabled, has an interval and a handler.
  bool Enabled() const { return enabled_.load(); }
  void SetEnabled(bool Value);
  Cardinal Interval() const { return interval_.load(); }
  void SetInterval(Cardinal Value);
  // Set the handler on the loop thread (as resource reading does).
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent Value);

  // Fires OnTimer; the loop calls it when the timer is due.
  virtual void Timer();

private:
  void UpdateTimer();

  std::atomic<bool> enabled_{true};
  std::atomic<Cardinal> interval_{1000};
  TNotifyEvent onTimer_;
};
