// The C entry points. Each one catches every failure of the engine and turns
// it into its documented failure answer; nothing escapes into the caller.
#include <fcntl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system/Locale.h"
#include "xbase_engine/WorkAreas.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace {

template <class R, class F>
R Guard(R fallback, F&& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unexpected failure");
  }
  return fallback;
}

template <class F>
void GuardV(F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unexpected failure");
  }
}

const char* Ret(std::string_view s) {
  std::string& t = TheEngine().text;
  t.resize(s.size());
  if (!s.empty()) std::memcpy(t.data(), s.data(), s.size());
  return t.c_str();
}

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

const FieldDesc& Field(Table& t, const char* name) {
  if (!name) throw XbError("No field name given");
  const FieldDesc* f = t.FindField(name);
  if (!f) throw XbError(std::string("Unknown field: ") + name);
  return *f;
}

Settings& S() { return TheEngine().settings; }

int Bool(bool b) { return b ? 1 : 0; }

int Clamp32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int(v);
}

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

char* Allocate(const std::string& data) {
  char* p = static_cast<char*>(std::malloc(data.size() + 1));
  if (!p) throw XbError("Out of memory");
  std::memcpy(p, data.data(), data.size());
  p[data.size()] = 0;
  return p;
}

void ApplyDateFormat(int code) {
  const sys::LocaleFormats lf = sys::ReadLocaleFormats();
  S().dateCode = code;
  S().layout = LayoutForCode(code, lf.ShortDateFormat, lf.DateSeparator);
}

// Copies the record values of src's current record into dst's current
// record, field by field by name; memos are copied as values.
void CopyMatchingFields(Table& src, Table& dst) {
  for (int i = 1; i <= dst.FieldCount(); ++i) {
    const FieldDesc* df = dst.FieldByNumber(i);
    const FieldDesc* sf = src.FindField(df->name);
    if (!sf) continue;
    if (IsMemoField(*df) || IsMemoField(*sf)) {
      const std::string m = IsMemoField(*sf) ? src.Memo(*sf) : src.Text(*sf);
      if (!m.empty()) dst.PutMemo(*df, m, df->type != 'M');
    } else if (sf->type == df->type && sf->width == df->width && sf->decimals == df->decimals &&
               sf->binary == df->binary) {
      dst.PutRaw(*df, src.Raw(*sf));  // same layout: the bytes unchanged
    } else if (df->type == 'D') {
      dst.PutJulian(*df, src.Julian(*sf));
    } else if (df->type == 'L') {
      dst.PutLogical(*df, src.Logical(*sf));
    } else {
      dst.PutText(*df, TrimRight(src.Text(*sf)));
    }
  }
}

// Creates fileName with the fields of t (same table style) and answers the
// new table, open exclusively.
std::unique_ptr<Table> CreateLike(Table& t, const std::string& fileName) {
  std::vector<FieldDesc> fields;
  for (int i = 1; i <= t.FieldCount(); ++i) fields.push_back(*t.FieldByNumber(i));
  for (FieldDesc& f : fields) {
    f.nullBit = -1;
    f.hidden = false;
  }
  const uint8_t v = t.Header().version;
  const uint8_t version = (v == 0x30 || v == 0x31 || v == 0x32 || v == 0xF5 || v == 0xFB)
                              ? VersionFor(2, fields)
                              : VersionFor(1, fields);
  std::string path = WithDbfExtension(fileName);
  UniqueFd fd = WriteNewTable(path, version, fields, S().memoBlockSize);
  return std::make_unique<Table>(std::move(fd), path, "COPY", kCommitNone, S());
}

}  // namespace

extern "C" {

int xb_AddDudenCollation(void) { return 0; }
int xb_AddEtecCollation(void) { return 0; }

const char* xb_Alias(short area) {
  return Guard<const char*>("", [&] {
    Table* t = AreaTable(area);
    return Ret(t ? t->Alias() : std::string());
  });
}

void xb_Append(void) {
  GuardV([] {
    Table& t = Current();
    std::vector<uint8_t> image(t.Header().recLen);
    t.CopyRecord(image.data());
    image[0] = ' ';
    t.Append(image.data(), false);
  });
}

int xb_AppendEx(const void* record) {
  return Guard(0, [&] {
    if (!record) throw XbError("No record image given");
    return Clamp32(Current().Append(static_cast<const uint8_t*>(record), false));
  });
}

void xb_AppendBlank(void) {
  GuardV([] { Current().Append(nullptr, false); });
}

int xb_AppendBlankEx(int lock) {
  return Guard(0, [&] { return Clamp32(Current().Append(nullptr, lock != 0)); });
}

int xb_AppendFrom(const char* fileName, short, const char* condition) {
  return Guard(-1, [&] {
    if (condition && *condition) throw XbError("Conditions are not provided");
    Table& dst = Current();
    Table src(Str(fileName), "SOURCE", kModeReadOnly, kCommitNormal, S());
    int n = 0;
    for (src.GoTop(); !src.Eof(); src.Skip(1)) {
      dst.Append(nullptr, false);
      CopyMatchingFields(src, dst);
      ++n;
    }
    dst.Commit();
    return n;
  });
}

int xb_BaseDate(void) { return JulianFromYmd(1899, 12, 30); }

const char* xb_BaseName(void) {
  return Guard<const char*>("", [] {
    const std::string& p = Current().Path();
    const size_t slash = p.rfind('/');
    std::string name = p.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return Ret(name);
  });
}

int xb_BlobToFile(const char* field, const char* fileName) {
  return Guard(0, [&] {
    Table& t = Current();
    const std::string data = t.Memo(Field(t, field));
    const std::string path = Str(fileName);
    if (path.empty()) throw XbError("No file name given");
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) throw XbError("Cannot create " + path);
    WriteAt(fd.Get(), data.data(), data.size(), 0);
    return 1;
  });
}

int xb_Bof(void) {
  return Guard(0, [] { return Bool(Current().Bof()); });
}

void xb_Close(void) {
  GuardV([] { CloseArea(TheEngine().current); });
}

void xb_CloseAll(void) {
  GuardV([] { CloseAll(); });
}

void xb_CloseIndexes(void) {}

void xb_Commit(void) {
  GuardV([] { Current().Commit(); });
}

void xb_CommitLevel(int level) {
  GuardV([&] { Current().SetCommitLevel(level); });
}

int xb_CopyFile(const char* fileName) {
  return Guard(0, [&] {
    Table& t = Current();
    t.FlushAll();
    std::unique_ptr<Table> out = CreateLike(t, Str(fileName));
    const uint32_t n = t.RecCount();
    for (uint32_t r = 1; r <= n; ++r) {
      t.Go(r);
      std::vector<uint8_t> image(t.Header().recLen);
      t.CopyRecord(image.data());
      out->Append(image.data(), false);
      // Memo references point into the source's memo file: store them anew.
      for (int i = 1; i <= out->FieldCount(); ++i) {
        const FieldDesc* f = out->FieldByNumber(i);
        if (IsMemoField(*f)) out->PutMemo(*f, t.Memo(*t.FieldByNumber(i)), f->type != 'M');
      }
    }
    out->Commit();
    return 1;
  });
}

int xb_CopyFileText(const char* fileName) {
  return Guard(0, [&] {
    Table& t = Current();
    const std::string path = Str(fileName);
    if (path.empty()) throw XbError("No file name given");
    std::string out;
    const uint32_t keep = t.RecNo();
    for (t.GoTop(); !t.Eof(); t.Skip(1)) {
      for (int i = 1; i <= t.FieldCount(); ++i) {
        const FieldDesc* f = t.FieldByNumber(i);
        if (i > 1) out += S().delimiter;
        if (IsMemoField(*f)) continue;
        const std::string v(Trim(t.Text(*f)));
        if (f->type == 'C') {
          out.push_back('"');
          out.append(v);
          out.push_back('"');
        } else {
          out += v;
        }
      }
      out += "\r\n";
    }
    t.Go(keep);
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) throw XbError("Cannot create " + path);
    WriteAt(fd.Get(), out.data(), out.size(), 0);
    return 1;
  });
}

int xb_CopyStructure(const char* fileName, const char*) {
  return Guard(0, [&] {
    CreateLike(Current(), Str(fileName));
    return 1;
  });
}

int xb_CopyStructureExtended(const char* fileName) {
  return Guard(0, [&] {
    Table& t = Current();
    std::vector<FieldDesc> fields = {MakeField("FIELD_NAME", 'C', 10, 0, false),
                                     MakeField("FIELD_TYPE", 'C', 1, 0, false),
                                     MakeField("FIELD_LEN", 'N', 5, 0, false),
                                     MakeField("FIELD_DEC", 'N', 3, 0, false)};
    std::string path = WithDbfExtension(Str(fileName));
    UniqueFd fd = WriteNewTable(path, 0x03, fields, 512);
    Table out(std::move(fd), path, "STRUCT", kCommitNone, S());
    for (int i = 1; i <= t.FieldCount(); ++i) {
      const FieldDesc* f = t.FieldByNumber(i);
      out.Append(nullptr, false);
      out.PutText(*out.FindField("FIELD_NAME"), f->name);
      out.PutText(*out.FindField("FIELD_TYPE"), std::string(1, f->type));
      out.PutInteger(*out.FindField("FIELD_LEN"), f->width);
      out.PutInteger(*out.FindField("FIELD_DEC"), f->decimals);
    }
    out.Commit();
    return 1;
  });
}

int xb_Count(void) {
  return Guard(0, [] { return Clamp32(Current().VisibleCount()); });
}

short xb_CreateExec(void) {
  return Guard<short>(0, [] { return short(CreateExec()); });
}

void xb_CreateField(const char* name, const char* type, short width, short decimals) {
  GuardV([&] { CreateField(Str(name), Str(type), width, decimals); });
}

short xb_CreateFrom(const char* path, const char* alias, const char* structFile, short tableType) {
  return Guard<short>(short(0x8000), [&]() -> short {
    Table st(Str(structFile), "STRUCT", kModeReadOnly, kCommitNormal, S());
    const FieldDesc* fn = st.FindField("FIELD_NAME");
    const FieldDesc* ft = st.FindField("FIELD_TYPE");
    const FieldDesc* fl = st.FindField("FIELD_LEN");
    const FieldDesc* fd = st.FindField("FIELD_DEC");
    if (!fn || !ft || !fl) throw XbError("Not a structure table");
    const int area = CreateNew(Str(path), Str(alias), tableType, S().memoBlockSize);
    for (st.GoTop(); !st.Eof(); st.Skip(1)) {
      CreateField(std::string(Trim(st.Text(*fn))), std::string(Trim(st.Text(*ft))),
                  int(st.Integer(*fl)), fd ? int(st.Integer(*fd)) : 0);
    }
    (void)area;
    return short(CreateExec());
  });
}

short xb_CreateNew(const char* path, const char* alias, short tableType, short) {
  return Guard<short>(short(0x8000), [&] {
    return short(CreateNew(Str(path), Str(alias), tableType, S().memoBlockSize));
  });
}

short xb_CreateNewEx(const char* path, const char* alias, short tableType, short, int memoBlockSize) {
  return Guard<short>(short(0x8000), [&] {
    return short(CreateNew(Str(path), Str(alias), tableType, memoBlockSize));
  });
}

int xb_DbfDecrypt(void) { return 0; }
int xb_DbfEncrypt(void) { return 0; }

const char* xb_DBFilter(void) { return Ret(""); }

int xb_DBRlockList(int* list, int capacity) {
  return Guard(0, [&] {
    const std::vector<int> recs = Current().LockedRecords();
    for (int i = 0; list && i < capacity && i < int(recs.size()); ++i) list[i] = recs[size_t(i)];
    return int(recs.size());
  });
}

int xb_Decrypt(void*, int, const char*) { return 0; }

void xb_Delete(void) {
  GuardV([] { Current().SetDeleted(true); });
}

int xb_Deleted(void) {
  return Guard(0, [] { return Bool(Current().Deleted()); });
}

const char* xb_Descend(const char* text) {
  std::string s = Str(text);
  for (char& c : s) c = char(uint8_t(256 - uint8_t(c)));
  return Ret(s);
}

int xb_Empty(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return Bool(t.IsEmpty(Field(t, field)));
  });
}

int xb_Eof(void) {
  return Guard(1, [] { return Bool(Current().Eof()); });
}

int xb_Encrypt(void*, int, const char*) { return 0; }

int xb_ErrorLevel(int level) {
  const int old = S().errorLevel;
  S().errorLevel = level;
  return old;
}

int xb_EvalLogical(const char*) { return 0; }
double xb_EvalNumeric(const char*) { return 0.0; }
const char* xb_EvalString(const char*) { return Ret(""); }
short xb_EvalTest(const char*) { return 0; }

short xb_FieldCount(void) {
  return Guard<short>(0, [] { return short(Current().FieldCount()); });
}

unsigned short xb_FieldDecimals(const char* field) {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).decimals);
  });
}

const char* xb_FieldName(short fieldNum) {
  return Guard<const char*>("", [&] {
    const FieldDesc* f = Current().FieldByNumber(fieldNum);
    return Ret(f ? f->name : std::string());
  });
}

short xb_FieldNum(const char* field) {
  return Guard<short>(0, [&] { return short(field ? Current().FieldNumber(field) : 0); });
}

unsigned short xb_FieldOffset(const char* field) {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).offset + 1);
  });
}

const char* xb_FieldType(const char* field) {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    return Ret(std::string(1, Field(t, field).type));
  });
}

unsigned short xb_FieldWidth(const char* field) {
  return Guard<unsigned short>(0, [&] {
    Table& t = Current();
    return static_cast<unsigned short>(Field(t, field).width);
  });
}

int xb_FilterAlias(const char*, const char*) { return 0; }
const char* xb_FilterDlg(void*, const char*, const char*) { return Ret(""); }

void xb_FinalizeSession(void) {
  GuardV([] {
    CloseAll();
    Engine& e = TheEngine();
    e.settings = Settings();
    e.create = CreateRequest();
    e.current = 0;
  });
}

int xb_Flock(void) {
  return Guard(0, [] { return Bool(Current().Flock()); });
}

int xb_Found(void) { return 0; }

int xb_GetBlob(const char* field, void* dest) {
  return Guard(0, [&] {
    Table& t = Current();
    const std::string data = t.Memo(Field(t, field));
    if (dest && !data.empty()) std::memcpy(dest, data.data(), data.size());
    return Clamp32(int64_t(data.size()));
  });
}

int xb_GetBlobLength(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return Clamp32(int64_t(t.Memo(Field(t, field)).size()));
  });
}

int xb_GetByte(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return int(uint8_t(t.Raw(Field(t, field))[0]));
  });
}

int xb_GetCommitLevel(void) {
  return Guard(-1, [] { return Current().CommitLevel(); });
}

int xb_GetDateJulian(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return int(t.Julian(Field(t, field)));
  });
}

const char* xb_GetDateString(const char* field) {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const int32_t jdn = t.Julian(Field(t, field));
    if (jdn == 0) return Ret(BlankDate(S().layout, S().century));
    int y, m, d;
    YmdFromJulian(jdn, y, m, d);
    return Ret(FormatDate(S().layout, S().century, y, m, d));
  });
}

double xb_GetDouble(const char* field) {
  return Guard(0.0, [&] {
    Table& t = Current();
    return t.Double(Field(t, field));
  });
}

int xb_GetInteger(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return Clamp32(t.Integer(Field(t, field)));
  });
}

int xb_GetLogical(const char* field) {
  return Guard(0, [&] {
    Table& t = Current();
    return Bool(t.Logical(Field(t, field)));
  });
}

int xb_GetLong(const char* field) { return xb_GetInteger(field); }

char* xb_GetMemo(const char* field, int lineWidth) {
  return Guard<char*>(nullptr, [&]() -> char* {
    Table& t = Current();
    const std::string text = t.Memo(Field(t, field));
    if (text.empty()) return nullptr;
    return Allocate(Wrap(text, lineWidth));
  });
}

int xb_GetQueryBit(int) { return 0; }

void xb_GetRecord(void* dest) {
  GuardV([&] {
    if (!dest) throw XbError("No destination given");
    Current().CopyRecord(dest);
  });
}

const char* xb_GetScope(short) { return Ret(""); }

const char* xb_GetString(const char* field) {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!f.binary) return Ret(t.Raw(f));
    return Ret(t.Text(f));
  });
}

const char* xb_GetTrimString(const char* field) {
  return Guard<const char*>("", [&] {
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!f.binary) return Ret(TrimRight(t.Raw(f)));
    return Ret(TrimRight(t.Text(f)));
  });
}

char* xb_GetXML(const char*) { return nullptr; }

void xb_Go(int recNo) {
  GuardV([&] { Current().Go(recNo); });
}

void xb_GoBottom(void) {
  GuardV([] { Current().GoBottom(); });
}

void xb_GoTop(void) {
  GuardV([] { Current().GoTop(); });
}

short xb_Index(const char*, const char*, const char*, int, int) { return 0; }
void xb_IndexClose(void) {}
const char* xb_IndexCondition(void) { return Ret(""); }
int xb_IndexFlip(void) { return 0; }
const char* xb_IndexKey(void) { return Ret(""); }
const char* xb_IndexKeyField(void) { return Ret(""); }
const char* xb_IndexName(short) { return Ret(""); }
short xb_IndexOpen(const char*) { return 0; }
short xb_IndexOrd(void) { return 0; }
short xb_IndexTag(const char*, const char*, const char*, int, int, const char*) { return 0; }
short xb_IndexType(void) { return 0; }

int xb_IsEncrypted(short) { return 0; }

int xb_IsNull(const char* field) {
  return Guard(1, [&] {
    Table& t = Current();
    return Bool(t.IsNull(Field(t, field)));
  });
}

int xb_KeyAdd(const char*) { return 0; }
const char* xb_KeyData(void) { return Ret(""); }
int xb_KeyDrop(const char*) { return 0; }
short xb_KeyLength(void) { return 0; }
int xb_Locate(const char*, short, int) { return 0; }

int xb_LockCount(void) {
  return Guard(0, [] { return Current().LockCount(); });
}

int xb_Locked(int recNo) {
  return Guard(0, [&] { return Bool(recNo >= 0 && Current().Locked(uint32_t(recNo))); });
}

void* xb_MemAlloc(int size) { return size < 0 ? nullptr : std::calloc(size_t(size) + 1, 1); }
void xb_MemDealloc(void* block) { std::free(block); }
void* xb_MemRealloc(void* block, int size) {
  if (size < 0) return nullptr;
  return std::realloc(block, size_t(size) + 1);
}

short xb_OpenMode(void) {
  return Guard<short>(-1, [] { return short(Current().Mode()); });
}

double xb_OrderPosGet(void) {
  return Guard(0.0, [] { return Current().OrderPos(); });
}

int xb_OrderPosSet(double position) {
  return Guard(0, [&] { return Bool(Current().SetOrderPos(position)); });
}

int xb_OrderRecNo(void) {
  return Guard(0, [] { return Clamp32(Current().RecNo()); });
}

int xb_Pack(void) {
  return Guard(0, [] {
    Current().Pack();
    return 1;
  });
}

int xb_PutBlob(const char* field, const void* data, int length) {
  return Guard(0, [&] {
    if (length < 0 || (length > 0 && !data)) throw XbError("Bad blob arguments");
    Table& t = Current();
    const FieldDesc& f = Field(t, field);
    if (!IsMemoField(f)) throw XbError("Not a memo or blob field: " + f.name);
    t.PutMemo(f, std::string(static_cast<const char*>(data), size_t(length)), true);
    return length;
  });
}

void xb_PutRecord(const void* record) {
  GuardV([&] {
    if (!record) throw XbError("No record image given");
    Current().PutRecord(record);
  });
}

void xb_PutString(const char* field, const char* text) {
  GuardV([&] {
    Table& t = Current();
    t.PutText(Field(t, field), Str(text));
  });
}

void xb_PutMemo(const char* field, const char* text) {
  GuardV([&] {
    Table& t = Current();
    t.PutMemo(Field(t, field), Str(text), false);
  });
}

void xb_PutDateString(const char* field, const char* text) {
  GuardV([&] {
    Table& t = Current();
    t.PutDateText(Field(t, field), Str(text));
  });
}

void xb_PutInteger(const char* field, int value) {
  GuardV([&] {
    Table& t = Current();
    t.PutInteger(Field(t, field), value);
  });
}

void xb_PutLong(const char* field, int value) { xb_PutInteger(field, value); }

void xb_PutLogical(const char* field, int value) {
  GuardV([&] {
    Table& t = Current();
    t.PutLogical(Field(t, field), value != 0);
  });
}

void xb_PutDouble(const char* field, double value) {
  GuardV([&] {
    Table& t = Current();
    t.PutDouble(Field(t, field), value);
  });
}

int xb_Query(const char* expression) {
  return Guard(0, [&] {
    if (expression && *expression) return 0;
    return Clamp32(Current().RecNo());
  });
}

int xb_QueryRecCount(void) { return xb_Count(); }
void xb_QuerySetExact(int on) { S().queryExact = on != 0; }
short xb_QueryTest(const char*) { return 0; }

void xb_Recall(void) {
  GuardV([] { Current().SetDeleted(false); });
}

int xb_RecCount(void) {
  return Guard(0, [] { return Clamp32(Current().RecCount()); });
}

int xb_RecNo(void) {
  return Guard(0, [] { return Clamp32(Current().RecNo()); });
}

int xb_RecSize(void) {
  return Guard(0, [] { return int(Current().Header().recLen); });
}

void xb_Reindex(void) {}

void xb_Replace(const char* field, int type, const void* data) {
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
      case XB_R_CHAR: t.PutText(f, static_cast<const char*>(data)); break;
      case XB_R_MEMO: t.PutMemo(f, static_cast<const char*>(data), false); break;
      default: throw XbError("Unknown replace type code");
    }
  });
}

int xb_Rlock(int recNo) {
  return Guard(0, [&] { return Bool(recNo >= 0 && Current().Rlock(uint32_t(recNo))); });
}

int xb_RYOFilterActivate(int, int) { return 0; }
int xb_RYOFilterCopy(void) { return 0; }
int xb_RYOFilterCreate(void) { return 0; }
int xb_RYOFilterDestroy(int) { return 0; }
int xb_RYOFilterGetBit(int, int) { return 0; }
int xb_RYOFilterRestore(int) { return 0; }
int xb_RYOFilterSave(void) { return 0; }
int xb_RYOFilterSetBit(int, int, int) { return 0; }
int xb_RYOKeyAdd(const char*, const char*) { return 0; }
int xb_RYOKeyDrop(const char*) { return 0; }

int xb_Seek(const char*) { return 0; }
int xb_SeekBin(const void*, short) { return 0; }

short xb_Select(short area) {
  Engine& e = TheEngine();
  const short old = short(e.current);
  if (area >= 0 && area <= kMaxAreas) e.current = area;
  return old;
}

int xb_SetCentury(int on) {
  const int old = Bool(S().century);
  S().century = on != 0;
  return old;
}

int xb_SetCollationRule(int, const char*) { return 0; }

void xb_SetDateFormat(int code) {
  GuardV([&] {
    if ((code >= 0 && code <= 6) || code == 99) ApplyDateFormat(code);
  });
}

int xb_SetDeleted(int on) {
  const int old = Bool(S().hideDeleted);
  S().hideDeleted = on != 0;
  return old;
}

short xb_SetEpoch(short year) {
  const short old = short(S().epoch);
  if (year >= 100 && year <= 2999) S().epoch = year;
  return old;
}

void xb_SetErrorFunc(xb_ErrorCallback callback) { S().errorCallback = callback; }

int xb_SetExact(int on) {
  const int old = Bool(S().exact);
  S().exact = on != 0;
  return old;
}

int xb_SetFilter(const char*) { return 0; }
void xb_SetGaugeFunc(xb_GaugeCallback callback) { S().gaugeCallback = callback; }
void xb_SetGaugeHook(void*) {}
int xb_SetHandles(int count) { return count; }

int xb_SetLockTimeout(int seconds) {
  const int old = S().lockTimeoutSeconds;
  S().lockTimeoutSeconds = seconds < 0 ? 0 : seconds > 600 ? 600 : seconds;
  return old;
}

int xb_SetMachineCollation(void) { return 0; }

void xb_SetMemoBlockSize(int size) {
  if (size > 0) S().memoBlockSize = size;
}

short xb_SetOrder(short) { return 0; }

void xb_SetPassword(const char* password) {
  if (password && *password) Fail("Encrypted tables are not provided");
}

int xb_SetQueryBit(int, int) { return 0; }
int xb_SetRelation(short, const char*) { return 0; }
int xb_SetScope(const char*, const char*) { return 0; }

int xb_SetSoftSeek(int on) {
  const int old = Bool(S().softSeek);
  S().softSeek = on != 0;
  return old;
}

void xb_SetStringType(int type) { S().stringType = type; }
void xb_SetTranslate(int) {}

void xb_SetTurboRead(int on) {
  GuardV([&] { Current().SetTurboRead(on != 0); });
}

void xb_Skip(int distance) {
  GuardV([&] { Current().Skip(distance); });
}

void xb_SetUDFPath(const char* path) { S().udfPath = Str(path); }

void xb_SetUserDelimiter(const char* delimiter) {
  S().delimiter = (delimiter && *delimiter) ? *delimiter : ',';
}

const char* xb_GetUDFPath(void) { return Ret(S().udfPath); }

int xb_SysProp(int property, int value) {
  Settings& s = S();
  int old;
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

short xb_TagArea(const char*) { return 0; }
const char* xb_TagName(short) { return Ret(""); }
int xb_TagDelete(const char*) { return 0; }

void xb_Unlock(int recNo) {
  GuardV([&] {
    if (recNo >= 0) Current().Unlock(uint32_t(recNo));
  });
}

short xb_Use(const char* path, const char* alias, short openMode, short tableType) {
  return xb_UseEx(path, alias, openMode, tableType, XB_COMMIT_NORMAL);
}

short xb_UseEx(const char* path, const char* alias, short openMode, short, short commitLevel) {
  return Guard<short>(0, [&] { return short(UseTable(Str(path), Str(alias), openMode, commitLevel)); });
}

const char* xb_Version(void) { return Ret("XBE 6.10.00 64-bit"); }

short xb_WorkArea(const char* alias) {
  return Guard<short>(0, [&] { return short(AreaOfAlias(Str(alias))); });
}

int xb_Zap(void) {
  return Guard(0, [] {
    Current().Zap();
    return 1;
  });
}

const char* xb_GetSystemLocale(void) {
  for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return Ret(v);
  }
  return Ret("C");
}

int xb_GetSystemCharOrder(unsigned char*) { return 0; }
int xb_SetSystemCollation(void) { return 0; }

int xb_GetDateFormat(void) { return S().dateCode; }

}  // extern "C"
