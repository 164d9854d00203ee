#include "class_library/visual/Menus.h"

#include <algorithm>
#include <map>

#include "class_library/components/FormResource.h"
#include "class_library/core/Streams.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/ImgList.h"
#include "class_library/visual/VisualState.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Window.h"

// ---- TMenuItem --------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  // An item frees its sub-items, whoever owns them.
  while (!items_.empty()) {
    TMenuItem* child = items_.back();
    Remove(child);
    delete child;
  }
  if (parent_) parent_->Remove(this);
}

void TMenuItem::SetChecked(bool Value) {
  if (checked_ == Value) return;
  checked_ = Value;
  // Radio items of one group: checking one unchecks the others.
  if (Value && radioItem_ && parent_) {
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
  }
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto it = std::find(parent_->items_.begin(), parent_->items_.end(), this);
  return static_cast<int>(it - parent_->items_.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item || Item->parent_ == this) return;
  if (Item->parent_) Item->parent_->Remove(Item);
  Index = std::clamp(Index, 0, Count());
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->parent_ = nullptr;
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  delete Items(Index);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Click() {
  if (autoCheck_) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* menu = dynamic_cast<TMenu*>(Value)) {
    menu->Items()->Add(this);
  } else if (auto* item = dynamic_cast<TMenuItem*>(Value)) {
    item->Add(this);
  }
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

// ---- TMenu, TPopupMenu -------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  Destroying();
  delete items_;
}

void TMenu::SetImages(TCustomImageList* Value) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = Value;
  if (images_) images_->FreeNotification(this);
}

void TMenu::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) images_ = nullptr;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

namespace {

// Builds the window layer's menu for the visible items; ids map back to items.
gui::HMENU BuildMenu(TMenuItem* Parent, TCustomImageList* Images, std::map<std::uintptr_t, TMenuItem*>& Ids) {
  gui::HMENU menu = gui::CreatePopupMenu();
  for (int i = 0; i < Parent->Count(); ++i) {
    TMenuItem* item = Parent->Items(i);
    if (!item->Visible()) continue;
    if (item->IsLine()) {
      gui::AppendMenuItem(menu, gui::MF_SEPARATOR, 0, String());
      continue;
    }
    gui::UINT flags = gui::MF_STRING;
    if (!item->Enabled()) flags |= gui::MF_GRAYED;
    if (item->Checked()) flags |= item->RadioItem() ? (gui::MF_CHECKED | gui::MF_RADIOCHECK) : gui::MF_CHECKED;
    if (item->Default()) flags |= gui::MF_DEFAULT;
    // The menu keeps a copy of the image.
    TBitmap picture;
    gui::HBITMAP image{};
    if (Images && item->ImageIndex() >= 0 && item->ImageIndex() < Images->Count()) {
      Images->GetBitmap(item->ImageIndex(), &picture);
      image = picture.Handle();
    } else if (!item->Bitmap()->Empty()) {
      image = item->Bitmap()->Handle();
    }
    std::uintptr_t id;
    if (item->Count() > 0) {
      id = static_cast<std::uintptr_t>(BuildMenu(item, Images, Ids));
      flags |= gui::MF_POPUP;
    } else {
      id = Ids.size() + 1;
      Ids[id] = item;
    }
    gui::AppendMenuItem(menu, flags, id, item->Caption(), image);
  }
  return menu;
}

}  // namespace

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  std::map<std::uintptr_t, TMenuItem*> ids;
  gui::HMENU menu = BuildMenu(Items(), Images(), ids);
  gui::UINT flags = gui::TPM_RETURNCMD | (alignment_ == paRight    ? gui::TPM_RIGHTALIGN
                                          : alignment_ == paCenter ? gui::TPM_CENTERALIGN
                                                                   : gui::TPM_LEFTALIGN);
  gui::HWND owner{};
  if (auto* control = dynamic_cast<TWinControl*>(popupComponent_)) owner = control->Handle();
  std::uintptr_t chosen = gui::TrackPopupMenu(menu, flags, X, Y, owner);
  gui::DestroyMenu(menu);
  auto it = ids.find(chosen);
  if (it != ids.end()) it->second->Click();
}

void visual::ShowPopupMenu(TPopupMenu* Menu, TControl* Control, gui::Point Screen) {
  if (!Menu->AutoPopup()) return;
  Menu->SetPopupComponent(Control);
  Menu->Popup(Screen.X, Screen.Y);
}

void RegisterMenuClasses() {
  static const bool registered = [] {
    RegisterClass<TMenuItem>("TMenuItem", "TComponent")
        .Str("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
        .Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
        .Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
        .Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
        .Boolean("Default", &TMenuItem::Default, &TMenuItem::SetDefault, false)
        .Boolean("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem, false)
        .Boolean("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck, false)
        .Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, 0)
        .Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex, -1)
        .Str("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
        .Object("Bitmap", [](TMenuItem& m) -> TPersistent* { return m.Bitmap(); })
        .Event<TNotifyEvent>("OnClick", [](TMenuItem& m, TNotifyEvent e) { m.OnClick = std::move(e); });
    RegisterClass<TMenu>("TMenu", "TComponent")
        .Component("Images", "TCustomImageList", &TMenu::Images, &TMenu::SetImages);
    RegisterClass<TPopupMenu>("TPopupMenu", "TMenu")
        .Enum("Alignment", {"paLeft", "paRight", "paCenter"}, &TPopupMenu::Alignment, &TPopupMenu::SetAlignment,
              paLeft)
        .Boolean("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, true)
        .Event<TNotifyEvent>("OnPopup", [](TPopupMenu& m, TNotifyEvent e) { m.OnPopup = std::move(e); });
    return true;
  }();
  (void)registered;
}

namespace {
const bool kClassesRegistered = (RegisterMenuClasses(), true);
}  // namespace
