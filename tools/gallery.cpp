// A form of the visual classes, for looking at and for the screenshot test.
//
//   gallery                  shows the form until it is closed
//   gallery --shots DIR      shows it and writes pictures of the screen over
//                            it into DIR, then ends: form.png (the form),
//                            hint.png (the edit's hint), menu.png (the popup
//                            menu open), message.png (a message box) and
//                            dialog.png (a modal form)
//   gallery --compare A B    compares two pictures pixel by pixel (exit 1
//                            and the count when they differ)
//
// The form is built in code: a label, an edit, a memo, a list box, panels
// with bevels, a picture and buttons; "Dialog..." opens a modal dialog and
// the right mouse button a popup menu.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/loop/Dialogs.h"
#include "class_library/core/SysUtils.h"
#include "class_library/loop/Timer.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/Hints.h"
#include "class_library/visual/Menus.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/VisualApplication.h"
#include "platform/gui/App.h"
#include "platform/gui/Images.h"
#include "platform/gui/Menu.h"
#include "platform/gui/TestSupport.h"
#include "tools/gallery_support/GallerySupport.h"

namespace {

class TGalleryForm : public TForm {
public:
  explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Gallery of the visual classes");
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    PlaceBounds(0, 0, 420, 300);
    Font()->SetName("Tahoma");

    auto* top = new TPanel(this);
    top->SetParent(this);
    top->SetAlign(alTop);
    top->SetHeight(32);
    top->SetCaption("TPanel: raised outer, lowered inner bevel");
    top->SetBevelInner(bvLowered);
    top->SetBorderWidth(1);

    auto* label = new TLabel(this);
    label->SetParent(this);
    label->PlaceBounds(12, 44, 0, 0);
    label->SetCaption("&Name:");
    edit = new TEdit(this);
    edit->SetParent(this);
    edit->PlaceBounds(60, 40, 150, 21);
    edit->SetText("An edit");
    edit->SetHint("A hint for the edit");
    edit->SetShowHint(true);
    label->SetFocusControl(edit);

    auto* memo = new TMemo(this);
    memo->SetParent(this);
    memo->PlaceBounds(12, 72, 198, 90);
    memo->Lines()->Add("A memo");
    memo->Lines()->Add("with two lines");

    auto* list = new TListBox(this);
    list->SetParent(this);
    list->PlaceBounds(222, 40, 184, 122);
    list->SetSorted(true);
    for (const char* item : {"Label1 printer", "Backup printer", "Counter printer", "Kitchen printer"})
      list->Items()->Add(item);
    list->SetItemIndex(1);

    auto* image = new TImage(this);
    image->SetParent(this);
    image->PlaceBounds(12, 174, 64, 64);
    TBitmap* picture = image->Picture()->Bitmap();
    picture->SetSize(64, 64);
    for (int i = 0; i < 8; ++i) {
      picture->Canvas()->Brush()->SetColor(i % 2 ? clNavy : clTeal);
      picture->Canvas()->FillRect(Rect(i * 4, i * 4, 64 - i * 4, 64 - i * 4));
    }

    auto* status = new TPanel(this);
    status->SetParent(this);
    status->SetAlign(alBottom);
    status->SetHeight(22);
    status->SetBevelOuter(bvLowered);
    status->SetAlignment(taLeftJustify);
    status->SetCaption(" Ready");

    auto* dialog = new TButton(this);
    dialog->SetParent(this);
    dialog->PlaceBounds(222, 174, 88, 25);
    dialog->SetCaption("&Dialog...");
    dialog->OnClick = [this](TObject*) { ShowDialog(); };
    auto* close = new TButton(this);
    close->SetParent(this);
    close->PlaceBounds(318, 174, 88, 25);
    close->SetCaption("Close");
    close->SetDefault(true);
    close->OnClick = [this](TObject*) { Close(); };

    auto* menu = new TPopupMenu(this);
    for (const char* caption : {"&Copy", "-", "&About"}) {
      auto* item = new TMenuItem(this);
      item->SetCaption(caption);
      menu->Items()->Add(item);
    }
    SetPopupMenu(menu);
  }

  TEdit* edit = nullptr;
  TForm* dialogShown = nullptr;

  void ShowDialog() {
    TForm dialog(this);
    dialogShown = &dialog;
    dialog.SetCaption("A modal dialog");
    dialog.SetBorderStyle(bsDialog);
    dialog.SetPosition(poOwnerFormCenter);
    dialog.PlaceBounds(0, 0, 280, 100);
    auto* text = new TLabel(&dialog);
    text->SetParent(&dialog);
    text->PlaceBounds(16, 16, 0, 0);
    text->SetCaption("ShowModal runs until a button closes it.");
    auto* ok = new TButton(&dialog);
    ok->SetParent(&dialog);
    ok->PlaceBounds(102, 56, 75, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    dialog.ShowModal();
    dialogShown = nullptr;
  }
};

// The scenes of --shots, each pictured over the form's place on the screen.
class TShots {
public:
  TShots(TGalleryForm* Form, std::string Dir) : form_(Form), dir_(std::move(Dir)) {
    // A real display maps windows in its own time.
    settle_ = std::getenv("TW_GUI_TEST_DISPLAY") ? std::chrono::milliseconds(700) : std::chrono::milliseconds(60);
  }

  bool Run() {
    // The pointer of a real display must not rest on the form.
    gui::SetCursorPos(0, 0);
    form_->Show();
    Settle();
    area_ = form_->BoundsRect();
    Shot("form");
    // The edit's hint, as after the pointer rested on it.
    TPoint over = form_->edit->ClientToScreen(TPoint{20, 10});
    gui::test::MouseMove(over);
    visual::ActivateHint(over);
    Settle();
    Shot("hint");
    visual::CancelHint();
    gui::test::MouseLeaveAll();
    Settle();
    // The popup menu, open (taken while its loop runs).
    InLoop([this] {
      Shot("menu");
      gui::EndMenu();
    });
    form_->PopupMenu()->Popup(area_.Left + 150, area_.Top + 120);
    // A message box, answered with Enter.
    InLoop([this] {
      Shot("message");
      gui::test::KeyToModalDialog(gui::VK_RETURN);
    });
    MessageDlg("The label design was saved.", mtInformation, mbOK, 0);
    // A modal form, closed by its OK button's result.
    InLoop([this] {
      Shot("dialog");
      if (form_->dialogShown) form_->dialogShown->SetModalResult(mrOk);
    });
    form_->ShowDialog();
    Settle();
    return ok_;
  }

private:
  void Settle() {
    auto until = std::chrono::steady_clock::now() + settle_;
    while (std::chrono::steady_clock::now() < until) {
      Application()->ProcessMessages();
      gui::WaitForEvents(std::chrono::milliseconds(10));
    }
    Application()->ProcessMessages();
  }
  // Runs What once, a settling time after the modal loop that follows began.
  void InLoop(std::function<void()> What) {
    auto* timer = new TTimer(form_);
    timer->SetInterval(static_cast<Cardinal>(settle_.count()));
    timer->SetOnTimer([timer, What = std::move(What)](TObject*) {
      timer->SetEnabled(false);
      What();
      Application()->PostToMainThread([timer] { delete timer; });
    });
  }
  void Shot(const char* Name) {
    ok_ = gallery::SaveScreenShot("gallery", gui::Rect{area_.Left, area_.Top, area_.Right, area_.Bottom}, dir_, Name) && ok_;
  }

  TGalleryForm* form_;
  std::string dir_;
  std::chrono::milliseconds settle_;
  TRect area_{};
  bool ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return gallery::ComparePictures("gallery", argv[2], argv[3]);
  const char* shots = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--shots") == 0) shots = argv[i + 1];
  // Pictures are taken in the fixed test environment, so that they are the
  // same on every machine (or under Xvfb with TW_GUI_TEST_DISPLAY=1).
  if (shots) gui::test::UseTestEnvironment();
  try {
    Application()->Initialize();
  } catch (const Exception& e) {
    std::fprintf(stderr, "gallery: %s\n", e.Message().c_str());
    return 1;
  }
  TGalleryForm* form = nullptr;
  Application()->CreateForm(form);
  if (!shots) {
    Application()->Run();
    return 0;
  }
  bool saved = TShots(form, shots).Run();
  visual::ShutdownWindowLayer();
  return saved ? 0 : 1;
}
