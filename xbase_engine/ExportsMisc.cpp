// The C entry points of encryption, translation and collations (not provided
// yet), copies of tables and structures, and the process-wide callbacks and
// paths.
#include <fcntl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

namespace {

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

void xb_SetPassword(const char* password) noexcept {
  if (password && *password) Fail("Encrypted tables are not provided");
}

int xb_IsEncrypted(short) noexcept { return 0; }
int xb_DbfEncrypt(void) noexcept { return 0; }
int xb_DbfDecrypt(void) noexcept { return 0; }
int xb_Encrypt(void*, int, const char*) noexcept { return 0; }
int xb_Decrypt(void*, int, const char*) noexcept { return 0; }
void xb_SetTranslate(int) noexcept {}
int xb_AddDudenCollation(void) noexcept { return 0; }
int xb_AddEtecCollation(void) noexcept { return 0; }
int xb_SetCollationRule(int, const char*) noexcept { return 0; }
int xb_SetMachineCollation(void) noexcept { return 0; }
int xb_GetSystemCharOrder(unsigned char*) noexcept { return 0; }
int xb_SetSystemCollation(void) noexcept { return 0; }

const char* xb_GetSystemLocale(void) noexcept {
  return Guard<const char*>("C", [] {
    for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
      const char* v = std::getenv(name);
      if (v && *v) return Ret(v);
    }
    return Ret("C");
  });
}

char* xb_GetXML(const char*) noexcept { return nullptr; }

int xb_CopyFile(const char* fileName) noexcept {
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

int xb_CopyFileText(const char* fileName) noexcept {
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

int xb_CopyStructure(const char* fileName, const char*) noexcept {
  return Guard(0, [&] {
    CreateLike(Current(), Str(fileName));
    return 1;
  });
}

int xb_CopyStructureExtended(const char* fileName) noexcept {
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

short xb_CreateFrom(const char* path, const char* alias, const char* structFile, short tableType) noexcept {
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

int xb_AppendFrom(const char* fileName, short, const char* condition) noexcept {
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

void xb_SetUDFPath(const char* path) noexcept {
  GuardV([&] { S().udfPath = Str(path); });
}

const char* xb_GetUDFPath(void) noexcept {
  return Guard<const char*>("", [] { return Ret(S().udfPath); });
}

void xb_SetErrorFunc(xb_ErrorCallback callback) noexcept { S().errorCallback = callback; }
void xb_SetGaugeFunc(xb_GaugeCallback callback) noexcept { S().gaugeCallback = callback; }
void xb_SetGaugeHook(void*) noexcept {}
const char* xb_FilterDlg(void*, const char*, const char*) noexcept { return ""; }
int xb_SetHandles(int count) noexcept { return count; }

void xb_SetUserDelimiter(const char* delimiter) noexcept {
  S().delimiter = (delimiter && *delimiter) ? *delimiter : ',';
}

}  // extern "C"
