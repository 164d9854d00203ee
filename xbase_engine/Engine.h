#pragma once
// The engine's process-wide state: the work areas with the current one, the
// settings, the table being created, and the text handed back by the last call;
// finding a work area by number or alias. Opening, closing and creating tables
// is WorkAreas.h.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xbase_engine/Settings.h"
#include "xbase_engine/Table.h"

namespace xbe {

constexpr int kMaxAreas = 1023;

struct CreateRequest {
  bool active = false;
  bool failed = false;
  std::string path;
  std::string alias;
  int tableType = 2;
  int area = 0;
  int memoBlockSize = 64;
  std::vector<FieldDesc> fields;
};

struct Engine {
  Settings settings;
  std::array<std::unique_ptr<Table>, kMaxAreas + 1> areas;
  int current = 0;
  CreateRequest create;
  std::string text;  // the text the last call returned
  std::string lastError;
  // What xb_GetBlobLength last answered, and for which table, field and
  // landing: xb_GetBlob writes no more than that into the caller's buffer.
  struct BlobTold {
    const Table* table = nullptr;
    const FieldDesc* field = nullptr;
    uint64_t landing = 0;
    size_t length = 0;
  } blobTold;
};

// The one engine of the process (constructed when the library loads).
extern Engine g_engine;
inline Engine& TheEngine() { return g_engine; }

[[noreturn]] void NoCurrentTable();
// The table of the current work area; throws XbError when there is none.
inline Table& Current() {
  Engine& e = g_engine;
  if (e.current < 1 || e.current > kMaxAreas || !e.areas[size_t(e.current)]) NoCurrentTable();
  return *e.areas[size_t(e.current)];
}
Table* AreaTable(int area);
int FreeArea();
int AreaOfAlias(const std::string& alias);

// Fail (the failure report of every entry point, kept in lastError) is
// declared in EntryGuard.h.

}  // namespace xbe
