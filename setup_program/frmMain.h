#pragma once
// The desktop program's main form: the user's window on the label service.
//
// Three pages: the service's log (refreshed every 500 ms from the log file,
// with the status file's code in the status bar), the label design editor
// with its test print, and the printer and caption setup. The program talks
// to the service only through the files of label_service/srvFiles.h.
#include <cstdint>
#include <memory>

#include "class_library/core/StringList.h"
#include "class_library/visual/Forms.h"
#include "label_service/srvFiles.h"

class TImage;
class TLogView;
class TTimer;
class TVkBalloonHints;
class TVkBitBtn;
class TVkBorder;
class TVkClockStatus;
class TVkFrameController;
class TVkPanel;
class TVkStatusBar;
class TVkTabSheet;
class TVkEdit;
class TVkLabel;
class TVkListBox;
class TVkMemo;
class TVkPageControl;
class TXbTable;

// The status the program shows for a service that is not running: the
// service never writes it.
constexpr std::int16_t stsServiceNotRunning = 6;

// The spool file of a test print, in the source spool directory.
inline const String TestLabelName = "TestLabel.spl";

class TfrmMain : public TForm {
public:
  // Reads the form resource and fires OnCreate.
  explicit TfrmMain(TComponent* AOwner);
  ~TfrmMain() override;
  String ClassName() const override { return "TfrmMain"; }

  // Components of the form resource.
  TVkPageControl* pageMain = nullptr;
  TVkTabSheet* tabLogInfo = nullptr;
  TVkTabSheet* tabLabelEditor = nullptr;
  TVkTabSheet* tabSetup = nullptr;
  TVkMemo* memoLogInfo = nullptr;
  TVkMemo* reLabelDesign = nullptr;
  TVkListBox* listTags = nullptr;
  TVkListBox* listPrnSource = nullptr;
  TVkListBox* listPrnDest = nullptr;
  TVkListBox* listPrnBackup = nullptr;
  TVkEdit* editLabelsText = nullptr;
  TVkEdit* editMapText = nullptr;
  TVkEdit* editTimeText = nullptr;
  TVkEdit* editTotalText = nullptr;
  TVkLabel* txtErrorLabel = nullptr;
  TImage* ProgramIcon = nullptr;
  TTimer* Timer = nullptr;
  TXbTable* tblRMSpool = nullptr;
  TXbTable* tblRMLBLDef = nullptr;
  TVkBitBtn* btnSaveDesign = nullptr;
  TVkBitBtn* btnLoadLast = nullptr;
  TVkBitBtn* btnTestDesign = nullptr;
  TVkBitBtn* btnSetupSave = nullptr;
  TVkBitBtn* btn = nullptr;
  TVkPanel* VkPanel2 = nullptr;
  TVkBorder* VkBorder1 = nullptr;
  TVkStatusBar* VkStatusBar1 = nullptr;
  TVkClockStatus* VkClockStatus1 = nullptr;
  TVkBalloonHints* VkBalloonHints1 = nullptr;
  TVkFrameController* VkFrameController = nullptr;

  // Event handlers bound by the resource.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void TimerTimer(TObject* Sender);
  void pageMainChange(TObject* Sender);
  void btnSaveDesignClick(TObject* Sender);
  void btnLoadLastClick(TObject* Sender);
  void btnTestDesignClick(TObject* Sender);
  void listTagsDblClick(TObject* Sender);
  void btnSetupSaveClick(TObject* Sender);
  void btnClick(TObject* Sender);
  void ProgramIconDblClick(TObject* Sender);

  // The status code of the status file as a caption in the status bar,
  // blinking while it is not 0.
  void ShowStatus(int Code);
  // Tells the service to reload its configuration (the reload flag).
  void SignalService();

  // Unit state.
  String BaseDir;              // the program's directory, ending with '/'
  TTarnwickSettings Settings;  // as last loaded or saved; empty at start
  std::unique_ptr<TStringList> ConfigList, StatusList;
  std::unique_ptr<TLogView> LogView;  // the log file in memoLogInfo

  // The base directory FormCreate takes when set (tests use a scratch
  // directory); empty: the executable's directory.
  static String BaseDirOverride;

private:
  void LoadDesign();
  void FillSetupPage();
};

// Registers the control classes the program's form resources name.
void RegisterFormControlClasses();

// The main form of the running program (the last one created).
extern TfrmMain* frmMain;
