#pragma once
// The label service's module: turns RM's spool files into label spool files.
//
// RM prints every order into the source spool directory as a file of
// 100-line records. Once a second the module takes one such file, fills the
// label design once per record and hands the labels to the destination
// printer's spool directory (or the backup's when the destination's spooler
// is down), then deletes the source file.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "class_library/service/Service.h"
#include "class_library/core/StringList.h"
#include "class_library/core/Types.h"
#include "label_service/LabelRenderer.h"
#include "label_service/srvLog.h"
#include "platform/system/UniqueFd.h"

// ---- The service module -----------------------------------------------------

class TDataSet;
class TTimer;
class TXbTable;

// Status codes written to "Tarnwick.err".
constexpr std::int16_t stsNone = 0;
constexpr std::int16_t stsSourceMissing = 1;
constexpr std::int16_t stsDestinationMissing = 2;
constexpr std::int16_t stsLockTableFailed = 3;
constexpr std::int16_t stsBackupMissing = 4;
constexpr std::int16_t stsDesignMissing = 5;

// A spool file is taken once it has stayed the same for this long: unchanged
// since the previous tick's look, or last modified at least this long ago.
// RM may still be writing a file that has just appeared.
constexpr double SpoolSettleSeconds = 1.0;

// The largest spool file read (16 MiB): an order is a handful of 100-line
// records, a few kilobytes. A larger file, like anything that is not a
// regular file or cannot be read, is logged once with the reason and left in
// place until it changes, so the orders behind it still print.
constexpr std::int64_t SpoolFileMaxBytes = std::int64_t{16} * 1024 * 1024;

class TsrvTarnwick : public TService {
public:
  // Reads the module resource and fires OnCreate.
  explicit TsrvTarnwick(TComponent* AOwner);
  ~TsrvTarnwick() override;
  String ClassName() const override { return "TsrvTarnwick"; }

  TServiceController GetServiceController() override;

  // Components of the module resource.
  TXbTable* tblLockSPL = nullptr;       // the source directory's lock table, held while running
  TTimer* Timer = nullptr;              // the one-second tick
  TXbTable* tblLockSPLCheck = nullptr;  // tests the destination and backup spoolers

  // Event handlers bound by the resource.
  void ServiceCreate(TObject* Sender);
  void ServiceStart(TService* Sender, bool& Started);
  void ServiceStop(TService* Sender, bool& Stopped);
  void ServiceDestroy(TObject* Sender);
  void tblLockSPLAfterOpen(TDataSet* DataSet);
  void TimerTimer(TObject* Sender);

  void LoadConfig();
  void SetError(std::int16_t Code);
  void WriteLog(const String& Message);
  void RenderLabels();
  // True when the labels reached a spooler that is up.
  bool SendLabels(const String& Name);

  // Unit state.
  String BaseDir;  // the program's directory, ending with '/'
  String SPLDirSource, SPLDirDest, SPLDirBackup;
  String LabelsText, TimeText, MapText, TotalText;
  std::unique_ptr<TStringList> SpoolLines, LabelLines, ConfigLines, LogLines;
  bool ErrorFlag = false;

private:
  enum class TSpooler { Up, Down, Problem };
  struct TFileLook {
    std::int64_t Size = 0;
    double Time = 0;
    std::int64_t ChangeNs = 0;  // inode change time: a chmod is a change too
    bool operator==(const TFileLook&) const = default;
  };
  struct TLeftAlone {
    TFileLook Look;
    bool UntilReload = false;  // also tried again after a configuration reload
  };

  TSpooler TestSpooler(const String& Dir, const String& Setting);
  // The first spool file of the source directory that is ready to take.
  bool FindSpoolFile(String& Name);
  // Writes LabelLines to Path whole; false (logged) when that failed.
  bool SaveLabels(const String& Path);
  void DeleteSource(const String& Name, const String& Path);
  // Writes the labels into Dir under Name (or a free name, see
  // FreeFileName), then deletes the source file Name; false (the source
  // kept) when the labels could not be written or Dir is the source
  // directory itself.
  bool HandOver(const String& Dir, const String& Name);
  // Skips the source file Name on later ticks until it changes or goes away
  // (or, with UntilReload, until the configuration is reloaded).
  void LeaveAlone(const String& Name, bool UntilReload = false);
  // One service process per base directory: takes the lock on it, or raises
  // when another process holds it.
  void HoldBaseDirectory();

  std::unique_ptr<TAppendLogFile> logFile_;
  std::map<String, TFileLook> looks_;      // spool files seen at the last tick
  std::map<String, TLeftAlone> leftAlone_;  // unreadable, not deletable, partial or clashing
  std::unique_ptr<sys::UniqueFd> baseDirLock_;  // holds the base directory's flock while the process lives
};

// The module of the running program (the last one created).
extern TsrvTarnwick* srvTarnwick;
