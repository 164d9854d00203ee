// An RM spooler for tests and the demo. For one spool directory it does what
// the label service relies on from a real spooler:
//   - it holds the directory's LOCKSPL.DBF open exclusively through our engine
//     (creating the table when it is missing), so the service sees it as up;
//   - with --error it leaves RMSpool.err in the directory (a spooler with a
//     problem), otherwise it removes a stale one;
//   - it takes every *.spl file handed to it: prints it to standard output and
//     moves it into the directory's printed/ folder. With --error it prints
//     nothing: a spooler with a problem leaves the files where they are.
// It runs until SIGTERM, SIGINT or SIGHUP, or with --once until nothing is left
// to print.
// With --spool-table BASE DIR... it instead writes RM's list of spool
// directories, BASE/RMSpool.DBF (field SUBDIR, one record per DIR), when that
// table is missing, and ends: the demo's printers for the desktop program.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/system/DynLib.h"
#include "platform/system/Files.h"
#include "platform/system/TextFile.h"
#include "xbase_engine/xbe61.h"

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnStopSignal(int) { g_stop = 1; }

struct Options {
  std::string dir;
  std::string spoolTableBase;         // --spool-table: the base directory
  std::vector<std::string> spoolDirs;  // and the directories it lists
  bool error = false;
  bool once = false;
  bool quiet = false;
  int pollMs = 200;
};

void Usage() {
  std::cerr << "usage: rmspool_sim --dir <spool directory> [--error] [--once] [--quiet] [--poll-ms <n>]\n"
               "       rmspool_sim --spool-table <base directory> <spool directory name>...\n"
               "  Holds <dir>/LOCKSPL.DBF exclusively, prints every *.spl handed to it and moves it\n"
               "  to <dir>/printed/. --error leaves RMSpool.err (and prints nothing).\n";
}

bool ParseArgs(int argc, char** argv, Options& opt) {
  if (argc >= 3 && std::string(argv[1]) == "--spool-table") {
    opt.spoolTableBase = argv[2];
    opt.spoolDirs.assign(argv + 3, argv + argc);
    return true;
  }
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc) {
      opt.dir = argv[++i];
    } else if (a == "--error") {
      opt.error = true;
    } else if (a == "--once") {
      opt.once = true;
    } else if (a == "--quiet") {
      opt.quiet = true;
    } else if (a == "--poll-ms" && i + 1 < argc) {
      opt.pollMs = std::max(10, std::atoi(argv[++i]));
    } else {
      return false;
    }
  }
  return !opt.dir.empty();
}

// The few engine entry points the simulator needs, bound by name.
class Engine {
public:
  bool Load(std::string& error) {
    if (!lib_.Load("XBE61.DLL")) {
      error = lib_.LastError();
      return false;
    }
    useEx_ = reinterpret_cast<decltype(&xb_UseEx)>(lib_.Symbol("xb_UseEx"));
    createNew_ = reinterpret_cast<decltype(&xb_CreateNew)>(lib_.Symbol("xb_CreateNew"));
    createField_ = reinterpret_cast<decltype(&xb_CreateField)>(lib_.Symbol("xb_CreateField"));
    createExec_ = reinterpret_cast<decltype(&xb_CreateExec)>(lib_.Symbol("xb_CreateExec"));
    closeAll_ = reinterpret_cast<decltype(&xb_CloseAll)>(lib_.Symbol("xb_CloseAll"));
    appendBlank_ = reinterpret_cast<decltype(&xb_AppendBlank)>(lib_.Symbol("xb_AppendBlank"));
    putString_ = reinterpret_cast<decltype(&xb_PutString)>(lib_.Symbol("xb_PutString"));
    if (!useEx_ || !createNew_ || !createField_ || !createExec_ || !closeAll_ || !appendBlank_ || !putString_) {
      error = lib_.LastError();
      return false;
    }
    return true;
  }

  // Opens (or creates) the lock table exclusively; the work area, 0 on failure.
  short HoldLockTable(const std::string& path) {
    if (sys::FileExists(path)) return useEx_(path.c_str(), "LOCKSPL", XB_OPEN_EXCLUSIVE, XB_TYPE_NTX, 1);
    short area = createNew_(path.c_str(), "LOCKSPL", XB_TYPE_NTX, 1);
    if (area <= 0) return 0;
    createField_("DUMMY", "C", 10, 0);
    return createExec_();
  }

  // Writes the spool directory table with one record per name; false when
  // it cannot be created.
  bool WriteSpoolTable(const std::string& path, const std::vector<std::string>& names) {
    if (createNew_(path.c_str(), "RMSPOOL", XB_TYPE_NTX, 1) <= 0) return false;
    createField_("SUBDIR", "C", 20, 0);
    if (createExec_() <= 0) return false;
    for (const auto& name : names) {
      appendBlank_();
      putString_("SUBDIR", name.c_str());
    }
    closeAll_();
    return true;
  }

  void CloseAll() {
    if (closeAll_) closeAll_();
  }

private:
  sys::DynLib lib_;
  decltype(&xb_UseEx) useEx_ = nullptr;
  decltype(&xb_CreateNew) createNew_ = nullptr;
  decltype(&xb_CreateField) createField_ = nullptr;
  decltype(&xb_CreateExec) createExec_ = nullptr;
  decltype(&xb_CloseAll) closeAll_ = nullptr;
  decltype(&xb_AppendBlank) appendBlank_ = nullptr;
  decltype(&xb_PutString) putString_ = nullptr;
};

bool LoadEngine(Engine& engine) {
  std::string error;
  if (engine.Load(error)) return true;
  std::cerr << "rmspool_sim: cannot load the xBase engine: " << error << "\n";
  return false;
}

// --spool-table: RM's list of spool directories, kept when it exists.
int MakeSpoolTable(Engine& engine, const Options& opt) {
  const std::string existing = sys::ResolveFileName(opt.spoolTableBase + "/RMSpool.DBF");
  if (sys::FileExists(existing)) return 0;
  if (!engine.WriteSpoolTable(opt.spoolTableBase + "/RMSpool.DBF", opt.spoolDirs)) {
    std::cerr << "rmspool_sim: cannot create " << opt.spoolTableBase << "/RMSpool.DBF\n";
    return 1;
  }
  return 0;
}

// Prints and files away every spool file waiting; the number taken.
int TakeSpoolFiles(const Options& opt) {
  std::vector<std::string> names;
  sys::SearchRec rec;
  for (int rc = sys::FindFirst(opt.dir + "/*.spl", sys::faArchive | sys::faReadOnly, rec); rc == 0;
       rc = sys::FindNext(rec)) {
    names.push_back(rec.Name);
  }
  sys::FindClose(rec);
  int taken = 0;
  for (const auto& name : names) {
    std::string path = opt.dir + "/" + name;
    std::string bytes;
    try {
      bytes = sys::ReadFileBytes(path);
    } catch (const std::exception& e) {
      std::cerr << "rmspool_sim: " << e.what() << "\n";
      continue;
    }
    fs::path printed = fs::path(opt.dir) / "printed";
    std::error_code ec;
    fs::create_directories(printed, ec);
    fs::rename(path, printed / name, ec);
    if (ec) {
      std::cerr << "rmspool_sim: cannot move " << path << ": " << ec.message() << "\n";
      continue;
    }
    if (!opt.quiet) {
      std::cout << "==== printing " << name << " ====\n" << bytes;
      if (!bytes.empty() && bytes.back() != '\n') std::cout << "\n";
      std::cout << "==== end of " << name << " ====" << std::endl;
    }
    ++taken;
  }
  return taken;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (!ParseArgs(argc, argv, opt)) {
    Usage();
    return 2;
  }
  Engine engine;
  if (!opt.spoolTableBase.empty()) return LoadEngine(engine) ? MakeSpoolTable(engine, opt) : 1;
  while (opt.dir.size() > 1 && opt.dir.back() == '/') opt.dir.pop_back();
  std::error_code ec;
  fs::create_directories(opt.dir, ec);
  if (!sys::DirectoryExists(opt.dir)) {
    std::cerr << "rmspool_sim: cannot create directory " << opt.dir << "\n";
    return 1;
  }

  if (!LoadEngine(engine)) return 1;
  std::string lockTable = sys::ResolveFileName(opt.dir + "/LOCKSPL.DBF");
  if (engine.HoldLockTable(lockTable) <= 0) {
    std::cerr << "rmspool_sim: cannot hold " << lockTable << " (another spooler or the service holds it)\n";
    return 1;
  }

  std::string errFile = sys::ResolveFileName(opt.dir + "/RMSpool.err");
  if (opt.error) {
    sys::WriteFileAtomic(opt.dir + "/RMSpool.err", "Printer problem\r\n");
  } else if (sys::FileExists(errFile)) {
    sys::DeleteFile(errFile);
  }

  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);  // its terminal closed

  std::cout << "rmspool_sim: serving " << opt.dir << (opt.error ? " (with RMSpool.err)" : "") << std::endl;
  while (g_stop == 0) {
    int taken = opt.error ? 0 : TakeSpoolFiles(opt);
    if (opt.once && taken == 0) break;
    ::usleep(static_cast<useconds_t>(opt.pollMs) * 1000);
  }
  engine.CloseAll();
  std::cout << "rmspool_sim: stopped" << std::endl;
  return 0;
}
