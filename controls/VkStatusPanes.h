#pragma once
// Status panes: light window-less controls that sit on a status bar and show
// one line of text in a frame. TVkCustomStatusPane (text, alignment, frame,
// fill colour, width that can follow the text, blinking with every other
// blinking control), TVkPollingStatus (called by one shared 500 ms timer),
// TVkClockStatus (the date and time) and TVkPollingList (the shared list of
// polling panes and its timer).
#include <functional>
#include <memory>
#include <vector>

#include "class_library/core/DateTime.h"
#include "class_library/loop/Timer.h"
#include "class_library/visual/Controls.h"
#include "controls/VkColors.h"
#include "controls/VkBorderProps.h"
#include "controls/VkSystem.h"
#include "controls/VkTypes.h"

class TVkStatusBar;

class TVkCustomStatusPane : public TGraphicControl, public TVkFlatColorProps, public TVkFrameControlled {
public:
  explicit TVkCustomStatusPane(TComponent* AOwner);
  ~TVkCustomStatusPane() override;
  String ClassName() const override { return "TVkCustomStatusPane"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  bool AutoHint() const { return autoHint_; }
  void SetAutoHint(bool Value) { autoHint_ = Value; }
  int DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int Value);
  TColor BlinkColor() const { return blinkColor_; }
  void SetBlinkColor(TColor Value);
  bool Blinking() const { return blinking_; }
  void SetBlinking(bool Value);
  Word BlinkIntervalOff() const;
  void SetBlinkIntervalOff(Word Value);
  Word BlinkIntervalOn() const;
  void SetBlinkIntervalOn(Word Value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value);
  int CaptionOffset() const { return captionOffset_; }
  void SetCaptionOffset(int Value);
  TColor FillColor() const { return fillColor_; }
  void SetFillColor(TColor Value);
  bool ParentFillColor() const { return parentFillColor_; }
  void SetParentFillColor(bool Value);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  void SetFrameStyle(TFrameStyle Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  TColor FontColor() const { return fontColor_; }
  TColor CurrentColor() const { return currentColor_; }

  // The rectangle the text is drawn in.
  virtual TRect GetContentRect();
  virtual int CalcAutoWidth();
  // Whether R (client coordinates) reaches the right end of a status bar
  // that shows its size grip.
  bool IsAtSizeGrip(const TRect& R);
  void FrameControllerChanged() override;

  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  // A hint action's text becomes the caption (AutoHint).
  bool ExecuteHintAction(const String& Hint);

protected:
  virtual void DrawCaption(const String& Text);
  virtual void DrawFrame();
  virtual void BlinkStateChanged(bool On);
  virtual void AdjustWidth();
  TVkStatusBar* StatusBar() const;
  void PaintControl() override;
  void Dispatch(TMessage& Message) override;
  void BorderChanged(TVkBorderChange What) override;

private:
  bool ThemedStatusBar() const;

  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = false;
  bool autoHint_ = false;
  int defaultWidth_ = 40;
  TColor blinkColor_ = clHighlight;
  bool blinking_ = false;
  TColor fontColor_;
  int borderWidth_ = 1;
  int captionOffset_ = 2;
  bool parentFillColor_ = true;
  TColor fillColor_;
  TFrameStyle frameStyle_ = fsFlat;
  bool transparent_ = true;
  TColor currentColor_;
};

class TVkPollingStatus;

// The one list of polling panes and the timer that calls them.
class TVkPollingList : public TObject {
public:
  TVkPollingList();
  ~TVkPollingList() override;
  String ClassName() const override { return "TVkPollingList"; }

  int GetCount() const;
  bool GetActive() const { return timer_->Enabled(); }
  void SetActive(bool Value);
  Cardinal GetInterval() const { return timer_->Interval(); }
  void SetInterval(Cardinal Value);
  void Add(TVkPollingStatus* Pane);
  void Remove(TVkPollingStatus* Pane);
  // One tick: every visible pane in registration order gets DoTimerExpired.
  // A pane removed or freed meanwhile is not reached; panes added meanwhile
  // wait for the next tick.
  void TimerExpired();
  TTimer* Timer() const { return timer_.get(); }

  // The shared instance (nullptr while no polling pane exists).
  static TVkPollingList* Instance();

private:
  friend class TVkPollingStatus;
  std::vector<TVkPollingStatus*> panes_;
  std::unique_ptr<TTimer> timer_;
  int ticking_ = 0;
  bool holes_ = false;
};

class TVkPollingStatus : public TVkCustomStatusPane {
public:
  explicit TVkPollingStatus(TComponent* AOwner);
  ~TVkPollingStatus() override;
  String ClassName() const override { return "TVkPollingStatus"; }

  bool Active() const;
  void SetActive(bool Value);
  Word Interval() const;
  void SetInterval(Word Value);
  TNotifyEvent OnTimerExpired;

  virtual void DoTimerExpired();
};

using TVkGetDateTimeEvent = std::function<void(TObject* Sender, TDateTime& DateTime)>;

class TVkClockStatus : public TVkPollingStatus {
public:
  explicit TVkClockStatus(TComponent* AOwner);
  String ClassName() const override { return "TVkClockStatus"; }

  const String& Format() const { return format_; }
  void SetFormat(const String& Value);
  // The text last shown.
  const String& DateTimeText() const { return shown_; }
  TVkGetDateTimeEvent OnGetDateTime;

  void Tick();
  TRect GetContentRect() override;
  void DoTimerExpired() override;
  void FinishLoading() override;

protected:
  void PaintControl() override;

private:
  String format_;
  String shown_;
};

void RegisterVkStatusPaneClasses();
