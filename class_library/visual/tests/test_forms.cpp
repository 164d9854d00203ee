// Forms: modal loops, placement, resources with picture data, hints, drag
// and drop, message boxes, popup menus.
#include <thread>

#include "class_library/components/FormResource.h"
#include "class_library/loop/Timer.h"
#include "class_library/components/Resources.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/DragManager.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/Hints.h"
#include "class_library/visual/Menus.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/tests/Probes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Window.h"

namespace {

using namespace vistest;
using Forms = FormTest;

TEST_F(Forms, ShowModalRunsTheLoopUntilAButtonSetsTheResultAndDisablesTheOthers) {
  form->Show();
  Pump();
  TForm dialog(nullptr);
  dialog.SetBorderStyle(bsDialog);
  dialog.PlaceBounds(0, 0, 200, 100);
  auto* ok = new TButton(&dialog);
  ok->SetParent(&dialog);
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  int refusals = 1;
  dialog.OnCloseQuery = [&](TObject*, bool& can) {
    if (refusals > 0) {
      --refusals;
      can = false;
    }
  };
  bool othersDisabled = false;
  // Clicks the button twice from the loop: the first close is refused.
  Application()->PostToMainThread([&] {
    othersDisabled = !gui::IsWindowEnabled(form->Handle());
    ok->Click();
    Application()->PostToMainThread([&] { ok->Click(); });
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(refusals, 0);
  EXPECT_TRUE(othersDisabled);
  EXPECT_TRUE(gui::IsWindowEnabled(form->Handle())) << "enabled again afterwards";
  EXPECT_FALSE(dialog.Visible());
  EXPECT_THROW({
    dialog.Show();
    dialog.ShowModal();
  }, EInvalidOperation);
}

TEST_F(Forms, EscapeAndReturnPressTheCancelAndDefaultButtons) {
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = new TButton(form);
  cancel->SetParent(form);
  cancel->PlaceBounds(80, 0, 75, 25);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->PlaceBounds(0, 40, 100, 21);
  form->SetActiveControl(edit);
  Application()->PostToMainThread([] { gui::test::KeyPress(gui::VK_ESCAPE); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  form->SetActiveControl(edit);
  Application()->PostToMainThread([] { gui::test::KeyPress(gui::VK_RETURN); });
  EXPECT_EQ(form->ShowModal(), mrOk) << "Return in an edit presses the default button";
}

TEST_F(Forms, ScreenCentreAndTheMainFormEndTheProgramWhenClosed) {
  TForm centred(nullptr);
  centred.PlaceBounds(0, 0, 400, 300);
  centred.SetPosition(poScreenCenter);
  centred.Show();
  EXPECT_EQ(centred.Left(), (Screen()->Width() - 400) / 2);
  EXPECT_EQ(centred.Top(), (Screen()->Height() - 300) / 2);
  EXPECT_EQ(Screen()->Width(), 1920);
  EXPECT_GE(Screen()->MonitorCount(), 1);
  EXPECT_TRUE(Screen()->Monitors(0)->Primary());
  std::vector<String> log;
  centred.OnClose = [&](TObject*, TCloseAction& action) {
    log.push_back("close");
    action = caHide;
  };
  centred.OnHide = [&](TObject*) { log.push_back("hide"); };
  centred.Close();
  EXPECT_EQ(log, (std::vector<String>{"close", "hide"}));
  EXPECT_FALSE(centred.Visible());
}

// A form class read from a text resource, as the programs' forms are.
class TSampleForm : public TForm {
public:
  explicit TSampleForm(TComponent* AOwner) : TForm(AOwner) {
    RegisterMethod("ButtonClick", TNotifyEvent([this](TObject*) { ++clicks; }));
    InitComponentFromResource(this, "TSAMPLEFORM");
    button = dynamic_cast<TButton*>(FindComponent("Button1"));
    image = dynamic_cast<TImage*>(FindComponent("Image1"));
    label = dynamic_cast<TLabel*>(FindComponent("Label1"));
    DoCreate();
  }
  String ClassName() const override { return "TSampleForm"; }
  TButton* button = nullptr;
  TImage* image = nullptr;
  TLabel* label = nullptr;
  int clicks = 0;
};

String Hex(const String& bytes) {
  static const char* digits = "0123456789ABCDEF";
  String s;
  for (unsigned char c : bytes) {
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

// A 1 x 1 red 24-bit BMP.
String RedPixelBmp() {
  String s = "BM";
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  le32(14 + 40 + 4);
  le32(0);
  le32(54);
  le32(40);
  le32(1);
  le32(1);
  s += '\x01';
  s += '\0';
  s += '\x18';
  s += '\0';
  for (int i = 0; i < 6; ++i) le32(0);
  s += String("\x00\x00\xFF\x00", 4);
  return s;
}

TEST_F(Forms, AFormReadsItsResourceWithPictureDataEventsAndOldNames) {
  String bmp = RedPixelBmp();
  String size(4, '\0');
  std::uint32_t n = static_cast<std::uint32_t>(bmp.size());
  for (int i = 0; i < 4; ++i) size[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
  String picture = "\x07TBitmap" + size + bmp;
  String text =
      "object SampleForm: TSampleForm\n"
      "  Left = 10\n  Top = 20\n  BorderStyle = bsNone\n  Caption = 'Sample'\n"
      "  ClientHeight = 120\n  ClientWidth = 240\n  Color = clBtnFace\n"
      "  Font.Charset = DEFAULT_CHARSET\n  Font.Color = clWindowText\n  Font.Height = -11\n"
      "  Font.Name = 'MS Sans Serif'\n  Font.Style = []\n"
      "  OldCreateOrder = False\n  PixelsPerInch = 96\n  TextHeight = 13\n"
      "  object Label1: TLabel\n    Left = 8\n    Top = 8\n    Caption = '&Name'\n  end\n"
      "  object Image1: TImage\n    Left = 100\n    Top = 8\n    Width = 1\n    Height = 1\n"
      "    Picture.Data = {" + Hex(picture) + "}\n  end\n"
      "  object Button1: TButton\n    Left = 8\n    Top = 80\n    Caption = 'Go'\n    Default = True\n"
      "    Anchors = [akRight, akBottom]\n    OnClick = ButtonClick\n    ExplicitLeft = 8\n  end\n"
      "end\n";
  RegisterResourceText("TSAMPLEFORM", text.data(), text.size());
  static const bool registered = (RegisterClass<TSampleForm>("TSampleForm", "TForm"), true);
  (void)registered;
  TSampleForm sample(nullptr);
  ASSERT_NE(sample.button, nullptr);
  ASSERT_NE(sample.image, nullptr);
  ASSERT_NE(sample.label, nullptr);
  EXPECT_EQ(sample.ClientWidth(), 240);
  EXPECT_EQ(sample.Caption(), "Sample");
  EXPECT_EQ(sample.Font()->Color(), clWindowText);
  EXPECT_EQ(sample.button->Parent(), &sample);
  EXPECT_TRUE(sample.button->ParentFont());
  EXPECT_EQ(sample.label->Width(), sample.label->Canvas() ? sample.label->Width() : 0);
  EXPECT_GT(sample.label->Width(), 10) << "an auto-sized label fits its caption";
  sample.button->Click();
  EXPECT_EQ(sample.clicks, 1);
  auto* bitmap = dynamic_cast<TBitmap*>(sample.image->Picture()->Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Canvas()->Pixel(0, 0), clRed);
  sample.PlaceBounds(sample.Left(), sample.Top(), 300, 150);
  EXPECT_EQ(sample.button->Left(), 68) << "anchored to the right edge";
  sample.Show();
  Pump();
  EXPECT_EQ(Picture(sample.Handle()).At(100, 8), Rgb(clRed)) << "the picture is drawn";
}

TEST_F(Forms, HintsShowAfterThePauseAskTheApplicationAndHideOnCancel) {
  auto* probe = new TProbeWindow(form);
  probe->SetParent(form);
  probe->PlaceBounds(10, 10, 60, 20);
  probe->SetHint("Short tip|Long text");
  probe->SetShowHint(true);
  Application()->SetHintPause(20);
  std::vector<String> asked;
  Application()->OnShowHint = [&](String& text, bool& canShow, THintInfo& info) {
    asked.push_back(text);
    EXPECT_EQ(info.HintControl, probe);
    EXPECT_TRUE(canShow);
    text += "!";
  };
  form->Show();
  Pump();
  gui::test::MouseMove(TPoint{125, 115});
  THintWindow* hint = visual::HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return hint->HandleAllocated() && gui::IsWindowVisible(hint->Handle()); }));
  EXPECT_EQ(asked, std::vector<String>{"Short tip"});
  EXPECT_EQ(hint->Caption(), "Short tip!");
  EXPECT_GE(hint->Top(), 115) << "below the pointer";
  Application()->CancelHint();
  EXPECT_FALSE(gui::IsWindowVisible(hint->Handle()));
  Application()->OnShowHint = nullptr;
  Application()->SetHintPause(500);
}

TEST_F(Forms, DraggingASourceOntoATargetThatAccepts) {
  auto* source = new TProbeGraphic(form);
  source->SetParent(form);
  source->PlaceBounds(10, 10, 30, 30);
  source->SetDragMode(dmAutomatic);
  auto* target = new TProbeWindow(form);
  target->SetParent(form);
  target->PlaceBounds(100, 10, 50, 50);
  std::vector<String> log;
  target->OnDragOver = [&](TObject*, TObject* s, int, int, int state, bool& accept) {
    if (state == dsDragEnter) log.push_back("enter");
    accept = s == source;
  };
  target->OnDragDrop = [&](TObject*, TObject* s, int x, int y) {
    log.push_back("drop " + std::to_string(x) + "," + std::to_string(y) + (s == source ? " source" : ""));
  };
  source->OnEndDrag = [&](TObject*, TObject* t, int, int) { log.push_back(t == target ? "end on target" : "end"); };
  form->Show();
  Pump();
  gui::test::MouseMove(TPoint{115, 115});
  gui::test::MouseDown(TPoint{115, 115});
  gui::test::MouseMove(TPoint{210, 120}, 1);
  gui::test::MouseMove(TPoint{215, 125}, 1);
  gui::test::MouseUp(TPoint{215, 125});
  Pump();
  EXPECT_EQ(log, (std::vector<String>{"enter", "drop 15,15 source", "end on target"}));
  EXPECT_FALSE(source->Dragging());
}

TEST_F(Forms, MessageDialogsAreRealDialogsOfTheWindowLayer) {
  std::vector<String> shown;
  gui::SetMessageBoxAnswerer([&](const std::string& text, const std::string& caption, gui::UINT type) {
    shown.push_back(caption + ": " + text + ((type & gui::MB_ICONQUESTION) ? " ?" : ""));
    return gui::IDNO;
  });
  Application()->SetTitle("Tarnwick");
  EXPECT_EQ(MessageDlg("Save the design?", mtConfirmation, mbYesNoCancel, 0), mrNo);
  gui::SetMessageBoxAnswerer(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Tarnwick: Save the design? ?");
}

TEST_F(Forms, PopupMenusKeepTheirItemTreeAndFireOnPopup) {
  auto* menu = new TPopupMenu(form);
  auto* a = new TMenuItem(form);
  a->SetCaption("&Open");
  auto* sub = new TMenuItem(form);
  sub->SetCaption("More");
  auto* b = new TMenuItem(form);
  b->SetCaption("Radio 1");
  b->SetRadioItem(true);
  auto* c = new TMenuItem(form);
  c->SetCaption("Radio 2");
  c->SetRadioItem(true);
  menu->Items()->Add(a);
  menu->Items()->Add(sub);
  sub->Add(b);
  sub->Add(c);
  b->SetChecked(true);
  c->SetChecked(true);
  EXPECT_FALSE(b->Checked()) << "radio items of a group check one at a time";
  EXPECT_EQ(c->MenuIndex(), 1);
  EXPECT_EQ(c->GetParentMenu(), menu);
  delete sub;
  EXPECT_EQ(menu->Items()->Count(), 1) << "an item frees its sub-items and leaves its parent";
  EXPECT_EQ(form->FindComponent("Radio 1"), nullptr);
  int popups = 0;
  menu->OnPopup = [&](TObject*) {
    ++popups;
    // Closed again from the loop, as Escape would.
    Application()->PostToMainThread([] { gui::EndMenu(); });
  };
  form->SetPopupMenu(menu);
  form->Show();
  Pump();
  form->Perform(gui::WM_CONTEXTMENU, 0, gui::PointToLParam(TPoint{150, 150}));
  EXPECT_EQ(popups, 1);
  delete menu;
  EXPECT_EQ(form->PopupMenu(), nullptr) << "a freed menu is forgotten";
}

TEST_F(Forms, TimersPostedWorkAndWindowFailuresShareTheOneLoop) {
  auto* probe = new TProbeWindow(form);
  probe->SetParent(form);
  probe->PlaceBounds(10, 10, 40, 20);
  std::vector<String> reported;
  Application()->OnException = [&](TObject* sender, const Exception& e) {
    reported.push_back((sender == probe ? "probe: " : "other: ") + e.Message());
  };
  probe->OnClick = [](TObject*) { throw Exception("no printer"); };
  form->Show();
  Pump();
  gui::test::Click(TPoint{115, 115});
  Pump();
  EXPECT_EQ(reported, std::vector<String>{"probe: no printer"}) << "a failing handler is reported, not fatal";
  Application()->OnException = nullptr;

  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(15);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  bool posted = false;
  std::thread poster([&] { Application()->PostToMainThread([&] { posted = true; }); });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2 && posted; }));
  poster.join();
  timer.SetEnabled(false);
}

}  // namespace
