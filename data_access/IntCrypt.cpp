#include "data_access/IntCrypt.h"

#include <mutex>

#include "class_library/loop/Application.h"
#include "class_library/loop/Dialogs.h"
#include "class_library/core/Exceptions.h"

TCompressStreamProc CompressStream = nullptr;
TCompressStreamProc UnCompressStream = nullptr;
TSetCompressionPasswordProc SetCompressionPassword = nullptr;
TSetCompressionLevelProc SetCompressionLevel = nullptr;

namespace {

struct CryptState {
  std::mutex lock;
  bool loaded = false;
  sys::DynLib handle;
  // Released when the process ends, like every other unit finalization.
  ~CryptState() {
    CompressStream = nullptr;
    UnCompressStream = nullptr;
    SetCompressionPassword = nullptr;
    SetCompressionLevel = nullptr;
  }
};

CryptState& State() {
  static CryptState state;
  return state;
}

template <class Ptr>
void Bind(const sys::DynLib& lib, const char* name, Ptr& target, int line) {
  void* symbol = lib.Symbol(name);
  target = reinterpret_cast<Ptr>(symbol);
  Assert(symbol != nullptr, "IntCrypt", line);
}

}  // namespace

bool CryptLoaded() {
  std::lock_guard guard(State().lock);
  return State().loaded;
}

const sys::DynLib& CryptHandle() { return State().handle; }

String CryptMissingMessage() {
  return "Missing required XbCrypt.DLL.\r\n"
         "The compression add-on engine is required to exchange compressed data with the "
         "xBase Database Server.";
}

void LoadCryptLibrary() {
  CryptState& st = State();
  {
    std::lock_guard guard(st.lock);
    if (st.loaded) return;
    try {
      if (st.handle.Load(XbCryptLibraryName)) {
        Bind(st.handle, "CompressStream", CompressStream, 53);
        Bind(st.handle, "UnCompressStream", UnCompressStream, 56);
        Bind(st.handle, "SetCompressionPassword", SetCompressionPassword, 59);
        Bind(st.handle, "SetCompressionLevel", SetCompressionLevel, 62);
        st.loaded = true;
      }
    } catch (const EAssertionFailed&) {
      st.loaded = false;
    }
    if (!st.loaded) {
      CompressStream = nullptr;
      UnCompressStream = nullptr;
      SetCompressionPassword = nullptr;
      SetCompressionLevel = nullptr;
      st.handle.Free();
    }
  }
  if (!CryptLoaded()) {
    MessageDlg(CryptMissingMessage(), mtError, TMsgDlgButtons{mbOK}, 0);
    Application()->Terminate();
  }
}
