// TVkCustomPanel, TVkPanel and TVkStatusBar.
#include "controls/VkPanel.h"

#include <algorithm>
#include <cmath>

#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/Themes.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"
#include "controls/VkOldPropReader.h"
#include "controls/VkPanelDock.h"

namespace {

bool Themed() { return ThemeServices()->ThemesEnabled(); }

}  // namespace

// ---- TVkCustomPanel ----------------------------------------------------------------------

TVkCustomPanel::TVkCustomPanel(TComponent* AOwner)
    : TCustomPanel(AOwner), TVkBorderProps(TVkBorderLook{.Outer = fsRaised}), TVkFrameControlled(this) {
  controlStyle_ = (controlStyle_ & ~unsigned(csSetCaption | csParentBackground)) | csOpaque;
  SetBevelOuter(bvNone);
  SetColor(clBtnFace);
  SetUseDockManager(true);
  lastWidth_ = Width();
  lastHeight_ = Height();
}

TVkCustomPanel::~TVkCustomPanel() = default;

void TVkCustomPanel::SetAlignmentVertical(TAlignmentVertical Value) {
  if (!StoreChange(alignmentVertical_, Value)) return;
  Invalidate();
}

void TVkCustomPanel::SetBevelWidth(int Value) {
  if (Value >= 1) TVkBorderProps::SetBevelWidth(Value);
}

void TVkCustomPanel::BorderChanged(TVkBorderChange What) {
  if (What == bcExtent) Realign();
  Invalidate();
}

#define TW_PANEL_SETTER(Name, Type, field)        \
  void TVkCustomPanel::Set##Name(Type Value) {    \
    if (field == Value) return;                   \
    field = Value;                                \
    Invalidate();                                 \
  }
TW_PANEL_SETTER(GradientColorStyle, TVkGradientColorStyle, gradientColorStyle_)
TW_PANEL_SETTER(GridColor, TColor, gridColor_)
TW_PANEL_SETTER(GridStyle, TVkGridStyle, gridStyle_)
TW_PANEL_SETTER(GridXSize, int, gridXSize_)
TW_PANEL_SETTER(GridYSize, int, gridYSize_)
TW_PANEL_SETTER(PaintClientArea, bool, paintClientArea_)
TW_PANEL_SETTER(ShowGrid, bool, showGrid_)
TW_PANEL_SETTER(TextMargin, int, textMargin_)
TW_PANEL_SETTER(TextMarginVertical, int, textMarginVertical_)
TW_PANEL_SETTER(VisualStyle, TVkVisualStyle, visualStyle_)
TW_PANEL_SETTER(WordWrap, bool, wordWrap_)
TW_PANEL_SETTER(ShowDockClientCaptions, bool, showDockClientCaptions_)
#undef TW_PANEL_SETTER

void TVkCustomPanel::SetGradientColorStart(TColor Value) {
  if (!StoreChange(gradientColorStart_, Value)) return;
  Invalidate();
  InvalidateTransparentChildren(this);
}

void TVkCustomPanel::SetGradientColorStop(TColor Value) {
  if (!StoreChange(gradientColorStop_, Value)) return;
  Invalidate();
  InvalidateTransparentChildren(this);
}

void TVkCustomPanel::SetGradientDirection(TGradientDirection Value) {
  if (!StoreChange(gradientDirection_, Value)) return;
  Invalidate();
  InvalidateTransparentChildren(this);
}

void TVkCustomPanel::SetTransparent(bool Value) {
  if (!StoreChange(transparent_, Value)) return;
  if (Value)
    controlStyle_ &= ~unsigned(csOpaque);
  else
    controlStyle_ |= csOpaque;
  Invalidate();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}


void TVkCustomPanel::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

void TVkCustomPanel::ReadLegacyProperties(TFiler* Filer) {
  TCustomPanel::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FrameSides", TVkOldPropReader::SkipSetValue);
  Filer->DefineProperty("ThemeAware", TVkOldPropReader::SkipBooleanValue);
  Filer->DefineProperty("UseGradients", [this](TReader& Reader) {
    if (Reader.ReadBoolean()) SetVisualStyle(vsGradient);
  });
}

void TVkCustomPanel::AdjustForBorders(TRect& Rect, bool IncludeBorderWidth) const {
  if (IncludeBorderWidth) gui::InflateRect(Rect, -TWinControl::BorderWidth(), -TWinControl::BorderWidth());
  ShrinkForFrames(Rect, look_.Outer, look_.Inner, look_.Sides, look_.BevelWidth);
}

void TVkCustomPanel::ArrangeChildren(TControl* AControl, TRect& Rect) {
  // A dock site takes the borders off in ShrinkClientRect already (the dock
  // manager places its controls by that alone); taking them twice would
  // push aligned children in by twice the borders.
  if (!DockSite()) AdjustForBorders(Rect, false);
  TCustomPanel::ArrangeChildren(AControl, Rect);
}

void TVkCustomPanel::ShrinkClientRect(TRect& Rect) {
  TCustomPanel::ShrinkClientRect(Rect);
  if (DockSite()) AdjustForBorders(Rect, false);
}

void TVkCustomPanel::CMDockNotification(TMessage& Message) {
  TCustomPanel::CMDockNotification(Message);
  if (DockManager()) Invalidate();
}

TDockTree* TVkCustomPanel::CreateDockManager() {
  TDockTree* manager = DockManager();
  if (!manager && DockSite() && UseDockManager()) manager = new TVkPanelDockManager(this);
  if (manager) SetDoubleBuffered(true);
  return manager;
}

void TVkCustomPanel::PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // Keeps the far edge where it is: a bar at the bottom grows upward.
  if (Align() == alBottom && AHeight != Height() && ATop == Top()) ATop = Top() + Height() - AHeight;
  if (Align() == alRight && AWidth != Width() && ALeft == Left()) ALeft = Left() + Width() - AWidth;
  TCustomPanel::PlaceBounds(ALeft, ATop, AWidth, AHeight);
}

void TVkCustomPanel::GetGradientColors(TColor& Start, TColor& Stop) {
  if (gradientColorStyle_ == gcsCustom) {
    Start = gradientColorStart_;
    Stop = gradientColorStop_;
  } else {
    GradientPanelColors(gradientColorStyle_, Start, Stop);
  }
}

void TVkCustomPanel::GetFlatColors(TColor& Color, int& Adjustment) {
  if (visualStyle_ != vsGradient || gradientColorStyle_ == gcsCustom) {
    Color = look_.FlatColor;
    Adjustment = look_.FlatColorAdjustment;
  } else {
    Color = GradientPanelFrameColor(gradientColorStyle_);
    Adjustment = 0;
  }
}

void TVkCustomPanel::PaintControl() {
  TCanvas* canvas = Canvas();
  TRect r{0, 0, Width(), Height()};
  TColor flat;
  int adjustment;
  GetFlatColors(flat, adjustment);
  TColor parentColor = Parent() ? Parent()->Color() : Color();
  r = PaintInnerOuterBorders(canvas, r, look_.Outer, look_.Inner, TWinControl::BorderWidth(), look_.Sides,
                             look_.BevelWidth, look_.Color, look_.Highlight, look_.Shadow, flat, adjustment, Color(),
                             parentColor, transparent_);
  if (!transparent_ && paintClientArea_) {
    if (visualStyle_ == vsGradient) {
      TColor start, stop;
      GetGradientColors(start, stop);
      PaintGradient(canvas, r, gradientDirection_, start, stop, 1);
    } else {
      canvas->Brush()->SetColor(Color());
      canvas->Brush()->SetStyle(bsSolid);
      canvas->FillRect(r);
    }
  }
  if (showGrid_) DrawGrid(r);
  canvas->Brush()->SetStyle(bsClear);
  DrawCaption(r);
  canvas->Brush()->SetStyle(bsSolid);
  if (OnPaint) OnPaint(this);
}

void TVkCustomPanel::DrawCaption(TRect Rect) {
  String caption = Caption();
  if (caption.empty()) return;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  gui::InflateRect(Rect, -textMargin_, -textMarginVertical_);
  UINT align = Alignment() == taLeftJustify ? gui::DT_LEFT : Alignment() == taRightJustify ? gui::DT_RIGHT : gui::DT_CENTER;
  UINT flags = gui::DT_EXPANDTABS | gui::DT_VCENTER | align | (wordWrap_ ? gui::DT_WORDBREAK : 0);
  TRect measure = Rect;
  CanvasDrawText(canvas, caption, measure, flags | gui::DT_CALCRECT);
  int h = measure.Height();
  switch (alignmentVertical_) {
    case avTop: Rect.Bottom = std::min(Rect.Bottom, Rect.Top + h); break;
    case avCenter:
      Rect.Top = (Rect.Top + Rect.Bottom - h) / 2;
      Rect.Bottom = std::min(Rect.Bottom, Rect.Top + h);
      break;
    case avBottom: Rect.Top = std::max(Rect.Top, Rect.Bottom - h - 1); break;
  }
  if (!Enabled()) canvas->Font()->SetColor(clGrayText);
  CanvasDrawText(canvas, caption, Rect, flags);
}

void TVkCustomPanel::DrawGrid(const TRect& Rect) {
  TCanvas* canvas = Canvas();
  int columns = gridXSize_ > 0 ? Rect.Width() / gridXSize_ : 0;
  int rows = gridYSize_ > 0 ? Rect.Height() / gridYSize_ : 0;
  canvas->Pen()->SetColor(gridColor_);
  switch (gridStyle_) {
    case gsDots:
      for (int i = 1; i <= columns; ++i)
        for (int j = 1; j <= rows; ++j)
          canvas->SetPixel(Rect.Left + i * gridXSize_ - 1, Rect.Top + j * gridYSize_ - 1, gridColor_);
      break;
    case gsSolidLines:
      for (int i = 1; i <= columns; ++i) {
        canvas->MoveTo(Rect.Left + i * gridXSize_ - 1, Rect.Top);
        canvas->LineTo(Rect.Left + i * gridXSize_ - 1, Rect.Bottom);
      }
      for (int j = 1; j <= rows; ++j) {
        canvas->MoveTo(Rect.Left, Rect.Top + j * gridYSize_ - 1);
        canvas->LineTo(Rect.Right, Rect.Top + j * gridYSize_ - 1);
      }
      break;
    case gsDottedLines:
      for (int i = 1; i <= columns; ++i)
        for (int y = Rect.Top + 1; y < Rect.Bottom; y += 2) canvas->SetPixel(Rect.Left + i * gridXSize_ - 1, y, gridColor_);
      for (int j = 1; j <= rows; ++j)
        for (int x = Rect.Left + 1; x < Rect.Right; x += 2) canvas->SetPixel(x, Rect.Top + j * gridYSize_ - 1, gridColor_);
      break;
  }
}

void TVkCustomPanel::FrameControllerChanged() {
  if (ApplyBorderPush(this, frameLink_, look_)) Invalidate();
}

String TVkCustomPanel::SavedEnabledState(TControl* Child) const {
  auto it = savedEnabled_.find(Child);
  if (it == savedEnabled_.end()) return String();
  return it->second ? "1" : "0";
}

void TVkCustomPanel::EnabledChanged() {
  if (!Enabled()) {
    savedEnabled_.clear();
    for (int i = 0; i < ControlCount(); ++i) savedEnabled_[Controls(i)] = Controls(i)->Enabled();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(false);
  } else {
    for (int i = 0; i < ControlCount(); ++i) {
      auto it = savedEnabled_.find(Controls(i));
      if (it == savedEnabled_.end() || it->second) Controls(i)->SetEnabled(true);
    }
  }
}

void TVkCustomPanel::PositionChanged(TMessage& Message) {
  if (FullRepaint() || !Caption().empty()) {
    Invalidate();
  } else if (HandleAllocated()) {
    TRect r{0, 0, Width(), Height()};
    TRect inner = r;
    AdjustForBorders(inner, true);
    if (Width() != lastWidth_) {
      gui::Rect strip{inner.Right - 1, 0, r.Right, r.Bottom};
      gui::InvalidateRect(Handle(), &strip, true);
    }
    if (Height() != lastHeight_) {
      gui::Rect strip{0, inner.Bottom - 1, r.Right, r.Bottom};
      gui::InvalidateRect(Handle(), &strip, true);
    }
  }
  lastWidth_ = Width();
  lastHeight_ = Height();
  TCustomControl::Dispatch(Message);
}

void TVkCustomPanel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
      if (ComponentState().Contains(csDesigning)) return;
      break;
    case CM_ENABLEDCHANGED:
      TCustomPanel::Dispatch(Message);
      Repaint();
      EnabledChanged();
      return;
    case CM_CONTROLCHANGE:
      TCustomPanel::Dispatch(Message);
      // A child that leaves (freed or moved elsewhere) leaves the record too.
      if (Message.LParam == 0) savedEnabled_.erase(reinterpret_cast<TControl*>(Message.WParam));
      return;
    case gui::WM_WINDOWPOSCHANGED:
      PositionChanged(Message);
      return;
    case gui::WM_ERASEBKGND:
      if (transparent_ && paintClientArea_) {
        PaintParentBackground(this, gui::FromParam<gui::HDC>(Message.WParam), true);
        Message.Result = 1;
        return;
      }
      break;
    case gui::WM_THEMECHANGED:
      TCustomPanel::Dispatch(Message);
      SetXPColorScheme(ReadXPColorScheme());
      return;
    default: break;
  }
  TCustomPanel::Dispatch(Message);
}

// ---- TVkStatusBar ------------------------------------------------------------------------

TVkStatusBar::TVkStatusBar(TComponent* AOwner) : TVkCustomPanel(AOwner) {
  SetAlign(alBottom);
  TVkCustomPanel::SetBorderInner(fsNone);
  TVkCustomPanel::SetBorderOuter(fsNone);
  TVkCustomPanel::SetBorderSides(kAllSides);
  SetHeight(19);
  SetBorderWidth(0);
  gripCanvas_ = std::make_unique<TControlCanvas>(this);
}

TVkStatusBar::~TVkStatusBar() = default;

void TVkStatusBar::SetBorderInner(TFrameStyleEx Value) {
  if (Value == BorderInner()) return;
  // A form's stored borders do not end the automatic style: loading applies it.
  if (!ComponentState().Contains(csLoading)) autoStyle_ = false;
  TVkCustomPanel::SetBorderInner(Value);
}

void TVkStatusBar::SetBorderOuter(TFrameStyleEx Value) {
  if (Value == BorderOuter()) return;
  // A form's stored borders do not end the automatic style: loading applies it.
  if (!ComponentState().Contains(csLoading)) autoStyle_ = false;
  TVkCustomPanel::SetBorderOuter(Value);
}

void TVkStatusBar::SetBorderSides(TSides Value) {
  if (Value == BorderSides()) return;
  // A form's stored borders do not end the automatic style: loading applies it.
  if (!ComponentState().Contains(csLoading)) autoStyle_ = false;
  TVkCustomPanel::SetBorderSides(Value);
}

void TVkStatusBar::ApplyAutoStyle() {
  bool keep = autoStyle_;
  TVkCustomPanel::SetBorderInner(fsNone);
  TVkCustomPanel::SetBorderOuter(fsNone);
  TVkCustomPanel::SetBorderSides(kAllSides);
  SetHeight(19);
  SetBorderWidth(0);
  autoStyle_ = keep;
}

void TVkStatusBar::FinishLoading() {
  TVkCustomPanel::FinishLoading();
  if (autoStyle_) ApplyAutoStyle();
}

bool TVkStatusBar::SizeGripAllowed() {
  TCustomForm* form = GetParentForm(this);
  sizeGripAllowed_ = form && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin) &&
                     form->WindowState() != wsMaximized;
  return sizeGripAllowed_;
}

void TVkStatusBar::SetShowSizeGrip(bool Value) {
  if (!StoreChange(showSizeGrip_, Value)) return;
  SizeGripAllowed();
  Invalidate();
}

void TVkStatusBar::SetSimpleCaption(const String& Value) {
  if (!StoreChange(simpleCaption_, Value)) return;
  Invalidate();
}

void TVkStatusBar::SetSimpleFrameStyle(TFrameStyle Value) {
  if (!StoreChange(simpleFrameStyle_, Value)) return;
  Invalidate();
}

void TVkStatusBar::SetSimpleStatus(bool Value) {
  if (!StoreChange(simpleStatus_, Value)) return;
  DisableAlign();
  try {
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->SetVisible(!Value);
      if (ComponentState().Contains(csDesigning))
        c->SetControlStyle(Value ? c->ControlStyle() | csNoDesignVisible : c->ControlStyle() & ~unsigned(csNoDesignVisible));
    }
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
  Invalidate();
}

TRect TVkStatusBar::ClientBounds() {
  TRect r = TVkCustomPanel::ClientBounds();
  if (!ThemeServices()->ThemesAvailable()) {
    r.Bottom += 1;
    r.Top = simpleStatus_ ? 2 : 1;
    r.Left -= 1;
    r.Right += 1;
  } else if (simpleStatus_) {
    r.Left += 1;
    r.Top += 1;
    r.Right -= 1;
  }
  return r;
}

void TVkStatusBar::GetGradientColors(TColor& Start, TColor& Stop) {
  if (GradientColorStyle() == gcsCustom) {
    Start = GradientColorStop();
    Stop = GradientColorStart();
  } else {
    TColor third;
    GradientStatusColors(GradientColorStyle(), Start, Stop, third);
  }
}

void TVkStatusBar::DrawSimpleFrame(const TRect& R) {
  if (VisualStyle() == vsWinXP && Themed()) {
    ThemeServices()->DrawElement(Canvas()->Handle(), ThemeServices()->GetElementDetails("STATUS", 1, 0), R);
    return;
  }
  if (VisualStyle() != vsClassic) return;
  TCanvas* canvas = Canvas();
  if (simpleFrameStyle_ == fsFlat) {
    PaintOpenCornerFrame(canvas, R, AdjustColorLightness(FlatColor(), FlatColorAdjustment()));
  } else {
    PaintFrameStyle(canvas, R, simpleFrameStyle_, kAllSides);
  }
}

void TVkStatusBar::PaintControl() {
  TCanvas* canvas = Canvas();
  if (VisualStyle() == vsWinXP && Themed()) {
    ThemeServices()->DrawElement(canvas->Handle(), ThemeServices()->GetElementDetails("STATUS", 0, 0),
                                 TRect{0, 0, Width(), Height()});
    if (simpleStatus_ && !simpleCaption_.empty())
      ThemeServices()->DrawText(canvas->Handle(), ThemeServices()->GetElementDetails("STATUS", 0, 0), simpleCaption_,
                                ClientRect(), gui::DT_SINGLELINE | gui::DT_VCENTER);
    return;
  }
  TVkCustomPanel::PaintControl();
  if (!simpleStatus_) return;
  TRect r = ClientRect();
  r.Bottom -= 1;
  DrawSimpleFrame(r);
  gui::InflateRect(r, -1, -1);
  if (simpleCaption_.empty()) return;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  canvas->TextRect(r, r.Left + 2, r.Top + (r.Height() - canvas->TextHeight("Pp")) / 2, simpleCaption_);
  canvas->Brush()->SetStyle(bsSolid);
}

void TVkStatusBar::DrawSizeGrip(TRect R) {
  TCanvas* canvas = gripCanvas_.get();
  if (VisualStyle() == vsWinXP && Themed()) {
    ThemeServices()->DrawElement(canvas->Handle(), ThemeServices()->GetElementDetails("STATUS", 3, 0),
                                 TRect{R.Right - 20, R.Top, R.Right, R.Bottom});
    return;
  }
  TColor light = clBtnHighlight, dark = clBtnShadow;
  if (VisualStyle() == vsGradient) {
    TColor first;
    GradientStatusColors(GradientColorStyle(), first, light, dark);
  }
  const int lightDots[6][2] = {{5, 12}, {5, 8}, {5, 4}, {9, 8}, {9, 4}, {13, 4}};
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(light);
  for (const auto& d : lightDots) canvas->FillRect(TRect{R.Right - d[0], R.Bottom - d[1], R.Right - d[0] + 2, R.Bottom - d[1] + 2});
  canvas->Brush()->SetColor(dark);
  for (const auto& d : lightDots)
    canvas->FillRect(TRect{R.Right - d[0] - 1, R.Bottom - d[1] - 1, R.Right - d[0] + 1, R.Bottom - d[1] + 1});
}

void TVkStatusBar::Resize() {
  TVkCustomPanel::Resize();
  if (firstResize_) {
    firstResize_ = false;
    widthDelta_ = 0;
    lastWidth_ = Width();
    return;
  }
  widthDelta_ = Width() - lastWidth_;
  // A bar that had no width has no proportions to keep.
  if (autoScalePanes_ && ControlCount() > 0 && widthDelta_ != 0 && lastWidth_ > 0) {
    DisableAlign();
    try {
      for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        float ratio = static_cast<float>(c->Width()) / static_cast<float>(lastWidth_);
        c->SetWidth(c->Width() + static_cast<int>(std::nearbyint(static_cast<double>(widthDelta_) * ratio)));
      }
    } catch (...) {
      EnableAlign();
      throw;
    }
    EnableAlign();
  }
  lastWidth_ = Width();
}

void TVkStatusBar::MakeWindow() {
  TVkCustomPanel::MakeWindow();
  SizeGripAllowed();
}

void TVkStatusBar::Dispatch(TMessage& Message) {
  bool gripWorks = showSizeGrip_ && !ComponentState().Contains(csDesigning);
  switch (Message.Msg) {
    case gui::WM_LBUTTONDOWN:
      if (gripWorks && SizeGripAllowed() && gui::PtInRect(GripRect(), TPoint{MessageX(Message), MessageY(Message)})) {
        gui::ReleaseCapture();
        if (TCustomForm* form = GetParentForm(this)) form->Perform(gui::WM_SYSCOMMAND, 0xF008, 0);
        return;
      }
      break;
    case gui::WM_SETCURSOR:
      if (gripWorks && SizeGripAllowed() && HandleAllocated()) {
        TPoint p = ScreenToClient(Mouse()->CursorPos());
        if (gui::PtInRect(GripRect(), p)) {
          gui::SetCursor(CursorHandle(crSizeNWSE));
          Message.Result = 1;
          return;
        }
      }
      break;
    case gui::WM_PAINT:
      TVkCustomPanel::Dispatch(Message);
      if (showSizeGrip_ && SizeGripAllowed() && HandleAllocated()) {
        TRect r = ClientRect();
        r.Bottom -= 1;
        DrawSizeGrip(r);
        gripCanvas_->FreeHandle();
      }
      return;
    default: break;
  }
  TVkCustomPanel::Dispatch(Message);
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkPanelClasses() {
  static const bool registered = [] {
  const std::vector<String>& kStyles = FrameStyleExNames();
  RegisterClass<TVkCustomPanel>("TVkCustomPanel", "TCustomPanel", nullptr)
      .Enum("AlignmentVertical", AlignmentVerticalNames(), &TVkCustomPanel::AlignmentVertical,
            &TVkCustomPanel::SetAlignmentVertical, avCenter)
      .Integer("BevelWidth", &TVkCustomPanel::BevelWidth, &TVkCustomPanel::SetBevelWidth, 1)
      .Enum("BorderInner", kStyles, &TVkCustomPanel::BorderInner, &TVkCustomPanel::SetBorderInner, fsNone)
      .Enum("BorderOuter", kStyles, &TVkCustomPanel::BorderOuter, &TVkCustomPanel::SetBorderOuter, fsRaised)
      .Set("BorderSides", SideNames(), &TVkCustomPanel::BorderSides, &TVkCustomPanel::SetBorderSides, kAllSides)
      .Integer("BorderColor", &TVkCustomPanel::BorderColor, &TVkCustomPanel::SetBorderColor, clBtnFace)
      .Idents(&IdentToColor)
      .Integer("BorderHighlight", &TVkCustomPanel::BorderHighlight, &TVkCustomPanel::SetBorderHighlight, clBtnHighlight)
      .Idents(&IdentToColor)
      .Integer("BorderShadow", &TVkCustomPanel::BorderShadow, &TVkCustomPanel::SetBorderShadow, clBtnShadow)
      .Idents(&IdentToColor)
      .Integer("FlatColor", &TVkCustomPanel::FlatColor, &TVkCustomPanel::SetFlatColor, clBtnShadow)
      .Idents(&IdentToColor)
      .Integer("FlatColorAdjustment", &TVkCustomPanel::FlatColorAdjustment, &TVkCustomPanel::SetFlatColorAdjustment, 30)
      .Component("FrameController", "TVkFrameController", &TVkCustomPanel::FrameController,
                 &TVkCustomPanel::SetFrameController)
      .Set("FrameControllerNotifications", FrameControllerPropertyNames(), &TVkCustomPanel::FrameControllerNotifications,
           &TVkCustomPanel::SetFrameControllerNotifications, kAllFrameControllerNotifications)
      .Enum("GradientColorStyle", GradientColorStyleNames(), &TVkCustomPanel::GradientColorStyle,
            &TVkCustomPanel::SetGradientColorStyle, gcsSystem)
      .Integer("GradientColorStart", &TVkCustomPanel::GradientColorStart, &TVkCustomPanel::SetGradientColorStart,
               0x00FFFFFF)
      .Idents(&IdentToColor)
      .Integer("GradientColorStop", &TVkCustomPanel::GradientColorStop, &TVkCustomPanel::SetGradientColorStop, clBtnFace)
      .Idents(&IdentToColor)
      .Enum("GradientDirection", GradientDirectionNames(), &TVkCustomPanel::GradientDirection,
            &TVkCustomPanel::SetGradientDirection, gdHorizontalEnd)
      .Integer("GridColor", &TVkCustomPanel::GridColor, &TVkCustomPanel::SetGridColor, clBtnShadow)
      .Idents(&IdentToColor)
      .Enum("GridStyle", {"gsDots", "gsDottedLines", "gsSolidLines"}, &TVkCustomPanel::GridStyle,
            &TVkCustomPanel::SetGridStyle, gsDots)
      .Integer("GridXSize", &TVkCustomPanel::GridXSize, &TVkCustomPanel::SetGridXSize, 8)
      .Integer("GridYSize", &TVkCustomPanel::GridYSize, &TVkCustomPanel::SetGridYSize, 8)
      .Boolean("PaintClientArea", &TVkCustomPanel::PaintClientArea, &TVkCustomPanel::SetPaintClientArea, true)
      .Boolean("ShowGrid", &TVkCustomPanel::ShowGrid, &TVkCustomPanel::SetShowGrid, false)
      .Integer("TextMargin", &TVkCustomPanel::TextMargin, &TVkCustomPanel::SetTextMargin, 0)
      .Integer("TextMarginVertical", &TVkCustomPanel::TextMarginVertical, &TVkCustomPanel::SetTextMarginVertical, 0)
      .Boolean("Transparent", &TVkCustomPanel::Transparent, &TVkCustomPanel::SetTransparent, false)
      .Enum("VisualStyle", VisualStyleNames(), &TVkCustomPanel::VisualStyle,
            &TVkCustomPanel::SetVisualStyle, vsWinXP)
      .Boolean("WordWrap", &TVkCustomPanel::WordWrap, &TVkCustomPanel::SetWordWrap, true)
      .Event<TNotifyEvent>("OnPaint", [](TVkCustomPanel& p, TNotifyEvent e) { p.OnPaint = std::move(e); });
  RegisterClass<TVkPanel>("TVkPanel", "TVkCustomPanel")
      .Boolean("DockSite", &TVkPanel::DockSite, &TVkPanel::SetDockSite, false)
      .Boolean("UseDockManager", &TVkPanel::UseDockManager, &TVkPanel::SetUseDockManager, true)
      .Boolean("ShowDockClientCaptions", &TVkPanel::ShowDockClientCaptions, &TVkPanel::SetShowDockClientCaptions, true);
  RegisterClass<TVkStatusBar>("TVkStatusBar", "TVkCustomPanel")
      .Boolean("AutoScalePanes", &TVkStatusBar::AutoScalePanes, &TVkStatusBar::SetAutoScalePanes, false)
      .Boolean("AutoStyle", &TVkStatusBar::AutoStyle, &TVkStatusBar::SetAutoStyle, true)
      .Boolean("ShowSizeGrip", &TVkStatusBar::ShowSizeGrip, &TVkStatusBar::SetShowSizeGrip, true)
      .Str("SimpleCaption", &TVkStatusBar::SimpleCaption, &TVkStatusBar::SetSimpleCaption)
      .Enum("SimpleFrameStyle", FrameStyleNames(), &TVkStatusBar::SimpleFrameStyle, &TVkStatusBar::SetSimpleFrameStyle,
            fsFlat)
      .Boolean("SimpleStatus", &TVkStatusBar::SimpleStatus, &TVkStatusBar::SetSimpleStatus, false)
      .Enum("BorderInner", FrameStyleExNames(), &TVkStatusBar::BorderInner,
            [](TVkStatusBar& s, TFrameStyleEx v) { s.SetBorderInner(v); }, std::nullopt)
      .Enum("BorderOuter", FrameStyleExNames(), &TVkStatusBar::BorderOuter,
            [](TVkStatusBar& s, TFrameStyleEx v) { s.SetBorderOuter(v); }, std::nullopt)
      .Set("BorderSides", SideNames(), &TVkStatusBar::BorderSides, [](TVkStatusBar& s, TSides v) { s.SetBorderSides(v); },
           std::nullopt);
  return true;
  }();
  (void)registered;
}

namespace {
const bool kRegistered = (RegisterVkPanelClasses(), true);
}
