// The published properties of controls and forms, by which text form
// resources set them.
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/ImgList.h"
#include "class_library/visual/Menus.h"
#include "class_library/visual/StdCtrls.h"

namespace {

template <class T, auto Member>
void SetEvent(T& Object, std::remove_reference_t<decltype(Object.*Member)> Event) {
  Object.*Member = std::move(Event);
}

void RegisterSizeConstraints() {
  RegisterClass<TSizeConstraints>("TSizeConstraints", "TPersistent")
      .Integer("MinWidth", [](TSizeConstraints& c) { return c.MinWidth; },
               [](TSizeConstraints& c, int v) { c.MinWidth = v; }, 0)
      .Integer("MinHeight", [](TSizeConstraints& c) { return c.MinHeight; },
               [](TSizeConstraints& c, int v) { c.MinHeight = v; }, 0)
      .Integer("MaxWidth", [](TSizeConstraints& c) { return c.MaxWidth; },
               [](TSizeConstraints& c, int v) { c.MaxWidth = v; }, 0)
      .Integer("MaxHeight", [](TSizeConstraints& c) { return c.MaxHeight; },
               [](TSizeConstraints& c, int v) { c.MaxHeight = v; }, 0);
}

void RegisterControl() {
  RegisterClass<TControl>("TControl", "TComponent")
      .Integer("Left", &TControl::Left, &TControl::SetLeft)
      .Integer("Top", &TControl::Top, &TControl::SetTop)
      .Integer("Width", &TControl::Width, &TControl::SetWidth)
      .Integer("Height", &TControl::Height, &TControl::SetHeight)
      .Integer("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
      .NotStored()
      .Integer("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
      .NotStored()
      .Enum("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"},
            &TControl::Align, &TControl::SetAlign, alNone)
      .Set("Anchors", {"akLeft", "akTop", "akRight", "akBottom"}, &TControl::Anchors, &TControl::SetAnchors,
           kDefaultAnchors)
      .Str("Caption", &TControl::Caption, &TControl::SetCaption)
      .Str("Text", &TControl::Text, &TControl::SetText)
      .NotStored()
      .Integer("Color", &TControl::Color, &TControl::SetColor)
      .Idents(&IdentToColor)
      .Object("Constraints", [](TControl& c) -> TPersistent* { return c.Constraints(); })
      .Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault)
      .Idents(&IdentToCursor)
      .Integer("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor, crDrag)
      .Idents(&IdentToCursor)
      .Enum("DragMode", {"dmManual", "dmAutomatic"}, &TControl::DragMode, &TControl::SetDragMode, dmManual)
      .Enum("DragKind", {"dkDrag", "dkDock"}, &TControl::DragKind, &TControl::SetDragKind, dkDrag)
      .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
      .Object("Font", [](TControl& c) -> TPersistent* { return c.Font(); })
      .Str("Hint", &TControl::Hint, &TControl::SetHint)
      .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
      .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
      .Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
      .Component("PopupMenu", "TPopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
      .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
      .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true)
      .Event<TNotifyEvent>("OnClick", &SetEvent<TControl, &TControl::OnClick>)
      .Event<TNotifyEvent>("OnDblClick", &SetEvent<TControl, &TControl::OnDblClick>)
      .Event<TMouseEvent>("OnMouseDown", &SetEvent<TControl, &TControl::OnMouseDown>)
      .Event<TMouseEvent>("OnMouseUp", &SetEvent<TControl, &TControl::OnMouseUp>)
      .Event<TMouseMoveEvent>("OnMouseMove", &SetEvent<TControl, &TControl::OnMouseMove>)
      .Event<TNotifyEvent>("OnMouseEnter", &SetEvent<TControl, &TControl::OnMouseEnter>)
      .Event<TNotifyEvent>("OnMouseLeave", &SetEvent<TControl, &TControl::OnMouseLeave>)
      .Event<TMouseWheelEvent>("OnMouseWheel", &SetEvent<TControl, &TControl::OnMouseWheel>)
      .Event<TNotifyEvent>("OnResize", &SetEvent<TControl, &TControl::OnResize>)
      .Event<TContextPopupEvent>("OnContextPopup", &SetEvent<TControl, &TControl::OnContextPopup>)
      .Event<TDragOverEvent>("OnDragOver", &SetEvent<TControl, &TControl::OnDragOver>)
      .Event<TDragDropEvent>("OnDragDrop", &SetEvent<TControl, &TControl::OnDragDrop>)
      .Event<TStartDragEvent>("OnStartDrag", &SetEvent<TControl, &TControl::OnStartDrag>)
      .Event<TEndDragEvent>("OnEndDrag", &SetEvent<TControl, &TControl::OnEndDrag>)
      .Event<TStartDockEvent>("OnStartDock", &SetEvent<TControl, &TControl::OnStartDock>)
      .Event<TEndDragEvent>("OnEndDock", &SetEvent<TControl, &TControl::OnEndDock>);
}

void RegisterWinControls() {
  RegisterClass<TWinControl>("TWinControl", "TControl")
      .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
      .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
      .Boolean("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered)
      .Event<TNotifyEvent>("OnEnter", &SetEvent<TWinControl, &TWinControl::OnEnter>)
      .Event<TNotifyEvent>("OnExit", &SetEvent<TWinControl, &TWinControl::OnExit>)
      .Event<TKeyEvent>("OnKeyDown", &SetEvent<TWinControl, &TWinControl::OnKeyDown>)
      .Event<TKeyEvent>("OnKeyUp", &SetEvent<TWinControl, &TWinControl::OnKeyUp>)
      .Event<TKeyPressEvent>("OnKeyPress", &SetEvent<TWinControl, &TWinControl::OnKeyPress>)
      .Event<TDockDropEvent>("OnDockDrop", &SetEvent<TWinControl, &TWinControl::OnDockDrop>)
      .Event<TDockOverEvent>("OnDockOver", &SetEvent<TWinControl, &TWinControl::OnDockOver>)
      .Event<TGetSiteInfoEvent>("OnGetSiteInfo", &SetEvent<TWinControl, &TWinControl::OnGetSiteInfo>)
      .Event<TUnDockEvent>("OnUnDock", &SetEvent<TWinControl, &TWinControl::OnUnDock>);
  RegisterClass<TCustomControl>("TCustomControl", "TWinControl");
  RegisterClass<TGraphicControl>("TGraphicControl", "TControl");
}

void RegisterForms() {
  RegisterClass<TCustomForm>("TCustomForm", "TWinControl")
      .Integer("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
      .Integer("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
      .Enum("BorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
            &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, bsSizeable)
      .Set("BorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}, &TCustomForm::BorderIcons,
           &TCustomForm::SetBorderIcons, 7)
      .Enum("Position",
            {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
             "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
            &TCustomForm::Position, &TCustomForm::SetPosition, poDesigned)
      .Enum("FormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}, &TCustomForm::FormStyle,
            &TCustomForm::SetFormStyle, fsNormal)
      .Enum("WindowState", {"wsNormal", "wsMinimized", "wsMaximized"}, &TCustomForm::WindowState,
            &TCustomForm::SetWindowState, wsNormal)
      .Boolean("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview)
      .Object("Icon", [](TCustomForm& f) -> TPersistent* { return f.Icon(); })
      .Component("ActiveControl", "TWinControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
      .Event<TNotifyEvent>("OnCreate", &SetEvent<TCustomForm, &TCustomForm::OnCreate>)
      .Event<TNotifyEvent>("OnDestroy", &SetEvent<TCustomForm, &TCustomForm::OnDestroy>)
      .Event<TNotifyEvent>("OnShow", &SetEvent<TCustomForm, &TCustomForm::OnShow>)
      .Event<TNotifyEvent>("OnHide", &SetEvent<TCustomForm, &TCustomForm::OnHide>)
      .Event<TNotifyEvent>("OnActivate", &SetEvent<TCustomForm, &TCustomForm::OnActivate>)
      .Event<TNotifyEvent>("OnDeactivate", &SetEvent<TCustomForm, &TCustomForm::OnDeactivate>)
      .Event<TNotifyEvent>("OnPaint", &SetEvent<TCustomForm, &TCustomForm::OnPaint>)
      .Event<TCloseEvent>("OnClose", &SetEvent<TCustomForm, &TCustomForm::OnClose>)
      .Event<TCloseQueryEvent>("OnCloseQuery", &SetEvent<TCustomForm, &TCustomForm::OnCloseQuery>);
  RegisterClass<TForm>("TForm", "TCustomForm");
}

}  // namespace

void RegisterControlClasses() {
  static const bool registered = [] {
    RegisterGraphicsClasses();
    RegisterSizeConstraints();
    RegisterControl();
    RegisterWinControls();
    RegisterForms();
    // Every class a form resource may name, whether or not the program's
    // code mentions it.
    RegisterPictureClasses();
    RegisterStdControlClasses();
    RegisterMenuClasses();
    RegisterImageListClasses();
    return true;
  }();
  (void)registered;
}

namespace {
const bool kClassesRegistered = (RegisterControlClasses(), true);
}  // namespace
