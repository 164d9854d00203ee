#include "label_service/srvMain.h"

#include "class_library/datasets/DataSet.h"
#include "class_library/core/DateTime.h"
#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/loop/Timer.h"
#include "class_library/components/TypeInfo.h"
#include "data_access/XbDSet.h"
#include "label_service/srvFiles.h"
#include "platform/system/Files.h"
#include "platform/system/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TsrvTarnwick* srvTarnwick = nullptr;

namespace {

constexpr double kSecondsPerDay = 24.0 * 60 * 60;

const bool kModuleRegistered = [] {
  RegisterClass<TsrvTarnwick>("TsrvTarnwick", "TService", nullptr);
  return true;
}();

void ServiceController(Cardinal CtrlCode) {
  if (srvTarnwick != nullptr) srvTarnwick->Controller(CtrlCode);
}

// What a non-regular file is, for the log.
const char* KindOfFile(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "a special file";
}

// Reads a spool file whole without ever holding up the tick: opened
// non-blocking (a named pipe would otherwise wait for a writer), then only a
// regular file of at most SpoolFileMaxBytes is read. False with the reason
// when it cannot be taken.
bool ReadSpoolFile(const String& Path, String& Bytes, String& Reason) {
  sys::UniqueFd fd(::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
    Reason = SysErrorMessage(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    Reason = String(KindOfFile(st.st_mode)) + ", not a regular file";
    return false;
  }
  const String overLimit = "over the size limit of " + IntToStr(SpoolFileMaxBytes) + " bytes";
  if (st.st_size > SpoolFileMaxBytes) {
    Reason = overLimit;
    return false;
  }
  Bytes.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Reason = SysErrorMessage(errno);
      return false;
    }
    if (n == 0) return true;
    Bytes.append(buf, static_cast<size_t>(n));
    if (static_cast<std::int64_t>(Bytes.size()) > SpoolFileMaxBytes) {  // grew while being read
      Reason = overLimit;
      return false;
    }
  }
}

// True when both paths name one directory (however spelt or cased).
bool SameDirectory(const String& A, const String& B) {
  struct stat a {}, b {};
  return ::stat(sys::ResolveFileName(A).c_str(), &a) == 0 && ::stat(sys::ResolveFileName(B).c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

TsrvTarnwick::TsrvTarnwick(TComponent* AOwner) : TService(AOwner) {
  (void)kModuleRegistered;
  srvTarnwick = this;
  RegisterMethod("ServiceCreate", TNotifyEvent([this](TObject* s) { ServiceCreate(s); }));
  RegisterMethod("ServiceDestroy", TNotifyEvent([this](TObject* s) { ServiceDestroy(s); }));
  RegisterMethod("TimerTimer", TNotifyEvent([this](TObject* s) { TimerTimer(s); }));
  RegisterMethod<void(TService*, bool&)>("ServiceStart",
                                         [this](TService* s, bool& started) { ServiceStart(s, started); });
  RegisterMethod<void(TService*, bool&)>("ServiceStop",
                                         [this](TService* s, bool& stopped) { ServiceStop(s, stopped); });
  RegisterMethod<void(TDataSet*)>("tblLockSPLAfterOpen", [this](TDataSet* d) { tblLockSPLAfterOpen(d); });
  InitComponentFromResource(this, "SRVMAIN");
  tblLockSPL = RequireComponent<TXbTable>(this, "tblLockSPL", "module");
  Timer = RequireComponent<TTimer>(this, "Timer", "module");
  tblLockSPLCheck = RequireComponent<TXbTable>(this, "tblLockSPLCheck", "module");
  DoCreate();
}

TsrvTarnwick::~TsrvTarnwick() {
  DoDestroy();
  if (srvTarnwick == this) srvTarnwick = nullptr;
}

TServiceController TsrvTarnwick::GetServiceController() { return ServiceController; }

void TsrvTarnwick::ServiceCreate(TObject* /*Sender*/) {
  BaseDir = ExtractFilePath(ParamStr(0));
  SPLDirSource = "PreLabel";
  SPLDirDest = "Label1";
  SPLDirBackup = "Label2";
  LabelsText = "Labels";
  TimeText = "Time:";
  MapText = "Map:";
  TotalText = "Total:";
  SpoolLines = std::make_unique<TStringList>();
  LabelLines = std::make_unique<TStringList>();
  ConfigLines = std::make_unique<TStringList>();
  LogLines = std::make_unique<TStringList>();
  logFile_ = std::make_unique<TAppendLogFile>(BaseDir + LogFileName);
}

void TsrvTarnwick::HoldBaseDirectory() {
  if (baseDirLock_) return;  // held since the first start
  auto dir = std::make_unique<sys::UniqueFd>(::open(BaseDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir->Get() < 0) throw EInOutError("Cannot open the base directory " + BaseDir + ". " + SysErrorMessage(errno));
  if (::flock(dir->Get(), LOCK_EX | LOCK_NB) != 0) {
    // Two services on one directory would overwrite each other's log and
    // status and race for the same orders.
    if (errno == EWOULDBLOCK) {
      throw Exception("Another TarnwickService is already running on " + BaseDir + "; this one does not start");
    }
    throw EInOutError("Cannot lock the base directory " + BaseDir + ". " + SysErrorMessage(errno));
  }
  baseDirLock_ = std::move(dir);
}

void TsrvTarnwick::ServiceStart(TService* /*Sender*/, bool& /*Started*/) {
  // Before anything is written: the files belong to the service that runs.
  HoldBaseDirectory();
  Timer->SetEnabled(true);
  try {
    LoadConfig();
  } catch (...) {
    // The framework reports the start or continue as failed and the service
    // as stopped or paused: no tick may run on, and no log may make the
    // desktop program believe the service runs.
    Timer->SetEnabled(false);
    DeleteFile(BaseDir + LogFileName);
    if (logFile_) logFile_->Forget();
    throw;
  }
}

void TsrvTarnwick::ServiceStop(TService* /*Sender*/, bool& /*Stopped*/) {
  Timer->SetEnabled(false);
  WriteLog("! Stopping service...");
  DeleteFile(BaseDir + LogFileName);
  if (logFile_) logFile_->Forget();
}

void TsrvTarnwick::ServiceDestroy(TObject* /*Sender*/) {
  // The log exists only while the service runs; a process that ends without
  // a stop (its start failed) must not leave one behind.
  if (logFile_) logFile_->Remove();
  SpoolLines.reset();
  LabelLines.reset();
  ConfigLines.reset();
  LogLines.reset();
}

void TsrvTarnwick::tblLockSPLAfterOpen(TDataSet* DataSet) {
  if (auto* table = dynamic_cast<TXbTable*>(DataSet)) table->Flock();
}

void TsrvTarnwick::SetError(std::int16_t Code) {
  if (Code != 0) ErrorFlag = true;
  TStringList status;
  status.Add(IntToStr(static_cast<int>(Code)));
  try {
    sys::WriteFileAtomic(BaseDir + StatusFileName, status.Text());
  } catch (const std::exception& e) {
    throw EFCreateError(e.what());
  }
}

void TsrvTarnwick::WriteLog(const String& Message) {
  String stamp;
  DateTimeToString(stamp, "", Now());
  LogLines->Add(stamp + " : " + Message);
  // A log that cannot be written must not stop an order half way (the
  // source file would be printed again): the failure goes to the journal.
  try {
    logFile_->Update(*LogLines);
  } catch (const std::exception& e) {
    LogMessage(String("Cannot write the log: ") + e.what(), evWarning);
  }
}

void TsrvTarnwick::LoadConfig() {
  // Orders held back by the last configuration get another look.
  std::erase_if(leftAlone_, [](const auto& entry) { return entry.second.UntilReload; });
  ErrorFlag = false;
  SetError(stsNone);

  try {
    ConfigLines->LoadFromFile(BaseDir + LabelDesignName);
    ConfigLines->Clear();
  } catch (const std::exception&) {
    SetError(stsDesignMissing);
  }

  try {
    ConfigLines->LoadFromFile(BaseDir + ConfigFileName);
    TTarnwickSettings settings;
    settings.ReadFrom(*ConfigLines);
    SPLDirSource = settings.SPLDirSource;
    SPLDirDest = settings.SPLDirDest;
    SPLDirBackup = settings.SPLDirBackup;
    LabelsText = settings.LabelsText;
    TimeText = settings.TimeText;
    MapText = settings.MapText;
    TotalText = settings.TotalText;
  } catch (const std::exception&) {
    // Exactly the seven lines, whatever the list held before.
    ConfigLines->Clear();
    TTarnwickSettings{SPLDirSource, SPLDirDest, SPLDirBackup, LabelsText, TimeText, MapText, TotalText}.AppendTo(
        *ConfigLines);
    try {
      sys::WriteFileAtomic(BaseDir + ConfigFileName, ConfigLines->Text());
    } catch (const std::exception& e) {
      LogMessage(String("Cannot write the configuration: ") + e.what(), evWarning);
    }
    ErrorFlag = true;
  }

  WriteLog("! Starting service...");
  auto logDirectory = [this](const String& Caption, const String& Setting) {
    bool exists = DirectoryExists(BaseDir + Setting);
    WriteLog(Caption + "\"" + BaseDir + Setting + "\"");
    if (!exists) WriteLog("    Directory not found! Please setup a printer");
    return exists;
  };
  bool sourceExists = logDirectory("! Source Spool Directory is: ", SPLDirSource);
  bool destExists = logDirectory("! Destination Spool Directory is: ", SPLDirDest);
  if (!logDirectory("! Backup Spool Directory is: ", SPLDirBackup)) SetError(stsBackupMissing);

  // A new source directory moves the lock: the old directory's table is
  // released before the new one is held.
  const String sourceDir = BaseDir + SPLDirSource;
  if (tblLockSPL->Active() && tblLockSPL->DatabaseName() != sourceDir) tblLockSPL->Close();
  tblLockSPL->SetDatabaseName(sourceDir);
  if (sourceExists) {
    try {
      tblLockSPL->Open();
    } catch (const std::exception&) {
      tblLockSPL->CreateTable();  // a failure here leaves the load
      try {
        tblLockSPL->Open();
      } catch (const std::exception&) {
        SetError(stsLockTableFailed);
      }
    }
  } else {
    SetError(stsSourceMissing);
  }
  if (!destExists) SetError(stsDestinationMissing);
}

void TsrvTarnwick::RenderLabels() {
  TLabelRenderer renderer;
  renderer.Captions = {LabelsText, TimeText, MapText, TotalText};
  const String designPath = BaseDir + LabelDesignName;
  renderer.LoadDesign = [designPath](TStringList& Design) { Design.LoadFromFile(designPath); };
  renderer.OnIncompatible = [this] {
    WriteLog("## WARNING: Label Setup in RM does not seem to be compatible with Tarnwick ##");
  };
  renderer.OnDesignError = [this] {
    SetError(stsDesignMissing);
    ErrorFlag = true;
  };
  renderer.Render(*SpoolLines, *LabelLines);
}

bool TsrvTarnwick::FindSpoolFile(String& Name) {
  const TDateTime now = Now();
  const String dir = BaseDir + SPLDirSource + "/";
  std::map<String, TFileLook> looks;
  String found;
  TSearchRec rec;
  for (int rc = FindFirst(dir + "*.spl", faAnyFile, rec); rc == 0; rc = FindNext(rec)) {
    if ((rec.Attr & faDirectory) != 0) continue;
    struct stat st {};
    const String path = dir + rec.Name;
    if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) continue;  // gone
    TFileLook look{rec.Size, rec.Time, std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
    looks[rec.Name] = look;
    if (!found.empty()) continue;
    auto alone = leftAlone_.find(rec.Name);
    if (alone != leftAlone_.end() && alone->second.Look == look) continue;  // until it changes
    auto seen = looks_.find(rec.Name);
    bool unchanged = seen != looks_.end() && seen->second == look;
    bool old = (now - rec.Time) * kSecondsPerDay >= SpoolSettleSeconds;
    if (unchanged || old) found = rec.Name;
  }
  FindClose(rec);
  looks_ = std::move(looks);
  // Files left alone that went away or changed are orders again.
  for (auto it = leftAlone_.begin(); it != leftAlone_.end();) {
    auto now_look = looks_.find(it->first);
    it = (now_look == looks_.end() || !(now_look->second == it->second.Look)) ? leftAlone_.erase(it)
                                                                               : std::next(it);
  }
  if (found.empty()) return false;
  Name = found;
  return true;
}

void TsrvTarnwick::TimerTimer(TObject* /*Sender*/) {
  if (FileExists(BaseDir + ReloadFlagName)) {
    LoadConfig();
    DeleteFile(BaseDir + ReloadFlagName);
  }
  if (ErrorFlag) return;
  String name;
  if (!FindSpoolFile(name)) return;
  const String path = BaseDir + SPLDirSource + "/" + name;
  WriteLog("-> Loading from " + path);
  String bytes, reason;
  if (!ReadSpoolFile(path, bytes, reason)) {
    WriteLog("# " + path + " cannot be read (" + reason + "): left in place until it changes");
    LeaveAlone(name);
    return;
  }
  SpoolLines->SetText(bytes);
  RenderLabels();  // warns when the lines are not whole records
  // A partial record may be an order RM has not finished: handing over the
  // empty result would delete it. It waits instead until RM rewrites or
  // removes it. An empty file holds no order and is handed over as usual.
  const int lineCount = SpoolLines->Count();
  if (lineCount % SpoolRecordLines != 0) {
    WriteLog("# " + path + " holds " + IntToStr(lineCount) + " lines, not whole " +
             IntToStr(SpoolRecordLines) + "-line records: left in place");
    LeaveAlone(name);
    return;
  }
  WriteLog("++ Sending to " + BaseDir + SPLDirDest + "/" + name);
  if (!SendLabels(name)) WriteLog("# Failed to print...");
}

TsrvTarnwick::TSpooler TsrvTarnwick::TestSpooler(const String& Dir, const String& Setting) {
  tblLockSPLCheck->SetDatabaseName(Dir);
  try {
    tblLockSPLCheck->Open();
  } catch (const std::exception&) {
  }
  if (tblLockSPLCheck->Active()) {
    WriteLog("## Spooler is down for printer: " + Setting);
    tblLockSPLCheck->Close();
    return TSpooler::Down;
  }
  return FileExists(Dir + "/RMSpool.err") ? TSpooler::Problem : TSpooler::Up;
}

bool TsrvTarnwick::SaveLabels(const String& Path) {
  // Written under a temporary name that no spool mask matches, then renamed:
  // a spooler never sees half a label file. It is forced to disk before the
  // source is deleted, so that a power cut cannot leave an empty label file
  // in place of the order.
  try {
    sys::WriteFileAtomic(Path, LabelLines->Text(), /*syncToDisk=*/true);
    return true;
  } catch (const std::exception& e) {
    WriteLog(String("# Cannot write labels: ") + e.what());
    return false;
  }
}

void TsrvTarnwick::DeleteSource(const String& Name, const String& Path) {
  WriteLog("-- Deleting " + Path);
  if (DeleteFile(Path) || !FileExists(Path)) return;
  // Printing it again every second would flood the printer: it is left
  // alone until it changes or goes away.
  WriteLog("# Cannot delete " + Path + "; it is left alone until it changes");
  LeaveAlone(Name);
}

void TsrvTarnwick::LeaveAlone(const String& Name, bool UntilReload) {
  auto look = looks_.find(Name);
  if (look != looks_.end()) leftAlone_[Name] = TLeftAlone{look->second, UntilReload};
}

bool TsrvTarnwick::HandOver(const String& Dir, const String& Name) {
  const String source = BaseDir + SPLDirSource;
  const String sourcePath = source + "/" + Name;
  if (SameDirectory(Dir, source)) {
    // The labels would be written over the order, which would then be
    // deleted: the order stays until the configuration is set right.
    WriteLog("# " + sourcePath + " stays in place: the printer directory " + Dir +
             " is the source spool directory (check Tarnwick.cfg)");
    LeaveAlone(Name, /*UntilReload=*/true);
    return false;
  }
  const String label = FreeFileName(Dir, Name);
  if (label != Name) {
    WriteLog("! " + Dir + "/" + Name + " still holds the labels of another order: these go to " + Dir + "/" + label);
  }
  if (!SaveLabels(Dir + "/" + label)) return false;
  DeleteSource(Name, sourcePath);
  return true;
}

bool TsrvTarnwick::SendLabels(const String& Name) {
  if (ErrorFlag) return false;

  const String dest = BaseDir + SPLDirDest;
  TSpooler first = TestSpooler(dest, SPLDirDest);
  if (first == TSpooler::Up) return HandOver(dest, Name);
  if (first == TSpooler::Problem) {
    WriteLog("# Problem sending to " + dest);
    WriteLog("  Please check Printer.");
  }
  WriteLog("! Trying backup printer...");

  const String backup = BaseDir + SPLDirBackup;
  TSpooler second = TestSpooler(backup, SPLDirBackup);
  if (second == TSpooler::Up) {
    WriteLog("++ Sending to " + backup + "/" + Name);
    return HandOver(backup, Name);
  }
  if (second == TSpooler::Problem) {
    WriteLog("# Problem sending to " + backup);
    WriteLog("  Please check RMSpool and Printer.");
  }
  WriteLog("! Sending order back to " + dest);
  WriteLog("! Labels will resume printing when the problem is resolved");
  HandOver(dest, Name);
  return false;
}
