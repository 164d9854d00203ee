#include "data_access/XBE60.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "class_library/loop/Application.h"
#include "class_library/loop/Dialogs.h"
#include "class_library/core/Exceptions.h"

namespace xbe {
#define XB_DEFINE_ENTRY_POINTER(name) decltype(&::name) name = nullptr;
XB_ENTRY_POINTS(XB_DEFINE_ENTRY_POINTER)
#undef XB_DEFINE_ENTRY_POINTER
}  // namespace xbe

namespace {

// The source line the binder reports for the entry point at position index:
// the assertions sit two lines apart, the first on line 291.
int AssertLine(int index) { return 291 + 2 * index; }

std::atomic<bool> engineLoaded{false};
// Set once the program has ended and the engine was let go.
std::atomic<bool> engineReleased{false};
std::mutex loadMutex;

// Objects made before the engine was loaded (the application, with the
// tables its components keep open) are destroyed at exit after the engine's
// own state, which the library made when it was loaded. Registered once the
// library is there, this runs first: every work area still open is closed
// through the engine while it still works, and the engine is let go. The
// closes that come later find no engine and have nothing left to do.
void ReleaseEngineAtExit() {
  std::lock_guard lock(loadMutex);
  engineReleased.store(true, std::memory_order_release);
  TXbEngine* engine = XbEngine();
  if (!engine->Loaded()) return;
  xbe::xb_CloseAll();
  engine->UnloadEngine();
}

template <class Ptr>
void Bind(const sys::DynLib& lib, const char* name, Ptr& target, int& index) {
  void* symbol = lib.Symbol(name);
  target = reinterpret_cast<Ptr>(symbol);
  Assert(symbol != nullptr, "XBE60", AssertLine(index));
  ++index;
}

}  // namespace

TXbEngine::~TXbEngine() {
  if (loaded_) UnloadEngine();
}

void TXbEngine::ClearEntryPoints() {
#define XB_CLEAR_ENTRY_POINTER(name) xbe::name = nullptr;
  XB_ENTRY_POINTS(XB_CLEAR_ENTRY_POINTER)
#undef XB_CLEAR_ENTRY_POINTER
}

bool TXbEngine::LoadEngine() {
  if (loaded_) return true;
  try {
    // The host shows no dialog of its own about a missing file, so there is
    // no error mode to switch here.
    if (!handle_.Load(XbEngineLibraryName)) {
      loaded_ = false;
    } else {
      int index = 0;
#define XB_BIND_ENTRY_POINTER(name) Bind(handle_, #name, xbe::name, index);
      XB_ENTRY_POINTS(XB_BIND_ENTRY_POINTER)
#undef XB_BIND_ENTRY_POINTER
      loaded_ = true;
      xbe::xb_SetStringType(1);
    }
  } catch (...) {
    loaded_ = false;
  }
  if (!loaded_) {
    // A partly bound library is released, and no pointer may point into it.
    ClearEntryPoints();
    handle_.Free();
    MessageDlg(XbEngineMissingMessage, mtError, TMsgDlgButtons{mbOK}, 0);
    Application()->Terminate();
  }
  return loaded_;
}

void TXbEngine::UnloadEngine() {
  if (loaded_) {
    try {
      ClearEntryPoints();
      handle_.Free();
    } catch (...) {
    }
  }
  loaded_ = false;
}

TXbEngine* XbEngine() {
  static TXbEngine engine;
  return &engine;
}

bool EngineLoaded() { return engineLoaded.load(std::memory_order_acquire); }

bool EnsureEngineLoaded() {
  if (engineLoaded.load(std::memory_order_acquire)) return !engineReleased.load(std::memory_order_acquire);
  // Two threads opening their first tables at once bind the engine once.
  std::lock_guard lock(loadMutex);
  if (engineReleased.load(std::memory_order_relaxed)) return false;
  if (!engineLoaded.load(std::memory_order_relaxed) && XbEngine()->LoadEngine()) {
    engineLoaded.store(true, std::memory_order_release);
    std::atexit(ReleaseEngineAtExit);
  }
  return engineLoaded.load(std::memory_order_relaxed);
}
