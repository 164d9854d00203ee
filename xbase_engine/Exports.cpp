// The C entry points of tables, records, fields, memos, locks, work areas and
// settings. Entry points of other areas live beside this file: expressions
// and filters (ExportsExpr.cpp), indexes and seeks (ExportsIndex.cpp), and
// encryption, collations, copies and callbacks (ExportsMisc.cpp). Each body
// that can fail runs inside Guard, which turns any failure into the entry
// point's failure answer.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/system/Locale.h"
#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Collation.h"
#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/RyoFilters.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace {

// Memo text with lines longer than width broken at the last blank (or hard).
std::string Wrap(const std::string& text, int width) {
  if (width <= 0) return text;
  const size_t w = size_t(width);
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find_first_of("\r\n", pos);
    if (eol == std::string::npos) eol = text.size();
    std::string_view line(text.data() + pos, eol - pos);
    while (line.size() > w) {
      size_t cut = line.rfind(' ', w);
      const bool atBlank = cut != std::string_view::npos && cut > 0;
      if (!atBlank) cut = w;
      out.append(line.substr(0, cut));
      out.append("\r\n");
      line.remove_prefix(atBlank ? cut + 1 : cut);
    }
    out.append(line);
    if (eol < text.size()) out.push_back(text[eol]);
    pos = eol + 1;
  }
  return out;
}

// Whether this process may open path for writing (its effective user and
// groups, a file system mounted read-only).
bool MayWrite(const std::string& path) { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

void ApplyDateFormat(int code) {
  const sys::LocaleFormats lf = sys::ReadLocaleFormats();
  S().dateCode = code;
  S().layout = LayoutForCode(code, lf.ShortDateFormat, lf.DateSeparator);
}

}  // namespace

extern "C" {

const char* xb_Alias(short area) noexcept {
  return Guard<const char*>("", [&] {
    Table* t = AreaTable(area);
    return Ret(t ? t->Alias() : std::string());
  });
}

void xb_Append(void) noexcept {
  GuardV([] {
    Table& t = Current();
    std::vector<uint8_t> image(t.Header().recLen);
    t.CopyRecord(image.data());
    image[0] = ' ';
    t.Append(image.data(), false);
    Moved();
  });
}

int xb_AppendEx(const void* record) noexcept {
  return Guard(0, [&] {
    if (!record) throw XbError("No record image given");
    Table& t = Current();
    int rec;
    if (!t.Translation()) {
      rec = Clamp32(t.Append(static_cast<const uint8_t*>(record), false));
    } else {
      std::vector<uint8_t> image(static_cast<const uint8_t*>(record),
                                 static_cast<const uint8_t*>(record) + t.Header().recLen);
      t.StoreImage(image.data());
      rec = Clamp32(t.Append(image.data(), false));
    }
    Moved();
    return rec;
  });
}

void xb_AppendBlank(void) noexcept {
  GuardV([] {
    Current().Append(nullptr, false);
    Moved();
  });
}

int xb_AppendBlankEx(int lock) noexcept {
  return Guard(0, [&] {
    const int rec = Clamp32(Current().Append(nullptr, lock != 0));
    Moved();
    return rec;
  });
}

int xb_BaseDate(void) noexcept { return JulianFromYmd(1899, 12, 30); }

const char* xb_BaseName(void) noexcept {
  return Guard<const char*>("", [] {
    const std::string& p = Current().Path();
    const size_t slash = p.rfind('/');
    std::string name = p.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return Ret(name);
  });
}

int xb_BlobToFile(const char* field, const char* fileName) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    const std::string data = t.Memo(Field(t, field));
    const std::string path = Str(fileName);
    if (path.empty()) throw XbError("No file name given");
    RefuseFileInUse(path);
    UniqueFd fd = OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (!fd) throw XbError("Cannot create " + path);
    WriteAt(fd.Get(), data.data(), data.size(), 0);
    return 1;
  });
}

int xb_Bof(void) noexcept {
  return Guard(0, [] { return Bool(Current().Bof()); });
}

void xb_Close(void) noexcept {
  GuardV([] { CloseArea(TheEngine().current); });
}

void xb_CloseAll(void) noexcept {
  GuardV([] { CloseAll(); });
}

void xb_Commit(void) noexcept {
  GuardV([] { Current().Commit(); });
}

void xb_CommitLevel(int level) noexcept {
  GuardV([&] { Current().SetCommitLevel(level); });
}

int xb_Count(void) noexcept {
  return Guard(0, [] { return Clamp32(Current().VisibleCount()); });
}

short xb_CreateExec(void) noexcept {
  return Guard<short>(0, [] { return short(CreateExec()); });
}

void xb_CreateField(const char* name, const char* type, short width, short decimals) noexcept {
  GuardV([&] { CreateField(Str(name), Str(type), width, decimals); });
}

short xb_CreateNew(const char* path, const char* alias, short tableType, short) noexcept {
  return Guard<short>(short(0x8000), [&] {
    return short(CreateNew(Str(path), Str(alias), tableType, S().memoBlockSize));
  });
}

short xb_CreateNewEx(const char* path, const char* alias, short tableType, short, int memoBlockSize) noexcept {
  return Guard<short>(short(0x8000), [&] {
    return short(CreateNew(Str(path), Str(alias), tableType, memoBlockSize));
  });
}

int xb_DBRlockList(int* list, int capacity) noexcept {
  return Guard(0, [&] {
    const std::vector<int> recs = Current().LockedRecords();
    for (int i = 0; list && i < capacity && i < int(recs.size()); ++i) list[i] = recs[size_t(i)];
    return int(recs.size());
  });
}

void xb_Delete(void) noexcept {
  GuardV([] { Current().SetDeleted(true); });
}

int xb_Deleted(void) noexcept {
  return Guard(0, [] { return Bool(Current().Deleted()); });
}

int xb_Empty(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    return Bool(t.IsEmpty(Field(t, field)));
  });
}

int xb_Eof(void) noexcept {
  return Guard(1, [] { return Bool(Current().Eof()); });
}

int xb_ErrorLevel(int level) noexcept {
  const int old = S().errorLevel;
  S().errorLevel = level;
  return old;
}

short xb_FieldCount(void) noexcept {
  return Guard<short>(0, [] { return short(Current().FieldCount()); });
}

unsigned short xb_FieldDecimals(const char* field) noexcept {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).decimals);
  });
}

const char* xb_FieldName(short fieldNum) noexcept {
  return Guard<const char*>("", [&] {
    const FieldDesc* f = Current().FieldByNumber(fieldNum);
    return Ret(f ? f->name : std::string());
  });
}

short xb_FieldNum(const char* field) noexcept {
  return Guard<short>(0, [&] { return short(field ? Current().FieldNumber(field) : 0); });
}

unsigned short xb_FieldOffset(const char* field) noexcept {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).offset + 1);
  });
}

const char* xb_FieldType(const char* field) noexcept {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    return Ret(std::string(1, Field(t, field).type));
  });
}

unsigned short xb_FieldWidth(const char* field) noexcept {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).width);
  });
}

void xb_FinalizeSession(void) noexcept {
  GuardV([] {
    CloseAll();
    RyoReset();
    ResetCollations();
    Engine& e = TheEngine();
    e.settings = Settings();
    e.create = CreateRequest();
    e.current = 0;
  });
}

int xb_Flock(void) noexcept {
  return Guard(0, [] { return Bool(Current().Flock()); });
}

int xb_GetBlob(const char* field, void* dest) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    const std::string data = t.Memo(f);
    size_t n = data.size();
    // A caller that asked for the length sized its buffer by it.
    const Engine::BlobTold& told = TheEngine().blobTold;
    if (told.table == &t && told.field == &f && told.landing == t.Landing()) n = std::min(n, told.length);
    if (dest && n > 0) std::memcpy(dest, data.data(), n);
    return Clamp32(int64_t(n));
  });
}

int xb_GetBlobLength(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    const size_t n = t.Memo(f).size();
    TheEngine().blobTold = {&t, &f, t.Landing(), n};
    return Clamp32(int64_t(n));
  });
}

int xb_GetByte(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    return int(uint8_t(t.Raw(Field(t, field))[0]));
  });
}

int xb_GetCommitLevel(void) noexcept {
  return Guard(-1, [] { return Current().CommitLevel(); });
}

int xb_GetDateJulian(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    return int(t.Julian(Field(t, field)));
  });
}

const char* xb_GetDateString(const char* field) noexcept {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const int32_t jdn = t.Julian(Field(t, field));
    if (jdn == 0) return Ret(BlankDate(S().layout, S().century));
    int y, m, d;
    YmdFromJulian(jdn, y, m, d);
    return Ret(FormatDate(S().layout, S().century, y, m, d));
  });
}

double xb_GetDouble(const char* field) noexcept {
  return Guard(0.0, [&] {
    Table& t = Current();
    return t.Double(Field(t, field));
  });
}

int xb_GetInteger(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    return Clamp32(t.Integer(Field(t, field)));
  });
}

int xb_GetLogical(const char* field) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    return Bool(t.Logical(Field(t, field)));
  });
}

int xb_GetLong(const char* field) noexcept { return xb_GetInteger(field); }

char* xb_GetMemo(const char* field, int lineWidth) noexcept {
  return Guard<char*>(nullptr, [&]() -> char* {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    const std::string text = f.type == 'M' ? t.ShownText(t.Memo(f)) : t.Memo(f);
    if (text.empty()) return nullptr;
    return Allocate(Wrap(text, lineWidth));
  });
}

void xb_GetRecord(void* dest) noexcept {
  GuardV([&] {
    if (!dest) throw XbError("No destination given");
    Table& t = Current();
    t.CopyRecord(dest);
    t.ShowImage(static_cast<uint8_t*>(dest));
  });
}

const char* xb_GetString(const char* field) noexcept {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!f.binary) return RetShown(t, t.Raw(f));
    return Ret(t.Text(f));
  });
}

const char* xb_GetTrimString(const char* field) noexcept {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!f.binary) return RetShown(t, TrimRight(t.Raw(f)));
    return Ret(TrimRight(t.Text(f)));
  });
}

void xb_Go(int recNo) noexcept {
  GuardV([&] {
    Current().Go(recNo);
    Moved();
  });
}

void xb_GoBottom(void) noexcept {
  GuardV([] {
    Current().GoBottom();
    Moved();
  });
}

void xb_GoTop(void) noexcept {
  GuardV([] {
    Current().GoTop();
    Moved();
  });
}

int xb_IsNull(const char* field) noexcept {
  return Guard(1, [&] {
    Table& t = Current();
    return Bool(t.IsNull(Field(t, field)));
  });
}

int xb_LockCount(void) noexcept {
  return Guard(0, [] { return Current().LockCount(); });
}

int xb_Locked(int recNo) noexcept {
  return Guard(0, [&] { return Bool(recNo >= 0 && Current().Locked(uint32_t(recNo))); });
}

void* xb_MemAlloc(int size) noexcept { return size < 0 ? nullptr : std::calloc(size_t(size) + 1, 1); }
void xb_MemDealloc(void* block) noexcept { std::free(block); }

void* xb_MemRealloc(void* block, int size) noexcept {
  if (size < 0) return nullptr;
  return std::realloc(block, size_t(size) + 1);
}

short xb_OpenMode(void) noexcept {
  return Guard<short>(-1, [] {
    Table& t = Current();
    if (t.Mode() == kModeReadOnly) return short(kModeReadOnly);
    // A table whose files may not all be written (the table, its memo or an
    // open index) takes no change, whatever mode it was asked for in.
    bool writable = MayWrite(t.Path()) && (!t.MemoFileOf() || MayWrite(t.MemoFileOf()->Path()));
    for (const std::string& path : idx::IndexesOf(t).FilePaths()) writable = writable && MayWrite(path);
    return short(writable ? t.Mode() : kModeReadOnly);
  });
}

int xb_Pack(void) noexcept {
  return Guard(0, [] {
    Current().Pack();
    return 1;
  });
}

int xb_PutBlob(const char* field, const void* data, int length) noexcept {
  return Guard(0, [&] {
    if (length < 0 || (length > 0 && !data)) throw XbError("Bad blob arguments");
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!IsMemoField(f)) throw XbError("Not a memo or blob field: " + f.name);
    t.PutMemo(f, std::string(static_cast<const char*>(data), size_t(length)), true);
    return length;
  });
}

void xb_PutRecord(const void* record) noexcept {
  GuardV([&] {
    if (!record) throw XbError("No record image given");
    Table& t = Current();
    if (!t.Translation()) return t.PutRecord(record);
    std::vector<uint8_t> image(static_cast<const uint8_t*>(record),
                               static_cast<const uint8_t*>(record) + t.Header().recLen);
    t.StoreImage(image.data());
    t.PutRecord(image.data());
  });
}

void xb_PutString(const char* field, const char* text) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutText(Field(t, field), t.StoredText(Str(text)));
  });
}

void xb_PutMemo(const char* field, const char* text) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutMemo(Field(t, field), t.StoredText(Str(text)), false);
  });
}

void xb_PutDateString(const char* field, const char* text) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutDateText(Field(t, field), Str(text));
  });
}

void xb_PutInteger(const char* field, int value) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutInteger(Field(t, field), value);
  });
}

void xb_PutLong(const char* field, int value) noexcept { xb_PutInteger(field, value); }

void xb_PutLogical(const char* field, int value) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutLogical(Field(t, field), value != 0);
  });
}

void xb_PutDouble(const char* field, double value) noexcept {
  GuardV([&] {
    Table& t = Current();
    t.PutDouble(Field(t, field), value);
  });
}

void xb_Recall(void) noexcept {
  GuardV([] { Current().SetDeleted(false); });
}

int xb_RecCount(void) noexcept {
  return Guard(0, [] { return Clamp32(Current().RecCount()); });
}

int xb_RecNo(void) noexcept {
  return Guard(0, [] { return Clamp32(Current().RecNo()); });
}

int xb_RecSize(void) noexcept {
  return Guard(0, [] { return int(Current().Header().recLen); });
}

void xb_Replace(const char* field, int type, const void* data) noexcept {
  GuardV([&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!data) throw XbError("No data given for field " + f.name);
    switch (type) {
      case XB_R_SHORT: t.PutInteger(f, *static_cast<const short*>(data)); break;
      case XB_R_LONG: t.PutInteger(f, *static_cast<const int*>(data)); break;
      case XB_R_LOGICAL: t.PutLogical(f, *static_cast<const int*>(data) != 0); break;
      case XB_R_DOUBLE: t.PutDouble(f, *static_cast<const double*>(data)); break;
      case XB_R_JULIAN: t.PutJulian(f, *static_cast<const int*>(data)); break;
      case XB_R_DATESTR: t.PutDateText(f, static_cast<const char*>(data)); break;
      case XB_R_CHAR: t.PutText(f, t.StoredText(static_cast<const char*>(data))); break;
      case XB_R_MEMO: t.PutMemo(f, t.StoredText(static_cast<const char*>(data)), false); break;
      default: throw XbError("Unknown replace type code");
    }
  });
}

int xb_Rlock(int recNo) noexcept {
  return Guard(0, [&] { return Bool(recNo >= 0 && Current().Rlock(uint32_t(recNo))); });
}

short xb_Select(short area) noexcept {
  Engine& e = TheEngine();
  const short old = short(e.current);
  // A number that can be no work area selects none: the calls that follow
  // fail instead of acting on the table selected before.
  e.current = (area >= 0 && area <= kMaxAreas) ? area : 0;
  return old;
}

int xb_SetCentury(int on) noexcept {
  const int old = Bool(S().century);
  S().century = on != 0;
  return old;
}

void xb_SetDateFormat(int code) noexcept {
  GuardV([&] {
    if ((code >= 0 && code <= 6) || code == 99) ApplyDateFormat(code);
  });
}

int xb_SetDeleted(int on) noexcept {
  const int old = Bool(S().hideDeleted);
  S().hideDeleted = on != 0;
  return old;
}

short xb_SetEpoch(short year) noexcept {
  const short old = short(S().epoch);
  if (year >= 100 && year <= 2999) S().epoch = year;
  return old;
}

int xb_SetExact(int on) noexcept {
  const int old = Bool(S().exact);
  S().exact = on != 0;
  return old;
}

int xb_SetLockTimeout(int seconds) noexcept {
  const int old = S().lockTimeoutSeconds;
  S().lockTimeoutSeconds = seconds < 0 ? 0 : seconds > 600 ? 600 : seconds;
  return old;
}

void xb_SetMemoBlockSize(int size) noexcept {
  if (size > 0) S().memoBlockSize = size;
}

void xb_SetStringType(int type) noexcept { S().stringType = type; }

void xb_SetTurboRead(int on) noexcept {
  GuardV([&] { Current().SetTurboRead(on != 0); });
}

void xb_Skip(int distance) noexcept {
  GuardV([&] {
    Current().Skip(distance);
    Moved();
  });
}

int xb_SysProp(int property, int value) noexcept {
  Settings& s = S();
  int old;
  if (IndexProperty(property, value, old)) return old;
  switch (property) {
    case XB_PROP_GET_EXACT: return Bool(s.exact);
    case XB_PROP_SET_EXACT: old = Bool(s.exact); s.exact = value != 0; return old;
    case XB_PROP_GET_DELETED: return Bool(s.hideDeleted);
    case XB_PROP_SET_DELETED: old = Bool(s.hideDeleted); s.hideDeleted = value != 0; return old;
    case XB_PROP_GET_OPTIMISTIC: return Bool(s.optimistic);
    case XB_PROP_SET_OPTIMISTIC: old = Bool(s.optimistic); s.optimistic = value != 0; return old;
    default: return 0;
  }
}

void xb_Unlock(int recNo) noexcept {
  GuardV([&] {
    if (recNo >= 0) Current().Unlock(uint32_t(recNo));
  });
}

short xb_Use(const char* path, const char* alias, short openMode, short tableType) noexcept {
  return xb_UseEx(path, alias, openMode, tableType, XB_COMMIT_NORMAL);
}

short xb_UseEx(const char* path, const char* alias, short openMode, short tableType, short commitLevel) noexcept {
  return Guard<short>(0, [&] { return short(UseTable(Str(path), Str(alias), openMode, commitLevel, tableType)); });
}

const char* xb_Version(void) noexcept { return "XBE 6.10.00 64-bit"; }

short xb_WorkArea(const char* alias) noexcept {
  return Guard<short>(0, [&] { return short(AreaOfAlias(Str(alias))); });
}

int xb_Zap(void) noexcept {
  return Guard(0, [] {
    Current().Zap();
    return 1;
  });
}

int xb_GetDateFormat(void) noexcept { return S().dateCode; }

}  // extern "C"
