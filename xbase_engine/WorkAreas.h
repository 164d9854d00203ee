#pragma once
// The engine's process-wide state: the work areas with the current one, the
// settings, the table being created, and the text handed back by the last call.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "xbase_engine/EntryGuard.h"
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
// The alias a table gets when none is given: its file name, upper case,
// without extension.
std::string DefaultAlias(const std::string& path);

// Opens a table into the lowest free work area; answers the area.
// tableType (xb_UseEx's code) decides the index files the work area uses.
int UseTable(const std::string& path, const std::string& alias, int mode, int commitLevel, int tableType = 2);
void CloseArea(int area);
void CloseAll();

// Refuses ("File is in use") to write path when it is a file an open work
// area uses: its table, its memo file or one of its index files, compared by
// device and inode, so that no other name, link or case spelling of it gets
// past. Every call that writes a file asks this before touching it. A name
// that does not exist yet is free. indexesOf: the table whose index file is
// being built; the index files of that same table (in any work area) stay
// its own to rebuild.
void RefuseFileInUse(const std::string& path, const Table* indexesOf = nullptr);

// Table creation.
int CreateNew(const std::string& path, const std::string& alias, int tableType, int memoBlockSize);
void CreateField(const std::string& name, const std::string& type, int width, int decimals);
int CreateExec();
// Checks and completes one field of a new table (width of fixed-size types,
// name rules); throws XbError naming the problem.
FieldDesc MakeField(const std::string& name, char type, int width, int decimals, bool foxStyle);
// Writes a new empty table (and memo file) under the exclusive share lock and
// answers its descriptor, still locked. A table held by anyone is refused.
// path is resolved like an open resolves it (an existing file of another case
// is the one replaced) and left as the name actually written.
UniqueFd WriteNewTable(std::string& path, uint8_t version, std::vector<FieldDesc>& fields,
                       int memoBlockSize);
uint8_t VersionFor(int tableType, const std::vector<FieldDesc>& fields);

// Fail (the failure report of every entry point) lives in EntryGuard.h.

}  // namespace xbe
