#include "xbase_engine/Engine.h"

#include "xbase_engine/EntryGuard.h"

namespace xbe {

Engine g_engine;

void NoCurrentTable() { throw XbError("No table is open in the current work area"); }

Table* AreaTable(int area) {
  if (area < 1 || area > kMaxAreas) return nullptr;
  return TheEngine().areas[size_t(area)].get();
}

int FreeArea() {
  Engine& e = TheEngine();
  for (int a = 1; a <= kMaxAreas; ++a) {
    if (!e.areas[size_t(a)] && !(e.create.active && e.create.area == a)) return a;
  }
  return 0;
}

int AreaOfAlias(const std::string& alias) {
  Engine& e = TheEngine();
  const std::string_view wanted = Trim(alias);
  if (wanted.empty()) return 0;
  for (int a = 1; a <= kMaxAreas; ++a) {
    if (e.areas[size_t(a)] && EqualsNoCase(e.areas[size_t(a)]->Alias(), wanted)) return a;
  }
  return 0;
}

void Fail(const char* message) noexcept {
  Engine& e = TheEngine();
  try {
    e.lastError = message ? message : "";
  } catch (...) {
    e.lastError.clear();  // no memory for the text: report it without one
  }
  if (e.settings.errorLevel > 0 && e.settings.errorCallback) {
    e.settings.errorCallback(1, e.lastError.c_str());
  }
}

}  // namespace xbe
