#pragma once
// Small helpers shared by the files that hold the xb_ entry points
// (Exports*.cpp, one per area). Only those files include this header.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "xbase_engine/EntryGuard.h"
#include "xbase_engine/Relations.h"
#include "xbase_engine/WorkAreas.h"

namespace xbe {

// Hands a text back to the caller: valid until the next engine call.
inline const char* Ret(std::string_view s) {
  std::string& t = TheEngine().text;
  t.resize(s.size());
  if (!s.empty()) std::memcpy(t.data(), s.data(), s.size());
  return t.c_str();
}

// Hands back a table's stored text as the caller sees it (xb_SetTranslate).
inline const char* RetShown(const Table& t, std::string_view stored) {
  const char* r = Ret(stored);
  if (const auto page = t.Translation()) {
    std::string& text = TheEngine().text;
    DosToWindows(*page, text.data(), text.size());
  }
  return r;
}

// A caller's text; NULL reads as empty.
inline std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

// The field of the table called name; throws XbError when there is none.
inline const FieldDesc& Field(Table& t, const char* name) {
  if (!name) throw XbError("No field name given");
  const FieldDesc* f = t.FindField(name);
  if (!f) throw XbError(std::string("Unknown field: ") + name);
  return *f;
}

inline Settings& S() { return TheEngine().settings; }

// After a move of the current area: the areas related to it follow.
inline void Moved() { FollowRelations(TheEngine().current); }

inline int Bool(bool b) { return b ? 1 : 0; }

inline int Clamp32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int(v);
}

// A zero-terminated copy the caller frees with xb_MemDealloc.
inline char* Allocate(const std::string& data) {
  char* p = static_cast<char*>(std::malloc(data.size() + 1));
  if (!p) throw XbError("Out of memory");
  std::memcpy(p, data.data(), data.size());
  p[data.size()] = 0;
  return p;
}

// xb_SysProp numbers that belong to indexes (ExportsIndex.cpp): true when
// property is one of them, with its answer.
bool IndexProperty(int property, int value, int& answer) noexcept;

}  // namespace xbe
