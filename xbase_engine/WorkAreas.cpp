#include "xbase_engine/WorkAreas.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "platform/system/Files.h"
#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Relations.h"

namespace xbe {

std::string DefaultAlias(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return UpperAscii(name);
}

int UseTable(const std::string& path, const std::string& alias, int mode, int commitLevel, int tableType) {
  if (path.empty()) throw XbError("No table name given");
  if (mode < kModeShared || mode > kModeExclusive) throw XbError("Unknown open mode");
  if (commitLevel < kCommitFull || commitLevel > kCommitNone) commitLevel = kCommitNormal;
  std::string a = UpperAscii(Trim(alias.empty() ? DefaultAlias(WithDbfExtension(path)) : alias));
  if (a.empty()) throw XbError("No alias for the table");
  if (AreaOfAlias(a) != 0) throw XbError("Alias already in use: " + a);
  const int area = FreeArea();
  if (area == 0) throw XbError("No free work area");
  Engine& e = TheEngine();
  auto t = std::make_unique<Table>(path, a, mode, commitLevel, e.settings);
  idx::AttachIndexes(*t, tableType, e.settings);
  e.areas[size_t(area)] = std::move(t);
  e.current = area;
  return area;
}

void CloseArea(int area) {
  if (area < 1 || area > kMaxAreas) return;
  TheEngine().blobTold = {};
  DropRelations(area);
  TheEngine().areas[size_t(area)].reset();
}

void CloseAll() {
  for (int a = 1; a <= kMaxAreas; ++a) CloseArea(a);
}

// ---- creation ----

FieldDesc MakeField(const std::string& rawName, char type, int width, int decimals, bool foxStyle) {
  const std::string name = UpperAscii(Trim(rawName));
  if (name.empty() || name.size() > 10) throw XbError("Invalid field name: " + rawName);
  if (!((name[0] >= 'A' && name[0] <= 'Z'))) throw XbError("Field names must begin with a letter: " + rawName);
  for (char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
      throw XbError("Invalid character in field name: " + rawName);
    }
  }
  if (type >= 'a' && type <= 'z') type = char(type - 32);
  FieldDesc f;
  f.name = name;
  f.type = type;
  f.width = width;
  f.decimals = 0;
  switch (type) {
    case 'C':
      if (width < 1 || width > (foxStyle ? 254 : 65534)) throw XbError("Invalid width for field " + name);
      break;
    case 'N': case 'F':
      if (width < 1 || width > 32) throw XbError("Invalid width for field " + name);
      if (decimals < 0 || (decimals > 0 && decimals > width - 2)) throw XbError("Invalid decimals for field " + name);
      f.decimals = decimals;
      break;
    case 'D': f.width = 8; break;
    case 'L': f.width = 1; break;
    case 'M': case 'G': case 'P': f.width = 10; break;
    case 'I': f.width = 4; f.binary = true; break;
    case 'B':
      if (foxStyle) {
        f.width = 8;
        f.binary = true;
        f.decimals = decimals >= 0 && decimals <= 18 ? decimals : 0;
      } else {
        f.width = 10;
      }
      break;
    default:
      throw XbError("Invalid field type for field " + name);
  }
  return f;
}

uint8_t VersionFor(int tableType, const std::vector<FieldDesc>& fields) {
  bool memo = false;
  // Binary fields (I, 8-byte B, Y, T, 4-byte memo references, ...) and V, Q
  // exist only in the 0x30 format: readers take a 0xF5 table for the older
  // format without them.
  bool later = false;
  for (const FieldDesc& f : fields) {
    memo = memo || IsMemoField(f);
    later = later || f.binary || f.type == 'V' || f.type == 'Q';
  }
  const bool fox = tableType == 0 || tableType == 2;
  if (fox) return memo && !later ? 0xF5 : 0x30;
  return memo ? 0x83 : 0x03;
}

UniqueFd WriteNewTable(std::string& path, uint8_t version, std::vector<FieldDesc>& fields,
                       int memoBlockSize) {
  if (fields.empty()) throw XbError("A table needs at least one field");
  for (size_t i = 0; i < fields.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (fields[i].name == fields[j].name) throw XbError("Duplicate field name: " + fields[i].name);
    }
  }
  int y, m, d;
  LocalToday(y, m, d);
  std::vector<uint8_t> header = BuildHeader(version, fields, y, m, d);
  uint32_t recLen = 1;
  for (const FieldDesc& f : fields) recLen += uint32_t(f.width);
  if (recLen > kMaxRecLen) throw XbError("Record too long");
  // An existing file is found the way an open finds it, whatever the case of
  // the name: a new table must take its place (and its lock), never sit
  // beside it under a second spelling.
  path = sys::ResolveFileName(path);
  bool memo = false;
  for (const FieldDesc& f : fields) memo = memo || IsMemoField(f);
  const MemoKind memoKind = (version == 0xF5 || version == 0x30) ? MemoKind::Fpt : MemoKind::Dbt3;
  const std::string memoPath = memo ? sys::ResolveFileName(MemoFileName(path, memoKind)) : std::string();
  // The share lock below keeps out tables held open under this name; a file
  // this process uses as a memo or index file has no such lock.
  RefuseFileInUse(path);
  RefuseFileInUse(memoPath);
  // Never truncate before holding the exclusive share lock: a table that
  // anyone holds open must survive a failed creation.
  UniqueFd fd = OpenRegular(path, O_RDWR | O_CREAT);
  if (!fd) throw XbError("Cannot create " + path + ": " + std::strerror(errno));
  if (!TryLock(fd.Get(), kShareByte, 1, LockType::Write)) throw XbError("Table is in use: " + path);
  if (::ftruncate(fd.Get(), 0) != 0) throw XbError("Cannot truncate " + path);
  header.push_back(0x1A);
  WriteAt(fd.Get(), header.data(), header.size(), 0);
  if (memo) MemoFile::Create(memoPath, memoKind, memoBlockSize);
  return fd;
}

int CreateNew(const std::string& path, const std::string& alias, int tableType, int memoBlockSize) {
  Engine& e = TheEngine();
  e.create = CreateRequest();
  if (path.empty()) throw XbError("No table name given");
  if (tableType < 0 || tableType > 4) throw XbError("Unknown table type");
  const std::string file = WithDbfExtension(path);
  std::string a = UpperAscii(Trim(alias.empty() ? DefaultAlias(file) : alias));
  if (AreaOfAlias(a) != 0) throw XbError("Alias already in use: " + a);
  // Refused now as well as when the table is written: the caller learns at
  // once that the name belongs to an open table.
  RefuseFileInUse(sys::ResolveFileName(file));
  const int area = FreeArea();
  if (area == 0) throw XbError("No free work area");
  e.create.active = true;
  e.create.path = file;
  e.create.alias = a;
  e.create.tableType = tableType;
  e.create.area = area;
  e.create.memoBlockSize = memoBlockSize;
  return area;
}

void CreateField(const std::string& name, const std::string& type, int width, int decimals) {
  CreateRequest& c = TheEngine().create;
  if (!c.active) throw XbError("No table creation in progress");
  try {
    if (type.empty()) throw XbError("No field type for field " + name);
    c.fields.push_back(MakeField(name, type[0], width, decimals, c.tableType == 0 || c.tableType == 2));
  } catch (...) {
    c.failed = true;  // the whole creation fails at CreateExec
    throw;
  }
}

int CreateExec() {
  Engine& e = TheEngine();
  CreateRequest c = std::move(e.create);
  e.create = CreateRequest();
  if (!c.active) throw XbError("No table creation in progress");
  if (c.failed) throw XbError("A field of the new table was refused");
  if (e.areas[size_t(c.area)]) throw XbError("Work area taken meanwhile");
  const uint8_t version = VersionFor(c.tableType, c.fields);
  UniqueFd fd = WriteNewTable(c.path, version, c.fields, c.memoBlockSize);
  e.areas[size_t(c.area)] =
      std::make_unique<Table>(std::move(fd), c.path, c.alias, kCommitNormal, e.settings);
  idx::AttachIndexes(*e.areas[size_t(c.area)], c.tableType, e.settings);
  e.current = c.area;
  return c.area;
}

}  // namespace xbe
