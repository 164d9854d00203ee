#include "setup_program/frmMain.h"

#include "class_library/loop/Application.h"
#include "class_library/core/DateTime.h"
#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/loop/Timer.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/ExtCtrls.h"
#include "controls/VkBalloonHints.h"
#include "controls/VkBorder.h"
#include "controls/VkButton.h"
#include "controls/VkEdit.h"
#include "controls/VkFrameController.h"
#include "controls/VkLabel.h"
#include "controls/VkLstBox.h"
#include "controls/VkPages.h"
#include "controls/VkPanel.h"
#include "controls/VkStatusPanes.h"
#include "platform/system/MessageBox.h"
#include "setup_program/AboutBox.h"
#include "setup_program/LogView.h"
#include "setup_program/RMTables.h"

TfrmMain* frmMain = nullptr;
String TfrmMain::BaseDirOverride;

namespace {

const bool kFormRegistered = [] {
  RegisterClass<TfrmMain>("TfrmMain", "TForm", nullptr);
  return true;
}();

}  // namespace

// The control classes the resources name, registered before they are read
// (their registrations would otherwise not be linked into the program).
void RegisterFormControlClasses() {
  RegisterTabControlClasses();
  RegisterVkEditClasses();
  RegisterVkListBoxClasses();
  RegisterVkLabelClasses();
  RegisterVkBorderClasses();
  RegisterVkButtonClasses();
  RegisterVkPanelClasses();
  RegisterVkStatusPaneClasses();
}

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
  (void)kFormRegistered;
  RegisterFormControlClasses();
  frmMain = this;
  auto bind = [this](const char* Name, void (TfrmMain::*Handler)(TObject*)) {
    RegisterMethod(Name, TNotifyEvent([this, Handler](TObject* s) { (this->*Handler)(s); }));
  };
  bind("FormCreate", &TfrmMain::FormCreate);
  bind("FormDestroy", &TfrmMain::FormDestroy);
  bind("TimerTimer", &TfrmMain::TimerTimer);
  bind("pageMainChange", &TfrmMain::pageMainChange);
  bind("btnSaveDesignClick", &TfrmMain::btnSaveDesignClick);
  bind("btnLoadLastClick", &TfrmMain::btnLoadLastClick);
  bind("btnTestDesignClick", &TfrmMain::btnTestDesignClick);
  bind("listTagsDblClick", &TfrmMain::listTagsDblClick);
  bind("btnSetupSaveClick", &TfrmMain::btnSetupSaveClick);
  bind("btnClick", &TfrmMain::btnClick);
  bind("ProgramIconDblClick", &TfrmMain::ProgramIconDblClick);
  InitComponentFromResource(this, "FRMMAIN");
  // Every class of the resource is named here, which also links its
  // registration into the program.
  pageMain = RequireComponent<TVkPageControl>(this, "pageMain", "form");
  tabLogInfo = RequireComponent<TVkTabSheet>(this, "tabLogInfo", "form");
  tabLabelEditor = RequireComponent<TVkTabSheet>(this, "tabLabelEditor", "form");
  tabSetup = RequireComponent<TVkTabSheet>(this, "tabSetup", "form");
  memoLogInfo = RequireComponent<TVkMemo>(this, "memoLogInfo", "form");
  reLabelDesign = RequireComponent<TVkMemo>(this, "reLabelDesign", "form");
  listTags = RequireComponent<TVkListBox>(this, "listTags", "form");
  listPrnSource = RequireComponent<TVkListBox>(this, "listPrnSource", "form");
  listPrnDest = RequireComponent<TVkListBox>(this, "listPrnDest", "form");
  listPrnBackup = RequireComponent<TVkListBox>(this, "listPrnBackup", "form");
  editLabelsText = RequireComponent<TVkEdit>(this, "editLabelsText", "form");
  editMapText = RequireComponent<TVkEdit>(this, "editMapText", "form");
  editTimeText = RequireComponent<TVkEdit>(this, "editTimeText", "form");
  editTotalText = RequireComponent<TVkEdit>(this, "editTotalText", "form");
  txtErrorLabel = RequireComponent<TVkLabel>(this, "txtErrorLabel", "form");
  ProgramIcon = RequireComponent<TImage>(this, "ProgramIcon", "form");
  Timer = RequireComponent<TTimer>(this, "Timer", "form");
  tblRMSpool = RequireTable(this, "tblRMSpool");
  tblRMLBLDef = RequireTable(this, "tblRMLBLDef");
  btnSaveDesign = RequireComponent<TVkBitBtn>(this, "btnSaveDesign", "form");
  btnLoadLast = RequireComponent<TVkBitBtn>(this, "btnLoadLast", "form");
  btnTestDesign = RequireComponent<TVkBitBtn>(this, "btnTestDesign", "form");
  btnSetupSave = RequireComponent<TVkBitBtn>(this, "btnSetupSave", "form");
  btn = RequireComponent<TVkBitBtn>(this, "btn", "form");
  VkPanel2 = RequireComponent<TVkPanel>(this, "VkPanel2", "form");
  VkBorder1 = RequireComponent<TVkBorder>(this, "VkBorder1", "form");
  VkStatusBar1 = RequireComponent<TVkStatusBar>(this, "VkStatusBar1", "form");
  VkClockStatus1 = RequireComponent<TVkClockStatus>(this, "VkClockStatus1", "form");
  VkBalloonHints1 = RequireComponent<TVkBalloonHints>(this, "VkBalloonHints1", "form");
  VkFrameController = RequireComponent<TVkFrameController>(this, "VkFrameController", "form");
  DoCreate();
}

TfrmMain::~TfrmMain() {
  DoDestroy();
  if (frmMain == this) frmMain = nullptr;
}

// ---- Start, refresh and status ------------------------------------------------

void TfrmMain::FormCreate(TObject* /*Sender*/) {
  BaseDir = BaseDirOverride.empty() ? ExtractFilePath(ParamStr(0)) : BaseDirOverride;
  SetTableDirectory(tblRMSpool, BaseDir);
  ConfigList = std::make_unique<TStringList>();
  StatusList = std::make_unique<TStringList>();

  const String configPath = BaseDir + ConfigFileName;
  try {
    ConfigList->LoadFromFile(configPath);
    Settings.ReadFrom(*ConfigList);
  } catch (const std::exception&) {
    ConfigList->Clear();
    Settings.AppendTo(*ConfigList);
    // Only a missing file is replaced: one that exists but cannot be read
    // now holds the user's setup, which seven empty settings would destroy.
    if (!FileExists(configPath)) {
      try {
        ConfigList->SaveToFile(configPath);
      } catch (const std::exception&) {
        // The program runs on with empty settings either way.
      }
    }
  }

  memoLogInfo->Lines()->Clear();
  LogView = std::make_unique<TLogView>(memoLogInfo);
  pageMain->SetActivePageIndex(0);
}

void TfrmMain::FormDestroy(TObject* /*Sender*/) {
  StatusList.reset();
  ConfigList.reset();
}

void TfrmMain::TimerTimer(TObject* /*Sender*/) {
  // A message box while the form is being made (the engine missing, say)
  // runs the loop, and with it the timer, before the form is complete.
  if (!LogView) return;
  if (!LogView->Refresh(BaseDir + LogFileName)) {
    // No log: the service is stopped, paused or was never started.
    ShowStatus(stsServiceNotRunning);
    return;
  }

  try {
    StatusList->LoadFromFile(BaseDir + StatusFileName);
    ShowStatus(StrToInt(StatusList->Strings(0)));
  } catch (const std::exception&) {
    // Missing, empty or not a number: the display stays as it was.
  }
}

void TfrmMain::ShowStatus(int Code) {
  auto printer = [](const String& Setting) { return "Printer \"" + Setting + "\" NOT configured"; };
  String caption;
  switch (Code) {
    case 1: caption = printer(Settings.SPLDirSource); break;
    case 2: caption = printer(Settings.SPLDirDest); break;
    case 3: caption = "Cannot open or create LockSPL.dbf"; break;
    case 4: caption = printer(Settings.SPLDirBackup); break;
    case 5: caption = "LabelDesign.txt does not exist."; break;
    case stsServiceNotRunning: caption = "Tarnwick Service is not running!!!"; break;
    default: break;
  }
  txtErrorLabel->SetCaption(caption);
  if (Code == 0) {
    txtErrorLabel->SetBlinking(false);
    txtErrorLabel->SetVisible(false);
  } else if (!txtErrorLabel->Visible()) {
    txtErrorLabel->SetBlinking(true);
    txtErrorLabel->SetVisible(true);
  }
}

void TfrmMain::SignalService() { ConfigList->SaveToFile(BaseDir + ReloadFlagName); }

void TfrmMain::pageMainChange(TObject* /*Sender*/) {
  // The page control may change pages while the resource is read, before
  // the form is created.
  if (!ConfigList) return;
  TControl* page = pageMain->ActivePage();
  if (page == nullptr) return;
  if (page->Caption() == "Setup") {
    FillSetupPage();
  } else if (page->Caption() == "Label Editor") {
    LoadDesign();
  }
}

void TfrmMain::ProgramIconDblClick(TObject* /*Sender*/) {
  if (AboutBox != nullptr) AboutBox->ShowModal();
}

// ---- Label editor ---------------------------------------------------------------

void TfrmMain::LoadDesign() {
  try {
    reLabelDesign->Lines()->LoadFromFile(BaseDir + LabelDesignName);
  } catch (const std::exception&) {
    ShowMessage("LabelDesign.txt was not found. Please create your own or get the sample from the installation files");
  }
}

void TfrmMain::btnSaveDesignClick(TObject* /*Sender*/) {
  // Written whole under a temporary name and renamed: the service, reading
  // the design for every label, sees the old or the new one, never half.
  reLabelDesign->Lines()->SaveToFile(BaseDir + LabelDesignName);
  memoLogInfo->Lines()->Add("-> Label Design saved on " + BaseDir + LabelDesignName);
  SignalService();
}

void TfrmMain::btnLoadLastClick(TObject* /*Sender*/) {
  reLabelDesign->Lines()->LoadFromFile(BaseDir + LabelDesignName);
  memoLogInfo->Lines()->Add("<- " + BaseDir + LabelDesignName + " loaded");
}

void TfrmMain::listTagsDblClick(TObject* /*Sender*/) {
  const String tag = listTags->SelectedItem();
  if (tag.empty()) return;  // no tag selected: the editor stays as it is
  TStrings* lines = reLabelDesign->Lines();
  const TPoint caret = reLabelDesign->CaretPos();
  const int row = caret.Y < 0 ? 0 : caret.Y;
  // An empty editor (or a caret below the last line) gets the line the tag
  // goes into; a column past the end of the line puts the tag at its end.
  while (lines->Count() <= row) lines->Add("");
  String line = lines->Strings(row);
  const size_t column = caret.X < 0 ? 0 : std::min(static_cast<size_t>(caret.X), line.size());
  line.insert(column, tag);
  lines->SetStrings(row, line);
  // Writing the line back leaves the caret at the end of the line: what the
  // user types next belongs right after the tag.
  reLabelDesign->SetCaretPos(TPoint{static_cast<int>(column + tag.size()), row});
  reLabelDesign->SetFocus();
}

void TfrmMain::btnTestDesignClick(TObject* /*Sender*/) {
  TStringList sample;
  sample.Add("Customer Name");
  sample.Add("*** Revenue Center ***");
  sample.Add("Employee Name (Number)");
  sample.Add("Trans. Desc.");
  sample.Add("Total:12345.67");
  sample.Add("Time: " + FormatDateTime("hh:nn AMPM", Now()));
  sample.Add("99 of 99 Labels");
  sample.Add("Address Line 1 Looooooooong");
  sample.Add("City and Town");
  sample.Add("202-111-2222");
  sample.Add("Map: G3");
  for (int i = 0; i < 5; ++i) sample.Add("Directions Line 1");
  while (sample.Count() < 25) sample.Add("");
  sample.Add("99 Item Name Goes Here");
  for (int i = 1; i <= 10; ++i) sample.Add("Mod Line " + IntToStr(i));
  while (sample.Count() < 100) sample.Add("");

  // An order of that name still waiting in the source directory (or an
  // earlier test print not taken yet) is never replaced.
  const String source = BaseDir + Settings.SPLDirSource;
  const String name = FreeFileName(source, TestLabelName);
  memoLogInfo->Lines()->Add("++ Sending TEST file to " + BaseDir + Settings.SPLDirDest + "/" + name);
  sample.SaveToFile(source + "/" + name);
}

// ---- Setup ----------------------------------------------------------------------

void TfrmMain::FillSetupPage() {
  editLabelsText->SetText(ConfigList->Values("LabelsText"));
  editMapText->SetText(ConfigList->Values("MapText"));
  editTimeText->SetText(ConfigList->Values("TimeText"));
  editTotalText->SetText(ConfigList->Values("TotalText"));
  TVkListBox* lists[] = {listPrnSource, listPrnDest, listPrnBackup};
  for (TVkListBox* list : lists) list->Items()->Clear();

  for (const String& dir : ReadSpoolDirectories(tblRMSpool)) {
    for (TVkListBox* list : lists) list->Items()->Add(dir);
  }

  const String settings[] = {Settings.SPLDirSource, Settings.SPLDirDest, Settings.SPLDirBackup};
  for (int i = 0; i < 3; ++i) {
    const int index = lists[i]->Items()->IndexOf(settings[i]);
    // A setting that is not in the list leaves no selection.
    lists[i]->SetItemIndex(index);
  }
}

void TfrmMain::btnSetupSaveClick(TObject* /*Sender*/) {
  // The new configuration is built aside and taken only once it is saved:
  // a failed save leaves the form with the configuration the file holds.
  TStringList next;
  next.Assign(ConfigList.get());
  auto setDirectory = [&next](TVkListBox* List, const char* Name) {
    // No printer chosen (or none to choose from): the setting stays.
    const String chosen = List->SelectedItem();
    if (!chosen.empty()) next.SetValues(Name, chosen);
  };
  setDirectory(listPrnSource, "SPLDirSource");
  setDirectory(listPrnDest, "SPLDirDest");
  setDirectory(listPrnBackup, "SPLDirBackup");
  next.SetValues("LabelsText", editLabelsText->Text());
  next.SetValues("TimeText", editTimeText->Text());
  next.SetValues("MapText", editMapText->Text());
  next.SetValues("TotalText", editTotalText->Text());
  next.SaveToFile(BaseDir + ConfigFileName);
  ConfigList->Assign(&next);

  Settings.ReadFrom(*ConfigList);
  memoLogInfo->Lines()->Add("-> Configuration file saved!");
  memoLogInfo->Lines()->Add("*** Restarting Application ***");
  SignalService();
}

void TfrmMain::btnClick(TObject* /*Sender*/) {
  // Plain Yes and No: the title alone carries the warning.
  if (sys::ShowMessageBox("WARNING!!!!", "This will reset the Label Setup in RM. Are you sure?", sys::mbPlain,
                          sys::mbYes | sys::mbNo) != sys::mbYes) {
    ShowMessage("Aborted modification");
    return;
  }
  try {
    RewriteLabelDefinition(tblRMLBLDef, BaseDir);
  } catch (const std::exception&) {
    ShowMessage("Failed to set values. Run DEDUVIR");
    return;
  }
  ShowMessage("Changes applied");
}
