#pragma once
// Popup menus: a tree of TMenuItem under a TPopupMenu, shown at a screen
// point (Popup) or by the control whose PopupMenu it is (right click,
// the menu key); choosing an item fires its OnClick.
#include <vector>

#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Controls.h"

class TCustomImageList;
class TMenu;

TW_DECLARE_EXCEPTION(EMenuError, Exception)

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  String ClassName() const override { return "TMenuItem"; }

  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value) { caption_ = Value; }
  bool Checked() const { return checked_; }
  void SetChecked(bool Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value) { visible_ = Value; }
  bool Default() const { return default_; }
  void SetDefault(bool Value) { default_ = Value; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool Value) { radioItem_ = Value; }
  Byte GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Byte Value) { groupIndex_ = Value; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool Value) { autoCheck_ = Value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value) { imageIndex_ = Value; }
  TBitmap* Bitmap() { return &bitmap_; }
  const String& Hint() const { return hint_; }
  void SetHint(const String& Value) { hint_ = Value; }
  // A separator when the caption is "-".
  bool IsLine() const { return caption_ == "-"; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  void Delete(int Index);  // frees the item
  void Clear();            // frees every item
  TMenu* GetParentMenu() const;

  TNotifyEvent OnClick;
  virtual void Click();

  void SetParentComponent(TComponent* Value) override;
  TComponent* GetParentComponent() const override;

private:
  friend class TMenu;
  String caption_;
  bool checked_ = false, enabled_ = true, visible_ = true, default_ = false, radioItem_ = false, autoCheck_ = false;
  Byte groupIndex_ = 0;
  int imageIndex_ = -1;
  TBitmap bitmap_;
  String hint_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;
  std::vector<TMenuItem*> items_;  // owned unless they have an owner
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  String ClassName() const override { return "TMenu"; }
  TMenuItem* Items() { return items_; }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* Value);
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

private:
  TMenuItem* items_;
  TCustomImageList* images_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* AOwner);
  String ClassName() const override { return "TPopupMenu"; }
  // Shows the menu with its top-left (by Alignment) at the screen point and
  // waits until it closes; the chosen item's OnClick runs after it closed.
  virtual void Popup(int X, int Y);
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool Value) { autoPopup_ = Value; }
  TNotifyEvent OnPopup;

private:
  TComponent* popupComponent_ = nullptr;
  TPopupAlignment alignment_ = paLeft;
  bool autoPopup_ = true;
};

void RegisterMenuClasses();
