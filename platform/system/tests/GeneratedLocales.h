#pragma once
// Locales for tests on machines that have none generated (a fresh Debian has
// only C and POSIX): made with localedef from the C library's locale sources
// (Debian package locales) into a directory of this process, which the tests
// name in LOCPATH. The directory goes when the process ends.
//
// The C library's newlocale leaks its copy of LOCPATH on every call while
// LOCPATH is set (a few bytes, only ever in these tests). LeakSuppressions
// names that leak for LeakSanitizer: test programs return it from
// __lsan_default_suppressions, programs they start get it through
// LSAN_OPTIONS=suppressions=<SuppressionsFile()>.
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace generated_locales {

constexpr const char* LeakSuppressions = "leak:__argz_add_sep\n";

class Store {
public:
  ~Store() {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

  // Makes "<name>.UTF-8" (name as de_DE) unless made already. Returns the
  // directory for LOCPATH, or empty with the reason in why.
  std::string Make(const std::string& name, std::string& why) {
    namespace fs = std::filesystem;
    if (dir_.empty()) {
      dir_ = fs::temp_directory_path() / ("tw_locales_" + std::to_string(::getpid()));
      fs::create_directories(dir_);
      std::ofstream(dir_ / "lsan.supp") << LeakSuppressions;
    }
    auto known = made_.find(name);
    if (known == made_.end()) {
      const fs::path target = dir_ / (name + ".UTF-8");
      const std::string command = "localedef -i " + name + " -f UTF-8 '" + target.string() + "' >/dev/null 2>&1";
      int rc = std::system(command.c_str());
      std::string reason;
      if (!fs::exists(target / "LC_TIME")) {
        reason = "cannot generate the locale " + name + ".UTF-8 (localedef exit " + std::to_string(rc) +
                 "; are localedef and the Debian package locales installed?)";
      }
      known = made_.emplace(name, reason).first;
    }
    why = known->second;
    return why.empty() ? dir_.string() : std::string();
  }

  // The leak suppressions as a file (valid once Make has run).
  std::string SuppressionsFile() const { return (dir_ / "lsan.supp").string(); }

private:
  std::filesystem::path dir_;
  std::map<std::string, std::string> made_;  // name -> why it failed (empty: made)
};

inline Store& Locales() {
  static Store store;
  return store;
}

// The LOCPATH directory holding <name>.UTF-8, or empty with the reason in why.
inline std::string Make(const std::string& name, std::string& why) { return Locales().Make(name, why); }

// LSAN_OPTIONS for a program started with LOCPATH set.
inline std::string LeakOptions() { return "suppressions=" + Locales().SuppressionsFile(); }

// The whole process in the locale <name>.UTF-8 (name as tr_TR) for one scope,
// as a GUI toolkit leaves it after setlocale(LC_ALL, "") for a user of that
// locale. The locale and LOCPATH in force before come back at the end of the
// scope. Active() is false, with the reason in Why(), when the locale cannot
// be made; tests then skip.
class ProcessLocale {
public:
  explicit ProcessLocale(const std::string& name) {
    const std::string dir = Make(name, why_);
    if (dir.empty()) return;
    const char* locpath = std::getenv("LOCPATH");
    hadLocpath_ = locpath != nullptr;
    if (hadLocpath_) oldLocpath_ = locpath;
    ::setenv("LOCPATH", dir.c_str(), 1);
    oldLocale_ = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, (name + ".UTF-8").c_str())) {
      why_ = "the locale " + name + ".UTF-8 did not take";
      Restore();
      return;
    }
    active_ = true;
  }
  ~ProcessLocale() {
    if (active_) Restore();
  }
  ProcessLocale(const ProcessLocale&) = delete;
  ProcessLocale& operator=(const ProcessLocale&) = delete;

  bool Active() const { return active_; }
  const std::string& Why() const { return why_; }

protected:
  void Refuse(const std::string& why) {
    why_ = why;
    if (active_) Restore();
    active_ = false;
  }

private:
  void Restore() {
    std::setlocale(LC_ALL, oldLocale_.c_str());
    if (hadLocpath_)
      ::setenv("LOCPATH", oldLocpath_.c_str(), 1);
    else
      ::unsetenv("LOCPATH");
  }

  bool active_ = false;
  bool hadLocpath_ = false;
  std::string why_, oldLocale_, oldLocpath_;
};

// A decimal-comma locale (de_DE.UTF-8): printf then writes "12,5" and strtod
// stops at a ".".
class CommaDecimalLocale : public ProcessLocale {
public:
  CommaDecimalLocale() : ProcessLocale("de_DE") {
    if (Active() && std::localeconv()->decimal_point[0] != ',') Refuse("de_DE.UTF-8 has no decimal comma here");
  }
};

}  // namespace generated_locales
