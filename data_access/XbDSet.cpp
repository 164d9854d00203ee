#include "data_access/XbDSet.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ctime>
#include <string_view>

#include "class_library/Application.h"
#include "class_library/DateTime.h"
#include "class_library/FormatSettings.h"
#include "class_library/SysUtils.h"
#include "class_library/TypeInfo.h"
#include "data_access/XBE60.h"
#include "platform/system/FileTime.h"

namespace {

const char* const kClosedTable = "Cannot perform this operation on a closed table";
const char* const kOpenTable = "Cannot perform this operation on an open table";
const char* const kEmptyTable = "Cannot perform this operation on an empty table";
const char* const kReadOnlyTable = "Cannot modify a read-only data set";
const char* const kTranslateError = "Translate error. Value out of bounds";
const char* const kLockFailure = "Record Lock Failure. May be locked by another user or task.";
const char* const kNoActiveOrder = "This operation requires an active index order";

// Memo type code of xb_Replace.
constexpr int kReplaceMemo = 3072;

String Str(const char* p) { return p ? String(p) : String(); }

// Types whose record-buffer value lives in a blob slot.
bool IsBlobType(TFieldType t) { return t == ftMemo || t == ftBlob || t == ftGraphic || t == ftFmtMemo; }

// The engine table-type code for a TableType.
int TableTypeCode(TXbTableType t) {
  switch (t) {
    case ttSXNTX: return 1;
    case ttSXFOX: return 2;
    case ttSXNSX: return 3;
    case ttSXNSX_DBT: return 4;
    case ttSXNONE: break;
  }
  return 2;
}

bool HasPathDelimiter(const String& s) { return s.find_first_of("/\\") != String::npos; }

String WithTrailingDelimiter(const String& s) {
  if (s.empty() || s.back() == '/' || s.back() == '\\') return s;
  return s + "/";
}

// ---- record buffer pieces --------------------------------------------------
// A blob slot: int32 length, 10-character memo reference, modified byte,
// loaded byte, then a pointer to the data (owned by the buffer).
constexpr int kSlotLength = 0;
constexpr int kSlotMemoText = 4;
constexpr int kSlotModified = 14;
constexpr int kSlotLoaded = 15;
constexpr int kSlotData = 16;
static_assert(kSlotData + sizeof(char*) <= static_cast<size_t>(TXbTable::BlobSlotSize));

template <class T>
T Load(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void Store(Byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

char* SlotData(const Byte* slot) { return Load<char*>(slot + kSlotData); }

void ResetSlot(Byte* slot, bool freeData) {
  if (freeData) delete[] SlotData(slot);
  Store<std::int32_t>(slot + kSlotLength, 0);
  std::memset(slot + kSlotMemoText, ' ', 10);
  slot[kSlotModified] = 0;
  slot[kSlotLoaded] = 0;
  Store<char*>(slot + kSlotData, nullptr);
}

// ---- value translation between DBF text and native values -----------------
// Numbers and dates go to and from the DBF text without regard to the
// process locale: the DBF format always uses "." and no grouping.

bool IsBlank(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

std::string_view TrimmedView(const char* p, int n) {
  int b = 0, e = n;
  while (b < e && (p[b] == ' ' || p[b] == '\0')) ++b;
  while (e > b && (p[e - 1] == ' ' || p[e - 1] == '\0')) --e;
  return {p + b, static_cast<size_t>(e - b)};
}

// Whole-number text; a text that does not convert gives 0.
std::int64_t ParseDbfInteger(const char* p, int n) {
  std::string_view t = TrimmedView(p, n);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return 0;
  return v;
}

// Numeric text with "." as the decimal point; a text that does not convert gives 0.
double ParseDbfFloat(const char* p, int n) {
  std::string_view t = TrimmedView(p, n);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  if (ec != std::errc() || end != t.data() + t.size()) return 0;
  return v;
}

// Day numbers count from 1 January of year 1 (that day being 1), proleptic
// Gregorian; DateDelta is the day number of the TDateTime origin.
std::int64_t DayNumberOf1970() { return DateDelta - sys::DaysFromCivil(1899, 12, 30); }

std::int32_t DayNumber(int y, int m, int d) {
  return static_cast<std::int32_t>(sys::DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) +
                                   DayNumberOf1970());
}

void CivilFromDayNumber(std::int32_t dayNumber, int& y, int& m, int& d) {
  long long year = 0;
  unsigned month = 0, day = 0;
  sys::CivilFromDays(dayNumber - DayNumberOf1970(), year, month, day);
  y = static_cast<int>(year);
  m = static_cast<int>(month);
  d = static_cast<int>(day);
}

bool ValidDate(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int dim = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dim = 29;
  return d <= dim;
}

int ParseDigits(const char* p, int n) {
  int v = 0;
  auto [end, ec] = std::from_chars(p, p + n, v);
  if (ec != std::errc() || end != p + n) return 0;
  return v;
}

// Writes text right-aligned into width bytes; false when it does not fit.
bool PutRightAligned(char* dest, int width, std::string_view text) {
  if (static_cast<int>(text.size()) > width) return false;
  std::memset(dest, ' ', static_cast<size_t>(width));
  std::memcpy(dest + width - static_cast<int>(text.size()), text.data(), text.size());
  return true;
}

// The value with a fixed number of decimals, "." as the point, no grouping.
std::string FormatFixed(double value, int decimals) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, std::max(decimals, 0));
  if (ec != std::errc()) return std::string(400, '9');  // fits no field
  return std::string(buf, end);
}

String DateText(std::int32_t dayNumber, int epoch) {
  int y = 0, m = 0, d = 0;
  CivilFromDayNumber(dayNumber, y, m, d);
  if (y < 100) {
    // A two-digit year typed by the user lands in the century window of Epoch.
    y += (epoch / 100) * 100;
    if (y < epoch)
      y += 100;
    else if (y > epoch + 100)
      y -= 100;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

// ============================================================== TXbSearchObject

TComponent* TXbSearchObject::FindFirst(const String& ClassName) {
  dataModule_ = dataModuleComponent_ = form_ = formComponent_ = frameComponent_ = 0;
  return FindNext(ClassName);
}

TComponent* TXbSearchObject::FindNext(const String& ClassName) {
  if (dataModule_ >= DataModuleCount()) dataModule_ = DataModuleCount();
  while (dataModule_ < DataModuleCount()) {
    TComponent* module = DataModules(dataModule_);
    while (dataModuleComponent_ < module->ComponentCount()) {
      TComponent* c = module->Components(dataModuleComponent_++);
      if (ComponentInheritsFrom(c, ClassName)) return c;
    }
    dataModuleComponent_ = 0;
    ++dataModule_;
  }
  while (form_ < FormCount()) {
    TComponent* form = Forms(form_);
    while (formComponent_ < form->ComponentCount()) {
      TComponent* c = form->Components(formComponent_);
      if (ComponentInheritsFrom(c, ClassName)) {
        ++formComponent_;
        frameComponent_ = 0;
        return c;
      }
      if (ComponentInheritsFrom(c, "TFrame")) {
        // A match inside a frame leaves the form's cursor on the frame, so
        // the next search goes on inside it.
        while (frameComponent_ < c->ComponentCount()) {
          TComponent* inner = c->Components(frameComponent_++);
          if (ComponentInheritsFrom(inner, ClassName)) return inner;
        }
      }
      frameComponent_ = 0;
      ++formComponent_;
    }
    formComponent_ = 0;
    ++form_;
  }
  return nullptr;
}

// ============================================================== TXbTable

TXbTable::TXbTable(TComponent* AOwner)
    : TDataSet(AOwner),
      structureLines_(std::make_unique<TStringList>()),
      extraIndexes_(std::make_unique<TStringList>()),
      indexDefs_(std::make_unique<TIndexDefs>(this)),
      masterLink_(std::make_unique<TMasterDataLink>(this)) {
  extraIndexes_->OnChange = [this](TObject*) { ExtraIndexesChanged(); };
}

TXbTable::~TXbTable() {
  // The framework cannot reach the table's hooks from its own destructor. As
  // the component is going, the close fires no events.
  Destroying();
  try {
    Close();
  } catch (...) {
    CloseWorkAreaQuietly();
  }
  extraIndexes_->OnChange = nullptr;
  ClearFieldInfos();
  ClearFetchCache();
}

void TXbTable::RaiseError(const String& Message) {
  lastError_ = Message;
  throw EXbError(Message);
}

TXbConnection& TXbTable::Connection() {
  if (!xbConnection_) RaiseError("No XbConnection specified");
  return *xbConnection_;
}

// ---- dual-dispatch operations ------------------------------------------------
// Server: the connection's command of the same name. Local: the engine entry
// point on the current work area; the engine is loaded first when a path
// reaches it before any open did.

namespace {
// The entry points are bound all together or not at all, so one of them
// tells whether the engine is there.
inline void NeedEngine() {
  if (xbe::xb_Select == nullptr && !EnsureEngineLoaded()) throw EXbError(XbEngineMissingMessage);
}
}  // namespace

String TXbTable::EngineAlias(std::int16_t Area) {
  if (IsServer()) return Connection().EngineAlias(Area);
  NeedEngine();
  return Str(xbe::xb_Alias(Area));
}

void TXbTable::EngineAppendBlank() {
  if (IsServer()) {
    Connection().EngineAppendBlank();
  } else {
    NeedEngine();
    xbe::xb_AppendBlank();
  }
  currentRecNo_ = EngineRecNo();
  recordCount_ = EngineRecCount();
}

bool TXbTable::EngineBof() {
  if (IsServer()) return Connection().EngineBof();
  NeedEngine();
  return xbe::xb_Bof() != 0;
}

void TXbTable::EngineClose() {
  if (IsServer()) return Connection().EngineClose();
  NeedEngine();
  xbe::xb_Close();
}

void TXbTable::EngineCloseIndexes() {
  if (IsServer()) return Connection().EngineCloseIndexes();
  NeedEngine();
  xbe::xb_CloseIndexes();
}

void TXbTable::EngineCommit() {
  if (IsServer()) return Connection().EngineCommit();
  NeedEngine();
  xbe::xb_Commit();
}

std::int32_t TXbTable::EngineCount() {
  if (IsServer()) return Connection().EngineCount();
  NeedEngine();
  return xbe::xb_Count();
}

std::int16_t TXbTable::EngineCreateExec() {
  if (IsServer()) return Connection().EngineCreateExec() ? 1 : 0;
  NeedEngine();
  return xbe::xb_CreateExec();
}

void TXbTable::EngineCreateField(const String& Name, const String& Type, int Width, int Decimals) {
  if (IsServer()) return Connection().EngineCreateField(Name, Type, Width, Decimals);
  NeedEngine();
  xbe::xb_CreateField(Name.c_str(), Type.c_str(), static_cast<short>(Width), static_cast<short>(Decimals));
}

std::int16_t TXbTable::EngineCreateNew(const String& Path, const String& Alias, int TableType, int FieldCount) {
  if (IsServer()) return Connection().EngineCreateNew(databaseName_, ExtractFileName(Path), Alias, TableType, FieldCount);
  NeedEngine();
  return xbe::xb_CreateNew(Path.c_str(), Alias.c_str(), static_cast<short>(TableType), static_cast<short>(FieldCount));
}

String TXbTable::EngineDBFilter() {
  if (IsServer()) return Connection().EngineDBFilter();
  NeedEngine();
  return Str(xbe::xb_DBFilter());
}

void TXbTable::EngineDelete() {
  if (IsServer()) return Connection().EngineDelete();
  NeedEngine();
  xbe::xb_Delete();
}

bool TXbTable::EngineDeleted() {
  if (IsServer()) return Connection().EngineDeleted(currentRecNo_);
  NeedEngine();
  return xbe::xb_Deleted() != 0;
}

bool TXbTable::EngineEof() {
  if (IsServer()) return Connection().EngineEof();
  NeedEngine();
  return xbe::xb_Eof() != 0;
}

bool TXbTable::EngineEvalLogical(const String& Expression) {
  if (IsServer()) return Connection().EngineEvalLogical(Expression);
  NeedEngine();
  return xbe::xb_EvalLogical(Expression.c_str()) != 0;
}

double TXbTable::EngineEvalNumeric(const String& Expression) {
  if (IsServer()) return Connection().EngineEvalNumeric(Expression);
  NeedEngine();
  return xbe::xb_EvalNumeric(Expression.c_str());
}

String TXbTable::EngineEvalString(const String& Expression) {
  if (IsServer()) return Connection().EngineEvalString(Expression);
  NeedEngine();
  return Str(xbe::xb_EvalString(Expression.c_str()));
}

std::int16_t TXbTable::EngineEvalTest(const String& Expression) {
  if (IsServer()) return Connection().EngineEvalTest(Expression);
  NeedEngine();
  return xbe::xb_EvalTest(Expression.c_str());
}

int TXbTable::EngineFieldDecimals(const String& Name) {
  if (IsServer()) return Connection().EngineFieldDecimals(Name);
  NeedEngine();
  return xbe::xb_FieldDecimals(Name.c_str());
}

String TXbTable::EngineFieldName(int FieldNumber) {
  if (IsServer()) return Connection().EngineFieldName(FieldNumber);
  NeedEngine();
  return Str(xbe::xb_FieldName(static_cast<short>(FieldNumber)));
}

int TXbTable::EngineFieldOffset(const String& Name) {
  if (IsServer()) return Connection().EngineFieldOffset(Name);
  NeedEngine();
  return xbe::xb_FieldOffset(Name.c_str());
}

String TXbTable::EngineFieldType(const String& Name) {
  if (IsServer()) return Connection().EngineFieldType(Name);
  NeedEngine();
  return Str(xbe::xb_FieldType(Name.c_str()));
}

int TXbTable::EngineFieldWidth(const String& Name) {
  if (IsServer()) return Connection().EngineFieldWidth(Name);
  NeedEngine();
  return xbe::xb_FieldWidth(Name.c_str());
}

bool TXbTable::EngineFileExists(const String& Path) {
  if (IsServer()) return Connection().EngineFileExists(databaseName_, Path);
  return FileExists(Path);
}

bool TXbTable::EngineFlock() {
  if (IsServer()) return Connection().EngineFlock();
  NeedEngine();
  return xbe::xb_Flock() != 0;
}

bool TXbTable::EngineFound() {
  if (IsServer()) return Connection().EngineFound();
  NeedEngine();
  return xbe::xb_Found() != 0;
}

void TXbTable::EngineGetBlob(const String& Name, void* Dest) {
  if (IsServer()) return Connection().EngineGetBlob(Name, Dest);
  NeedEngine();
  xbe::xb_GetBlob(Name.c_str(), Dest);
}

std::int32_t TXbTable::EngineGetBlobLength(const String& Name) {
  if (IsServer()) return Connection().EngineGetBlobLength(Name);
  NeedEngine();
  return xbe::xb_GetBlobLength(Name.c_str());
}

String TXbTable::EngineGetDateString(const String& Name) {
  if (IsServer()) return Connection().EngineGetDateString(Name);
  NeedEngine();
  return Str(xbe::xb_GetDateString(Name.c_str()));
}

double TXbTable::EngineGetDouble(const String& Name) {
  if (IsServer()) return Connection().EngineGetDouble(Name);
  NeedEngine();
  return xbe::xb_GetDouble(Name.c_str());
}

std::int32_t TXbTable::EngineGetInteger(const String& Name) {
  if (IsServer()) return Connection().EngineGetInteger(Name);
  NeedEngine();
  return xbe::xb_GetInteger(Name.c_str());
}

String TXbTable::EngineGetMemo(const String& Name) {
  if (IsServer()) return Connection().EngineGetMemo(currentRecNo_, Name);
  NeedEngine();
  char* text = xbe::xb_GetMemo(Name.c_str(), 0);
  String result = Str(text);
  if (text) xbe::xb_MemDealloc(text);
  return result;
}

void TXbTable::EngineGetRecord(void* Dest) {
  if (IsServer()) return Connection().EngineGetRecord(Dest);
  NeedEngine();
  xbe::xb_GetRecord(Dest);
}

String TXbTable::EngineGetScope(int Which) {
  if (IsServer()) return Connection().EngineGetScope(Which);
  NeedEngine();
  return Str(xbe::xb_GetScope(static_cast<short>(Which)));
}

String TXbTable::EngineGetTrimString(const String& Name) {
  if (IsServer()) return Connection().EngineGetTrimString(Name);
  NeedEngine();
  return Str(xbe::xb_GetTrimString(Name.c_str()));
}

void TXbTable::EngineGo(std::int32_t RecNo) {
  if (IsServer()) {
    logicalPosition_ = Connection().EngineGo(RecNo);
  } else {
    NeedEngine();
    xbe::xb_Go(RecNo);
    logicalPosition_ = indexName_.empty() ? RecNo : -2;
  }
  currentRecNo_ = RecNo;
}

void TXbTable::EngineGoBottom() {
  if (IsServer()) return Connection().EngineGoBottom();
  NeedEngine();
  xbe::xb_GoBottom();
}

void TXbTable::EngineGoTop() {
  if (IsServer()) {
    Connection().EngineGoTop();
  } else {
    NeedEngine();
    xbe::xb_GoTop();
  }
  currentRecNo_ = 1;
}

int TXbTable::EngineIndex(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                          bool Descending) {
  if (IsServer()) {
    currentIndexOrder_ = Connection().EngineIndex(FileName, Expression, Condition, Unique, Descending);
  } else {
    NeedEngine();
    currentIndexOrder_ = xbe::xb_Index(FileName.c_str(), Expression.c_str(),
                                       Condition.empty() ? nullptr : Condition.c_str(), Unique ? -1 : 0,
                                       Descending ? -1 : 0);
  }
  return currentIndexOrder_;
}

String TXbTable::EngineIndexCondition() {
  if (IsServer()) {
    indexCondition_ = Connection().EngineIndexCondition();
  } else {
    NeedEngine();
    indexCondition_ = Str(xbe::xb_IndexCondition());
  }
  return indexCondition_;
}

String TXbTable::EngineIndexKey() {
  if (IsServer()) return Connection().EngineIndexKey();
  NeedEngine();
  return Str(xbe::xb_IndexKey());
}

String TXbTable::EngineIndexKeyField() {
  if (IsServer()) return Connection().EngineIndexKeyField();
  NeedEngine();
  return Str(xbe::xb_IndexKeyField());
}

String TXbTable::EngineIndexName(int Order) {
  if (IsServer()) return Connection().EngineIndexName(Order);
  NeedEngine();
  return Str(xbe::xb_IndexName(static_cast<short>(Order)));
}

int TXbTable::EngineIndexOpen(const String& FileName) {
  if (IsServer()) {
    currentIndexOrder_ = Connection().EngineIndexOpen(FileName);
  } else {
    NeedEngine();
    currentIndexOrder_ = xbe::xb_IndexOpen(FileName.c_str());
  }
  return currentIndexOrder_;
}

int TXbTable::EngineIndexOrd() {
  if (IsServer()) {
    currentIndexOrder_ = Connection().EngineIndexOrd();
  } else {
    NeedEngine();
    currentIndexOrder_ = xbe::xb_IndexOrd();
  }
  return currentIndexOrder_;
}

int TXbTable::EngineIndexTag(const String& FileName, const String& TagName, const String& Expression,
                             const String& Condition, bool Unique, bool Descending) {
  if (IsServer()) {
    currentIndexOrder_ = Connection().EngineIndexTag(FileName, TagName, Expression, Condition, Unique, Descending);
  } else {
    NeedEngine();
    currentIndexOrder_ =
        xbe::xb_IndexTag(FileName.empty() ? nullptr : FileName.c_str(), TagName.c_str(),
                         Condition.empty() ? nullptr : Condition.c_str(), Unique ? -1 : 0, Descending ? -1 : 0,
                         Expression.c_str());
  }
  return currentIndexOrder_;
}

int TXbTable::EngineIndexType() {
  if (IsServer()) return Connection().EngineIndexType();
  NeedEngine();
  return xbe::xb_IndexType();
}

bool TXbTable::EngineIsEncrypted(int Which) {
  if (IsServer()) return Connection().EngineIsEncrypted(Which);
  NeedEngine();
  return xbe::xb_IsEncrypted(static_cast<short>(Which)) != 0;
}

void TXbTable::EngineMemDealloc(void* Block) {
  if (IsServer()) return;
  NeedEngine();
  xbe::xb_MemDealloc(Block);
}

void TXbTable::EngineOrderPosSet(double Position) {
  if (IsServer()) return Connection().EngineOrderPosSet(Position);
  NeedEngine();
  xbe::xb_OrderPosSet(Position);
}

std::int32_t TXbTable::EnginePutBlob(const String& Name, const void* Data, std::int32_t Length) {
  if (IsServer()) return Connection().EnginePutBlob(Name, Data, Length);
  NeedEngine();
  return xbe::xb_PutBlob(Name.c_str(), Data, Length);
}

void TXbTable::EnginePutRecord(const void* Image) {
  if (IsServer()) return Connection().EnginePutRecord(Image, recordSize_);
  NeedEngine();
  xbe::xb_PutRecord(Image);
}

std::int32_t TXbTable::EngineQuery(const String& Expression) {
  if (IsServer()) {
    std::int32_t count = 0;
    std::int32_t result = Connection().EngineQuery(Expression, count);
    recordCount_ = count;
    return result;
  }
  NeedEngine();
  std::int32_t result = xbe::xb_Query(Expression.c_str());
  recordCount_ = xbe::xb_QueryTest(Expression.c_str()) > 0 ? xbe::xb_QueryRecCount() : xbe::xb_RecCount();
  return result;
}

std::int32_t TXbTable::EngineQueryRecCount() {
  if (IsServer()) return Connection().EngineQueryRecCount();
  NeedEngine();
  return xbe::xb_QueryRecCount();
}

std::int16_t TXbTable::EngineQueryTest(const String& Expression) {
  if (IsServer()) return Connection().EngineQueryTest(Expression);
  NeedEngine();
  return xbe::xb_QueryTest(Expression.c_str());
}

std::int32_t TXbTable::EngineRecCount() {
  if (IsServer()) return Connection().EngineRecCount();
  NeedEngine();
  return xbe::xb_RecCount();
}

std::int32_t TXbTable::EngineRecNo() {
  if (IsServer()) {
    currentRecNo_ = Connection().EngineRecNo();
  } else {
    NeedEngine();
    currentRecNo_ = xbe::xb_RecNo();
  }
  return currentRecNo_;
}

void TXbTable::EngineReplace(const String& Name, int TypeCode, const void* Data) {
  if (IsServer()) return Connection().EngineReplace(Name, TypeCode, Data);
  NeedEngine();
  xbe::xb_Replace(Name.c_str(), TypeCode, Data);
}

bool TXbTable::EngineRlock(std::int32_t RecNo) {
  if (IsServer()) return Connection().EngineRlock(RecNo);
  NeedEngine();
  return xbe::xb_Rlock(RecNo) != 0;
}

bool TXbTable::EngineSeek(const String& Key) {
  if (IsServer()) return Connection().EngineSeek(Key);
  NeedEngine();
  return xbe::xb_Seek(Key.c_str()) != 0;
}

void TXbTable::SelectArea() {
  if (IsServer()) return Connection().SelectArea(workArea_);
  NeedEngine();
  xbe::xb_Select(workArea_);
}

int TXbTable::EngineSetOrder(int Order) {
  int answer = 0;
  if (IsServer()) {
    answer = Connection().EngineSetOrder(Order);
  } else {
    NeedEngine();
    answer = xbe::xb_SetOrder(static_cast<short>(Order));
  }
  currentIndexOrder_ = Order;
  return answer;
}

void TXbTable::EngineSetPassword(const String& Value) {
  if (IsServer()) return Connection().EngineSetPassword(Value);
  NeedEngine();
  xbe::xb_SetPassword(Value.c_str());
}

bool TXbTable::EngineSetScope(const String* Low, const String* High) {
  if (IsServer()) return Connection().EngineSetScope(Low, High);
  NeedEngine();
  return xbe::xb_SetScope(Low ? Low->c_str() : nullptr, High ? High->c_str() : nullptr) != 0;
}

void TXbTable::EngineSetStringType(int Type) {
  if (IsServer()) return;
  NeedEngine();
  xbe::xb_SetStringType(Type);
}

void TXbTable::EngineSetTranslate(bool On) {
  if (IsServer()) return Connection().EngineSetTranslate(On);
  NeedEngine();
  xbe::xb_SetTranslate(On ? -1 : 0);
}

void TXbTable::EngineSetTurboRead(bool On) {
  if (IsServer()) return Connection().EngineSetTurboRead(On);
  NeedEngine();
  xbe::xb_SetTurboRead(On ? -1 : 0);
}

void TXbTable::EngineSkip(std::int32_t Distance) {
  if (IsServer()) return Connection().EngineSkip(Distance);
  NeedEngine();
  xbe::xb_Skip(Distance);
}

std::int32_t TXbTable::EngineSysProp(int Property, std::int32_t Value) {
  if (IsServer()) return Connection().EngineSysProp(Property, Value);
  NeedEngine();
  return xbe::xb_SysProp(Property, Value);
}

std::int16_t TXbTable::EngineTagArea(const String& TagName) {
  if (IsServer()) return Connection().EngineTagArea(TagName);
  NeedEngine();
  return xbe::xb_TagArea(TagName.c_str());
}

String TXbTable::EngineTagName(int Order) {
  if (IsServer()) return Connection().EngineTagName(Order);
  NeedEngine();
  return Str(xbe::xb_TagName(static_cast<short>(Order)));
}

void TXbTable::EngineUnlock(std::int32_t RecNo) {
  if (IsServer()) return Connection().EngineUnlock(RecNo);
  NeedEngine();
  xbe::xb_Unlock(RecNo);
}

std::int16_t TXbTable::EngineUseEx(const String& Path, const String& Alias, int OpenMode, int TableType,
                                   int CommitLevel) {
  NeedEngine();
  return xbe::xb_UseEx(Path.c_str(), Alias.c_str(), static_cast<short>(OpenMode), static_cast<short>(TableType),
                       static_cast<short>(CommitLevel));
}

String TXbTable::EngineVersion() {
  if (IsServer()) return Connection().EngineVersion();
  NeedEngine();
  return Str(xbe::xb_Version());
}

std::int16_t TXbTable::EngineWorkArea(const String& Alias) {
  if (IsServer()) return Connection().EngineWorkArea(Alias);
  NeedEngine();
  return xbe::xb_WorkArea(Alias.c_str());
}


// ---- names, paths and the environment --------------------------------------

String TXbTable::MakeAlias(const String& Name) {
  if (Name.empty()) return String();
  String alias = UpperCase(ExtractFileName(Name));
  size_t dot = alias.find('.');
  if (dot != String::npos) alias.erase(dot);
  if (alias.size() > 8) alias.resize(8);
  for (char& c : alias)
    if (c < 'A' || c > 'Z') c = '_';
  for (int n = 1; n < 10000000 && EngineWorkArea(alias) != 0; ++n) {
    String digits = IntToStr(n);
    alias = alias.substr(0, 8 - std::min<size_t>(digits.size(), 8)) + digits;
  }
  return alias;
}

String TXbTable::ResolveDatabasePath() {
  // A path (our delimiter "/", or the stored "\", ":" and ".") is taken as it is;
  // anything else names a TXbDatabase alias.
  if (!databaseName_.empty() && databaseName_.find_first_of("/\\:.") != String::npos) return databaseName_;
  String result;
  if (TXbDatabase* db = FindDatabase()) result = db->DataPath;
  if (result.empty()) result = GetCurrentDir();
  return WithTrailingDelimiter(result);
}

String TXbTable::ResolveDirectory() {
  String path = ExtractFilePath(tableName_);
  directory_ = path.empty() ? ResolveDatabasePath() : path;
  directory_ = WithTrailingDelimiter(directory_);
  return directory_;
}

String TXbTable::FullTableFileName() {
  String dir = IsServer() ? directory_ : ResolveDirectory();
  String file = ExtractFileName(tableName_);
  if (ExtractFileExt(file).empty()) file += ".DBF";
  return dir + file;
}

bool TXbTable::TableFileExists() {
  if (IsServer()) return Connection().EngineFileExists(databaseName_, ExtractFileName(tableName_));
  return EngineFileExists(FullTableFileName());
}

TXbDatabase* TXbTable::FindDatabase() {
  if (IsServer()) return nullptr;
  if (aliasDatabase_) return aliasDatabase_;
  TXbSearchObject search;
  for (TComponent* c = search.FindFirst("TXbDatabase"); c; c = search.FindNext("TXbDatabase")) {
    auto* db = dynamic_cast<TXbDatabase*>(c);
    if (db && UpperCase(db->DataPathAlias) == UpperCase(databaseName_)) {
      aliasDatabase_ = db;
      FreeNotification(db);
      return db;
    }
  }
  String dir = databaseName_;
  if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (!DirectoryExists(dir) && !databaseName_.empty()) RaiseError("Invalid DatabaseName value : " + databaseName_);
  return nullptr;
}

void TXbTable::ApplyEnvironment() {
  environmentApplied_ = false;
  TXbSearchObject search;
  for (TComponent* c = search.FindFirst("TXbEnv"); c; c = search.FindNext("TXbEnv")) {
    auto* env = dynamic_cast<TXbEnv*>(c);
    if (!env) continue;
    bool applies = IsServer() ? (env->ApplyTo & ApplyToBit(atServer)) != 0 : (env->ApplyTo & ApplyToBit(atLocal)) != 0;
    if (!applies) continue;
    epoch_ = env->Epoch;
    errorLevel_ = env->ErrorLevel;
    recordCountStale_ = env->CountNeedsRefresh;
    errorFunc_ = env->ErrorFunc;
    century_ = env->Century;
    exact_ = env->Exact;
    softSeek_ = env->SoftSeek;
    dateFormat_ = static_cast<Byte>(env->DateFormat);
    memoBlockSize_ = env->MemoBlockSize;
    deleted_ = env->Deleted;
    environmentApplied_ = true;
    return;
  }
}

// ---- open and close ---------------------------------------------------------

void TXbTable::OpenWorkArea() {
  workArea_ = 0;
  if (tableName_.empty()) RaiseError(Name() + " : " + "Missing TableName property");
  String alias;
  if (!IsServer()) {
    if (!EnsureEngineLoaded()) RaiseError(XbEngineMissingMessage);
    alias = MakeAlias(tableName_);
  }
  const int typeCode = TableTypeCode(tableType_);
  const int openMode = exclusive_ ? 2 : (readOnly_ ? 1 : 0);
  ApplyEnvironment();
  String fileName = FullTableFileName();
  if (!IsServer() && !EngineFileExists(fileName))
    RaiseError("Table does not exist.\rFile or directory does not exist.\rFile: " + fileName);
  SetTwoDigitYearCenturyWindow(std::abs(CurrentYear() - epoch_) % 100);

  if (!IsServer()) {
    if (environmentApplied_) {
      xbe::xb_SetEpoch(static_cast<short>(epoch_));
      xbe::xb_SetDeleted(deleted_ ? -1 : 0);
      xbe::xb_SetCentury(century_ ? -1 : 0);
      xbe::xb_SetMemoBlockSize(memoBlockSize_);
      xbe::xb_SetDateFormat(dateFormat_);
      xbe::xb_SetSoftSeek(softSeek_ ? -1 : 0);
      xbe::xb_SetExact(exact_ ? -1 : 0);
    } else {
      // Without a settings component deleted records stay hidden (see deleted_).
      xbe::xb_SetDeleted(deleted_ ? -1 : 0);
    }
    xbe::xb_ErrorLevel(0);
    workArea_ = EngineUseEx(directory_ + ExtractFileName(tableName_), alias, openMode, typeCode, commitLevel_);
    if (workArea_ < 1) {
      workArea_ = 0;
      RaiseError("Unable to open table: " + fileName);
    }
    try {
      // From here on the engine holds the table: any failure hands it back.
      xbe::xb_ErrorLevel(errorLevel_);
      xbe::xb_SetTurboRead(turboRead_ ? -1 : 0);
      xbe::xb_SetTranslate(oemTranslate_ ? -1 : 0);
      fieldCount_ = xbe::xb_FieldCount();
      recordSize_ = xbe::xb_RecSize();
      encrypted_ = EngineIsEncrypted(0);
      if (!password_.empty()) xbe::xb_SetPassword(password_.c_str());
      xbe::xb_SetTurboRead(turboRead_ ? -1 : 0);
      if (!indexName_.empty()) {
        String name = indexName_;
        SetIndexName(String());
        SetIndexName(name);
      }
      OpenExtraIndexes();
      indexDefs_->SetUpdated(false);
      ReadIndexDefs();
      recordCount_ = xbe::xb_RecCount();
      indexCondition_ = Str(xbe::xb_IndexCondition());
    } catch (...) {
      CloseWorkAreaQuietly();
      throw;
    }
  } else {
    if (databaseName_.empty()) RaiseError("Missing DatabaseName property");
    TXbConnection::TUseRequest request;
    request.DatabaseName = databaseName_;
    request.FileName = ExtractFileName(tableName_);
    request.OpenMode = openMode;
    request.TableType = typeCode;
    request.Password = password_;
    request.TurboRead = turboRead_;
    request.IndexName = indexName_;
    request.Epoch = epoch_;
    request.DateFormat = dateFormat_;
    request.MemoBlockSize = memoBlockSize_;
    request.Deleted = deleted_;
    request.Century = century_;
    request.SoftSeek = softSeek_;
    request.Exact = exact_;
    request.OEMTranslate = oemTranslate_;
    request.EnvironmentApplied = environmentApplied_;
    request.CommitLevel = commitLevel_;
    TXbConnection::TUseReply reply = Connection().Use(request);
    if (reply.ErrorCount > 0) RaiseError(reply.ErrorText);
    workArea_ = reply.WorkArea;
    currentIndexOrder_ = reply.IndexOrder;
    encrypted_ = reply.Encrypted;
    recordSize_ = reply.RecordSize;
    fieldCount_ = reply.FieldCount;
    recordCount_ = reply.RecordCount;
    structureLines_->Clear();
    for (const String& line : reply.Structure) structureLines_->Add(line);
    if (workArea_ > 0) {
      try {
        if (!indexName_.empty() && tableType_ == ttSXNTX) {
          String name = indexName_;
          SetIndexName(String());
          SetIndexName(name);
        }
        OpenExtraIndexes();
        indexDefs_->SetUpdated(true);
      } catch (...) {
        CloseWorkAreaQuietly();
        throw;
      }
    }
  }
  rawRecordCount_ = recordCount_;
  if (workArea_ != 0) {
    recordCountStale_ = true;
  } else if (IsServer() && (Connection().User().empty() || Connection().Password().empty())) {
    RaiseError("Must include User Name and Password to open table through the xBase Database Server");
  } else {
    RaiseError("Unable to open table.\rFile: " + fileName);
  }
}

void TXbTable::CloseWorkAreaQuietly() {
  if (workArea_ > 0) {
    try {
      if (!EngineAlias(workArea_).empty()) {
        SelectArea();
        EngineClose();
      }
    } catch (...) {
    }
  }
  workArea_ = 0;
}

void TXbTable::ClearFieldInfos() {
  fieldInfos_.clear();
}

void TXbTable::BuildFieldDefs() {
  if (workArea_ == 0) OpenWorkArea();
  if (workArea_ == 0) return;
  try {
    ClearFieldInfos();
    FieldDefs().Clear();
    SelectArea();
    const size_t n = static_cast<size_t>(std::max(fieldCount_, 0)) + 1;
    fieldNames_.assign(n, String());
    fieldWidths_.assign(n, 0);
    fieldDecimals_.assign(n, 0);
    fieldOffsets_.assign(n, 0);
    fieldTypes_.assign(n, String());
    for (int i = 1; i <= fieldCount_; ++i) {
      auto info = std::make_unique<TFieldInfo>();
      String name, type;
      if (!IsServer()) {
        name = EngineFieldName(i);
        type = EngineFieldType(name);
        info->EngineOffset = EngineFieldOffset(name) - 1;
        info->Width = EngineFieldWidth(name);
        info->Decimals = EngineFieldDecimals(name);
      } else {
        const int line = 5 * (i - 1);
        if (line + 4 >= structureLines_->Count()) break;
        auto hex = [this](int index) { return StrToIntDef("$" + Trim(structureLines_->Strings(index)), 0); };
        name = Trim(structureLines_->Strings(line));
        type = Trim(structureLines_->Strings(line + 1));
        info->Width = hex(line + 2);
        info->Decimals = hex(line + 3);
        info->EngineOffset = hex(line + 4) - 1;
      }
      const size_t at = static_cast<size_t>(i);
      fieldNames_[at] = UpperCase(name);
      fieldWidths_[at] = info->Width;
      fieldDecimals_[at] = info->Decimals;
      fieldOffsets_[at] = info->EngineOffset;
      fieldTypes_[at] = type;
      TFieldDef* def = nullptr;
      switch (type.empty() ? ' ' : type[0]) {
        case 'C': def = FieldDefs().Add(name, ftString, info->Width); break;
        case 'D': def = FieldDefs().Add(name, ftDate); break;
        case 'I': def = FieldDefs().Add(name, ftInteger); break;
        case 'L': def = FieldDefs().Add(name, ftBoolean); break;
        case 'M': def = FieldDefs().Add(name, ftMemo); break;
        case 'N':
          def = FieldDefs().Add(name, (info->Decimals > 0 || info->Width > 4) ? ftFloat : ftSmallint);
          break;
        case 'B':
        case 'G':
        case 'P': def = FieldDefs().Add(name, ftBlob); break;
        default: break;  // no definition; the field info keeps engine numbers aligned
      }
      if (def) def->SetFieldNo(i);
      fieldInfos_.push_back(std::move(info));
    }
    FieldDefs().SetUpdated(true);
  } catch (...) {
    if (!cursorOpen_ && !opening_) CloseWorkAreaQuietly();
    throw;
  }
  if (!cursorOpen_ && !opening_) {
    // The definitions were read for a closed table: hand the table back.
    if (!IsServer()) CloseWorkAreaQuietly();
    workArea_ = 0;
  }
}

void TXbTable::MakeDefaultFields() {
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef* def = FieldDefs()[i];
    if (def->DataType() == ftUnknown) continue;
    TField* field = def->CreateField(this);
    if (auto* f = dynamic_cast<TFloatField*>(field)) {
      int width = 0, decimals = 0;
      const int fieldNo = def->FieldNo();
      if (fieldNo >= 1 && fieldNo < static_cast<int>(fieldWidths_.size())) {
        width = fieldWidths_[static_cast<size_t>(fieldNo)];
        decimals = fieldDecimals_[static_cast<size_t>(fieldNo)];
      }
      String format = "0";
      if (decimals > 0) format += "." + String(static_cast<size_t>(decimals), '0');
      f->SetDisplayFormat(format);
      f->SetPrecision(width + 1);
    }
  }
}

void TXbTable::OpenCursor() {
  // A detail table that showed every record of its table instead of the
  // master's would mislead its user: refuse it until detail tables follow
  // their master.
  if (MasterSource())
    RaiseError((Name().empty() ? String("The table") : Name()) +
               " follows a master through MasterSource; detail tables are not available");
  if (workArea_ < 1) {
    recordCount_ = 0;
    fieldCount_ = 0;
  }
  fetchPosition_ = 0;
  rowsHeld_ = -1;
  if (IsServer()) {
    if (!xbConnection_) RaiseError("No XbConnection specified");
    if (!xbConnection_->Active()) {
      workArea_ = 0;
      RaiseError("Not connected");
    }
  }
  struct OpeningFlag {
    bool& flag;
    explicit OpeningFlag(bool& f) : flag(f) { flag = true; }
    ~OpeningFlag() { flag = false; }
  } openingGuard(opening_);
  try {
    BuildFieldDefs();
    if (workArea_ == 0) return;
    if (DefaultFields()) MakeDefaultFields();
    BindFields(true);

    currentRecNo_ = 0;
    fieldDataSize_ = 0;
    for (TField* field : Fields()) {
      const int fieldNo = field->FieldNo();
      if (fieldNo <= 0) continue;
      if (fieldNo > static_cast<int>(fieldInfos_.size())) RaiseError("Invalid field number for " + field->FieldName());
      fieldInfos_[static_cast<size_t>(fieldNo - 1)]->BufferOffset = fieldDataSize_;
      fieldDataSize_ += field->DataSize() + 1;
    }
    recordImage_.assign(static_cast<size_t>(std::max(recordSize_, 1)), ' ');
    changedFields_.assign(fieldInfos_.size(), false);
    cursorOpen_ = true;
    blobAreaOffset_ = fieldDataSize_ + CalcFieldsSize();
    trailerOffset_ = blobAreaOffset_ + BlobSlotSize * BlobFieldCount();
    recordBufferSize_ = trailerOffset_ + TrailerSize;
    pendingOffset_ = recordBufferSize_;
    imageOffset_ = pendingOffset_ + static_cast<std::int32_t>(fieldInfos_.size());
    lazyFields_.assign(fieldInfos_.size(), 0);
    eagerFields_.clear();
    for (TField* field : Fields()) {
      if (field->FieldNo() <= 0) continue;
      if (IsBlobType(field->DataType()))
        eagerFields_.push_back(field);
      else
        lazyFields_[static_cast<size_t>(field->FieldNo() - 1)] = 1;
    }
    SetBookmarkSize(4);

    if (filterActive_) EngineQuery(filterText_);
    SelectArea();
    EngineGoTop();
    atTop_ = true;
    fetchPosition_ = 0;
    rowsHeld_ = -1;
  } catch (...) {
    // The work area opened for this cursor never outlives a failed open.
    cursorOpen_ = false;
    CloseWorkAreaQuietly();
    throw;
  }
}

void TXbTable::CloseCursor() {
  recordCount_ = -1;
  rawRecordCount_ = -1;
  recordCountStale_ = true;
  directory_.clear();
  cursorOpen_ = false;
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  savedRecNo_ = 0;
  pendingOffset_ = 0;
  imageOffset_ = 0;
  lazyFields_.clear();
  eagerFields_.clear();
  BindFields(false);
  recordImage_.clear();
  if (DefaultFields()) DestroyFields();
  ClearFieldInfos();
  if (workArea_ > 0) CloseWorkAreaQuietly();
  workArea_ = 0;
}

void TXbTable::ResetFieldDefs() {
  FieldDefs().Clear();
  if (Active()) {
    BuildFieldDefs();
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
  }
}

void TXbTable::FinishLoading() {
  TDataSet::FinishLoading();
  if (!IsServer()) EnsureEngineLoaded();
  if (xbConnection_) xbConnection_->SetDatabaseName(databaseName_);
}

void TXbTable::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TDataSet::ComponentNotification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == aliasDatabase_) aliasDatabase_ = nullptr;
  if (AComponent != nullptr && AComponent == xbConnection_) {
    TDataSet::Close();
    xbConnection_ = nullptr;
  }
}

void TXbTable::HandleDataException() {
  if (ApplicationAlive())
    Application()->HandleException(this);
  else
    throw;
}

bool TXbTable::Flock() {
  if (workArea_ <= 0) return false;
  SelectArea();
  return EngineFlock();
}

String TXbTable::Version() {
  String engine;
  if (!IsServer()) {
    engine = EnsureEngineLoaded() ? Str(xbe::xb_Version()) : String();
  } else if (xbConnection_ && xbConnection_->Active()) {
    engine = xbConnection_->Version();
  } else {
    engine = "XBE ?.??.?? 32-bit";
  }
  return engine + ", " + "xBase Components 6.1.0.0, " + FormatDateTime(ShortDateFormat(), EncodeDate(2002, 10, 2));
}

// ---- property setters ---------------------------------------------------------

void TXbTable::SetXbConnection(TXbConnection* Value) {
  if (xbConnection_ == Value) return;
  if (xbConnection_) RemoveFreeNotification(xbConnection_);
  xbConnection_ = Value;
  if (xbConnection_) FreeNotification(xbConnection_);
}

void TXbTable::SetAccessMethod(TAccessMethod Value) {
  if (Active()) RaiseError("Cannot change data access method while active");
  accessMethod_ = Value;
  if (Value == amLocal) EnsureEngineLoaded();
  ClearFetchCache();
}

void TXbTable::SetDatabaseName(const String& Value) {
  if (Value == databaseName_) return;
  aliasDatabase_ = nullptr;
  databaseName_ = Value;
  if (Value.find_first_of(":\\/") != String::npos) accessMethod_ = amLocal;
  if (xbConnection_) xbConnection_->SetDatabaseName(Value);
  if (Active() && !tableName_.empty()) {
    // An open table whose directory changes is closed, so that the next Open
    // opens the table in the new place; the old one would otherwise stay held.
    String openDirectory = directory_;
    String newDirectory = WithTrailingDelimiter(ResolveDatabasePath());
    bool moved = HasPathDelimiter(ExtractFilePath(tableName_)) ? false : newDirectory != openDirectory;
    if (moved || !TableFileExists())
      Close();
    else
      directory_ = openDirectory;
    ResetFieldDefs();
  }
}

void TXbTable::SetTableName(const String& Value) {
  if (Value == tableName_) return;
  if (workArea_ > 0 || Active()) RaiseError(kOpenTable);
  tableName_ = Value;
  ResetFieldDefs();
}

void TXbTable::SetTableType(TXbTableType Value) {
  tableType_ = Value;
  ResetFieldDefs();
}

void TXbTable::SetExclusive(bool Value) {
  if (Value == exclusive_) return;
  if (workArea_ > 0) RaiseError(kOpenTable);
  exclusive_ = Value;
}

void TXbTable::SetReadOnly(bool Value) {
  if (Value == readOnly_) return;
  if (workArea_ > 0) RaiseError(kOpenTable);
  readOnly_ = Value;
}

void TXbTable::SetCommitLevel(TXbCommitLevel Value) {
  if (Active()) RaiseError("Cannot change the commit level while the Table is opened");
  commitLevel_ = Value;
}

void TXbTable::SetFetchCount(int Value) {
  if (workArea_ > 0) throw EXbError(kOpenTable);
  ClearFetchCache();
  fetchCount_ = Value <= 0 ? 1 : Value;
}

void TXbTable::SetPassword(const String& Value) {
  password_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    EngineSetPassword(password_);
    ResyncCursor({});
  }
}

void TXbTable::SetOEMTranslate(bool Value) {
  if (Value == oemTranslate_) return;
  oemTranslate_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    EngineSetTranslate(Value);
    ResyncCursor({});
  }
}

void TXbTable::SetTurboRead(bool Value) {
  turboRead_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    EngineSetTurboRead(Value);
  }
}

void TXbTable::ClearFetchCache() {
  fetchRows_.clear();
  fetchPosition_ = 0;
  rowsHeld_ = -1;
}

TDataSource* TXbTable::MasterSource() const { return masterLink_->DataSource(); }

void TXbTable::SetMasterSource(TDataSource* Value) { masterLink_->SetDataSource(Value); }

// ---- record buffers -----------------------------------------------------------

std::unique_ptr<Byte[]> TXbTable::NewRecordBuffer() {
  const int size = std::max(imageOffset_ > 0 ? imageOffset_ + std::max(recordSize_, 1) : recordBufferSize_, TrailerSize);
  auto buffer = std::make_unique<Byte[]>(static_cast<size_t>(size));  // zeroed
  ClearBlobSlots(buffer.get(), false);
  return buffer;
}

void TXbTable::DisposeRecordBuffer(Byte* Buffer) {
  if (Buffer) ClearBlobSlots(Buffer, true);
}

void TXbTable::ClearBlobSlots(Byte* Buffer, bool FreeData) const {
  if (recordBufferSize_ <= 0) return;
  for (int i = 0; i < BlobFieldCount(); ++i) ResetSlot(Buffer + blobAreaOffset_ + i * BlobSlotSize, FreeData);
}

void TXbTable::InitRecordBuffer(Byte* Buffer) {
  if (!Buffer || recordBufferSize_ <= 0) return;
  std::memset(Buffer, 0, static_cast<size_t>(blobAreaOffset_));
  if (imageOffset_ > 0) std::memset(PendingFlags(Buffer), 0, lazyFields_.size());
  SetTrailerRecNo(Buffer, 0);
  ClearBlobSlots(Buffer, true);
}

int TXbTable::RecordBufferSize() { return recordBufferSize_; }

void TXbTable::ResetRecordBuffers() {
  TDataSet::ResetRecordBuffers();
  if (workArea_ > 0 && BufferCount() > 0) InitRecordBuffer(ActiveBuffer());
}

void TXbTable::ResetCalcFields(Byte* Buffer) {
  if (Buffer && CalcFieldsSize() > 0) std::memset(Buffer + fieldDataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TXbTable::RefreshComputedFields(Byte* Buffer) { ComputeFields(Buffer); }

std::int32_t TXbTable::TrailerRecNo(const Byte* Buffer) const {
  return Buffer ? Load<std::int32_t>(Buffer + trailerOffset_) : 0;
}

void TXbTable::SetTrailerRecNo(Byte* Buffer, std::int32_t RecNo) const {
  if (Buffer) Store<std::int32_t>(Buffer + trailerOffset_, RecNo);
}

void TXbTable::SetTrailer(Byte* Buffer, std::int32_t RecNo, TBookmarkFlag Flag) const {
  if (!Buffer) return;
  Store<std::int32_t>(Buffer + trailerOffset_, RecNo);
  Buffer[trailerOffset_ + 4] = static_cast<Byte>(Flag);
}

void TXbTable::ReadBookmarkData(Byte* Buffer, Byte* Data) {
  std::int32_t recNo = TrailerRecNo(Buffer);
  std::memcpy(Data, &recNo, 4);
}

void TXbTable::WriteBookmarkData(Byte* Buffer, const Byte* Data) {
  if (!Data || !Buffer) return;
  std::int32_t recNo = 0;
  std::memcpy(&recNo, Data, 4);
  SetTrailerRecNo(Buffer, recNo);
}

TBookmarkFlag TXbTable::ReadBookmarkFlag(Byte* Buffer) {
  return static_cast<TBookmarkFlag>(Buffer[trailerOffset_ + 4]);
}

void TXbTable::WriteBookmarkFlag(Byte* Buffer, TBookmarkFlag Value) {
  Buffer[trailerOffset_ + 4] = static_cast<Byte>(Value);
}

bool TXbTable::BookmarkIsValid(const Byte* Bookmark) { return Bookmark != nullptr; }

int TXbTable::CompareBookmarkOrder(const Byte* Bookmark1, const Byte* Bookmark2) {
  if (!Bookmark1 || !Bookmark2) return 2;
  std::int32_t a = 0, b = 0;
  std::memcpy(&a, Bookmark1, 4);
  std::memcpy(&b, Bookmark2, 4);
  auto byNumber = [](std::int32_t x, std::int32_t y) { return x == y ? 0 : (x < y ? -1 : 1); };
  if (indexName_.empty()) return byNumber(a, b);

  SelectArea();
  const std::int32_t saved = EngineRecNo();
  int result = 0;
  try {
    EngineGo(a);
    const std::int32_t recA = EngineRecNo();
    const String key = EngineIndexKey();
    const int type = EngineEvalTest(key);
    auto keyText = [&]() -> String {
      const String k = EngineIndexKey();
      if (type == 2) return FloatToStr(EngineEvalNumeric(k));
      if (type == 3) return IntToStr(EngineEvalLogical(k) ? 1 : 0);
      return EngineEvalString(k);
    };
    const String v1 = keyText();
    EngineGo(b);
    const std::int32_t recB = EngineRecNo();
    const String v2 = keyText();
    if (v1 == v2) {
      result = byNumber(recA, recB);
    } else {
      const bool descending = EngineSysProp(3002, 0) != 0;
      const bool less = EngineEvalLogical("\"" + v1 + "\" < \"" + v2 + "\"");
      result = descending != less ? -1 : 1;
    }
  } catch (...) {
    EngineGo(saved);
    throw;
  }
  EngineGo(saved);
  return result;
}

Byte* TXbTable::BufferFor(TField*, bool ForWrite) {
  switch (State()) {
    case dsCalcFields: return CalcBuffer();
    case dsFilter: return ForWrite ? ActiveBuffer() : filterBuffer_;
    default: return ActiveBuffer();
  }
}

int TXbTable::FieldPlace(TField* Field) const {
  const int fieldNo = Field->FieldNo();
  if (fieldNo > 0) {
    if (fieldNo > static_cast<int>(fieldInfos_.size())) return -1;
    return fieldInfos_[static_cast<size_t>(fieldNo - 1)]->BufferOffset;
  }
  return fieldDataSize_ + Field->Offset();
}

bool TXbTable::ReadFieldData(TField* Field, void* Buffer) {
  if (!cursorOpen_ || !Field) return false;
  try {
    const int place = FieldPlace(Field);
    Byte* record = BufferFor(Field, false);
    if (place < 0 || !record) return false;
    EnsureSlot(record, Field);
    if (record[place] == 0) return false;
    if (Buffer) std::memcpy(Buffer, record + place + 1, static_cast<size_t>(Field->DataSize()));
    return true;
  } catch (...) {
    return false;
  }
}

void TXbTable::WriteFieldData(TField* Field, const void* Buffer) {
  const TDataSetState state = State();
  if (state == dsInactive) return;
  const int fieldNo = Field->FieldNo();
  if (fieldNo > 0) {
    if (state != dsEdit && state != dsInsert && state != dsSetKey)
      RaiseError("Data set must be in Edit or Insert mode to update");
    Field->Validate(Buffer);
  }
  const int place = FieldPlace(Field);
  Byte* record = state == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  if (place < 0 || !record) return;
  const size_t size = static_cast<size_t>(Field->DataSize());
  if (Buffer) {
    record[place] = 1;
    std::memcpy(record + place + 1, Buffer, size);
  } else {
    record[place] = 0;
    std::memset(record + place + 1, 0, size);
  }
  if (fieldNo > 0 && static_cast<size_t>(fieldNo - 1) < changedFields_.size())
    changedFields_[static_cast<size_t>(fieldNo - 1)] = true;
  if (fieldNo > 0 && imageOffset_ > 0 && static_cast<size_t>(fieldNo - 1) < lazyFields_.size())
    PendingFlags(record)[fieldNo - 1] = 0;  // the slot holds the written value now
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue) DataEvent(deFieldChange, Field);
}

// ---- record translation ---------------------------------------------------------

void TXbTable::RecordToBuffer(Byte* Buffer) { LoadRecord(Buffer, recordImage_.data()); }

void TXbTable::LoadRecord(Byte* Buffer, const char* Image) {
  if (imageOffset_ <= 0 || !Buffer) return;
  char* own = BufferImage(Buffer);
  if (Image && Image != own) std::memcpy(own, Image, static_cast<size_t>(std::max(recordSize_, 1)));
  Byte* pending = PendingFlags(Buffer);
  if (encrypted_ && password_.empty()) {
    // Masked values depend on no byte of the record: all of them at once.
    std::memset(pending, 0, lazyFields_.size());
    for (TField* field : Fields()) {
      const int fieldNo = field->FieldNo();
      if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
      FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(fieldNo - 1)], own, true, false);
    }
    return;
  }
  std::memcpy(pending, lazyFields_.data(), lazyFields_.size());
  if (eagerFields_.empty()) return;
  const bool insertingAtEnd = State() == dsInsert && Eof();
  for (TField* field : eagerFields_)
    FieldFromImage(Buffer, field, *fieldInfos_[static_cast<size_t>(field->FieldNo() - 1)], own, false, insertingAtEnd);
}

void TXbTable::EnsureSlot(Byte* Buffer, TField* Field) {
  const int fieldNo = Field->FieldNo();
  if (imageOffset_ <= 0 || fieldNo <= 0 || fieldNo > static_cast<int>(lazyFields_.size())) return;
  Byte& pending = PendingFlags(Buffer)[fieldNo - 1];
  if (pending == 0) return;
  pending = 0;
  FieldFromImage(Buffer, Field, *fieldInfos_[static_cast<size_t>(fieldNo - 1)], BufferImage(Buffer), false, false);
}

void TXbTable::FieldFromImage(Byte* Buffer, TField* Field, const TFieldInfo& Info, const char* Image, bool Masked,
                              bool InsertingAtEnd) {
  Byte* slot = Buffer + Info.BufferOffset;
  Byte* value = slot + 1;
  const int width = Info.Width;
  if (Info.EngineOffset < 0 || width < 0 || Info.EngineOffset + width > recordSize_) {
    slot[0] = 0;  // an engine answer that does not fit the record is never read
    return;
  }
  const char* text = Image + Info.EngineOffset;
  const int dataSize = Field->DataSize();
  if (Masked) {
    slot[0] = 1;
    if (Field->DataType() == ftString) {
      std::memset(value, '*', static_cast<size_t>(std::max(dataSize - 1, 0)));
      if (dataSize > 0) value[dataSize - 1] = 0;
    } else {
      std::memset(value, 0, static_cast<size_t>(dataSize));
    }
    return;
  }
  const bool blank = IsBlank(text, width);
  switch (Field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString: {
      const int n = std::min(width, std::max(dataSize - 1, 0));
      slot[0] = blank ? 0 : 1;
      std::memcpy(value, text, static_cast<size_t>(n));
      value[n] = 0;
      for (int i = n - 1; i >= 0 && value[i] == ' '; --i) value[i] = 0;
      break;
    }
    case ftSmallint:
    case ftWord:
      slot[0] = blank ? 0 : 1;
      Store<std::int16_t>(value, blank ? 0 : static_cast<std::int16_t>(ParseDbfInteger(text, width)));
      break;
    case ftInteger:
    case ftAutoInc:
      slot[0] = blank ? 0 : 1;
      Store<std::int32_t>(value, blank ? 0 : static_cast<std::int32_t>(ParseDbfInteger(text, width)));
      break;
    case ftBoolean:
      slot[0] = blank ? 0 : 1;
      Store<std::int16_t>(value, (!blank && (text[0] == 'T' || text[0] == 'Y')) ? -1 : 0);
      break;
    case ftFloat:
    case ftCurrency:
      slot[0] = blank ? 0 : 1;
      Store<double>(value, blank ? 0.0 : ParseDbfFloat(text, width));
      break;
    case ftDate: {
      std::int32_t day = 0;
      if (width < 8 || text[1] == ' ' || text[1] == '\0' || text[5] == '\0' || text[7] == '\0') {
        slot[0] = 0;
      } else {
        slot[0] = 1;
        if (std::memcmp(text + 4, "00", 2) != 0 && std::memcmp(text + 6, "00", 2) != 0) {
          const int y = ParseDigits(text, 4), m = ParseDigits(text + 4, 2), d = ParseDigits(text + 6, 2);
          if (ValidDate(y, m, d)) day = DayNumber(y, m, d);
        }
      }
      Store<std::int32_t>(value, day);
      break;
    }
    case ftMemo:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo: {
      Byte* blobSlot = Buffer + blobAreaOffset_ + Field->Offset() * BlobSlotSize;
      ResetSlot(blobSlot, true);
      if (!InsertingAtEnd) std::memcpy(blobSlot + kSlotMemoText, text, static_cast<size_t>(std::min(width, 10)));
      slot[0] = IsBlank(reinterpret_cast<const char*>(blobSlot + kSlotMemoText), 10) ? 0 : 1;
      break;
    }
    default:
      slot[0] = 0;
      break;
  }
}

void TXbTable::TranslateBuffer(Byte* Buffer, std::vector<char>& Image, const std::vector<bool>* Only) {
  for (TField* field : Fields()) {
    const int fieldNo = field->FieldNo();
    if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    if (Only && (static_cast<size_t>(fieldNo - 1) >= Only->size() || !(*Only)[static_cast<size_t>(fieldNo - 1)]))
      continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    const int width = info.Width;
    if (info.EngineOffset < 0 || width < 0 || info.EngineOffset + width > static_cast<int>(Image.size())) continue;
    char* dest = Image.data() + info.EngineOffset;
    EnsureSlot(Buffer, field);
    const Byte* slot = Buffer + info.BufferOffset;
    const bool has = slot[0] != 0;
    const Byte* value = slot + 1;
    switch (field->DataType()) {
      case ftString:
      case ftFixedChar:
      case ftWideString: {
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (has) {
          const char* s = reinterpret_cast<const char*>(value);
          const size_t n = strnlen(s, static_cast<size_t>(std::max(field->DataSize() - 1, 0)));
          std::memcpy(dest, s, std::min(n, static_cast<size_t>(width)));
        }
        break;
      }
      case ftSmallint:
      case ftWord:
      case ftInteger:
      case ftAutoInc: {
        std::string text;
        if (has) {
          const std::int64_t v = field->DataType() == ftSmallint ? Load<std::int16_t>(value)
                                 : field->DataType() == ftWord   ? Load<std::uint16_t>(value)
                                                                 : Load<std::int32_t>(value);
          text = std::to_string(v);
        }
        if (!PutRightAligned(dest, width, text)) RaiseError(kTranslateError);
        break;
      }
      case ftBoolean:
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (width > 0) dest[0] = has ? (Load<std::int16_t>(value) != 0 ? 'T' : 'F') : ' ';
        break;
      case ftFloat:
      case ftCurrency: {
        std::string text = has ? FormatFixed(Load<double>(value), info.Decimals) : std::string();
        if (!PutRightAligned(dest, width, text)) RaiseError(kTranslateError);
        break;
      }
      case ftDate: {
        const std::int32_t day = Load<std::int32_t>(value);
        std::memset(dest, ' ', static_cast<size_t>(width));
        if (has && day >= 1 && width >= 8) std::memcpy(dest, DateText(day, epoch_).data(), 8);
        break;
      }
      case ftMemo:
      case ftBlob:
      case ftGraphic:
      case ftFmtMemo: {
        const Byte* blobSlot = Buffer + blobAreaOffset_ + field->Offset() * BlobSlotSize;
        std::memcpy(dest, blobSlot + kSlotMemoText, static_cast<size_t>(std::min(width, 10)));
        break;
      }
      default:
        break;
    }
  }
}

void TXbTable::BufferToRecord(Byte* Buffer) {
  if (workArea_ <= 0) return;
  SelectArea();
  std::vector<char> image(static_cast<size_t>(std::max(recordSize_, 1)), ' ');
  if (FieldCount() != fieldCount_ || State() != dsInsert) EngineGetRecord(image.data());
  TranslateBuffer(Buffer, image, nullptr);
  if (State() == dsInsert)
    image[0] = ' ';
  else if (EngineDeleted())
    image[0] = '*';
  EnginePutRecord(image.data());
}

void TXbTable::WriteBlobFields(Byte* Buffer) {
  if (BlobFieldCount() == 0) return;
  for (TField* field : Fields()) {
    if (!field->IsBlob()) continue;
    Byte* slot = Buffer + blobAreaOffset_ + field->Offset() * BlobSlotSize;
    if (slot[kSlotModified] == 0) continue;
    char* data = SlotData(slot);
    const std::int32_t length = Load<std::int32_t>(slot + kSlotLength);
    if (field->DataType() == ftMemo) {
      EngineReplace(field->FieldName(), kReplaceMemo, data ? data : "");
    } else if (EnginePutBlob(field->FieldName(), data, length) != length) {
      RaiseError("Blob Write Error");
    }
  }
}

// ---- navigation -------------------------------------------------------------------

TGetResult TXbTable::FetchRecord(Byte* Buffer, TGetMode GetMode, bool DoCheck) {
  if (workArea_ <= 0) return GetMode == gmPrior ? grBOF : grEOF;
  SelectArea();
  TGetResult result = grOK;
  bool accepted = true;
  do {
    std::int32_t recNo = 0;
    if (!IsServer()) {
      // Where a move started, to tell a move that went nowhere (gmCurrent does not move).
      const std::int32_t before = (atTop_ || atBottom_ || GetMode == gmCurrent) ? 0 : EngineRecNo();
      result = grOK;
      switch (GetMode) {
        case gmCurrent:
          if (EngineBof() && EngineEof()) {
            result = grEOF;
          } else if (EngineEof() && eofAction_ == eaMoveLast) {
            EngineGoBottom();
            if (EngineEof()) result = grEOF;
          }
          break;
        case gmNext:
          if (atTop_)
            EngineGoTop();
          else
            EngineSkip(1);
          if (EngineEof() || EngineRecNo() == before) {
            EngineGoBottom();
            result = grEOF;
          }
          break;
        case gmPrior:
          if (atBottom_)
            EngineGoBottom();
          else
            EngineSkip(-1);
          if (EngineBof() || EngineRecNo() == before) {
            EngineGoTop();
            result = grBOF;
          }
          break;
      }
      // The comparison above already read the number of a record that moved.
      recNo = (result == grOK && GetMode != gmCurrent) ? currentRecNo_ : EngineRecNo();
      logicalPosition_ = -2;
    } else {
      result = ServerFetch(GetMode, recNo);
    }

    InitRecordBuffer(Buffer);
    accepted = true;
    if (result == grOK) {
      if (IsServer()) {
        LoadRecord(Buffer, recordImage_.data());
      } else {
        // The engine copies the record straight into the buffer's own image.
        char* image = imageOffset_ > 0 ? BufferImage(Buffer) : recordImage_.data();
        EngineGetRecord(image);
        LoadRecord(Buffer, image);
      }
      SetTrailer(Buffer, recNo, bfCurrent);
      if (CalcFieldsSize() > 0) GetCalcFields(Buffer);
      if (OnFilterRecord && Filtered()) {
        const TDataSetState saved = SetTempState(dsFilter);
        filterBuffer_ = Buffer;
        try {
          OnFilterRecord(this, accepted);
        } catch (...) {
          // A failing filter handler does not hide the record.
        }
        filterBuffer_ = nullptr;
        RestoreState(saved);
        SelectArea();  // the handler may have used other tables
        if (!accepted) {
          if (GetMode == gmCurrent) {
            result = grEOF;
          } else {
            // Go on from the rejected record in the same direction; the
            // first record being rejected must not hide the rest.
            atTop_ = false;
            atBottom_ = false;
          }
        }
      }
    } else if (result == grError && DoCheck) {
      RaiseError(kEmptyTable);
    }
  } while (!accepted && result == grOK);
  atTop_ = false;
  atBottom_ = false;
  return result;
}

TGetResult TXbTable::ServerFetch(TGetMode GetMode, std::int32_t& RecNo) {
  while (static_cast<int>(fetchRows_.size()) < fetchCount_) {
    auto row = std::make_unique<TXbConnection::TFetchRow>();
    row->Image.assign(static_cast<size_t>(std::max(recordSize_, 1)), ' ');
    fetchRows_.push_back(std::move(row));
  }
  if (static_cast<int>(GetMode) == fetchDirection_ && fetchPosition_ < rowsHeld_ - 1) {
    ++fetchPosition_;
  } else {
    fetchPosition_ = 0;
    std::vector<TXbConnection::TFetchRow> rows(fetchRows_.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i].Image = fetchRows_[i]->Image;
    rowsHeld_ = Connection().FetchRecords(atTop_, atBottom_, rows, currentRecNo_, fetchCount_, recordSize_,
                                          fetchDirection_, GetMode, eofAction_);
    for (size_t i = 0; i < rows.size(); ++i) *fetchRows_[i] = std::move(rows[i]);
  }
  if (rowsHeld_ <= 0) return grEOF;
  const TXbConnection::TFetchRow& row = *fetchRows_[static_cast<size_t>(fetchPosition_)];
  const size_t n = std::min(row.Image.size(), recordImage_.size());
  std::memcpy(recordImage_.data(), row.Image.data(), n);
  RecNo = row.RecNo;
  currentRecNo_ = row.RecNo;
  logicalPosition_ = row.LogicalPosition;
  fetchDirection_ = static_cast<Byte>(GetMode);
  return static_cast<TGetResult>(row.Status);
}

void TXbTable::GoBeforeFirst() {
  if (workArea_ > 0) {
    if (!IsServer() && EngineAlias(workArea_).empty()) OpenWorkArea();
    SelectArea();
    EngineGoTop();
  }
  rowsHeld_ = -1;
  atTop_ = true;
  atBottom_ = false;
  currentRecNo_ = 0;
}

void TXbTable::GoAfterLast() {
  if (workArea_ > 0) {
    SelectArea();
    EngineGoBottom();
  }
  rowsHeld_ = -1;
  atBottom_ = true;
  atTop_ = false;
}

void TXbTable::GotoBufferRecord(Byte* Buffer) {
  if (workArea_ <= 0) return;
  SelectArea();
  EngineGo(TrailerRecNo(Buffer));
}

void TXbTable::GotoBookmarkData(const Byte* Bookmark) {
  std::int32_t recNo = 0;
  if (Bookmark) std::memcpy(&recNo, Bookmark, 4);
  try {
    SetPhysicalRecNo(recNo);
  } catch (...) {
    RaiseError("Invalid bookmark");
  }
}

void TXbTable::ResyncCursor(TResyncMode Mode) {
  if (workArea_ <= 0 || speedMode_ || State() == dsInactive) return;
  SelectArea();
  EngineGo(PhysicalRecNo());
  TDataSet::ResyncCursor(Mode);
}

void TXbTable::RefreshCursor() {
  const String filter = DBFilter();
  if (!filter.empty()) {
    const std::int32_t n = EngineRecNo();
    if (EngineQueryTest(filter) > 0) {
      Query(filter);
      EngineGo(n);
    }
  } else {
    ResyncCursor({});
  }
}

void TXbTable::DoBeforeMove() {
  if (speedMode_) return;
  CheckBrowseMode();
  if (!ControlsDisabled()) DoBeforeScroll();
}

void TXbTable::DoAfterMove() {
  if (!speedMode_) TDataSet::FinishScroll();
}

bool TXbTable::Bof() const {
  auto* self = const_cast<TXbTable*>(this);
  if (speedMode_ && workArea_ > 0) {
    self->SelectArea();
    if (self->EngineBof()) return true;
  }
  return TDataSet::Bof();
}

bool TXbTable::Eof() const {
  auto* self = const_cast<TXbTable*>(this);
  if (workArea_ > 0) {
    self->SelectArea();
    if (self->EngineEof()) return true;
  }
  return TDataSet::Eof();
}

int TXbTable::MoveBy(int Distance) {
  rowsHeld_ = -1;
  if (!speedMode_) return TDataSet::MoveBy(Distance);
  Skip(Distance);
  return Distance;
}

void TXbTable::Next() {
  if (speedMode_)
    Skip(1);
  else
    TDataSet::Next();
}

void TXbTable::Prior() {
  if (speedMode_)
    Skip(-1);
  else
    TDataSet::Prior();
}

void TXbTable::Skip(std::int32_t Distance) {
  if (workArea_ <= 0) return;
  if (Distance > 1 || Distance < -1) rowsHeld_ = -1;
  if (Distance > 0) atTop_ = false;
  if (Distance < 0) atBottom_ = false;
  if (!speedMode_) {
    MoveBy(Distance);
  } else {
    SelectArea();
    EngineSkip(Distance);
  }
}

void TXbTable::GoTop() {
  if (workArea_ <= 0) return;
  rowsHeld_ = -1;
  if (!speedMode_) {
    First();
  } else {
    SelectArea();
    EngineGoTop();
  }
}

std::int32_t TXbTable::PhysicalRecNo() {
  if (workArea_ <= 0) return 0;
  if (speedMode_) {
    SelectArea();
    return EngineRecNo();
  }
  return TrailerRecNo(State() == dsCalcFields ? CalcBuffer() : ActiveBuffer());
}

void TXbTable::SetPhysicalRecNo(std::int32_t Value) {
  if (workArea_ <= 0) return;
  if (speedMode_) {
    SelectArea();
    EngineGo(Value);
    return;
  }
  DoBeforeMove();
  SetTrailer(ActiveBuffer(), Value, bfCurrent);
  rowsHeld_ = -1;
  ResyncCursor({});
  DoAfterMove();
}

std::int32_t TXbTable::RecCount() {
  if (workArea_ <= 0) return 0;
  Recount();
  return rawRecordCount_;
}

void TXbTable::Recount() {
  if (workArea_ <= 0) return;
  SelectArea();
  rawRecordCount_ = EngineRecCount();
  switch (sequencedCount_) {
    case scAllCount: recordCount_ = Count(); break;
    case scFilterOnlyCount: recordCount_ = QueryRecCount(); break;
    case scRawCount: recordCount_ = rawRecordCount_; break;
  }
  recordCountStale_ = false;
}

std::int32_t TXbTable::Count() { return workArea_ > 0 ? EngineCount() : 0; }

std::int32_t TXbTable::QueryRecCount() { return workArea_ > 0 ? EngineQueryRecCount() : 0; }

String TXbTable::DBFilter() {
  if (workArea_ <= 0) return String();
  SelectArea();
  return EngineDBFilter();
}

std::int32_t TXbTable::LogicalPosition() {
  if (logicalPosition_ == -2 && workArea_ > 0 && !IsServer()) {
    SelectArea();
    logicalPosition_ = static_cast<std::int32_t>(xbe::xb_OrderPosGet() * recordCount_);
  }
  return logicalPosition_;
}

void TXbTable::SetSpeedMode(bool Value) {
  speedMode_ = Value;
  if (workArea_ <= 0 || !Active()) return;
  if (Value) {
    UpdateCursorPos();
  } else {
    SelectArea();
    SetTrailerRecNo(ActiveBuffer(), EngineRecNo());
    ResyncCursor({});
  }
}

void TXbTable::SetSequenced(bool Value) {
  if (Value == sequenced_) return;
  sequenced_ = Value;
  if (workArea_ > 0 && Active()) {
    UpdateCursorPos();
    ResyncCursor({});
  }
}

bool TXbTable::HasSequencedOrder() { return tableType_ == ttSXNTX ? false : sequenced_; }

int TXbTable::CountRecords() {
  if (workArea_ > 0 && (recordCountStale_ || recordCount_ == -1)) Recount();
  return recordCount_;
}

int TXbTable::GetRecNo() {
  if (workArea_ <= 0 || !cursorOpen_) return 0;
  SelectArea();
  UpdateCursorPos();
  if (currentIndexOrder_ == 0 || tableType_ == ttSXNTX) return currentRecNo_;
  if (recordCountStale_ || recordCount_ == -1) Recount();
  return LogicalPosition();
}

void TXbTable::SetRecNo(int Value) {
  if (workArea_ <= 0) return;
  CheckBrowseMode();
  SelectArea();
  EngineGo(Value);
  // In natural order the position is the record number itself (as GetRecNo
  // answers it); only an index order is positioned by its relative place.
  if (currentIndexOrder_ != 0 && tableType_ != ttSXNTX && recordCount_ > 0)
    EngineOrderPosSet(static_cast<double>(Value) / recordCount_);
  SetTrailer(ActiveBuffer(), EngineRecNo(), bfCurrent);
  ResyncCursor({});
}

void TXbTable::FinishScroll() {
  if (workArea_ > 0) UpdateCursorPos();
  TDataSet::FinishScroll();
}

// ---- editing ------------------------------------------------------------------------

void TXbTable::SetTrailerFromEngine(bool Eof) {
  Byte* active = ActiveBuffer();
  const std::int32_t recNo = EngineRecNo();
  SetTrailer(active, recNo, Eof ? bfEOF : bfCurrent);
}

void TXbTable::PrepareEdit() {
  TDataSet::PrepareEdit();
  if (workArea_ <= 0) return;
  SelectArea();
  currentRecNo_ = speedMode_ ? EngineRecNo() : TrailerRecNo(ActiveBuffer());
  const std::int32_t recNo = currentRecNo_;
  lockedImageRead_ = false;
  // The engine refuses the lock on a work area that is no longer open, so a
  // granted lock also tells that the area is there.
  if (!EngineRlock(recNo)) RaiseError(kLockFailure);
  try {
    lockedRecNo_ = recNo;
    std::fill(changedFields_.begin(), changedFields_.end(), false);
    if (recNo != -1) {
      // The record going into edit shows what is on disk at the moment of the
      // lock; as nobody else may change it while the lock is held, this is
      // the one read the edit needs.
      EngineGo(recNo);
      lockedImage_.resize(recordImage_.size());
      EngineGetRecord(lockedImage_.data());
      LoadRecord(ActiveBuffer(), lockedImage_.data());
      lockedImageRead_ = true;
    }
  } catch (...) {
    lockedRecNo_ = recNo;
    AbandonEdit();
    throw;
  }
}

void TXbTable::AbandonEdit() {
  // A lock granted for an edit that never starts is given back.
  const std::int32_t recNo = lockedRecNo_;
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  if (workArea_ <= 0 || recNo == 0) return;
  try {
    SelectArea();
    EngineUnlock(recNo);
  } catch (...) {
  }
}

void TXbTable::PrepareInsert() {
  TDataSet::PrepareInsert();
  if (workArea_ > 0) {
    SelectArea();
    savedRecNo_ = TrailerRecNo(ActiveBuffer());
  }
  std::fill(changedFields_.begin(), changedFields_.end(), false);
}

void TXbTable::FinishInsert() {
  if (State() != dsInsert) return;
  if (workArea_ > 0) SelectArea();
  SetTrailer(ActiveBuffer(), -1, bfEOF);
  TDataSet::FinishInsert();
}

void TXbTable::InitNewRecord() {
  if (masterLink_->Active() && !masterLink_->Fields().empty()) {
    std::vector<TField*> keyFields;
    GetFieldList(keyFields, IndexKeyFields(IndexKey()));
    const auto& masters = masterLink_->Fields();
    for (size_t i = 0; i < masters.size() && i < keyFields.size(); ++i)
      keyFields[i]->SetAsVariant(masters[i]->AsVariant());
  }
  TDataSet::InitNewRecord();
}

void TXbTable::PostRecord() {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  Byte* active = ActiveBuffer();
  if (State() == dsInsert) {
    AppendFromBuffer(active);
  } else {
    // Exactly the record Edit locked is written, whatever moved the engine
    // since; fields not changed in this edit keep their stored bytes.
    const std::int32_t target = lockedRecNo_ > 0 ? lockedRecNo_ : TrailerRecNo(active);
    EngineGo(target);
    std::vector<char>& image = writeImage_;
    if (lockedImageRead_ && target == lockedRecNo_) {
      image = lockedImage_;  // the lock has been held since these bytes were read
    } else {
      image.assign(recordImage_.size(), ' ');
      EngineGetRecord(image.data());
    }
    TranslateBuffer(active, image, &changedFields_);
    EnginePutRecord(image.data());
  }
  WriteBlobFields(active);
  EngineCommit();
  EngineUnlock(0);
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  std::fill(changedFields_.begin(), changedFields_.end(), false);
  if (!speedMode_) SetTrailerFromEngine(EngineEof());
  savedRecNo_ = 0;
}

void TXbTable::AppendFromBuffer(Byte* Buffer) {
  // Every value is translated before the record is appended, so a value that
  // does not fit leaves no blank record behind.
  std::vector<char>& image = writeImage_;
  image.assign(static_cast<size_t>(std::max(recordSize_, 1)), ' ');
  TranslateBuffer(Buffer, image, nullptr);
  image[0] = ' ';
  recordCountStale_ = true;
  EngineAppendBlank();
  EnginePutRecord(image.data());
}

void TXbTable::AddRecordBuffer(Byte* Buffer, bool) {
  if (readOnly_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  AppendFromBuffer(Buffer);
  EngineCommit();
  SetTrailerFromEngine(EngineEof());
}

void TXbTable::DeleteRecord() {
  if (readOnly_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  if (IsEmpty()) RaiseError(kEmptyTable);
  SelectArea();
  if (!speedMode_) UpdateCursorPos();
  const bool dropsOut =
      UpperCase(EngineIndexCondition()).find("DELETED()") != String::npos || EngineSysProp(1006, 0) != 0;
  if (dropsOut) {
    const std::int32_t deleted = EngineRecNo();
    EngineSkip(1);
    const std::int32_t next = EngineEof() ? -1 : EngineRecNo();
    EngineGo(deleted);
    EngineDelete();
    if (next == -1)
      EngineGoBottom();
    else
      EngineGo(next);
  } else {
    EngineDelete();
  }
  if (!speedMode_) SetTrailerFromEngine(EngineEof());
  recordCountStale_ = true;
  ResyncCursor({});
}

void TXbTable::Cancel() {
  TDataSet::Cancel();
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  if (workArea_ <= 0) return;
  SelectArea();
  EngineUnlock(0);
}

void TXbTable::FinishCancel() {
  if (workArea_ > 0) SelectArea();
  if (savedRecNo_ > 0) {
    SetTrailer(ActiveBuffer(), savedRecNo_, bfCurrent);
    savedRecNo_ = 0;
    ResyncCursor({});
  }
  TDataSet::FinishCancel();
}

// ---- indexes, scopes and filters (what the open path and creation use) ----------

String TXbTable::IndexFileBaseName(const String& Name) {
  String base = ExtractFileName(Name);
  size_t dot = base.find('.');
  if (dot != String::npos) base.erase(dot);
  return UpperCase(base);
}

String TXbTable::IndexKeyFields(const String& Expression) {
  String result, word;
  bool inParens = false;
  auto endWord = [&]() {
    if (!word.empty() && word.find_first_of("=<>$#") == String::npos && !(word[0] >= '0' && word[0] <= '9'))
      result += word + ";";
    word.clear();
  };
  for (char c : Expression + "+") {
    if (c == '(') {
      inParens = true;
      word.clear();
    } else if (c == ')') {
      inParens = false;
      endWord();
    } else if (c == '+' || c == '-') {
      endWord();
    } else if (c == ',' && inParens) {
      endWord();
    } else if (c != ' ') {
      word += c;
    }
  }
  if (!result.empty()) result.pop_back();
  return result;
}

void TXbTable::SetIndexName(const String& Value) {
  if (Value == indexName_) return;
  if (tableType_ == ttSXNTX && !Value.empty() && !indexName_.empty() &&
      IndexFileBaseName(Value) == IndexFileBaseName(indexName_))
    return;
  indexName_ = Value;
  if (workArea_ <= 0) return;
  SelectArea();
  if (Active()) CheckBrowseMode();
  int order = 0;
  if (!Value.empty()) {
    const String upper = UpperCase(Value);
    const bool tag = IsServer() ? tableType_ != ttSXNTX
                                : tableType_ != ttSXNTX && ExtractFileExt(upper) != ".IDX";
    if (tag) {
      order = EngineTagArea(Value);
    } else {
      order = extraIndexes_->IndexOf(Value) + 1;
      if (order == 0) {
        String path = HasPathDelimiter(Value) ? Value : directory_ + Value;
        if (ExtractFileExt(path).empty()) path += ".NTX";
        if (EngineFileExists(path)) {
          order = EngineIndexOpen(path);
          indexDefs_->SetUpdated(false);
          ReadIndexDefs();
        }
      }
    }
    if (Active() && order == 0 && (IsServer() || errorFunc_ == -1)) RaiseError("Invalid IndexName value : " + Value);
  }
  EngineSetOrder(order);
  recordCountStale_ = true;
  if (Active()) {
    UpdateCursorPos();
    ResyncCursor({});
  }
}

void TXbTable::SetExtraIndexes(const TStringList& Value) {
  if (&Value == extraIndexes_.get()) return;
  SetIndexName(String());
  auto handler = extraIndexes_->OnChange;
  extraIndexes_->OnChange = nullptr;
  extraIndexes_->Assign(const_cast<TStringList*>(&Value));
  extraIndexes_->OnChange = handler;
  if (workArea_ > 0) {
    OpenExtraIndexes();
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
  }
}

void TXbTable::ExtraIndexesChanged() {
  indexDefs_->SetUpdated(false);
  ReadIndexDefs();
}

void TXbTable::OpenExtraIndexes() {
  if (extraIndexes_->Count() == 0) return;
  if (workArea_ > 0) {
    SelectArea();
    int saved = IndexOrd();
    EngineCloseIndexes();
    if (tableType_ != ttSXNTX) {
      const String production = ChangeFileExt(tableName_, tableType_ == ttSXFOX || tableType_ == ttSXNONE ? ".CDX" : ".NSX");
      if (EngineFileExists(production)) EngineIndexOpen(production);
    }
    EngineSetOrder(0);
    for (int i = 0; i < extraIndexes_->Count(); ++i) {
      const String line = Trim(extraIndexes_->Strings(i));
      if (line.empty()) continue;
      String path = HasPathDelimiter(line) ? line : directory_ + line;
      if (ExtractFileExt(path).empty()) {
        switch (tableType_) {
          case ttSXNTX: path += ".NTX"; break;
          case ttSXFOX: path += ".IDX"; break;
          case ttSXNSX:
          case ttSXNSX_DBT: path += ".NSX"; break;
          case ttSXNONE: break;
        }
      }
      if (!EngineFileExists(path)) RaiseError("Invalid IndexName value : " + extraIndexes_->Strings(i));
      const int n = EngineIndexOpen(path);
      if (saved == 0) {
        saved = n;
        indexName_ = path;
      }
    }
    EngineSetOrder(saved);
  }
  indexDefs_->SetUpdated(false);
  ReadIndexDefs();
  recordCountStale_ = true;
  if (cursorOpen_)
    ResyncCursor({});
  else if (Active())
    UpdateCursorPos();
}

void TXbTable::ReadIndexDefs() {
  if (workArea_ <= 0 || indexDefs_->Updated()) return;
  SelectArea();
  EngineSetStringType(1);
  const int n = EngineSysProp(3000, 0);
  indexDefs_->Clear();
  if (n != 0) {
    const int saved = EngineIndexOrd();
    for (int i = 1; i <= n; ++i) {
      String file;
      if (tableType_ == ttSXNTX) {
        file = EngineIndexName(i);
        if (file.empty()) continue;
      }
      EngineSetOrder(i);
      const String expression = UpperCase(EngineIndexKey());
      const String name = tableType_ == ttSXNTX ? file : EngineTagName(i);
      TIndexOptions options;
      if (tableType_ == ttSXNTX) options.Include(ixNonMaintained);
      const int type = EngineIndexType();
      if (type == 2 || type == 4) options.Include(ixUnique);
      if (expression.find("UPPER(") != String::npos) options.Include(ixCaseInsensitive);
      if (EngineSysProp(3002, 0) != 0) options.Include(ixDescending);
      if (expression.find_first_of("+(-") != String::npos) options.Include(ixExpression);
      const String fields = options.Contains(ixExpression) ? String() : EngineIndexKeyField();
      if (name.empty() || expression.empty()) RaiseError("Invalid Index File or Tag");
      TIndexDef* def = indexDefs_->Add(name, fields, options);
      if (options.Contains(ixExpression))
        def->SetExpression(expression);
      else
        def->SetFields(fields);
      if (!options.Contains(ixNonMaintained))
        def->SetSource(ExtractFileName(EngineIndexName(i)));
      else
        def->SetSource(file);
    }
    EngineSetOrder(saved);
  }
  indexDefs_->SetUpdated(true);
}

int TXbTable::MakeIndex(const String& Name, const char* MissingName, const String& Expression,
                        const String& Condition, const std::function<int()>& Make) {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  if (Name.empty()) RaiseError(MissingName);
  if (Expression.empty()) RaiseError("Missing Parameter to Index or IndexTag Method: Index Expression");
  if (EngineEvalTest(Expression) == 0) RaiseError("Invalid index expression [" + Expression + "]");
  const int result = Make();
  if (!creating_) {
    indexName_ = Name;
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
    recordCountStale_ = true;
    if (!Condition.empty())
      GoTop();
    else
      ResyncCursor({});
  }
  return result;
}

int TXbTable::Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                    bool Descending) {
  return MakeIndex(FileName, "Missing Parameter to Index Method: Index File Name", Expression, Condition,
                   [&] { return EngineIndex(FileName, Expression, Condition, Unique, Descending); });
}

int TXbTable::IndexTag(const String& FileName, const String& TagName, const String& Expression,
                       const String& Condition, bool Unique, bool Descending) {
  return MakeIndex(TagName, "Missing Parameter to IndexTag Method: Index Tag Name", Expression, Condition, [&] {
    return EngineIndexTag(FileName, Trim(TagName), Expression, Condition, Unique, Descending);
  });
}

int TXbTable::IndexOrd() { return workArea_ > 0 ? (SelectArea(), EngineIndexOrd()) : 0; }

String TXbTable::IndexKey() {
  if (workArea_ <= 0) return String();
  if (indexName_.empty()) RaiseError(kNoActiveOrder);
  SelectArea();
  return EngineIndexKey();
}

bool TXbTable::IsEncrypted(int Which) {
  if (workArea_ <= 0) return false;
  SelectArea();
  return EngineIsEncrypted(Which);
}

std::int32_t TXbTable::Query(const String& Expression) {
  if (workArea_ <= 0) return 0;
  SelectArea();
  if (speedMode_) return EngineQuery(Expression);
  if (!Expression.empty() && EngineEvalTest(Expression) != 3) RaiseError("Invalid Query Expression");
  DoBeforeMove();
  const std::int32_t result = EngineQuery(Expression);
  SetTrailer(ActiveBuffer(), result, EngineEof() ? bfEOF : bfCurrent);
  currentRecNo_ = result;
  recordCountStale_ = true;
  ResyncCursor({});
  DoAfterMove();
  return result;
}

void TXbTable::ApplyFilter(const String& Text) {
  filterText_ = Text;
  if (workArea_ > 0) Query(filterActive_ ? Text : String());
}

void TXbTable::SetFilterText(const String& Value) {
  filterText_ = Value;
  ApplyFilter(Value);
  TDataSet::SetFilterText(Value);
}

void TXbTable::SetFiltered(bool Value) {
  TDataSet::SetFiltered(Value);
  filterActive_ = Value;
  ApplyFilter(filterText_);
}

void TXbTable::SetScopeBegin(const String& Value) {
  scopeBegin_ = Value;
  if (scoped_) SetScoped(true);
}

void TXbTable::SetScopeEnd(const String& Value) {
  scopeEnd_ = Value;
  if (scoped_) SetScoped(true);
}

void TXbTable::SetScoped(bool Value) {
  if (workArea_ <= 0) {
    if (Value) RaiseError(kClosedTable);
    scoped_ = false;
    return;
  }
  CheckBrowseMode();
  SelectArea();
  const std::int32_t n = PhysicalRecNo();
  bool result;
  if (Value) {
    result = EngineSetScope(&scopeBegin_, &scopeEnd_);
  } else {
    result = EngineSetScope(nullptr, nullptr);
  }
  if (!EngineEof()) {
    EngineGo(n);
    EngineSkip(1);
    if (EngineEof())
      EngineGoBottom();
    else
      EngineSkip(-1);
  }
  if (!speedMode_) SetTrailerFromEngine(EngineEof());
  recordCountStale_ = true;
  ResyncCursor({});
  scoped_ = Value && result && !EngineGetScope(0).empty();
}

// ---- creation --------------------------------------------------------------------

namespace {

struct XbFieldSpec {
  String name;
  TFieldType type;
  int size;
};

// The xBase field for a field type; false for a type a table cannot hold.
bool MapFieldType(TFieldType type, int size, String& letter, int& width, int& decimals) {
  decimals = 0;
  switch (type) {
    case ftString: letter = "C"; width = size; return true;
    case ftSmallint:
    case ftAutoInc: letter = "N"; width = 6; return true;
    case ftInteger: letter = "N"; width = 11; return true;
    case ftBoolean: letter = "L"; width = 1; return true;
    case ftFloat: letter = "N"; width = 20; decimals = 4; return true;
    case ftCurrency: letter = "N"; width = 20; decimals = 2; return true;
    case ftDate:
    case ftTime:
    case ftDateTime: letter = "D"; width = 8; return true;
    case ftBlob:
    case ftMemo: letter = "M"; width = 10; return true;
    default: return false;
  }
}

bool ValidFieldName(const String& name) {
  if (name.empty() || name.size() > 10) return false;
  const char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

void TXbTable::CreateTable() {
  if (workArea_ > 0 || Active()) Close();
  String dir;
  if (!IsServer()) {
    if (!EnsureEngineLoaded()) RaiseError(XbEngineMissingMessage);
    dir = ResolveDirectory();
  }
  String file = ExtractFileName(tableName_);
  if (ExtractFileExt(file).empty()) file += ".DBF";

  std::vector<XbFieldSpec> specs;
  if (FieldCount() > 0) {
    for (TField* f : Fields())
      if (f->FieldKind() == fkData) specs.push_back({f->FieldName(), f->DataType(), f->Size()});
  } else {
    for (int i = 0; i < FieldDefs().Count(); ++i) {
      TFieldDef* d = FieldDefs()[i];
      specs.push_back({d->Name(), d->DataType(), d->Size()});
    }
  }
  if (specs.empty()) RaiseError("Missing required field definitions");
  // Every definition is checked before the engine is asked for anything.
  struct Mapped {
    String name, letter;
    int width, decimals;
  };
  std::vector<Mapped> mapped;
  for (const XbFieldSpec& s : specs) {
    Mapped m{s.name, String(), 0, 0};
    if (!MapFieldType(s.type, s.size, m.letter, m.width, m.decimals))
      RaiseError("Invalid field type [" + IntToStr(static_cast<int>(s.type)) + "]");
    if (!ValidFieldName(s.name)) RaiseError("Invalid field name. Field names must begin with a letter");
    mapped.push_back(m);
  }

  const String path = dir + file;
  const std::int16_t area =
      EngineCreateNew(path, MakeAlias(file), static_cast<int>(tableType_), static_cast<int>(mapped.size()));
  if (area <= 0) RaiseError("Unable to create table.\rFile: " + path);
  bool written = false;
  try {
    for (const Mapped& m : mapped) EngineCreateField(m.name, m.letter, m.width, m.decimals);
    const std::int16_t created = EngineCreateExec();
    // A table held by someone else is never created over: the engine refuses
    // and the caller hears of it.
    if (created <= 0) RaiseError("Unable to create table.\rFile: " + path);
    written = true;
    workArea_ = IsServer() ? area : created;
    if (indexDefs_->Count() > 0) {
      SelectArea();
      // The index expressions take each field's type from the definitions as
      // given (a currency field stays currency), its width from the new table.
      creating_ = true;
      creationTypes_.clear();
      for (const XbFieldSpec& s : specs) creationTypes_.emplace_back(UpperCase(s.name), s.type);
      for (int i = 0; i < indexDefs_->Count(); ++i) {
        TIndexDef* def = indexDefs_->Items(i);
        CreateIndexTag(def->Name(), def->Fields(), def->Options());
      }
      creating_ = false;
    }
  } catch (...) {
    creating_ = false;
    creationTypes_.clear();
    if (written) CloseWorkAreaQuietly();
    workArea_ = 0;
    currentIndexOrder_ = 0;
    throw;
  }
  creationTypes_.clear();
  CloseWorkAreaQuietly();
  workArea_ = 0;
  currentIndexOrder_ = 0;
}

void TXbTable::CreateIndexTag(const String& Name, const String& Fields, TIndexOptions Options) {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  String expression;
  if (Fields.find(';') == String::npos) {
    expression = Fields;
  } else {
    size_t start = 0;
    while (start <= Fields.size()) {
      size_t end = Fields.find(';', start);
      if (end == String::npos) end = Fields.size();
      const String part = Fields.substr(start, end - start);
      TFieldType type = ftUnknown;
      auto given = std::find_if(creationTypes_.begin(), creationTypes_.end(),
                                [&](const auto& entry) { return entry.first == UpperCase(part); });
      if (TField* f = FindField(part))
        type = f->DataType();
      else if (given != creationTypes_.end())
        type = given->second;
      else if (TFieldDef* d = FieldDefs().FindDef(part))
        type = d->DataType();
      SelectArea();
      const String width = IntToStr(IsServer() ? EngineFieldWidth(part) : static_cast<int>(xbe::xb_FieldWidth(part.c_str())));
      String piece;
      switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftFloat: piece = "STR(" + part + "," + width + ",0)"; break;
        case ftCurrency: piece = "STR(" + part + "," + width + ",2)"; break;
        case ftBoolean: piece = "IIF(" + part + ",\"1\",\"0\")"; break;
        case ftDate: piece = "DTOS(" + part + ")"; break;
        default: piece = part; break;
      }
      if (!expression.empty()) expression += "+";
      expression += piece;
      start = end + 1;
    }
  }
  if (Options.Contains(ixCaseInsensitive)) expression = "Upper(" + expression + ")";
  const bool unique = Options.Contains(ixUnique);
  const bool descending = Options.Contains(ixDescending);
  int order = 0;
  if (Options.Contains(ixNonMaintained))
    order = Index(Name, expression, String(), unique, descending);
  else
    order = IndexTag(String(), Name, expression, String(), unique, descending);
  if (order <= 0) RaiseError("Unable to create index " + Name + " [" + expression + "]");
}

// ---- published properties ----------------------------------------------------------

namespace {

const bool registered = [] {
  RegisterClass<TXbTable>("TXbTable", "TDataSet")
      .Component("XbConnection", "TXbConnection", &TXbTable::XbConnection, &TXbTable::SetXbConnection)
      .Enum("AccessMethod", {"amLocal", "amServer"}, &TXbTable::AccessMethod, &TXbTable::SetAccessMethod, amLocal)
      .Str("DatabaseName", &TXbTable::DatabaseName, &TXbTable::SetDatabaseName)
      .Enum("EOFAction", {"eaEOF", "eaMoveLast"}, &TXbTable::EOFAction, &TXbTable::SetEOFAction, eaMoveLast)
      .Boolean("Exclusive", &TXbTable::Exclusive, &TXbTable::SetExclusive, false)
      .Strings(
          "ExtraIndexes",
          [](TXbTable& t) {
            std::vector<String> lines;
            for (int i = 0; i < t.ExtraIndexes().Count(); ++i) lines.push_back(t.ExtraIndexes().Strings(i));
            return lines;
          },
          [](TXbTable& t, const std::vector<String>& lines) {
            TStringList list;
            for (const String& line : lines) list.Add(line);
            t.SetExtraIndexes(list);
          })
      .Integer("FetchCount", &TXbTable::FetchCount, &TXbTable::SetFetchCount, 50)
      .Object("IndexDefs", [](TXbTable& t) -> TPersistent* { return &t.IndexDefs(); })
      .Str("IndexName", &TXbTable::IndexName, &TXbTable::SetIndexName)
      .Enum("CommitLevel", {"clFull", "clNormal", "clNone"}, &TXbTable::CommitLevel, &TXbTable::SetCommitLevel,
            clNormal)
      .Str("Password", &TXbTable::Password, &TXbTable::SetPassword)
      .Boolean("ReadOnly", &TXbTable::ReadOnly, &TXbTable::SetReadOnly, false)
      .Integer("RecCount", [](TXbTable& t) { return t.RecCount(); }, [](TXbTable&, std::int64_t) {})
      .NotStored()
      .Integer("RecNo", [](TXbTable& t) { return t.PhysicalRecNo(); },
               [](TXbTable& t, std::int64_t v) { t.SetPhysicalRecNo(static_cast<std::int32_t>(v)); })
      .NotStored()
      .Str("ScopeBegin", &TXbTable::ScopeBegin, &TXbTable::SetScopeBegin)
      .Boolean("Scoped", &TXbTable::Scoped, &TXbTable::SetScoped, false)
      .Str("ScopeEnd", &TXbTable::ScopeEnd, &TXbTable::SetScopeEnd)
      .Boolean("Sequenced", &TXbTable::Sequenced, &TXbTable::SetSequenced, true)
      .Enum("SequencedCount", {"scAllCount", "scFilterOnlyCount", "scRawCount"}, &TXbTable::SequencedCount,
            &TXbTable::SetSequencedCount, scRawCount)
      .Boolean("SpeedMode", &TXbTable::SpeedMode, &TXbTable::SetSpeedMode, false)
      .Str("TableName", &TXbTable::TableName, &TXbTable::SetTableName)
      .Boolean("TurboRead", &TXbTable::TurboRead, &TXbTable::SetTurboRead, false)
      .Boolean("OEMTranslate", &TXbTable::OEMTranslate, &TXbTable::SetOEMTranslate, false)
      .Str("MasterFields", &TXbTable::MasterFields, &TXbTable::SetMasterFields)
      .Component("MasterSource", "TDataSource", &TXbTable::MasterSource, &TXbTable::SetMasterSource)
      .Enum("TableType", {"ttSXNONE", "ttSXNTX", "ttSXFOX", "ttSXNSX", "ttSXNSX_DBT"}, &TXbTable::TableType,
            &TXbTable::SetTableType, ttSXFOX)
      .Str("Version", [](TXbTable& t) { return t.Version(); }, [](TXbTable&, const String&) {})
      .NotStored()
      .Event<TDataSetNotifyEvent>("OnUpdateRecord",
                                  [](TXbTable& t, TDataSetNotifyEvent e) { t.OnUpdateRecord = std::move(e); })
      .Event<TDataSetNotifyEvent>("OnUpdateError",
                                  [](TXbTable& t, TDataSetNotifyEvent e) { t.OnUpdateError = std::move(e); });
  RegisterClass<TXbDatabase>("TXbDatabase", "TComponent")
      .Str("DataPath", [](TXbDatabase& d) { return d.DataPath; }, [](TXbDatabase& d, const String& v) { d.DataPath = v; })
      .Str("DataPathAlias", [](TXbDatabase& d) { return d.DataPathAlias; },
           [](TXbDatabase& d, const String& v) { d.DataPathAlias = v; });
  return true;
}();

}  // namespace
