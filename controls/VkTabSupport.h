#pragma once
// What the tab control and the page control build on: the per-tab record and
// its list, the two colour sub-objects, the cache of tab outline regions, the
// scroller shown when single-line tabs overflow, the two close buttons and the
// tab menu button, the unit's exception and three rectangle routines.
#include <array>
#include <memory>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/loop/Timer.h"
#include "class_library/visual/Controls.h"
#include "class_library/visual/Menus.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkSystem.h"
#include "controls/VkTypes.h"

class TVkCustomTabControl;

TW_DECLARE_EXCEPTION(EVkTabControlError, Exception)

// ---- Rectangle routines ------------------------------------------------------------
bool RectIsZero(const TRect& R);
void NormalizeRect(TRect& R);
// PtInRect on a normalised copy (right and bottom edges excluded).
bool PtInNormalizedRect(const TRect& R, TPoint P);

// ---- One tab ----------------------------------------------------------------------
class TVkTabData : public TPersistent {
public:
  String ClassName() const override { return "TVkTabData"; }
  // Copies caption, indexes, colour, enabled, visible and hint; the
  // rectangle and the row belong to the layout and stay.
  void Assign(TPersistent* Source) override;

  String Caption;
  TColor Color = clBtnFace;
  int DisabledIndex = -1;
  bool Enabled = true;
  String Hint;
  int ImageIndex = -1;
  TRect TabRect{0, 0, 0, 0};  // normalised frame, written by the layout
  bool Visible = true;
  int Row = 0;                // written by the layout
};

class TVkTabDataList : public TPersistent {
public:
  String ClassName() const override { return "TVkTabDataList"; }
  void Assign(TPersistent* Source) override;
  virtual int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count-1.
  virtual TVkTabData* Items(int Index) const;
  // Replaces (and frees) the record at Index.
  virtual void SetItem(int Index, std::unique_ptr<TVkTabData> Data);
  void Add(std::unique_ptr<TVkTabData> Data);
  void Clear() { items_.clear(); }

private:
  void CheckIndex(int Index) const;
  std::vector<std::unique_ptr<TVkTabData>> items_;
};

// ---- Colour sub-objects ------------------------------------------------------------
// Three colours of a tab control, published as a sub-object of it: a setter
// stores a changed colour and repaints the tabs of its control. Names gives
// the class name and the three defaults; TVkTabColors and TVkTextColors
// publish the three colours by their names.
template <class Names>
class TVkTabColorSet : public TPersistent {
public:
  explicit TVkTabColorSet(TVkCustomTabControl* Owner) : owner_(Owner) {}
  String ClassName() const override { return Names::kClassName; }
  // Takes the colours of a set of the same kind.
  void Assign(TPersistent* Source) override;

protected:
  TColor Get(int Index) const { return colors_[Index]; }
  void Set(int Index, TColor Value);

private:
  TVkCustomTabControl* owner_;
  std::array<TColor, 3> colors_ = Names::kDefaults;
};

struct TVkTabColorNames {
  static constexpr const char* kClassName = "TVkTabColors";
  static constexpr std::array<TColor, 3> kDefaults{clHighlight, clBtnFace, clWindow};
};

class TVkTabColors : public TVkTabColorSet<TVkTabColorNames> {
public:
  using TVkTabColorSet::TVkTabColorSet;
  TColor HighlightBar() const { return Get(0); }
  void SetHighlightBar(TColor Value) { Set(0, Value); }
  TColor Shadow() const { return Get(1); }
  void SetShadow(TColor Value) { Set(1, Value); }
  TColor Unselected() const { return Get(2); }
  void SetUnselected(TColor Value) { Set(2, Value); }
};

struct TVkTextColorNames {
  static constexpr const char* kClassName = "TVkTextColors";
  static constexpr std::array<TColor, 3> kDefaults{clGrayText, clBtnText, clBtnText};
};

class TVkTextColors : public TVkTabColorSet<TVkTextColorNames> {
public:
  using TVkTabColorSet::TVkTabColorSet;
  TColor Disabled() const { return Get(0); }
  void SetDisabled(TColor Value) { Set(0, Value); }
  TColor Selected() const { return Get(1); }
  void SetSelected(TColor Value) { Set(1, Value); }
  TColor Unselected() const { return Get(2); }
  void SetUnselected(TColor Value) { Set(2, Value); }
};

// ---- Region cache ----------------------------------------------------------------------
class TVkTabRegionCacheItem : public TObject {
public:
  ~TVkTabRegionCacheItem() override { SetRegion(gui::HRGN{}); }
  String ClassName() const override { return "TVkTabRegionCacheItem"; }
  // Deletes the held region when Region differs from it, then holds Region.
  virtual void SetRegion(gui::HRGN Region);
  gui::HRGN CachedRegion() const { return region_; }
  TRect TabRect{-1, -1, -1, -1};

private:
  gui::HRGN region_{};
};

// Outline regions by tab rectangle, most recent first.
class TVkTabRegionCache : public TObject {
public:
  String ClassName() const override { return "TVkTabRegionCache"; }
  // The region cached for an equal rectangle, or none; the order stays.
  gui::HRGN Find(const TRect& Rect) const;
  // Takes Region over for Rect (when Rect is cached already, that item moves
  // to the front and Region stays the caller's), then evicts beyond Capacity.
  void Add(const TRect& Rect, gui::HRGN Region);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  // -1 keeps every region; 0 or below -1 raises EVkTabControlError.
  void SetCapacity(int Value);

private:
  void Trim();
  std::vector<std::unique_ptr<TVkTabRegionCacheItem>> items_;
  int capacity_ = 1;
};

// ---- Buttons ---------------------------------------------------------------------------
// The face shared by the scroller halves and the buttons.
void DrawTabButtonFace(TCanvas* Canvas, TRect R, TVkCustomTabControl* TabControl, TColor FrameColor, bool Hot,
                       bool Down);

// The two-arrow scroller. A held half clicks after 400 ms, then every 100 ms
// while the pointer stays inside it, and once more on release inside it.
class TVkTabScroller : public TCustomControl {
public:
  TVkTabScroller(TComponent* AOwner, TVkCustomTabControl* TabControl);
  ~TVkTabScroller() override;
  String ClassName() const override { return "TVkTabScroller"; }
  TColor FrameColor() const { return frameColor_; }
  virtual void SetFrameColor(TColor Value);
  TOrientation Orientation() const { return orientation_; }
  virtual void SetOrientation(TOrientation Value);
  TNotifyEvent OnUpRightClick;
  TNotifyEvent OnDownLeftClick;

  // State for tests and painting.
  bool Tracking() const { return tracking_; }
  bool PressedInside() const { return pressedInside_; }
  int PressedHalf() const { return pressedHalf_; }
  bool Hot() const { return hot_; }
  TTimer* RepeatTimer() const { return timer_.get(); }
  static constexpr Cardinal kFirstRepeat = 400;
  static constexpr Cardinal kNextRepeat = 100;

protected:
  virtual void DownLeftClick();
  virtual void UpRightClick();
  void PaintControl() override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override { Message.Result = 1; }

private:
  bool InPressedHalf(int X, int Y);
  void RepeatTick();
  void HalfClick();
  TVkCustomTabControl* tabControl_;
  std::unique_ptr<TTimer> timer_;  // made on the first press
  TColor frameColor_ = clBtnShadow;
  TOrientation orientation_ = orHorizontal;
  bool tracking_ = false, pressedInside_ = false, hot_ = false;
  int pressedHalf_ = 0;
};

// The close button at the end of the strip.
class TVkTabControlCloseButton : public TCustomControl {
public:
  TVkTabControlCloseButton(TComponent* AOwner, TVkCustomTabControl* TabControl);
  ~TVkTabControlCloseButton() override;
  String ClassName() const override { return "TVkTabControlCloseButton"; }
  TColor FrameColor() const { return frameColor_; }
  virtual void SetFrameColor(TColor Value);
  TNotifyEvent OnClose;
  bool Down() const { return down_; }
  bool Hot() const { return hot_; }

protected:
  virtual void DoCloseClick();
  void PaintControl() override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override { Message.Result = 1; }
  TVkCustomTabControl* tabControl_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TColor frameColor_ = clBtnShadow;
  bool tracking_ = false, down_ = false, hot_ = false;
};

// The close glyph on the active tab (no window of its own).
class TVkActiveTabCloseButton : public TGraphicControl {
public:
  TVkActiveTabCloseButton(TComponent* AOwner, TVkCustomTabControl* TabControl);
  ~TVkActiveTabCloseButton() override;
  String ClassName() const override { return "TVkActiveTabCloseButton"; }
  TColor FrameColor() const { return frameColor_; }
  virtual void SetFrameColor(TColor Value);
  TNotifyEvent OnClose;
  bool Down() const { return down_; }
  bool Hot() const { return hot_; }

protected:
  virtual void DoCloseClick();
  void PaintControl() override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;

private:
  TVkCustomTabControl* tabControl_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TColor frameColor_ = clBtnShadow;
  bool tracking_ = false, down_ = false, hot_ = false;
};

// The button that drops a menu of every visible tab.
class TVkTabMenuButton : public TVkTabControlCloseButton {
public:
  TVkTabMenuButton(TComponent* AOwner, TVkCustomTabControl* TabControl);
  ~TVkTabMenuButton() override;
  String ClassName() const override { return "TVkTabMenuButton"; }
  TPopupMenu* Menu() const { return menu_.get(); }
  // Fills the menu (visible tabs, sorted by caption without regard to case)
  // and pops it up below or beside the button.
  virtual void DisplayMenu();
  // Fills the menu only (DisplayMenu's first steps).
  void FillMenu();

protected:
  void DoCloseClick() override { DisplayMenu(); }
  void PaintControl() override;

private:
  std::unique_ptr<TPopupMenu> menu_;
};
