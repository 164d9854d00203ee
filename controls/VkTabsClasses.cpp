// The published properties of the page control and its pages, by which form
// resources set them.
#include "class_library/components/TypeInfo.h"
#include "controls/VkPages.h"

namespace {

template <class T, auto Member>
void SetEvent(T& Object, std::remove_reference_t<decltype(Object.*Member)> Event) {
  Object.*Member = std::move(Event);
}

const std::vector<String> kHorizontal = {"haLeft", "haCenter", "haRight"};
const std::vector<String> kVertical = {"vaTop", "vaCenter", "vaBottom"};

void RegisterColorClasses() {
  RegisterClass<TVkTabColors>("TVkTabColors", "TPersistent")
      .Integer("HighlightBar", &TVkTabColors::HighlightBar, &TVkTabColors::SetHighlightBar, clHighlight)
      .Idents(&IdentToColor)
      .Integer("Shadow", &TVkTabColors::Shadow, &TVkTabColors::SetShadow, clBtnFace)
      .Idents(&IdentToColor)
      .Integer("Unselected", &TVkTabColors::Unselected, &TVkTabColors::SetUnselected, clWindow)
      .Idents(&IdentToColor);
  RegisterClass<TVkTextColors>("TVkTextColors", "TPersistent")
      .Integer("Disabled", &TVkTextColors::Disabled, &TVkTextColors::SetDisabled, clGrayText)
      .Idents(&IdentToColor)
      .Integer("Selected", &TVkTextColors::Selected, &TVkTextColors::SetSelected, clBtnText)
      .Idents(&IdentToColor)
      .Integer("Unselected", &TVkTextColors::Unselected, &TVkTextColors::SetUnselected, clBtnText)
      .Idents(&IdentToColor);
}

void RegisterCustomTabControl() {
  using C = TVkCustomTabControl;
  RegisterClass<C>("TVkCustomTabControl", "TCustomControl")
      .Boolean("AlignTabs", &C::AlignTabs, &C::SetAlignTabs, false)
      .Integer("BackgroundColor", &C::BackgroundColor, &C::SetBackgroundColor, clBtnFace)
      .Idents(&IdentToColor)
      .Boolean("BoldCurrentTab", &C::BoldCurrentTab, &C::SetBoldCurrentTab, false)
      .Boolean("ShowCardFrame", &C::ShowCardFrame, &C::SetShowCardFrame, true)
      .Boolean("ShowFullFrame", &C::ShowFullFrame, &C::SetShowFullFrame, true)
      .Boolean("ShowCloseButton", &C::ShowCloseButton, &C::SetShowCloseButton, false)
      .Boolean("ShowCloseButtonOnActiveTab", &C::ShowCloseButtonOnActiveTab, &C::SetShowCloseButtonOnActiveTab,
               false)
      .Boolean("ShowMenuButton", &C::ShowMenuButton, &C::SetShowMenuButton, false)
      .Boolean("UseColoredTabs", &C::UseColoredTabs, &C::SetUseColoredTabs, false)
      .Integer("CutCornerSize", &C::CutCornerSize, &C::SetCutCornerSize, 6)
      .Integer("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow)
      .Idents(&IdentToColor)
      .Integer("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 0)
      .Enum("ImagePosition", {"ipLeft", "ipTop", "ipRight", "ipBottom", "ipBack", "ipStretch"}, &C::ImagePosition,
            &C::SetImagePosition, ipLeft)
      .Enum("ImageAlignment", kHorizontal, &C::ImageAlignment, &C::SetImageAlignment, haCenter)
      .Integer("ImageMargin", &C::ImageMargin, &C::SetImageMargin, 2)
      .Enum("ImageAlignmentVertical", kVertical, &C::ImageAlignmentVertical, &C::SetImageAlignmentVertical,
            vaCenter)
      .Boolean("HotTrack", &C::HotTrack, &C::SetHotTrack, true)
      .Integer("HotTrackColor", &C::HotTrackColor, &C::SetHotTrackColor, 0x149BF0)
      .Idents(&IdentToColor)
      .Enum("HotTrackColorSource", {"htcsTabColor", "htcsHotTrackColorProp"}, &C::HotTrackColorSource,
            &C::SetHotTrackColorSource, htcsTabColor)
      .Enum("HotTrackColorType", {"htctComplement", "htctActual"}, &C::HotTrackColorType, &C::SetHotTrackColorType,
            htctActual)
      .Enum("HotTrackStyle", {"htsTab", "htsText", "htsTabBar"}, &C::HotTrackStyle, &C::SetHotTrackStyle, htsTab)
      .Component("Images", "TCustomImageList", &C::Images, &C::SetImages)
      .Integer("Margin", &C::Margin, &C::SetMargin, 0)
      .Boolean("MultiLine", &C::MultiLine, &C::SetMultiLine, false)
      .Boolean("ParentBackgroundColor", &C::ParentBackgroundColor, &C::SetParentBackgroundColor, true)
      .Integer("RowIndent", &C::RowIndent, &C::SetRowIndent, 5)
      .Integer("RowOverlap", &C::RowOverlap, &C::SetRowOverlap, 5)
      .Boolean("ShowFocusRect", &C::ShowFocusRect, &C::SetShowFocusRect, true)
      .Boolean("ShowShadow", &C::ShowShadow, &C::SetShowShadow, true)
      .Boolean("SoftCorners", &C::SoftCorners, &C::SetSoftCorners, false)
      .Integer("TabOverlap", &C::TabOverlap, &C::SetTabOverlap, -1)
      .Enum("TextOrientation", {"orHorizontal", "orVertical"}, &C::TextOrientation, &C::SetTextOrientation,
            orHorizontal)
      .Object("TabColors", [](C& c) -> TPersistent* { return c.TabColors(); })
      .Integer("TabHeight", &C::TabHeight, &C::SetTabHeight, 0)
      .Boolean("TabHints", &C::TabHints, &C::SetTabHints, false)
      .Integer("TabIndex", &C::TabIndex, &C::SetTabIndex, -1)
      .Enum("TabOrientation", {"toTop", "toLeft", "toBottom", "toRight"}, &C::TabOrientation,
            &C::SetTabOrientation, toTop)
      .Enum("TabSequence", {"tsStandard", "tsReverse"}, &C::TabSequence, &C::SetTabSequence, tsStandard)
      .Enum("TabStyle",
            {"tsSingleSlant", "tsDoubleSlant", "tsCutCorner", "tsRoundCorners", "tsBackSlant", "tsSquareCorners"},
            &C::TabStyle, &C::SetTabStyle, tsSingleSlant)
      .Integer("TabWidth", &C::TabWidth, &C::SetTabWidth, 0)
      .Object("TextColors", [](C& c) -> TPersistent* { return c.TextColors(); })
      .Enum("TextAlignment", kHorizontal, &C::TextAlignment, &C::SetTextAlignment, haCenter)
      .Enum("TextAlignmentVertical", kVertical, &C::TextAlignmentVertical, &C::SetTextAlignmentVertical, vaCenter)
      .Boolean("Transparent", &C::Transparent, &C::SetTransparent, false)
      .Boolean("UseGradients", &C::UseGradients, &C::SetUseGradients, true)
      .Boolean("AllowTabDragging", &C::AllowTabDragging, &C::SetAllowTabDragging, false)
      .Event<TNotifyEvent>("OnChange", &SetEvent<C, &C::OnChange>)
      .Event<TVkTabChangingEvent>("OnChanging", &SetEvent<C, &C::OnChanging>)
      .Event<TVkTabCloseEvent>("OnClose", &SetEvent<C, &C::OnClose>)
      .Event<TVkGetTextColorEvent>("OnGetTextColor", &SetEvent<C, &C::OnGetTextColor>)
      .Event<TNotifyEvent>("OnPageChange", &SetEvent<C, &C::OnPageChange>)
      .Event<TVkPaintBackgroundEvent>("OnPaintBackground", &SetEvent<C, &C::OnPaintBackground>)
      .Event<TVkPaintCardBackgroundEvent>("OnPaintCardBackground", &SetEvent<C, &C::OnPaintCardBackground>)
      .Event<TVkPaintTabBackgroundEvent>("OnPaintTabBackground", &SetEvent<C, &C::OnPaintTabBackground>)
      .Event<TNotifyEvent>("OnTabClick", &SetEvent<C, &C::OnTabClick>)
      .Event<TVkTabOrderChangeEvent>("OnTabOrderChange", &SetEvent<C, &C::OnTabOrderChange>)
      .Event<TNotifyEvent>("OnScrolledTabs", &SetEvent<C, &C::OnScrolledTabs>);
}

void RegisterPageClasses() {
  using P = TVkPageControl;
  RegisterClass<P>("TVkPageControl", "TVkCustomTabControl")
      .Component("ActivePage", "TVkTabSheet", &P::ActivePage,
                 [](P& p, TComponent* c) { p.SetActivePage(dynamic_cast<TVkTabSheet*>(c)); })
      .Component("ActivePageDefault", "TVkTabSheet", &P::ActivePageDefault,
                 [](P& p, TComponent* c) { p.SetActivePageDefault(dynamic_cast<TVkTabSheet*>(c)); })
      .Boolean("SaveResources", &P::SaveResources, &P::SetSaveResources, false)
      .Boolean("DblClickUndocks", &P::DblClickUndocks, &P::SetDblClickUndocks, true)
      .Boolean("DockSite", &P::DockSite, &P::SetDockSite, false);
  using S = TVkTabSheet;
  RegisterClass<S>("TVkTabSheet", "TCustomControl")
      .Integer("Color", &S::Color, &S::SetColor, clBtnFace)
      .Idents(&IdentToColor)
      .Integer("DisabledIndex", &S::DisabledIndex, &S::SetDisabledIndex, -1)
      .Integer("ImageIndex", &S::ImageIndex, &S::SetImageIndex, -1)
      .Integer("PageIndex", &S::PageIndex, &S::SetPageIndex)
      .NotStored()
      .Boolean("TabEnabled", &S::TabEnabled, &S::SetTabEnabled, true)
      .Boolean("TabVisible", &S::TabVisible, &S::SetTabVisible, true)
      .Event<TVkPaintBackgroundEvent>("OnPaintBackground", &SetEvent<S, &S::OnPaintBackground>)
      .Event<TNotifyEvent>("OnHide", &SetEvent<S, &S::OnHide>)
      .Event<TNotifyEvent>("OnShow", &SetEvent<S, &S::OnShow>);
}

}  // namespace

void RegisterTabControlClasses() {
  static const bool registered = [] {
    RegisterControlClasses();
    RegisterColorClasses();
    RegisterCustomTabControl();
    RegisterPageClasses();
    return true;
  }();
  (void)registered;
}

namespace {

// Resources name the classes before any page control exists.
const bool kTabClassesRegistered = (RegisterTabControlClasses(), true);

}  // namespace
