#include "class_library/loop/Dialogs.h"

#include "class_library/loop/Application.h"
#include "platform/system/MessageBox.h"

namespace {

struct ButtonMap {
  TMsgDlgBtn button;
  int boxButton;
  TModalResult result;
};

// In the order the dialog lays them out; the first present is the default.
constexpr ButtonMap kButtons[] = {
    {mbYes, sys::mbYes, mrYes},       {mbNo, sys::mbNo, mrNo},          {mbOK, sys::mbOK, mrOk},
    {mbCancel, sys::mbCancel, mrCancel}, {mbAbort, sys::mbAbort, mrAbort}, {mbRetry, sys::mbRetry, mrRetry},
    {mbIgnore, sys::mbIgnore, mrIgnore},
};

int BoxKind(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return sys::mbWarning;
    case mtError: return sys::mbError;
    case mtConfirmation: return sys::mbConfirmation;
    case mtInformation:
    case mtCustom: break;
  }
  return sys::mbInformation;
}

}  // namespace

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int /*HelpCtx*/) {
  if ((Buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore)) == 0) Buttons = mbOK;
  int boxButtons = 0;
  int defaultButton = 0;
  for (const ButtonMap& b : kButtons) {
    if (!(Buttons & b.button)) continue;
    boxButtons |= b.boxButton;
    if (!defaultButton) defaultButton = b.boxButton;
  }
  int answer = sys::ShowMessageBox(Application()->Title(), Msg, BoxKind(DlgType), boxButtons, defaultButton);
  for (const ButtonMap& b : kButtons)
    if (answer == b.boxButton && (boxButtons & b.boxButton)) return b.result;
  // A sink that answers something that was not offered counts as cancelled.
  return (Buttons & mbCancel) ? mrCancel : mrNone;
}

void ShowMessage(const String& Msg) {
  sys::ShowMessageBox(Application()->Title(), Msg, sys::mbInformation, sys::mbOK, sys::mbOK);
}
