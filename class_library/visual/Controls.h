#pragma once
// Controls: TControl (a rectangle on a parent that paints and takes the
// mouse), TWinControl (a control with a window of its own, which holds other
// controls, takes the focus and the keys), TCustomControl (a window control
// that paints itself on a canvas) and TGraphicControl (a control without a
// window, painted by its parent).
//
// Every message reaches a control through Perform or its window: WindowProc
// (WindowProcedure unless replaced) sees it first, then Dispatch hands it to the
// handler method of its number, and what no handler takes goes to
// DefaultHandler (for a window control, the window layer's default).
// Descendants override the handler methods or Dispatch.
#include <functional>
#include <memory>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"
#include "class_library/visual/Canvas.h"
#include "class_library/visual/Messages.h"
#include "platform/gui/Window.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
struct THintInfo;
class TDragObject;

TW_DECLARE_EXCEPTION(EOutOfResources, Exception)

// Window borders: a control's BorderStyle is bsNone or bsSingle; forms
// take the rest too.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = unsigned;  // bit n: TAnchorKind n
constexpr TAnchors AnchorSet(std::initializer_list<TAnchorKind> kinds) {
  TAnchors a = 0;
  for (TAnchorKind k : kinds) a |= 1u << k;
  return a;
}
constexpr TAnchors kDefaultAnchors = (1u << akLeft) | (1u << akTop);
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during an event.
using TShiftState = unsigned;
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
// From the key state of a mouse message (MK_ bits) and the keyboard.
TShiftState MouseShiftState(WPARAM Keys);
// From the keyboard now (the key data of WM_KEYDOWN carries Alt).
TShiftState KeyDataToShiftState(LPARAM KeyData = 0);
// Whether Caption marks Key as its accelerator ("&S" for 's', any case;
// "&&" is a plain "&").
bool IsAccel(Word Key, const String& Caption);

// Cursor shapes by number (crHandPoint ...); CursorHandle gives the window
// layer's cursor.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
                  crHandPoint = -21, crSizeAll = -22;
gui::HCURSOR CursorHandle(TCursor Cursor);
bool IdentToCursor(const String& Ident, std::int64_t& Cursor);

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, int State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;

enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// Dragging moves a control onto another (dkDrag) or docks it (dkDock).
enum TDragKind { dkDrag, dkDock };
class TDragDockObject;
class TDockTree;
using TStartDockEvent = std::function<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TDockDropEvent = std::function<void(TObject* Sender, TDragDockObject* Source, int X, int Y)>;
using TDockOverEvent =
    std::function<void(TObject* Sender, TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TGetSiteInfoEvent =
    std::function<void(TObject* Sender, TControl* DockClient, TRect& InfluenceRect, TPoint MousePos, bool& CanDock)>;
using TUnDockEvent = std::function<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;

// ControlStyle flags.
enum TControlStyleFlag : unsigned {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csDesignInteractive = 1u << 2,
  csClickEvents = 1u << 3,
  csFramed = 1u << 4,
  csSetCaption = 1u << 5,
  csOpaque = 1u << 6,
  csDoubleClicks = 1u << 7,
  csFixedWidth = 1u << 8,
  csFixedHeight = 1u << 9,
  csNoDesignVisible = 1u << 10,
  csReplicatable = 1u << 11,
  csNoStdEvents = 1u << 12,
  csDisplayDragImage = 1u << 13,
  csReflector = 1u << 14,
  csActionClient = 1u << 15,
  csMenuEvents = 1u << 16,
  csNeedsBorderPaint = 1u << 17,
  csParentBackground = 1u << 18,
};
using TControlStyle = unsigned;
// ControlState flags.
enum TControlStateFlag : unsigned {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csPalette = 1u << 2,
  csReadingState = 1u << 3,
  csAlignmentNeeded = 1u << 4,
  csFocusing = 1u << 5,
  csCreating = 1u << 6,
  csPaintCopy = 1u << 7,
  csCustomPaint = 1u << 8,
  csDestroyingHandle = 1u << 9,
  csDocking = 1u << 10,
};
using TControlState = unsigned;

// Minimum and maximum extents (0: no limit).
class TSizeConstraints : public TPersistent {
public:
  String ClassName() const override { return "TSizeConstraints"; }
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  String ClassName() const override { return "TControl"; }

  // ---- Messages --------------------------------------------------------------
  // Sends a message to the control now and answers its Result.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // Where messages arrive first; WindowProcedure until replaced (a replacement calls
  // the previous one for what it does not handle).
  std::function<void(TMessage&)> WindowProc;
  virtual void WindowProcedure(TMessage& Message);
  // Hands the message to its handler method.
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // ---- Place and size ----------------------------------------------------------
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { PlaceBounds(Value, top_, width_, height_); }
  void SetTop(int Value) { PlaceBounds(left_, Value, width_, height_); }
  void SetWidth(int Value) { PlaceBounds(left_, top_, Value, height_); }
  void SetHeight(int Value) { PlaceBounds(left_, top_, width_, Value); }
  virtual void PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& R) { PlaceBounds(R.Left, R.Top, R.Width(), R.Height()); }
  // The client rectangle at (0, 0); ClientBounds gives it (descendants that
  // draw borders of their own take them off there).
  TRect ClientRect() { return ClientBounds(); }
  virtual TRect ClientBounds();
  int ClientWidth() { return ClientRect().Right; }
  int ClientHeight() { return ClientRect().Bottom; }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  // The client area's top-left on the screen.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(TPoint P) { TPoint o = ClientOrigin(); return TPoint{P.X + o.X, P.Y + o.Y}; }
  TPoint ScreenToClient(TPoint P) { TPoint o = ClientOrigin(); return TPoint{P.X - o.X, P.Y - o.Y}; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() { return &constraints_; }
  // Asks the parent to place its aligned and anchored controls again.
  void RequestAlign();
  // Remembers the distances the anchors keep (after a move by the program).
  void UpdateAnchorRules();
  void BringToFront();
  void SendToBack();

  // ---- State and looks ---------------------------------------------------------
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible with every parent up to a shown form.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool Value);
  TFont* Font() { return &font_; }
  void SetFont(TFont* Value) { font_.Assign(Value); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool Value);
  // The caption or text (the window's text for a window control).
  String Text() { return GetText(); }
  void SetText(const String& Value);
  String Caption() { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& Value) { hint_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool Value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value);
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState Value) { controlState_ = Value; }
  bool MouseCapture();
  void SetMouseCapture(bool Value);

  // ---- Painting ---------------------------------------------------------------
  virtual void Invalidate();
  // Paints now (Invalidate and Update).
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // Paints what is marked now.
  virtual void Update();

  // ---- Dragging ---------------------------------------------------------------
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode Value) { dragMode_ = Value; }
  TCursor DragCursor() const { return dragCursor_; }
  void SetDragCursor(TCursor Value) { dragCursor_ = Value; }
  // Starts dragging this control: at once, or once the mouse has moved
  // Threshold pixels (-1: the system's drag distance) with the button held.
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;
  // Whether Source may be dropped at (X, Y) (OnDragOver decides; without it
  // nothing is accepted).
  virtual void HandleDragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void HandleDragDrop(TObject* Source, int X, int Y);

  // ---- Docking (class_library/visual/Docking.h) -------------------------------
  TDragKind DragKind() const { return dragKind_; }
  void SetDragKind(TDragKind Value) { dragKind_ = Value; }
  // The site the control is docked in (nullptr: none).
  TWinControl* HostDockSite() const { return hostDockSite_; }
  // Docked nowhere, or in a floating form of its own.
  bool Floating() const;
  // Moves the control into NewDockSite at ARect (the site's client
  // coordinates; nullptr: a form of its own at ARect on the screen).
  virtual void Dock(TWinControl* NewDockSite, const TRect& ARect);
  // Docks the control into NewDockSite (beside DropControl on ControlSide);
  // nullptr floats it. Answers whether it is docked there now.
  bool ManualDock(TWinControl* NewDockSite, TControl* DropControl = nullptr, TAlign ControlSide = alNone);
  // Undocks the control into a floating form at ScreenPos.
  bool ManualFloat(const TRect& ScreenPos);
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;

  // ---- Events -------------------------------------------------------------------
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  bool UseRightToLeftAlignment() const { return false; }
  bool UseRightToLeftReading() const { return false; }
  UINT DrawTextBiDiModeFlags(UINT Flags) const { return Flags; }
  // A click with the left button released over the control (OnClick).
  virtual void HandleClick();
  virtual void DblClick();

  // Resources: the control's parent is the component that contains it.
  void SetParentComponent(TComponent* Value) override;
  TComponent* GetParentComponent() const override;
  void FinishLoading() override;
  void ReadLegacyProperties(TFiler* Filer) override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

protected:
  virtual String GetText();
  virtual void SetTextValue(const String& Value);
  virtual void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void HandleMouseMove(TShiftState Shift, int X, int Y);
  virtual void Resize();
  // Places the control (the window too) without touching the anchor rules.
  virtual void ApplyBounds(int ALeft, int ATop, int AWidth, int AHeight);
  // Font and colour changes.
  virtual void FontChanged();
  void ParentFontChanged();
  // Tells the host dock site of a docked control about Msg (CM_DOCKNOTIFICATION).
  void SendDockNotification(UINT Msg, WPARAM WParam, LPARAM LParam);

  // Message handlers.
  virtual void WMLButtonDown(TMessage& Message);
  virtual void WMLButtonUp(TMessage& Message);
  virtual void WMLButtonDblClk(TMessage& Message);
  virtual void WMRButtonDown(TMessage& Message);
  virtual void WMRButtonUp(TMessage& Message);
  virtual void WMMButtonDown(TMessage& Message);
  virtual void WMMButtonUp(TMessage& Message);
  virtual void WMMouseMove(TMessage& Message);
  virtual void WMMouseWheel(TMessage& Message);
  virtual void WMContextMenu(TMessage& Message);
  virtual void WMCancelMode(TMessage& Message);
  virtual void CMMouseEnter(TMessage& Message);
  virtual void CMMouseLeave(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message);
  virtual void CMTextChanged(TMessage& Message);
  virtual void CMHitTest(TMessage& Message);
  virtual void CMParentShowHintChanged(TMessage& Message);
  virtual void CMHintShow(TMessage& Message);
  virtual void CMDrag(TMessage& Message);

  void SendCancelMode();

  TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TControlState controlState_ = 0;

private:
  friend class TWinControl;
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);
  void ApplyAnchors(int ParentWidth, int ParentHeight);

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_ = kDefaultAnchors;
  TPoint anchorRules_{};
  TPoint originalParentSize_{};
  TSizeConstraints constraints_;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  TFont font_;
  bool parentFont_ = true;
  String text_;
  TCursor cursor_ = crDefault;
  String hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  TDragMode dragMode_ = dmManual;
  TDragKind dragKind_ = dkDrag;
  TWinControl* hostDockSite_ = nullptr;
  TCursor dragCursor_ = crDrag;
};

// ---- Window controls -----------------------------------------------------------

// What MakeWindow passes to the window layer; CreateParams fills it.
struct TCreateParams {
  String Caption;
  gui::DWORD Style = 0;
  gui::DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  gui::HWND WndParent{};
  gui::DWORD ClassStyle = gui::CS_DBLCLKS;
  String ClassName;  // "" plain window; "EDIT", "LISTBOX" the native controls
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  String ClassName() const override { return "TWinControl"; }

  // The window, made when first asked (its parents' windows first).
  gui::HWND Handle();
  bool HandleAllocated() const { return !gui::IsNull(handle_); }
  void HandleNeeded() { Handle(); }
  // Destroys the window and makes it again (after a style change).
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_.at(static_cast<std::size_t>(Index)); }
  bool ContainsControl(TControl* Control) const;
  // The visible child control at a client point (window-less ones included),
  // or nullptr.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = true);
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);

  // Places the aligned and anchored children inside the client rectangle
  // less what ShrinkClientRect takes.
  virtual void ArrangeChildren(TControl* AControl, TRect& Rect);
  virtual void ShrinkClientRect(TRect& Rect);
  void Realign();
  void DisableAlign() { ++alignLevel_; }
  void EnableAlign();
  bool AlignDisabled() const { return alignLevel_ > 0; }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value);

  // Focus and tab order.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value) { tabStop_ = Value; }
  int TabOrder() const;
  void SetTabOrder(int Value);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  virtual bool CanFocus();
  virtual void SetFocus();
  bool Focused();
  // The next (or previous) control in tab order after CurControl among this
  // control's descendants; wraps around.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // Hands the message to every child until one sets a non-zero Result.
  void Broadcast(TMessage& Message);

  TRect ClientBounds() override;
  TPoint ClientOrigin() override;
  bool Showing() const override;
  void SetVisible(bool Value) override;
  void SetEnabled(bool Value) override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  // The background brush (the control's Color).
  TBrush* Brush() { return &brush_; }
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool Value) { doubleBuffered_ = Value; }
  // Paints the window-less children onto DC (from First on, or all).
  void PaintControls(gui::HDC DC, TControl* First);

  // Docking (class_library/visual/Docking.h): whether controls can be
  // docked here, and whether a dock manager places them.
  bool DockSite() const { return dockSite_; }
  void SetDockSite(bool Value);
  bool UseDockManager() const { return useDockManager_; }
  void SetUseDockManager(bool Value);
  TDockTree* DockManager() const { return dockManager_.get(); }
  // A site read from a form resource gets its dock manager once loading is over.
  void FinishLoading() override;
  int DockClientCount() const;
  TControl* DockClients(int Index) const;
  // Where a dragged Client may be docked (InfluenceRect, screen) and whether
  // it may (OnGetSiteInfo decides last).
  virtual void GetSiteInfo(TControl* Client, TRect& InfluenceRect, TPoint MousePos, bool& CanDock);
  // A control dragged for docking is over the site: the rectangle it would
  // take (Source->DockRect), then NotifyDockOver.
  virtual void HandleDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept);
  // OnDockOver.
  void NotifyDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept);
  // A control was docked here (OnDockDrop).
  virtual void HandleDockDrop(TDragDockObject* Source, int X, int Y);
  TDockDropEvent OnDockDrop;
  TDockOverEvent OnDockOver;
  TGetSiteInfoEvent OnGetSiteInfo;
  TUnDockEvent OnUnDock;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WindowProcedure(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  // The window-control under a window handle, or nullptr.
  static TWinControl* FindControl(gui::HWND Handle);

protected:
  virtual void SetWindowParams(TCreateParams& Params);
  virtual void MakeWindow();
  virtual void DestroyWnd();
  // After the window exists: fonts, text and state handed to it.
  virtual void CreateHandle();
  void DestroyHandle();
  // Paints the window: the default fills nothing (TCustomControl paints).
  virtual void PaintWindow(gui::HDC DC);
  void PaintHandler(TMessage& Message);
  void ApplyBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  String GetText() override;
  void SetTextValue(const String& Value) override;
  void FontChanged() override;
  virtual void HandleKeyDown(Word& Key, TShiftState Shift);
  virtual void HandleKeyUp(Word& Key, TShiftState Shift);
  // A key message: the form's preview first (when it asks for one), then
  // Handle on this control; a key left over goes to the default handling.
  void KeyMessage(TMessage& Message, void (TWinControl::*Handle)(Word& Key, TShiftState Shift));
  virtual void HandleKeyPress(char& Key);
  virtual void DoEnter();
  virtual void DoExit();
  // Whether a window-less child should get this mouse message.
  bool IsControlMouseMsg(TMessage& Message);
  void UpdateShowing();

  virtual void WMPaint(TMessage& Message);
  virtual void WMEraseBkgnd(TMessage& Message);
  virtual void WMPrintClient(TMessage& Message);
  virtual void WMNCCalcSize(TMessage& Message);
  virtual void WMNCPaint(TMessage& Message);
  virtual void WMNCHitTest(TMessage& Message);
  virtual void WMSize(TMessage& Message);
  virtual void WMWindowPosChanged(TMessage& Message);
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void WMKeyDown(TMessage& Message);
  virtual void WMKeyUp(TMessage& Message);
  virtual void WMChar(TMessage& Message);
  virtual void WMSysKeyDown(TMessage& Message);
  virtual void WMSysChar(TMessage& Message);
  virtual void WMGetDlgCode(TMessage& Message);
  virtual void WMTimer(TMessage& Message);
  virtual void WMSetCursor(TMessage& Message);
  virtual void WMMouseLeave(TMessage& Message);
  virtual void WMCommand(TMessage& Message);
  virtual void WMCtlColor(TMessage& Message);
  virtual void WMDrawItem(TMessage& Message);
  virtual void WMNCDestroy(TMessage& Message);
  virtual void CMEnter(TMessage& Message);
  virtual void CMExit(TMessage& Message);
  virtual void CMDialogKey(TMessage& Message);
  virtual void CMDialogChar(TMessage& Message);
  virtual void CMShowingChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void CMVisibleChanged(TMessage& Message) override;
  // The dock manager to use: the present one, or a new one the site takes
  // over (nullptr: none).
  virtual TDockTree* CreateDockManager();
  // A control docked here: by default it becomes a child at its bounds.
  virtual void AddDockedClient(TControl* Client);
  // A control left (undocked or gone).
  virtual void RemoveDockedClient(TControl* Client);
  virtual void CMDockClient(TMessage& Message);
  virtual void CMUnDockClient(TMessage& Message);
  virtual void CMDockNotification(TMessage& Message);

private:
  friend class TControl;
  friend class TCustomForm;
  LRESULT MainWndProc(gui::HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  void AlignControl(TControl* AControl);
  void ApplyControlPosition(TControl* Control);
  void InsertChild(TControl* Child);

  gui::HWND handle_{};
  std::vector<TControl*> controls_;  // children in z-order, bottom first; not owned
  std::vector<TWinControl*> tabList_;
  TBrush brush_;
  int alignLevel_ = 0;
  int borderWidth_ = 0;
  bool tabStop_ = false;
  bool doubleBuffered_ = false;
  bool showing_ = false;
  bool aligning_ = false;
  bool dockSite_ = false;
  bool useDockManager_ = false;
  std::unique_ptr<TDockTree> dockManager_;
  std::vector<TControl*> dockClients_;  // not owned
  void UpdateDockManager();
  void ForgetDockClient(TControl* Client);
};

// A canvas that draws on a control: on its window, or for a window-less
// control on its parent's window at the control's place.
class TControlCanvas : public TCanvas {
public:
  explicit TControlCanvas(TControl* Control) : control_(Control) {}
  ~TControlCanvas() override;
  String ClassName() const override { return "TControlCanvas"; }
  TControl* Control() const { return control_; }
  // Lets go of a context this canvas took (ReleaseDC).
  void FreeHandle();
  // While painting, the paint context is handed in from outside.
  void SetPaintHandle(gui::HDC DC);
  // Runs Paint with DC handed in, and lets go of it afterwards, also when
  // Paint fails.
  void PaintWith(gui::HDC DC, const std::function<void()>& Paint);

protected:
  void CreateHandle() override;

private:
  TControl* control_;
  gui::HWND window_{};
  gui::HDC own_{};
};

// A window control that paints itself with Paint on Canvas.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  String ClassName() const override { return "TCustomControl"; }
  TCanvas* Canvas() { return canvas_.get(); }

protected:
  virtual void PaintControl() {}
  void PaintWindow(gui::HDC DC) override;

private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// A control without a window, painted by its parent.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  String ClassName() const override { return "TGraphicControl"; }
  TCanvas* Canvas() { return canvas_.get(); }

protected:
  virtual void PaintControl() {}
  void Dispatch(TMessage& Message) override;

private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// The form that holds the control (nullptr when none).
TCustomForm* GetParentForm(TControl* Control);
// The control under a screen point (window-less ones included), or nullptr.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
TControl* FindVCLWindow(TPoint Pos);

// The mouse: where it is and how it scrolls and drags.
class TMouse {
public:
  TPoint CursorPos() const;
  void SetCursorPos(TPoint Value);
  // Lines a wheel notch scrolls (the desktop's setting).
  int WheelScrollLines() const;
  bool WheelPresent() const;
  // Dragging starts at once, or after the pointer moved DragThreshold pixels.
  bool DragImmediate() const { return dragImmediate_; }
  void SetDragImmediate(bool Value) { dragImmediate_ = Value; }
  int DragThreshold() const { return dragThreshold_; }
  void SetDragThreshold(int Value) { dragThreshold_ = Value; }

private:
  bool dragImmediate_ = true;
  int dragThreshold_ = 5;
};
TMouse* Mouse();

// Text direction: this system reads left to right; the helpers keep the
// flags of code written for both directions.
inline UINT DrawTextBiDiModeFlagsReadingOnly() { return 0; }

// The control the mouse is over now (for mouse enter and leave).
TControl* MouseControl();
// Looks where the mouse is and sends CM_MOUSELEAVE and CM_MOUSEENTER when
// it moved onto another control.
void UpdateMouseControl();

// The window-less control that holds the mouse capture (its parent's window
// holds the window layer's capture).
TControl* CaptureControl();
void SetCaptureControl(TControl* Control);

void RegisterControlClasses();
