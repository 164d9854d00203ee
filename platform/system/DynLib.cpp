#include "platform/system/DynLib.h"

#include <dlfcn.h>

#include <utility>

#include "platform/system/AsciiCase.h"
#include "platform/system/Paths.h"

namespace sys {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

DynLib::~DynLib() { Free(); }

DynLib::DynLib(DynLib&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      file_(std::move(other.file_)),
      error_(std::move(other.error_)) {}

DynLib& DynLib::operator=(DynLib&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = std::exchange(other.handle_, nullptr);
    file_ = std::move(other.file_);
    error_ = std::move(other.error_);
  }
  return *this;
}

std::string DynLib::MapLibraryName(const std::string& dllName) {
  auto slash = dllName.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : dllName.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? dllName : dllName.substr(slash + 1);
  if (base.empty() || EndsWith(base, ".so") || base.find(".so.") != std::string::npos) return dllName;
  base = AsciiLowerCase(base);
  if (EndsWith(base, ".dll")) base.resize(base.size() - 4);
  if (base.compare(0, 3, "lib") != 0) base = "lib" + base;
  return dir + base + ".so";
}

bool DynLib::OpenFile(const std::string& file) {
  ::dlerror();
  void* h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* why = ::dlerror();
    error_ = why ? why : ("cannot load " + file);
    return false;
  }
  handle_ = h;
  file_ = file;
  error_.clear();
  return true;
}

bool DynLib::Load(const std::string& dllName) {
  Free();
  const std::string mapped = MapLibraryName(dllName);
  if (mapped.find('/') != std::string::npos) return OpenFile(mapped);
  if (OpenFile(BaseDir() + mapped)) return true;
  const std::string besideExe = error_;
  if (OpenFile(mapped)) return true;
  error_ = besideExe + "; " + error_;
  return false;
}

bool DynLib::LoadFrom(const std::string& dir, const std::string& dllName) {
  Free();
  std::string d = dir.empty() ? "./" : dir;
  if (d.back() != '/') d += '/';
  return OpenFile(d + MapLibraryName(dllName));
}

void* DynLib::Symbol(const std::string& name) const {
  if (!handle_) {
    error_ = "no library loaded (looking for " + name + ")";
    return nullptr;
  }
  ::dlerror();
  void* p = ::dlsym(handle_, name.c_str());
  if (!p) {
    const char* why = ::dlerror();
    error_ = why ? why : ("symbol not found: " + name);
  }
  return p;
}

void DynLib::Free() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
  file_.clear();
}

}  // namespace sys
