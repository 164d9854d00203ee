// Message boxes as real dialogs.
#include "platform/gui/Dialogs.h"

#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include "platform/gui/App.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"
#include "platform/system/MessageBox.h"

namespace gui {
namespace {

std::function<int(const std::string&, const std::string&, UINT)> gAnswerer;

struct ButtonSpec {
  int id;
  const char* text;
  QMessageBox::ButtonRole role;
};

std::vector<ButtonSpec> ButtonsOf(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL: return {{IDOK, "OK", QMessageBox::AcceptRole}, {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort", QMessageBox::RejectRole},
              {IDRETRY, "&Retry", QMessageBox::AcceptRole},
              {IDIGNORE, "&Ignore", QMessageBox::AcceptRole}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes", QMessageBox::YesRole},
              {IDNO, "&No", QMessageBox::NoRole},
              {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    case MB_YESNO: return {{IDYES, "&Yes", QMessageBox::YesRole}, {IDNO, "&No", QMessageBox::NoRole}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry", QMessageBox::AcceptRole}, {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    default: return {{IDOK, "OK", QMessageBox::AcceptRole}};
  }
}

}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  if (gAnswerer) return gAnswerer(text, caption, type);
  if (!IsInitialized()) return IDCANCEL;
  QWidget* parent = nullptr;
  HWND root = GetAncestorRoot(IsNull(owner) ? GetActiveWindow() : owner);
  if (detail::WindowObj* w = detail::Win(root)) parent = w->host.get();
  QMessageBox box(parent);
  box.setWindowTitle(detail::Decode(caption));
  box.setText(detail::Decode(text));
  switch (type & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
  }
  std::vector<ButtonSpec> specs = ButtonsOf(type);
  std::vector<QPushButton*> buttons;
  for (const ButtonSpec& s : specs) buttons.push_back(box.addButton(QString::fromUtf8(s.text), s.role));
  std::size_t def = (type >> 8) & 0xF;
  if (def < buttons.size()) box.setDefaultButton(buttons[def]);
  int cancelId = specs.size() == 1 ? specs[0].id : IDCANCEL;
  for (std::size_t i = 0; i < specs.size(); ++i)
    if (specs[i].id == IDCANCEL || specs[i].id == IDNO) box.setEscapeButton(buttons[i]);
  box.setWindowModality(Qt::ApplicationModal);
  bool finished = false;
  QObject::connect(&box, &QMessageBox::finished, [&finished] { finished = true; });
  box.open();
  RunModalLoop([&] { return finished || !box.isVisible(); });
  QAbstractButton* clicked = box.clickedButton();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (clicked == buttons[i]) return specs[i].id;
  return cancelId;
}

void SetMessageBoxAnswerer(std::function<int(const std::string&, const std::string&, UINT)> answerer) {
  gAnswerer = std::move(answerer);
}

void InstallMessageBoxSink(bool on) {
  if (!on) {
    sys::SetMessageBoxSink({});
    return;
  }
  sys::SetMessageBoxSink([](const std::string& caption, const std::string& text, int kind, int buttons,
                            int defaultButton) -> int {
    if (!IsInitialized() || !IsGuiThread()) return defaultButton ? defaultButton : sys::mbOK;
    UINT type = MB_OK;
    if ((buttons & sys::mbYes) && (buttons & sys::mbNo))
      type = (buttons & sys::mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if ((buttons & sys::mbAbort) && (buttons & sys::mbRetry))
      type = MB_ABORTRETRYIGNORE;
    else if ((buttons & sys::mbRetry) && (buttons & sys::mbCancel))
      type = MB_RETRYCANCEL;
    else if ((buttons & sys::mbOK) && (buttons & sys::mbCancel))
      type = MB_OKCANCEL;
    switch (kind) {
      case sys::mbError: type |= MB_ICONERROR; break;
      case sys::mbWarning: type |= MB_ICONWARNING; break;
      case sys::mbInformation: type |= MB_ICONINFORMATION; break;
      case sys::mbConfirmation: type |= MB_ICONQUESTION; break;
    }
    std::vector<ButtonSpec> specs = ButtonsOf(type);
    auto toSys = [](int id) {
      switch (id) {
        case IDOK: return sys::mbOK;
        case IDCANCEL: return sys::mbCancel;
        case IDABORT: return sys::mbAbort;
        case IDRETRY: return sys::mbRetry;
        case IDIGNORE: return sys::mbIgnore;
        case IDYES: return sys::mbYes;
        case IDNO: return sys::mbNo;
      }
      return sys::mbOK;
    };
    for (std::size_t i = 0; i < specs.size(); ++i)
      if (toSys(specs[i].id) == defaultButton) type |= static_cast<UINT>(i) << 8;
    return toSys(MessageBox(HWND{}, text, caption, type));
  });
}

}  // namespace gui
