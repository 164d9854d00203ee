#pragma once
// Shared pieces of the tab control tests: a tab control on a test form with
// tabs added by caption, and rectangles printed readably.
#include <ostream>
#include <string>

#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkPages.h"
#include "controls/VkTabs.h"

namespace gui {
inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
}  // namespace gui

namespace ctltest {

// A tab control with helpers for the tests.
class TTestTabs : public TVkCustomTabControl {
public:
  using TVkCustomTabControl::TVkCustomTabControl;
  void AddTab(const String& Caption, bool Visible = true, bool Enabled = true) {
    auto tab = std::make_unique<TVkTabData>();
    tab->Caption = Caption;
    tab->Visible = Visible;
    tab->Enabled = Enabled;
    TabData()->Add(std::move(tab));
    RebuildTabData();
  }
  void Layout() { UpdateLayout(); }
  TRect Client(int Index) {
    UpdateLayout();
    return TabClientRect(Index);
  }
  int closes = 0;
  int moves = -1;
  using TVkCustomTabControl::DrawDropMarker;

protected:
  void CloseActivePage() override { ++closes; }
  void MoveActivePage(int NewIndex) override { moves = NewIndex; }
};

class TabFormTest : public vistest::FormTest {
protected:
  void SetUp() override {
    vistest::FormTest::SetUp();
    form->PlaceBounds(100, 100, 420, 320);
    tabs = new TTestTabs(form);
    tabs->SetParent(form);
    tabs->PlaceBounds(0, 0, 300, 100);
  }
  // Tabs of a fixed size: geometry independent of the font.
  void FixedTabs(int Count, int Length = 60, int Thickness = 20) {
    bool side = tabs->TabOrientation() == toLeft || tabs->TabOrientation() == toRight;
    tabs->SetTabWidth(side ? Thickness : Length);
    tabs->SetTabHeight(side ? Length : Thickness);
    for (int i = 0; i < Count; ++i) tabs->AddTab("Tab " + std::to_string(i));
    tabs->Layout();
  }
  void ShowForm() {
    form->Show();
    vistest::Pump();
  }
  TTestTabs* tabs = nullptr;
};

}  // namespace ctltest
