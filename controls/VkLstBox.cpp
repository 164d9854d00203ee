// TVkCustomListBox and TVkListBox.
#include "controls/VkLstBox.h"

#include <algorithm>

#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkSystem.h"
#include "platform/gui/Controls.h"

TVkCustomListBox::TVkCustomListBox(TComponent* AOwner)
    : TVkFramed<TCustomListBox>(AOwner), searchTimer_(std::make_unique<TTimer>(nullptr)) {
  searchTimer_->SetEnabled(false);
  searchTimer_->SetInterval(SearchResetInterval);
  searchTimer_->SetOnTimer([this](TObject*) { SearchTimerExpired(); });
  groupFont_.Assign(Font());
  groupFont_.SetStyle(FontStyle(fsBold));
  groupFont_.SetColor(clHighlight);
  groupFont_.OnChange = [this](TObject*) {
    groupFontChanged_ = true;
    GroupFontChanged();
    Invalidate();
  };
}

TVkCustomListBox::~TVkCustomListBox() { groupFont_.OnChange = nullptr; }

// ---- Settings ----------------------------------------------------------------------------

void TVkCustomListBox::SetHorzExtent(int Value) {
  if (!StoreChange(horzExtent_, Value)) return;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(Value));
}

void TVkCustomListBox::SetHorzScrollBar(bool Value) {
  if (!StoreChange(horzScrollBar_, Value)) return;
  if (HandleAllocated()) RecreateWnd();
}

void TVkCustomListBox::SetOwnerDrawIndent(int Value) {
  if (!StoreChange(ownerDrawIndent_, Value)) return;
  Invalidate();
}

void TVkCustomListBox::SetUseGradients(bool Value) {
  if (!StoreChange(useGradients_, Value)) return;
  Invalidate();
}

void TVkCustomListBox::SetGroupColor(TColor Value) {
  if (!StoreChange(groupColor_, Value)) return;
  Invalidate();
}

void TVkCustomListBox::SetGroupPrefix(const String& Value) {
  if (!StoreChange(groupPrefix_, Value)) return;
  Invalidate();
}

void TVkCustomListBox::SetShowGroups(bool Value) {
  if (!StoreChange(showGroups_, Value)) return;
  if (Value) {
    SetStyle(lbOwnerDrawFixed);
    AdjustItemHeight();
  }
  Invalidate();
}

void TVkCustomListBox::AdjustItemHeight() { SetItemHeight(std::max(ItemHeight(), FontLineHeight(Font()))); }

void TVkCustomListBox::Resize() {
  TVkFramed<TCustomListBox>::Resize();
  if (useGradients_) Invalidate();
}

// ---- Queries -----------------------------------------------------------------------------

String TVkCustomListBox::SelectedItem() {
  if (!MultiSelect()) {
    int i = ItemIndex();
    return i >= 0 && i < Count() ? Items()->Strings(i) : String();
  }
  if (SelCount() <= 0) return String();
  // The caret item counts only when it is one of the selected.
  int caret = ItemIndex();
  if (caret >= 0 && caret < Count() && Selected(caret)) return Items()->Strings(caret);
  for (int i = 0; i < Count(); ++i)
    if (Selected(i)) return Items()->Strings(i);
  return String();
}

void TVkCustomListBox::SelectAll() {
  if (MultiSelect() && HandleAllocated()) gui::SendMessage(Handle(), gui::LB_SETSEL, 1, -1);
}

int TVkCustomListBox::FindItem(const String& Text) {
  if (HandleAllocated())
    return static_cast<int>(SendTextMessage(Handle(), gui::LB_FINDSTRING, static_cast<WPARAM>(-1), Text));
  for (int i = 0; i < Count(); ++i) {
    const String item = Items()->Strings(i);
    if (item.size() >= Text.size() && SameText(item.substr(0, Text.size()), Text)) return i;
  }
  return -1;
}

bool TVkCustomListBox::IsGroupItem(int Index) {
  if (Index < 0 || Index >= Count()) return false;
  return Items()->Strings(Index).compare(0, groupPrefix_.size(), groupPrefix_) == 0;
}

int TVkCustomListBox::GroupHeaderOf(int Index) {
  for (int i = std::min(Index, Count() - 1); i >= 0; --i)
    if (IsGroupItem(i)) return i;
  return -1;
}

int TVkCustomListBox::GroupNumber(int Index) {
  if (Index == -1 || !IsGroupItem(Index)) return -1;
  int n = 0;
  for (int i = 0; i < Index; ++i)
    if (IsGroupItem(i)) ++n;
  return n;
}

// ---- Incremental search ------------------------------------------------------------------

void TVkCustomListBox::Beep() {
  if (beepOnInvalidKey_) gui::MessageBeep(0);
}

void TVkCustomListBox::KeyPressed(char Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TVkCustomListBox::SearchStep(const String& Working, char Key) {
  int remembered = ItemIndex();
  int index = FindItem(Working);
  if (index == -1) {
    Beep();
    return;
  }
  if (MultiSelect()) {
    if (remembered >= 0) SetSelected(remembered, false);
    SetSelected(index, true);
    if (HandleAllocated()) gui::SendMessage(Handle(), gui::LB_SETCARETINDEX, static_cast<WPARAM>(index));
  } else {
    SetItemIndex(index);
  }
  searchText_ = Working;
  KeyPressed(Key);
  if (OnMatch) OnMatch(this);
}

void TVkCustomListBox::SearchTimerExpired() {
  if (keyInProgress_ != 0) return;
  searchTimer_->SetEnabled(false);
  searchText_.clear();
}

void TVkCustomListBox::WMChar(TMessage& Message) {
  if (!incrementalSearch_) {
    TVkFramed<TCustomListBox>::WMChar(Message);
    return;
  }
  char key = static_cast<char>(Message.WParam);
  String working = searchText_;
  switch (key) {
    case '\b':
      if (working.empty()) {
        // Nothing typed to take back: the beep says so, and the search for
        // the empty text goes back to the first item.
        Beep();
        SearchStep(working, key);
        return;
      }
      working.pop_back();
      if (!working.empty()) {
        SearchStep(working, key);
      } else {
        if (Count() > 0) SetItemIndex(0);
        HandleClick();
        searchText_.clear();
        KeyPressed(key);
      }
      return;
    case '\r':
      if (TabOnEnter()) {
        if (HandleAllocated()) gui::PostMessage(Handle(), gui::WM_KEYDOWN, gui::VK_TAB, 0);
      } else {
        KeyPressed(key);
      }
      return;
    case 27: SetItemIndex(-1); return;
    default: break;
  }
  if (static_cast<unsigned char>(key) < 32) return;
  if (key == ' ' && MultiSelect() && !ExtendedSelect()) return;
  keyInProgress_ = 1;
  working += key;
  try {
    SearchStep(working, key);
  } catch (...) {
    keyInProgress_ = 0;
    throw;
  }
  searchTimer_->SetEnabled(false);
  searchTimer_->SetInterval(SearchResetInterval);
  searchTimer_->SetEnabled(true);
  keyInProgress_ = 0;
}

// ---- Messages ----------------------------------------------------------------------------

void TVkCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_LBUTTONDOWN: searchText_.clear(); break;
    case gui::WM_KEYDOWN:
      if (Message.WParam == 27 || (Message.WParam >= 33 && Message.WParam <= 40)) searchText_.clear();
      break;
    case gui::WM_MOUSEMOVE:
      TVkFramed<TCustomListBox>::Dispatch(Message);
      if (showItemHints_) UpdateItemHint(TPoint{MessageX(Message), MessageY(Message)});
      return;
    default: break;
  }
  TVkFramed<TCustomListBox>::Dispatch(Message);
}

void TVkCustomListBox::WindowProcedure(TMessage& Message) {
  TVkFramed<TCustomListBox>::WindowProcedure(Message);
  switch (Message.Msg) {
    case gui::LB_ADDSTRING:
    case gui::LB_INSERTSTRING:
    case gui::LB_DELETESTRING:
    case gui::LB_RESETCONTENT: UpdateHorzExtent(); break;
    default: break;
  }
}

void TVkCustomListBox::CMFontChanged(TMessage& Message) {
  TVkFramed<TCustomListBox>::CMFontChanged(Message);
  if (showGroups_) AdjustItemHeight();
  UpdateHorzExtent();
}

void TVkCustomListBox::CMMouseEnter(TMessage& Message) {
  TVkFramed<TCustomListBox>::CMMouseEnter(Message);
  if (showItemHints_ && HandleAllocated()) UpdateItemHint(ScreenToClient(Mouse()->CursorPos()));
}

void TVkCustomListBox::CMMouseLeave(TMessage& Message) {
  TVkFramed<TCustomListBox>::CMMouseLeave(Message);
  HideItemHint();
}

void TVkCustomListBox::SetWindowParams(TCreateParams& Params) {
  TVkFramed<TCustomListBox>::SetWindowParams(Params);
  if (horzScrollBar_)
    Params.Style |= gui::WS_HSCROLL;
  else
    Params.Style &= ~gui::WS_HSCROLL;
}

void TVkCustomListBox::MakeWindow() {
  TVkFramed<TCustomListBox>::MakeWindow();
  gui::SendMessage(Handle(), gui::LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(horzExtent_));
  gui::ShowScrollBar(Handle(), gui::SB_HORZ, horzScrollBar_);
}

void TVkCustomListBox::UpdateHorzExtent() {
  if (!horzScrollBar_ || ComponentState().Contains(csLoading)) return;
  gui::HDC dc = gui::GetDC(gui::HWND{});
  if (gui::IsNull(dc)) return;
  TCanvas measure;
  measure.SetHandle(dc);
  measure.SetFont(Font());
  int widest = -1;
  for (int i = 0; i < Count(); ++i) widest = std::max(widest, measure.TextWidth(Items()->Strings(i) + "x"));
  measure.SetHandle(gui::HDC{});
  gui::ReleaseDC(gui::HWND{}, dc);
  SetHorzExtent(widest < 0 ? 0 : widest + 1);
}

void TVkCustomListBox::FinishLoading() {
  TVkFramed<TCustomListBox>::FinishLoading();
  UpdateHorzExtent();
}

// ---- Item hints --------------------------------------------------------------------------

void TVkCustomListBox::HideItemHint() {
  if (hintWindow_) hintWindow_->ReleaseHandle();
}

void TVkCustomListBox::UpdateItemHint(TPoint Pos) {
  int index = HandleAllocated() ? ItemAtPos(Pos, true) : -1;
  if (ComponentState().Contains(csDesigning) || index < 0) {
    HideItemHint();
    return;
  }
  String text = Items()->Strings(index);
  if (IsGroupItem(index) && showGroups_) text = text.substr(std::min(text.size(), groupPrefix_.size()));
  Canvas()->SetFont(Font());
  int width = Canvas()->TextWidth(text) + 2;
  if (width <= ClientWidth() - GetTextIndent() || !gui::IsApplicationActive()) {
    HideItemHint();
    return;
  }
  if (!hintWindow_) {
    hintWindow_ = new THintWindow(this);
    hintWindow_->SetColor(clInfoBk);
  }
  String shown;
  for (char c : text) shown += c == '\t' ? String(8, ' ') : String(1, c);
  hintWindow_->SetFont(Font());
  TRect h = hintWindow_->CalcHintRect(Screen()->Width(), shown, nullptr);
  TRect item = ItemRect(index);
  TPoint corner = ClientToScreen(TPoint{item.Left, item.Top});
  int dy = (item.Height() - h.Height()) / 2 - 2 + corner.Y;
  int dx = GetTextIndent() + corner.X - 1;
  gui::OffsetRect(h, dx, dy);
  bool shownAlready = hintWindow_->HandleAllocated() && gui::IsWindowVisible(hintWindow_->Handle());
  if (!shownAlready || hintWindow_->Left() != h.Left || hintWindow_->Top() != h.Top) hintWindow_->ActivateHint(h, shown);
}

// ---- Drawing -----------------------------------------------------------------------------

void TVkCustomListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  if (showGroups_ && Index >= 0 && IsGroupItem(Index)) {
    DrawGroupItem(Index, Rect, State);
    return;
  }
  TRect r = Rect;
  r.Left += GetTextIndent();
  DoDrawItem(Index, r, State);
}

void TVkCustomListBox::DoDrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem)
    OnDrawItem(this, Index, Rect, State);
  else
    DefaultDrawItem(Index, Rect, State);
}

void TVkCustomListBox::DefaultDrawItem(int Index, const TRect& Rect, TOwnerDrawState) {
  TCanvas* canvas = Canvas();
  canvas->FillRect(Rect);
  if (Index >= Count()) return;
  TRect r = Rect;
  r.Left += 2;
  canvas->Brush()->SetStyle(bsClear);
  CanvasDrawText(canvas, Items()->Strings(Index), r, gui::DT_SINGLELINE | gui::DT_VCENTER | gui::DT_NOPREFIX);
  canvas->Brush()->SetStyle(bsSolid);
}

void TVkCustomListBox::DrawGroupItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(&groupFont_);
  bool themed = ThemesEnabled();
  TColor text = themed ? ThemedExplorerBarColor(5) : groupFont_.Color();
  TColor back = themed ? ThemedExplorerBarColor(4) : groupColor_;
  canvas->Font()->SetColor(text);
  if (State & odSelected) {
    canvas->Font()->SetColor(clHighlightText);
    canvas->FillRect(Rect);
  } else if (!useGradients_ || !FullColorScreen()) {
    canvas->Brush()->SetColor(back);
    canvas->FillRect(Rect);
  } else {
    PaintGradient(canvas, Rect, gdVerticalEnd, back, Color(), 1);
  }
  canvas->Brush()->SetStyle(bsClear);
  TRect r = Rect;
  r.Left += 2;
  String caption = Items()->Strings(Index);
  caption = caption.substr(std::min(caption.size(), groupPrefix_.size()));
  CanvasDrawText(canvas, caption, r, gui::DT_SINGLELINE | gui::DT_VCENTER | gui::DT_NOPREFIX);
  canvas->Brush()->SetStyle(bsSolid);
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkListBoxClasses() {
  static const bool registered = [] {
    auto box = RegisterClass<TVkCustomListBox>("TVkCustomListBox", "TCustomListBox");
    RegisterFramingProperties<TVkCustomListBox>(box, false);
    box.Boolean("IncrementalSearch", &TVkCustomListBox::IncrementalSearch, &TVkCustomListBox::SetIncrementalSearch,
                true)
        .Boolean("BeepOnInvalidKey", &TVkCustomListBox::BeepOnInvalidKey, &TVkCustomListBox::SetBeepOnInvalidKey, true)
        .Integer("HorzExtent", &TVkCustomListBox::HorzExtent, &TVkCustomListBox::SetHorzExtent, 0)
        .Boolean("HorzScrollBar", &TVkCustomListBox::HorzScrollBar, &TVkCustomListBox::SetHorzScrollBar, false)
        .Integer("OwnerDrawIndent", &TVkCustomListBox::OwnerDrawIndent, &TVkCustomListBox::SetOwnerDrawIndent, 0)
        .Boolean("ShowItemHints", &TVkCustomListBox::ShowItemHints, &TVkCustomListBox::SetShowItemHints, true)
        .Boolean("UseGradients", &TVkCustomListBox::UseGradients, &TVkCustomListBox::SetUseGradients, true)
        .Integer("GroupColor", &TVkCustomListBox::GroupColor, &TVkCustomListBox::SetGroupColor, clInactiveCaptionText)
        .Idents(&IdentToColor)
        .Object("GroupFont", [](TVkCustomListBox& b) { return b.GroupFont(); })
        .Str("GroupPrefix", &TVkCustomListBox::GroupPrefix, &TVkCustomListBox::SetGroupPrefix, String("//"))
        .Boolean("ShowGroups", &TVkCustomListBox::ShowGroups, &TVkCustomListBox::SetShowGroups, false)
        .Event<TNotifyEvent>("OnMatch", [](TVkCustomListBox& b, TNotifyEvent e) { b.OnMatch = std::move(e); })
        .Event<TNotifyEvent>("OnDeleteItems",
                             [](TVkCustomListBox& b, TNotifyEvent e) { b.OnDeleteItems = std::move(e); });
    RegisterClass<TVkListBox>("TVkListBox", "TVkCustomListBox");
    return true;
  }();
  (void)registered;
}

namespace {
const bool kListBoxRegistered = (RegisterVkListBoxClasses(), true);
}
