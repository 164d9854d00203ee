// The C entry points of encryption, translation and collations, copies of
// tables and structures, and the process-wide callbacks and paths.
#include <fcntl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/Files.h"
#include "platform/system/TextFile.h"
#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Collation.h"
#include "xbase_engine/CryptConvert.h"
#include "xbase_engine/ExportHelpers.h"
#include "xbase_engine/TableExpression.h"
#include "xbase_engine/Xml.h"
#include "xbase_engine/xbe61.h"

using namespace xbe;

static_assert(XB_CRYPT_OVERHEAD == kBufferOverhead);

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

// Copies read what the caller sees: a table without its key shows masks.
void CheckCopyable(const Table& t) {
  if (t.Encrypted() && !t.HasKey()) throw XbError("The table is encrypted: copying it needs its password");
}

// Runs body on every record a walk from the top shows (deleted records left
// out while they are hidden), then returns to the record it started on.
template <class Body>
void ForEachShown(Table& t, Body&& body) {
  const uint32_t keep = t.RecNo();
  for (t.GoTop(); !t.Eof(); t.Skip(1)) body();
  t.Go(keep);
}

}  // namespace

extern "C" {

void xb_SetPassword(const char* password) noexcept {
  GuardV([&] {
    Table& t = Current();
    if (!t.SetPassword(Str(password))) throw XbError("Wrong password for " + t.Path());
    // A production index that waited for the key is rebuilt now.
    if (auto* indexes = dynamic_cast<idx::AreaIndexes*>(t.Observer())) indexes->KeyGiven();
  });
}

int xb_IsEncrypted(short which) noexcept {
  return Guard(0, [&] {
    const Table* t = AreaTable(TheEngine().current);
    if (!t) return 0;
    return Bool(t->Encrypted() && (which == 0 || (which == 1 && t->MemoFileOf())));
  });
}

int xb_DbfEncrypt(void) noexcept {
  return Guard(0, [] {
    ConvertTableCrypt(TheEngine().current, true);
    return 1;
  });
}

int xb_DbfDecrypt(void) noexcept {
  return Guard(0, [] {
    ConvertTableCrypt(TheEngine().current, false);
    return 1;
  });
}

int xb_Encrypt(void* buffer, int length, const char* password) noexcept {
  return Guard(0, [&] {
    const int n = EncryptBuffer(static_cast<uint8_t*>(buffer), length, Str(password));
    if (n == 0) throw XbError("Cannot encrypt the buffer");
    return n;
  });
}

int xb_Decrypt(void* buffer, int length, const char* password) noexcept {
  return Guard(-1, [&] {
    const int n = DecryptBuffer(static_cast<uint8_t*>(buffer), length, Str(password));
    if (n < 0) throw XbError("Cannot decrypt the buffer: wrong password or altered data");
    return n;
  });
}

void xb_SetTranslate(int on) noexcept {
  GuardV([&] { Current().SetTranslate(on != 0); });
}

int xb_AddDudenCollation(void) noexcept {
  return Guard(0, [] {
    AddGermanDictionaryOrder();
    return 1;
  });
}

int xb_AddEtecCollation(void) noexcept {
  return Guard(0, [] {
    AddGermanPhoneBookOrder();
    return 1;
  });
}

int xb_SetCollationRule(int rule, const char* text) noexcept {
  return Guard(0, [&] { return Bool(AddCollationRule(rule, Str(text))); });
}

int xb_SetMachineCollation(void) noexcept {
  return Guard(0, [] {
    UseMachineCollation();
    return 1;
  });
}

int xb_SetSystemCollation(void) noexcept {
  return Guard(0, [] {
    UseSystemCollation();
    return 1;
  });
}

int xb_GetSystemCharOrder(unsigned char* order256) noexcept {
  return Guard(0, [&] {
    if (!order256) return 0;
    SystemCollation()->CharOrder(order256);
    return 256;
  });
}

const char* xb_GetSystemLocale(void) noexcept {
  return Guard<const char*>("C", [] { return Ret(SystemLocaleName()); });
}

char* xb_GetXML(const char* elementName) noexcept {
  return Guard<char*>(nullptr, [&] {
    Table& t = Current();
    return Allocate(RecordXml(t, Str(elementName), t.Translation()));
  });
}

int xb_CopyFile(const char* fileName) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    CheckCopyable(t);
    t.FlushAll();
    std::unique_ptr<Table> out = CreateLike(t, Str(fileName));
    std::vector<uint8_t> image(t.Header().recLen);
    ForEachShown(t, [&] {
      t.CopyRecord(image.data());
      out->Append(image.data(), false);
      // Memo references point into the source's memo file: store them anew.
      for (int i = 1; i <= out->FieldCount(); ++i) {
        const FieldDesc* f = out->FieldByNumber(i);
        if (IsMemoField(*f)) out->PutMemo(*f, t.Memo(*t.FieldByNumber(i)), f->type != 'M');
      }
    });
    out->Commit();
    return 1;
  });
}

int xb_CopyFileText(const char* fileName) noexcept {
  return Guard(0, [&] {
    Table& t = Current();
    CheckCopyable(t);
    const std::string path = Str(fileName);
    if (path.empty()) throw XbError("No file name given");
    // The text replaces the file of that name (matched as an open matches it).
    RefuseFileInUse(sys::ResolveFileName(path));
    std::string out;
    ForEachShown(t, [&] {
      for (int i = 1; i <= t.FieldCount(); ++i) {
        const FieldDesc* f = t.FieldByNumber(i);
        if (i > 1) out += S().delimiter;
        if (IsMemoField(*f)) continue;
        const std::string v(Trim(t.Text(*f)));
        if (f->type == 'C') {
          out.push_back('"');
          out.append(t.ShownText(v));
          out.push_back('"');
        } else {
          out += v;
        }
      }
      out += "\r\n";
    });
    sys::WriteFileAtomic(path, out);
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
    Table& dst = Current();
    Table src(Str(fileName), "SOURCE", kModeReadOnly, kCommitNormal, S());
    // Opened here without a password, an encrypted source shows only masks.
    CheckCopyable(src);
    std::unique_ptr<TableExpression> cond;
    if (condition && *condition) {
      cond = std::make_unique<TableExpression>(&src, condition);
      if (cond->Type() != expr::Type::Logical) throw XbError("The condition is not a logical expression");
    }
    // Only the records the source holds now: appending a table to itself
    // (or to one that another writer grows) must not walk into the records
    // this call appends.
    const uint32_t last = src.RecCount();
    int n = 0;
    for (src.GoTop(); !src.Eof() && src.RecNo() <= last; src.Skip(1)) {
      if (cond && !cond->EvaluateCurrent().logical) continue;
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
