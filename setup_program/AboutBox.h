#pragma once
// The about box: the file versions of both programs of the system, read from
// their executables' version blocks when it is shown.
#include "class_library/visual/Forms.h"

class TLabel;

class TAboutBox : public TForm {
public:
  explicit TAboutBox(TComponent* AOwner);
  ~TAboutBox() override;
  String ClassName() const override { return "TAboutBox"; }

  TLabel* lblTWK = nullptr;   // "Tarnwick v" + the program's file version
  TLabel* lblTWKS = nullptr;  // "TarnwickService v" + the service's

  void FormShow(TObject* Sender);

  // The executables read, in the program's directory: this program and the
  // service, under the names the build gives them.
  static constexpr const char* ProgramFileName = "Tarnwick";
  static constexpr const char* ServiceFileName = "TarnwickService";
};

// The file version text of a file's version block (U.S. English, code page
// 1252); false when the file has no block or the block lacks it.
bool ReadFileVersion(const String& Path, String& Version);

extern TAboutBox* AboutBox;
