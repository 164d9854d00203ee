#pragma once
// Forms (top-level windows holding controls, shown normally or modally) and
// the screen (monitors, work areas, cursors, the forms and data modules of
// the program).
#include <functional>
#include <memory>
#include <vector>

#include "class_library/loop/Dialogs.h"
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Controls.h"

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned;  // bit n: TBorderIcon n
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  String ClassName() const override { return "TCustomForm"; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle Value);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState Value);
  TIcon* Icon() { return &icon_; }
  void SetIcon(TIcon* Value) { icon_.Assign(Value); }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }
  TCanvas* Canvas() { return canvas_.get(); }

  // The control that has (or gets, when the form is activated) the focus.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* Control);
  // Whether the form is the active window.
  bool Active() const { return active_; }
  void FocusControl(TWinControl* Control);
  // Called when a control of the form receives the focus: CM_EXIT and
  // CM_ENTER to the controls it leaves and enters.
  bool SetFocusedControl(TWinControl* Control);
  // A control of the form is going away.
  void ControlRemoved(TWinControl* Control);
  // Takes the focus and the active control away from Control and what it
  // holds (Removing: the focus goes to its parent).
  void DefocusControl(TWinControl* Control, bool Removing);

  // Showing and closing.
  void Show();
  void Hide();
  // Shows the form and runs the application loop until ModalResult is set
  // (by a button with a ModalResult, by Close, or by the program); every
  // other form is disabled meanwhile. Answers ModalResult.
  virtual int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int Value) { modalResult_ = Value; }
  bool Modal() const { return modal_; }
  // Asks OnCloseQuery, then OnClose with the action: hides the form (ends
  // the program for the main form), frees it, or does nothing.
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the message that called Release is handled.
  void Release();

  void PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  bool Showing() const override;
  TPoint ClientOrigin() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // OnCreate, for the end of a descendant's constructor (after reading its
  // resource); OnDestroy once, for the start of its destructor. Exceptions
  // of the handlers go to the application's handler.
  void DoCreate();
  void DoDestroy();
  void ReadLegacyProperties(TFiler* Filer) override;
  void FinishLoading() override;

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void MakeWindow() override;
  virtual void DoClose(TCloseAction& Action);
  virtual void NotifyShow();
  virtual void NotifyHide();
  virtual void PaintControl();
  void PaintWindow(gui::HDC DC) override;
  void WMClose(TMessage& Message);
  void WMActivate(TMessage& Message);
  void CMDialogKey(TMessage& Message) override;
  void CMVisibleChanged(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

private:
  void ApplyPosition();
  void SetWindowFocus();
  void UpdateIcon();

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
  TPosition position_ = poDesigned;
  TFormStyle formStyle_ = fsNormal;
  TWindowState windowState_ = wsNormal;
  TIcon icon_;
  bool keyPreview_ = false;
  std::unique_ptr<TControlCanvas> canvas_;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  bool active_ = false;
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool positioned_ = false;
  bool destroyFired_ = false;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  String ClassName() const override { return "TForm"; }
};

// ---- The screen --------------------------------------------------------------------

class TMonitor {
public:
  explicit TMonitor(gui::HMONITOR Handle, int Number) : handle_(Handle), number_(Number) {}
  gui::HMONITOR Handle() const { return handle_; }
  int MonitorNum() const { return number_; }
  TRect BoundsRect() const;
  TRect WorkareaRect() const;
  int Left() const { return BoundsRect().Left; }
  int Top() const { return BoundsRect().Top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
  bool Primary() const;

private:
  gui::HMONITOR handle_;
  int number_;
};

class TScreen : public TComponent {
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;
  String ClassName() const override { return "TScreen"; }

  // The primary monitor's size and work area; the desktop of all monitors.
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  TRect DesktopRect() const;
  int PixelsPerInch() const { return 96; }
  int MonitorCount();
  TMonitor* Monitors(int Index);
  TMonitor* MonitorFromPoint(TPoint P);
  TMonitor* MonitorFromRect(const TRect& R);

  // The cursor shown everywhere (crDefault: each control's own).
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  gui::HCURSOR Cursors(TCursor Index) { return CursorHandle(Index); }

  int FormCount() const;
  TCustomForm* Forms(int Index) const;
  int DataModuleCount() const;
  TDataModule* DataModules(int Index) const;
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  // The font of hint windows.
  TFont* HintFont() { return &hintFont_; }

private:
  void RefreshMonitors();
  std::vector<std::unique_ptr<TMonitor>> monitors_;
  TCursor cursor_ = crDefault;
  TFont hintFont_;
};

// The program's screen object.
TScreen* Screen();

void RegisterFormClasses();
