#pragma once
// Binding of the xBase engine library. Nothing links against the engine: it is
// loaded by name ("XBE61.DLL", on Linux libxbe61.so) the first time a table
// needs it, and each of its entry points is bound by name into a pointer of
// the same name in namespace xbe. Every engine call of the data-access library
// goes through these pointers.
#include "class_library/core/Object.h"
#include "platform/system/DynLib.h"
#include "xbase_engine/XbEntryNames.h"
#include "xbase_engine/xbe61.h"

namespace xbe {
// One pointer per entry point, nullptr until the engine is bound.
#define XB_DECLARE_ENTRY_POINTER(name) extern decltype(&::name) name;
XB_ENTRY_POINTS(XB_DECLARE_ENTRY_POINTER)
#undef XB_DECLARE_ENTRY_POINTER

// Number of entry points the binder requires.
constexpr int EntryPointCount = 177;
}  // namespace xbe

// The library name the binder asks for.
inline constexpr const char* XbEngineLibraryName = "XBE61.DLL";
// The message shown when the engine cannot be loaded or bound.
inline constexpr const char* XbEngineMissingMessage = "Unable to load required xBase DLL: XBE61.DLL";

class TXbEngine : public TObject {
public:
  // Loads nothing.
  TXbEngine() = default;
  // Releases the library when it is loaded.
  ~TXbEngine() override;
  String ClassName() const override { return "TXbEngine"; }

  // Loads the library and binds every entry point in order. On success calls
  // xb_SetStringType(1) once and answers true. On failure (library missing or
  // a name missing) shows the error box, asks the application to terminate and
  // answers false; no pointer is left bound to a released library.
  bool LoadEngine();
  // Releases the library (errors of the release are swallowed) and clears the
  // state. Does not reset EngineLoaded().
  void UnloadEngine();

  bool Loaded() const { return loaded_; }
  // The loaded library; not loaded after a failure or an unload.
  const sys::DynLib& Handle() const { return handle_; }

private:
  static void ClearEntryPoints();

  bool loaded_ = false;
  sys::DynLib handle_;
};

// The process-wide engine object (created on first use, freed at exit).
TXbEngine* XbEngine();

// True once EnsureEngineLoaded has bound the engine in this process.
bool EngineLoaded();

// Loads and binds the engine unless that was done before; answers
// EngineLoaded(). Every path that is about to call the engine calls it first.
// Once the program has ended (exit handlers running) it answers false: the
// work areas still open were closed and the engine let go.
bool EnsureEngineLoaded();
