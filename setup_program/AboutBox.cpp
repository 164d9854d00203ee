#include "setup_program/AboutBox.h"

#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/StdCtrls.h"
#include "platform/system/VersionInfo.h"
#include "setup_program/frmMain.h"

TAboutBox* AboutBox = nullptr;

namespace {

const bool kFormRegistered = [] {
  RegisterClass<TAboutBox>("TAboutBox", "TForm", nullptr);
  return true;
}();

TLabel* RequireLabel(TComponent* Root, const String& Name) {
  return RequireComponent<TLabel>(Root, Name, "form");
}

}  // namespace

bool ReadFileVersion(const String& Path, String& Version) {
  if (sys::GetFileVersionInfoSize(Path) == 0) return false;
  std::vector<std::uint8_t> block;
  if (!sys::GetFileVersionInfo(Path, block)) return false;
  return sys::VerQueryValue(block, "\\StringFileInfo\\040904E4\\FileVersion", Version);
}

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
  (void)kFormRegistered;
  AboutBox = this;
  RegisterFormControlClasses();
  RegisterMethod("FormShow", TNotifyEvent([this](TObject* s) { FormShow(s); }));
  InitComponentFromResource(this, "ABOUTBOX");
  lblTWK = RequireLabel(this, "lblTWK");
  lblTWKS = RequireLabel(this, "lblTWKS");
  DoCreate();
}

TAboutBox::~TAboutBox() {
  DoDestroy();
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::FormShow(TObject* /*Sender*/) {
  const String base = frmMain != nullptr ? frmMain->BaseDir : ExtractFilePath(ParamStr(0));
  String version;
  if (ReadFileVersion(base + ProgramFileName, version)) lblTWK->SetCaption("Tarnwick v" + version);
  if (ReadFileVersion(base + ServiceFileName, version)) lblTWKS->SetCaption("TarnwickService v" + version);
}
