// TCustomListBox over the window layer's native list box.
#include <algorithm>

#include "class_library/visual/StdCtrls.h"
#include "platform/gui/Controls.h"

// The items: in the window while it exists, in a string list otherwise.
class TCustomListBox::TListBoxStrings : public TStrings {
public:
  explicit TListBoxStrings(TCustomListBox* ListBox) : box_(ListBox) {}
  String ClassName() const override { return "TListBoxStrings"; }

  bool Live() const { return box_->HandleAllocated(); }
  gui::HWND Window() const { return box_->Handle(); }

  int Count() const override {
    if (!Live()) return saved_.Count();
    return static_cast<int>(gui::SendMessage(Window(), gui::LB_GETCOUNT));
  }
  String Strings(int Index) const override {
    if (!Live()) return saved_.Strings(Index);
    LRESULT length = gui::SendMessage(Window(), gui::LB_GETTEXTLEN, static_cast<WPARAM>(Index));
    if (length == gui::LB_ERR) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    String text(static_cast<std::size_t>(length) + 1, '\0');
    gui::SendMessage(Window(), gui::LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
  }
  TObject* Objects(int Index) const override {
    if (!Live()) return saved_.Objects(Index);
    LRESULT data = gui::SendMessage(Window(), gui::LB_GETITEMDATA, static_cast<WPARAM>(Index));
    if (data == gui::LB_ERR) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    return reinterpret_cast<TObject*>(data);
  }
  void SetObjects(int Index, TObject* Object) override {
    if (!Live()) {
      saved_.SetObjects(Index, Object);
      return;
    }
    gui::SendMessage(Window(), gui::LB_SETITEMDATA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Object));
  }
  void SetStrings(int Index, const String& S) override {
    TObject* object = Objects(Index);
    int selected = box_->ItemIndex();
    Delete(Index);
    InsertObject(Index, S, object);
    if (selected == Index) box_->SetItemIndex(Index);
  }
  int Add(const String& S) override { return AddObject(S, nullptr); }
  int AddObject(const String& S, TObject* Object) override {
    if (!Live()) return saved_.AddObject(S, Object);
    // A sorted box puts the item in its place.
    auto at = gui::SendMessage(Window(), gui::LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
    if (at < 0) throw EOutOfResources("Insufficient space for the list box item");
    if (Object) gui::SendMessage(Window(), gui::LB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(Object));
    return static_cast<int>(at);
  }
  void Insert(int Index, const String& S) override { InsertObject(Index, S, nullptr); }
  void InsertObject(int Index, const String& S, TObject* Object) override {
    if (!Live()) {
      saved_.InsertObject(Index, S, Object);
      return;
    }
    auto at = gui::SendMessage(Window(), gui::LB_INSERTSTRING, static_cast<WPARAM>(Index),
                               reinterpret_cast<LPARAM>(S.c_str()));
    if (at < 0) throw EOutOfResources("Insufficient space for the list box item");
    if (Object) gui::SendMessage(Window(), gui::LB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(Object));
  }
  void Delete(int Index) override {
    if (!Live()) {
      saved_.Delete(Index);
      return;
    }
    gui::SendMessage(Window(), gui::LB_DELETESTRING, static_cast<WPARAM>(Index));
  }
  void Clear() override {
    if (!Live()) {
      saved_.Clear();
      return;
    }
    gui::SendMessage(Window(), gui::LB_RESETCONTENT);
  }

  // The window is made: the items go in. It goes: they come out.
  void Load() {
    for (int i = 0; i < saved_.Count(); ++i) AddObject(saved_.Strings(i), saved_.Objects(i));
    saved_.Clear();
  }
  void Save() {
    TStringList items;
    for (int i = 0; i < Count(); ++i) items.AddObject(Strings(i), Objects(i));
    saved_.Clear();
    for (int i = 0; i < items.Count(); ++i) saved_.AddObject(items.Strings(i), items.Objects(i));
  }
  void SetSorted(bool Value) { saved_.SetSorted(Value); }

private:
  TCustomListBox* box_;
  TStringList saved_;
};

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      items_(std::make_unique<TListBoxStrings>(this)),
      canvas_(std::make_unique<TControlCanvas>(this)) {
  controlStyle_ = csSetCaption | csDoubleClicks;
  PlaceBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() { Destroying(); }

TStrings* TCustomListBox::Items() { return items_.get(); }

void TCustomListBox::SetWindowParams(TCreateParams& Params) {
  TWinControl::SetWindowParams(Params);
  Params.ClassName = gui::LISTBOX_CLASS;
  Params.Style |= gui::LBS_NOTIFY | gui::LBS_HASSTRINGS | gui::LBS_NOINTEGRALHEIGHT | gui::WS_VSCROLL;
  if (sorted_) Params.Style |= gui::LBS_SORT;
  if (multiSelect_) Params.Style |= extendedSelect_ ? gui::LBS_EXTENDEDSEL : gui::LBS_MULTIPLESEL;
  if (style_ == lbOwnerDrawFixed || style_ == lbVirtualOwnerDraw) Params.Style |= gui::LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) Params.Style |= gui::LBS_OWNERDRAWVARIABLE;
  if (borderStyle_ == bsSingle) Params.ExStyle |= gui::WS_EX_CLIENTEDGE;
}

void TCustomListBox::MakeWindow() {
  TWinControl::MakeWindow();
  if (style_ != lbStandard) gui::SendMessage(Handle(), gui::LB_SETITEMHEIGHT, 0, itemHeight_);
  items_->Load();
  SetItemIndex(itemIndex_);
}

void TCustomListBox::DestroyWnd() {
  if (HandleAllocated()) {
    itemIndex_ = ItemIndex();
    items_->Save();
  }
  TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return itemIndex_;
  UINT msg = multiSelect_ ? gui::LB_GETCARETINDEX : gui::LB_GETCURSEL;
  return static_cast<int>(gui::SendMessage(Handle(), msg));
}

void TCustomListBox::SetItemIndex(int Value) {
  itemIndex_ = Value;
  if (!HandleAllocated()) return;
  if (multiSelect_) {
    gui::SendMessage(Handle(), gui::LB_SETCARETINDEX, static_cast<WPARAM>(Value), 0);
  } else {
    gui::SendMessage(Handle(), gui::LB_SETCURSEL, static_cast<WPARAM>(Value));
  }
}

bool TCustomListBox::Selected(int Index) {
  LRESULT r = gui::SendMessage(Handle(), gui::LB_GETSEL, static_cast<WPARAM>(Index));
  if (r < 0) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return r != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (multiSelect_) {
    if (gui::SendMessage(Handle(), gui::LB_SETSEL, Value ? 1 : 0, Index) < 0)
      throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  } else if (Value) {
    SetItemIndex(Index);
  } else if (ItemIndex() == Index) {
    SetItemIndex(-1);
  }
}

int TCustomListBox::SelCount() {
  if (!multiSelect_) return ItemIndex() >= 0 ? 1 : 0;
  return static_cast<int>(gui::SendMessage(Handle(), gui::LB_GETSELCOUNT));
}

int TCustomListBox::TopIndex() { return static_cast<int>(gui::SendMessage(Handle(), gui::LB_GETTOPINDEX)); }
void TCustomListBox::SetTopIndex(int Value) {
  gui::SendMessage(Handle(), gui::LB_SETTOPINDEX, static_cast<WPARAM>(Value));
}

void TCustomListBox::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  sorted_ = Value;
  items_->SetSorted(Value);
  RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (multiSelect_ == Value) return;
  multiSelect_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (extendedSelect_ == Value) return;
  extendedSelect_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (borderStyle_ == Value) return;
  borderStyle_ = Value;
  RecreateWnd();
}

int TCustomListBox::ItemHeight() {
  if (HandleAllocated() && style_ == lbStandard)
    return static_cast<int>(gui::SendMessage(Handle(), gui::LB_GETITEMHEIGHT));
  return itemHeight_;
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value <= 0) return;
  itemHeight_ = Value;
  if (HandleAllocated() && style_ != lbStandard) gui::SendMessage(Handle(), gui::LB_SETITEMHEIGHT, 0, Value);
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) {
  LRESULT r = gui::SendMessage(Handle(), gui::LB_ITEMFROMPOINT, 0, gui::PointToLParam(Pos));
  int index = gui::LOWORD(static_cast<std::uintptr_t>(r));
  bool outside = gui::HIWORD(static_cast<std::uintptr_t>(r)) != 0;
  if (!outside) return index;
  if (Existing) return -1;
  return Count();
}

TRect TCustomListBox::ItemRect(int Index) {
  TRect r{};
  gui::SendMessage(Handle(), gui::LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  return r;
}

namespace {
bool IsVirtualStyle(TListBoxStyle Style) { return Style == lbVirtual || Style == lbVirtualOwnerDraw; }
}  // namespace

void TCustomListBox::SetCount(int Value) {
  if (!IsVirtualStyle(style_)) return;
  Value = std::max(Value, 0);
  items_->BeginUpdate();
  try {
    items_->Clear();
    for (int i = 0; i < Value; ++i) items_->Add(style_ == lbVirtual ? ItemText(i) : String());
  } catch (...) {
    items_->EndUpdate();
    throw;
  }
  items_->EndUpdate();
}

String TCustomListBox::ItemText(int Index) {
  if (!IsVirtualStyle(style_)) return items_->Strings(Index);
  String data;
  if (OnData) OnData(this, Index, data);
  return data;
}

void TCustomListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Index >= 0 && Index < Count()) canvas_->TextOut(Rect.Left + 2, Rect.Top, ItemText(Index));
}

void TCustomListBox::WMEraseBkgnd(TMessage& Message) { DefaultHandler(Message); }
void TCustomListBox::WMPaint(TMessage& Message) { DefaultHandler(Message); }

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (gui::HIWORD(Message.WParam) == gui::LBN_SELCHANGE) HandleClick();
      if (gui::HIWORD(Message.WParam) == gui::LBN_DBLCLK) DblClick();
      return;
    case CN_DRAWITEM: {
      auto* item = reinterpret_cast<gui::DrawItemStruct*>(Message.LParam);
      TOwnerDrawState state = 0;
      if (item->itemState & gui::ODS_SELECTED) state |= odSelected;
      if (item->itemState & gui::ODS_FOCUS) state |= odFocused;
      if (item->itemState & gui::ODS_DISABLED) state |= odDisabled;
      canvas_->PaintWith(item->hDC, [&] {
        canvas_->SetFont(Font());
        canvas_->SetBrush(Brush());
        if (state & odSelected) {
          canvas_->Brush()->SetColor(clHighlight);
          canvas_->Font()->SetColor(clHighlightText);
        }
        if (item->itemID >= 0) {
          DrawItem(item->itemID, item->rcItem, state);
        } else {
          canvas_->FillRect(item->rcItem);
        }
        if (state & odFocused) canvas_->DrawFocusRect(item->rcItem);
      });
      Message.Result = 1;
      return;
    }
    default:
      TWinControl::Dispatch(Message);
      return;
  }
}
