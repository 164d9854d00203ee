// The desktop program: the user's window on the label service. One instance
// at a time: a second start ends at once, without a window or a message.
#include "class_library/loop/Application.h"
#include "class_library/core/SysUtils.h"
#include "platform/system/NamedMutex.h"
#include "setup_program/AboutBox.h"
#include "setup_program/frmMain.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  sys::NamedMutex instance("Tarnwick");
  if (!instance.Owned()) return 0;
  Application()->Initialize();
  Application()->SetTitle("Vornak's Tarnwick");
  TfrmMain* mainForm = nullptr;
  Application()->CreateForm(mainForm);
  TAboutBox* aboutBox = nullptr;
  Application()->CreateForm(aboutBox);
  Application()->Run();
  return 0;
}
