// The published properties of the standard controls, panels and images.
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/Mask.h"
#include "class_library/visual/StdCtrls.h"

namespace {

const std::vector<String> kAlignments = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<String> kBorderStyles = {"bsNone", "bsSingle"};
const std::vector<String> kBevels = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};

}  // namespace

void RegisterStdControlClasses() {
  static const bool registered = [] {
    RegisterClass<TCustomEdit>("TCustomEdit", "TWinControl")
        .Enum("BorderStyle", kBorderStyles, &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle, bsSingle)
        .Enum("Alignment", kAlignments, &TCustomEdit::Alignment, &TCustomEdit::SetAlignment, taLeftJustify)
        .Boolean("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, true)
        .Boolean("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection, true)
        .Enum("CharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}, &TCustomEdit::CharCase,
              &TCustomEdit::SetCharCase, ecNormal)
        .Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0)
        .Str("PasswordChar",
             [](TCustomEdit& e) { return e.PasswordChar() ? String(1, e.PasswordChar()) : String(); },
             [](TCustomEdit& e, const String& v) { e.SetPasswordChar(v.empty() ? '\0' : v[0]); })
        .Boolean("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, false)
        .Str("Text", &TCustomEdit::Text, &TCustomEdit::SetText)
        .Event<TNotifyEvent>("OnChange", [](TCustomEdit& e, TNotifyEvent v) { e.OnChange = std::move(v); });
    RegisterClass<TEdit>("TEdit", "TCustomEdit");
    RegisterClass<TCustomMaskEdit>("TCustomMaskEdit", "TCustomEdit")
        .Str("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask);
    RegisterClass<TMaskEdit>("TMaskEdit", "TCustomMaskEdit");
    RegisterClass<TCustomMemo>("TCustomMemo", "TCustomEdit")
        .Strings("Lines", [](TCustomMemo& m) { return m.Lines()->ToVector(); },
                 [](TCustomMemo& m, const std::vector<String>& lines) { m.Lines()->AssignVector(lines); })
        .Enum("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, &TCustomMemo::ScrollBars,
              &TCustomMemo::SetScrollBars, ssNone)
        .Boolean("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap, true)
        .Boolean("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns, true)
        .Boolean("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs, false);
    RegisterClass<TMemo>("TMemo", "TCustomMemo");
    RegisterClass<TCustomListBox>("TCustomListBox", "TWinControl")
        .Strings("Items", [](TCustomListBox& b) { return b.Items()->ToVector(); },
                 [](TCustomListBox& b, const std::vector<String>& items) { b.Items()->AssignVector(items); })
        .Enum("BorderStyle", kBorderStyles, &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle, bsSingle)
        .Boolean("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted, false)
        .Boolean("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect, false)
        .Boolean("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect, true)
        .Enum("Style", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable", "lbVirtual", "lbVirtualOwnerDraw"},
              &TCustomListBox::Style, &TCustomListBox::SetStyle, lbStandard)
        .Integer("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight)
        .Integer("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex, -1)
        .NotStored()
        .Event<TDrawItemEvent>("OnDrawItem", [](TCustomListBox& b, TDrawItemEvent e) { b.OnDrawItem = std::move(e); });
    RegisterClass<TListBox>("TListBox", "TCustomListBox");
    RegisterClass<TCustomLabel>("TCustomLabel", "TGraphicControl")
        .Enum("Alignment", kAlignments, &TCustomLabel::Alignment, &TCustomLabel::SetAlignment, taLeftJustify)
        .Enum("Layout", {"tlTop", "tlCenter", "tlBottom"}, &TCustomLabel::Layout, &TCustomLabel::SetLayout, tlTop)
        .Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true)
        .Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false)
        .Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar, true)
        .Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent, false)
        .Component("FocusControl", "TWinControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
    RegisterClass<TLabel>("TLabel", "TCustomLabel");
    RegisterClass<TButtonControl>("TButtonControl", "TCustomControl");
    RegisterClass<TButton>("TButton", "TButtonControl")
        .Boolean("Default", &TButton::Default, &TButton::SetDefault, false)
        .Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel, false)
        .Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0);
    RegisterClass<TCustomPanel>("TCustomPanel", "TCustomControl")
        .Enum("BevelInner", kBevels, &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner, bvNone)
        .Enum("BevelOuter", kBevels, &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter, bvRaised)
        .Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1)
        .Integer("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth, 0)
        .Enum("BorderStyle", kBorderStyles, &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle, bsNone)
        .Enum("Alignment", kAlignments, &TCustomPanel::Alignment, &TCustomPanel::SetAlignment, taCenter)
        .Enum("VerticalAlignment", {"taAlignTop", "taAlignBottom", "taVerticalCenter"},
              &TCustomPanel::VerticalAlignment, &TCustomPanel::SetVerticalAlignment, taVerticalCenter)
        .Boolean("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint, true)
        .Boolean("Locked", &TCustomPanel::Locked, &TCustomPanel::SetLocked, false)
        .Boolean("ParentBackground", &TCustomPanel::ParentBackground, &TCustomPanel::SetParentBackground, true);
    RegisterClass<TPanel>("TPanel", "TCustomPanel");
    RegisterClass<TImage>("TImage", "TGraphicControl")
        .Object("Picture", [](TImage& i) -> TPersistent* { return i.Picture(); })
        .Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch, false)
        .Boolean("Center", &TImage::Center, &TImage::SetCenter, false)
        .Boolean("Proportional", &TImage::Proportional, &TImage::SetProportional, false)
        .Boolean("Transparent", &TImage::Transparent, &TImage::SetTransparent, false)
        .Boolean("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false);
    return true;
  }();
  (void)registered;
}

void RegisterExtControlClasses() { RegisterStdControlClasses(); }

namespace {
const bool kClassesRegistered = (RegisterStdControlClasses(), true);
}  // namespace
