#pragma once
// A fresh directory per test under the system's temporary directory,
// removed with everything in it afterwards (the tests of every layer use it).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include <stdlib.h>

class TempDir {
public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tw-sys-XXXXXX").string();
    // Without one a test would write where it runs: it fails instead.
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a scratch directory in " + tmpl);
    path_ = tmpl + "/";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, ending with '/'.
  const std::string& Path() const { return path_; }

  // The full path of name (relative to the directory); nothing is created.
  std::string File(const std::string& name) const { return path_ + name; }
  // Writes bytes to name (relative to the directory) and returns the full path.
  std::string Put(const std::string& name, const std::string& bytes = "") const {
    std::ofstream(path_ + name, std::ios::binary) << bytes;
    return path_ + name;
  }
  // The bytes of name (relative to the directory); empty when it cannot be read.
  std::string Get(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::string MakeDir(const std::string& name) const {
    std::filesystem::create_directories(path_ + name);
    return path_ + name;
  }

private:
  std::string path_;
};
