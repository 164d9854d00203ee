#pragma once
// Run-time loading of shared libraries by the names the programs ask for.
// A library asked for as "NAME.DLL" is the file "libname.so": first next to
// the executable, then wherever the system's library path finds it.
#include <string>

namespace sys {

class DynLib {
public:
  DynLib() = default;
  ~DynLib();
  DynLib(DynLib&& other) noexcept;
  DynLib& operator=(DynLib&& other) noexcept;
  DynLib(const DynLib&) = delete;
  DynLib& operator=(const DynLib&) = delete;

  // "XBE61.DLL" -> "libxbe61.so", "XbCrypt.dll" -> "libxbcrypt.so", "X" -> "libx.so";
  // a directory part is kept as given; a name already ending in ".so" is unchanged.
  static std::string MapLibraryName(const std::string& dllName);

  // Loads the library (freeing one loaded before). A name with a directory part
  // is loaded from there only; otherwise BaseDir() first, then the system path.
  // False on failure, with the reason in LastError().
  bool Load(const std::string& dllName);
  // Loads the mapped name from dir only (dir with or without a trailing '/').
  bool LoadFrom(const std::string& dir, const std::string& dllName);

  // Address of an exported symbol, nullptr when missing or nothing is loaded
  // (LastError() then names the symbol).
  void* Symbol(const std::string& name) const;

  void Free();
  bool Loaded() const { return handle_ != nullptr; }
  // The file actually loaded (empty when none).
  const std::string& FileName() const { return file_; }
  std::string LastError() const { return error_; }

private:
  bool OpenFile(const std::string& file);

  void* handle_ = nullptr;
  std::string file_;
  mutable std::string error_;
};

}  // namespace sys
