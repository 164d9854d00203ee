#include "data_access/XbLocalCursor.h"

#include <cstring>
#include <vector>

#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbError.h"

namespace {

// The entry points are bound all together or not at all, so one of them
// tells whether the engine is there; a path that reaches the engine before
// any open did loads it first. After the engine was let go (the program
// ends) nothing binds them again.
inline void NeedEngine() {
  if (xbe::xb_Select == nullptr && (!EnsureEngineLoaded() || xbe::xb_Select == nullptr))
    throw EXbError(XbEngineMissingMessage);
}

// A text answer of the engine, copied before the engine's buffer is reused.
String Str(const char* p) { return p ? String(p) : String(); }

short Flag(bool On) { return On ? -1 : 0; }

// Where the last record fetch left a work area: the record it reached and
// that the area is not at its end. The engine moves an area only when asked,
// so while no other engine operation ran since, these are the engine's own
// answers and a walk need not ask for them again. One place for the whole
// process: every operation of any local cursor that may move, change or
// re-read a table forgets it (Forget), so two tables walked in turns each
// ask the engine as before. Counts, deleted flags and record images are never
// kept: others may change them at any time. (Process-wide, as the engine's
// current area is: the engine serves one thread at a time.)
struct LandedPlace {
  std::int16_t Area = 0;  // 0: nothing known
  std::int32_t RecNo = 0;
};
LandedPlace landed;
// The area the local cursors last made current.
std::int16_t selected = 0;

inline void Forget() { landed.Area = 0; }

// The engine's writes answer nothing, and it reports a refused password only
// as a failure: either shows only through its error callback. The library
// installs no callback otherwise, so one is put in place around the call and
// taken away again; the engine's reason is kept for the error raised.
struct EngineReport {
  bool Failed = false;
  String Reason;
};
thread_local EngineReport report;
void NoteEngineFailure(int, const char* Message) {
  report.Failed = true;
  try {
    report.Reason = Message ? Message : "";
  } catch (...) {
    report.Reason.clear();  // no memory for the text: the failure still counts
  }
}

// Runs Call; true when the engine reported a failure meanwhile.
template <class Call>
bool EngineFailed(Call&& Body) {
  report.Failed = false;
  report.Reason.clear();
  const int level = xbe::xb_ErrorLevel(1);
  xbe::xb_SetErrorFunc(&NoteEngineFailure);
  Body();
  xbe::xb_SetErrorFunc(nullptr);
  xbe::xb_ErrorLevel(level);
  return report.Failed;
}

// Runs a write of the engine; a failure raises with the engine's reason, so
// no change it refused is ever taken for done.
template <class Call>
void Checked(Call&& Body) {
  if (EngineFailed(Body))
    throw EXbError(report.Reason.empty() ? String("The xBase engine refused the change") : report.Reason);
}

bool SetPasswordChecked(const String& Value) {
  return !EngineFailed([&] { xbe::xb_SetPassword(Value.c_str()); });
}

}  // namespace

// ---- opening, closing, describing ------------------------------------------------

TXbOpenAnswer TXbLocalCursor::Open(const TXbOpenRequest& Request) {
  NeedEngine();
  Forget();
  if (Request.EnvironmentApplied) {
    xbe::xb_SetEpoch(static_cast<short>(Request.Epoch));
    xbe::xb_SetDeleted(Flag(Request.Deleted));
    xbe::xb_SetCentury(Flag(Request.Century));
    xbe::xb_SetMemoBlockSize(Request.MemoBlockSize);
    // The last ordinal, 7, is the system's own format: code 99 to the engine.
    xbe::xb_SetDateFormat(Request.DateFormat == 7 ? 99 : Request.DateFormat);
    xbe::xb_SetSoftSeek(Flag(Request.SoftSeek));
    xbe::xb_SetExact(Flag(Request.Exact));
  } else {
    // Without a settings component deleted records stay hidden.
    xbe::xb_SetDeleted(Flag(Request.Deleted));
  }
  // The engine reports nothing of its own while the table opens.
  xbe::xb_ErrorLevel(0);
  TXbOpenAnswer answer;
  answer.WorkArea = xbe::xb_UseEx(Request.Path.c_str(), Request.Alias.c_str(), static_cast<short>(Request.OpenMode),
                                  static_cast<short>(Request.TableType), static_cast<short>(Request.CommitLevel));
  if (answer.WorkArea < 1) {
    answer.WorkArea = 0;
    return answer;
  }
  try {
    // From here on the engine holds the table: any failure hands it back.
    xbe::xb_ErrorLevel(Request.ErrorLevel);
    xbe::xb_SetTurboRead(Flag(Request.TurboRead));
    xbe::xb_SetTranslate(Flag(Request.OEMTranslate));
    answer.FieldCount = xbe::xb_FieldCount();
    answer.RecordSize = xbe::xb_RecSize();
    answer.Encrypted = xbe::xb_IsEncrypted(0) != 0;
    if (!Request.Password.empty()) answer.PasswordAccepted = SetPasswordChecked(Request.Password);
    xbe::xb_SetTurboRead(Flag(Request.TurboRead));
  } catch (...) {
    xbe::xb_Select(answer.WorkArea);
    xbe::xb_Close();
    throw;
  }
  return answer;
}

TXbFieldDescription TXbLocalCursor::Field(int FieldNumber) {
  NeedEngine();
  TXbFieldDescription d;
  d.Name = Str(xbe::xb_FieldName(static_cast<short>(FieldNumber)));
  const char* name = d.Name.c_str();
  d.Type = Str(xbe::xb_FieldType(name));
  // The engine answers these as unsigned 16-bit numbers.
  d.Offset = static_cast<int>(xbe::xb_FieldOffset(name)) - 1;
  d.Width = xbe::xb_FieldWidth(name);
  d.Decimals = xbe::xb_FieldDecimals(name);
  return d;
}

int TXbLocalCursor::FieldWidth(const String& Name) {
  NeedEngine();
  return xbe::xb_FieldWidth(Name.c_str());
}

String TXbLocalCursor::Alias(std::int16_t Area) {
  NeedEngine();
  return Str(xbe::xb_Alias(Area));
}

std::int16_t TXbLocalCursor::WorkArea(const String& Alias) {
  NeedEngine();
  return xbe::xb_WorkArea(Alias.c_str());
}

void TXbLocalCursor::Select(std::int16_t Area) {
  NeedEngine();
  xbe::xb_Select(Area);
  selected = Area;
}

void TXbLocalCursor::Close() {
  NeedEngine();
  Forget();
  xbe::xb_Close();
}

bool TXbLocalCursor::WritesRefused() {
  NeedEngine();
  // The engine answers read-only for an area whose files it cannot write.
  return xbe::xb_OpenMode() == 1;
}

bool TXbLocalCursor::FileExists(const String& Path) { return ::FileExists(Path); }

String TXbLocalCursor::Version() {
  NeedEngine();
  return Str(xbe::xb_Version());
}

bool TXbLocalCursor::IsEncrypted(int Which) {
  NeedEngine();
  return xbe::xb_IsEncrypted(static_cast<short>(Which)) != 0;
}

void TXbLocalCursor::SetPassword(const String& Value) {
  NeedEngine();
  Forget();
  xbe::xb_SetPassword(Value.c_str());
}

bool TXbLocalCursor::ApplyPassword(const String& Value) {
  NeedEngine();
  Forget();
  return SetPasswordChecked(Value);
}

void TXbLocalCursor::SetTranslate(bool On) {
  NeedEngine();
  Forget();
  xbe::xb_SetTranslate(Flag(On));
}

void TXbLocalCursor::SetTurboRead(bool On) {
  NeedEngine();
  Forget();
  xbe::xb_SetTurboRead(Flag(On));
}

void TXbLocalCursor::SetStringType(int Type) {
  NeedEngine();
  Forget();
  xbe::xb_SetStringType(Type);
}

std::int32_t TXbLocalCursor::SysProp(int Property, std::int32_t Value) {
  NeedEngine();
  Forget();
  return xbe::xb_SysProp(Property, Value);
}

// ---- moving --------------------------------------------------------------------------

TGetResult TXbLocalCursor::Fetch(TGetMode Mode, bool AtTop, bool AtBottom, TEOFAction Action, char* Image,
                                 std::int32_t& RecNo) {
  NeedEngine();
  // Where a move started, to tell a move that went nowhere (gmCurrent does
  // not move): a walk ends at the last or first record even when the engine
  // raises no end flag. The record the last fetch reached is that place while
  // nothing else ran since.
  const bool fromLanded = landed.Area != 0 && landed.Area == selected;
  const std::int32_t before =
      (AtTop || AtBottom || Mode == gmCurrent) ? 0 : (fromLanded ? landed.RecNo : xbe::xb_RecNo());
  Forget();
  TGetResult result = grOK;
  std::int32_t reached = -1;  // the number of a record that moved, once read
  switch (Mode) {
    case gmCurrent:
      if (xbe::xb_Bof() && xbe::xb_Eof()) {
        result = grEOF;
      } else if (xbe::xb_Eof() && Action == eaMoveLast) {
        xbe::xb_GoBottom();
        if (xbe::xb_Eof()) result = grEOF;
      }
      break;
    case gmNext:
      if (AtTop)
        xbe::xb_GoTop();
      else
        xbe::xb_Skip(1);
      if (xbe::xb_Eof() || (reached = xbe::xb_RecNo()) == before) {
        xbe::xb_GoBottom();
        result = grEOF;
      }
      break;
    case gmPrior:
      if (AtBottom)
        xbe::xb_GoBottom();
      else
        xbe::xb_Skip(-1);
      if (xbe::xb_Bof() || (reached = xbe::xb_RecNo()) == before) {
        xbe::xb_GoTop();
        result = grBOF;
      }
      break;
  }
  RecNo = (result == grOK && Mode != gmCurrent) ? reached : xbe::xb_RecNo();
  if (result == grOK) {
    xbe::xb_GetRecord(Image);
    // A record reached by a move (or read where the area stands) is not the
    // end: the place is known until the next operation.
    if (Mode != gmCurrent || !xbe::xb_Eof()) {
      landed.Area = selected;
      landed.RecNo = RecNo;
    }
  }
  return result;
}

bool TXbLocalCursor::Bof() {
  NeedEngine();
  return xbe::xb_Bof() != 0;
}

bool TXbLocalCursor::Eof() {
  if (StandsOnRecord(selected)) return false;
  NeedEngine();
  return xbe::xb_Eof() != 0;
}

bool TXbLocalCursor::StandsOnRecord(std::int16_t Area) const {
  // On a record a fetch reached, and nothing ran since: not the end.
  return Area != 0 && landed.Area == Area;
}

void TXbLocalCursor::Go(std::int32_t RecNo) {
  NeedEngine();
  Forget();
  xbe::xb_Go(RecNo);
}

void TXbLocalCursor::GoTop() {
  NeedEngine();
  Forget();
  xbe::xb_GoTop();
}

void TXbLocalCursor::GoBottom() {
  NeedEngine();
  Forget();
  xbe::xb_GoBottom();
}

void TXbLocalCursor::Skip(std::int32_t Distance) {
  NeedEngine();
  Forget();
  xbe::xb_Skip(Distance);
}

std::int32_t TXbLocalCursor::RecNo() {
  NeedEngine();
  return xbe::xb_RecNo();
}

std::int32_t TXbLocalCursor::RecCount() {
  NeedEngine();
  return xbe::xb_RecCount();
}

std::int32_t TXbLocalCursor::Count() {
  NeedEngine();
  return xbe::xb_Count();
}

double TXbLocalCursor::OrderPosGet() {
  NeedEngine();
  Forget();
  return xbe::xb_OrderPosGet();
}

void TXbLocalCursor::OrderPosSet(double Position) {
  NeedEngine();
  Forget();
  xbe::xb_OrderPosSet(Position);
}

// ---- reading and writing records -----------------------------------------------------

void TXbLocalCursor::GetRecord(void* Dest) {
  NeedEngine();
  xbe::xb_GetRecord(Dest);
}

void TXbLocalCursor::PutRecord(const void* Image) {
  NeedEngine();
  Forget();
  Checked([&] { xbe::xb_PutRecord(Image); });
}

void TXbLocalCursor::AppendBlank() {
  NeedEngine();
  Forget();
  Checked([] { xbe::xb_AppendBlank(); });
}

void TXbLocalCursor::Commit() {
  NeedEngine();
  Forget();
  Checked([] { xbe::xb_Commit(); });
}

void TXbLocalCursor::Delete() {
  NeedEngine();
  Forget();
  Checked([] { xbe::xb_Delete(); });
}

bool TXbLocalCursor::Deleted() {
  NeedEngine();
  return xbe::xb_Deleted() != 0;
}

void TXbLocalCursor::Replace(const String& Name, int TypeCode, const void* Data) {
  NeedEngine();
  Forget();
  Checked([&] { xbe::xb_Replace(Name.c_str(), TypeCode, Data); });
}

std::int32_t TXbLocalCursor::PutBlob(const String& Name, const void* Data, std::int32_t Length) {
  NeedEngine();
  Forget();
  std::int32_t stored = 0;
  Checked([&] { stored = xbe::xb_PutBlob(Name.c_str(), Data, Length); });
  return stored;
}

String TXbLocalCursor::GetTrimString(const String& Name) {
  NeedEngine();
  return Str(xbe::xb_GetTrimString(Name.c_str()));
}

String TXbLocalCursor::GetDateString(const String& Name) {
  NeedEngine();
  return Str(xbe::xb_GetDateString(Name.c_str()));
}

double TXbLocalCursor::GetDouble(const String& Name) {
  NeedEngine();
  return xbe::xb_GetDouble(Name.c_str());
}

std::int32_t TXbLocalCursor::GetInteger(const String& Name) {
  NeedEngine();
  return xbe::xb_GetInteger(Name.c_str());
}

String TXbLocalCursor::GetMemo(const String& Name) {
  NeedEngine();
  char* text = xbe::xb_GetMemo(Name.c_str(), 0);
  String result = Str(text);
  if (text) xbe::xb_MemDealloc(text);
  return result;
}

std::int32_t TXbLocalCursor::GetBlobLength(const String& Name) {
  NeedEngine();
  return xbe::xb_GetBlobLength(Name.c_str());
}

std::int32_t TXbLocalCursor::GetBlob(const String& Name, void* Dest, std::int32_t Capacity) {
  NeedEngine();
  const std::int32_t length = xbe::xb_GetBlobLength(Name.c_str());
  if (length <= 0 || Capacity <= 0) return 0;
  if (length <= Capacity) {
    xbe::xb_GetBlob(Name.c_str(), Dest);
    return length;
  }
  std::vector<char> whole(static_cast<size_t>(length));
  xbe::xb_GetBlob(Name.c_str(), whole.data());
  std::memcpy(Dest, whole.data(), static_cast<size_t>(Capacity));
  return Capacity;
}

// ---- locks ------------------------------------------------------------------------------

bool TXbLocalCursor::Rlock(std::int32_t RecNo) {
  NeedEngine();
  Forget();
  return xbe::xb_Rlock(RecNo) != 0;
}

bool TXbLocalCursor::Flock() {
  NeedEngine();
  Forget();
  return xbe::xb_Flock() != 0;
}

void TXbLocalCursor::Unlock(std::int32_t RecNo) {
  NeedEngine();
  Forget();
  xbe::xb_Unlock(RecNo);
}

// ---- indexes, scopes, filters, expressions ----------------------------------------------

int TXbLocalCursor::Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                          bool Descending) {
  NeedEngine();
  Forget();
  return xbe::xb_Index(FileName.c_str(), Expression.c_str(), Condition.empty() ? nullptr : Condition.c_str(),
                       Flag(Unique), Flag(Descending));
}

int TXbLocalCursor::IndexTag(const String& FileName, const String& TagName, const String& Expression,
                             const String& Condition, bool Unique, bool Descending) {
  NeedEngine();
  Forget();
  return xbe::xb_IndexTag(FileName.empty() ? nullptr : FileName.c_str(), TagName.c_str(),
                          Condition.empty() ? nullptr : Condition.c_str(), Flag(Unique), Flag(Descending),
                          Expression.c_str());
}

int TXbLocalCursor::IndexOpen(const String& FileName) {
  NeedEngine();
  Forget();
  return xbe::xb_IndexOpen(FileName.c_str());
}

void TXbLocalCursor::CloseIndexes() {
  NeedEngine();
  Forget();
  xbe::xb_CloseIndexes();
}

int TXbLocalCursor::IndexOrd() {
  NeedEngine();
  return xbe::xb_IndexOrd();
}

int TXbLocalCursor::SetOrder(int Order) {
  NeedEngine();
  Forget();
  return xbe::xb_SetOrder(static_cast<short>(Order));
}

String TXbLocalCursor::IndexName(int Order) {
  NeedEngine();
  return Str(xbe::xb_IndexName(static_cast<short>(Order)));
}

String TXbLocalCursor::TagName(int Order) {
  NeedEngine();
  return Str(xbe::xb_TagName(static_cast<short>(Order)));
}

std::int16_t TXbLocalCursor::TagArea(const String& TagName) {
  NeedEngine();
  return xbe::xb_TagArea(TagName.c_str());
}

String TXbLocalCursor::IndexKey() {
  NeedEngine();
  return Str(xbe::xb_IndexKey());
}

String TXbLocalCursor::IndexKeyField() {
  NeedEngine();
  return Str(xbe::xb_IndexKeyField());
}

String TXbLocalCursor::IndexCondition() {
  NeedEngine();
  return Str(xbe::xb_IndexCondition());
}

int TXbLocalCursor::IndexType() {
  NeedEngine();
  return xbe::xb_IndexType();
}

bool TXbLocalCursor::Seek(const String& Key) {
  NeedEngine();
  Forget();
  return xbe::xb_Seek(Key.c_str()) != 0;
}

bool TXbLocalCursor::Found() {
  NeedEngine();
  return xbe::xb_Found() != 0;
}

bool TXbLocalCursor::SetScope(const String* Low, const String* High) {
  NeedEngine();
  Forget();
  return xbe::xb_SetScope(Low ? Low->c_str() : nullptr, High ? High->c_str() : nullptr) != 0;
}

String TXbLocalCursor::GetScope(int Which) {
  NeedEngine();
  return Str(xbe::xb_GetScope(static_cast<short>(Which)));
}

std::int32_t TXbLocalCursor::Query(const String& Expression, std::int32_t& Count) {
  NeedEngine();
  Forget();
  const std::int32_t result = xbe::xb_Query(Expression.c_str());
  Count = xbe::xb_QueryTest(Expression.c_str()) > 0 ? xbe::xb_QueryRecCount() : xbe::xb_RecCount();
  return result;
}

std::int16_t TXbLocalCursor::QueryTest(const String& Expression) {
  NeedEngine();
  return xbe::xb_QueryTest(Expression.c_str());
}

std::int32_t TXbLocalCursor::QueryRecCount() {
  NeedEngine();
  return xbe::xb_QueryRecCount();
}

String TXbLocalCursor::DBFilter() {
  NeedEngine();
  return Str(xbe::xb_DBFilter());
}

bool TXbLocalCursor::EvalLogical(const String& Expression) {
  NeedEngine();
  Forget();
  return xbe::xb_EvalLogical(Expression.c_str()) != 0;
}

double TXbLocalCursor::EvalNumeric(const String& Expression) {
  NeedEngine();
  Forget();
  return xbe::xb_EvalNumeric(Expression.c_str());
}

String TXbLocalCursor::EvalString(const String& Expression) {
  NeedEngine();
  Forget();
  return Str(xbe::xb_EvalString(Expression.c_str()));
}

std::int16_t TXbLocalCursor::EvalTest(const String& Expression) {
  NeedEngine();
  return xbe::xb_EvalTest(Expression.c_str());
}

// ---- creating a table ---------------------------------------------------------------------

std::int16_t TXbLocalCursor::CreateNew(const String& Path, const String& Alias, int TableType, int FieldCount) {
  NeedEngine();
  Forget();
  return xbe::xb_CreateNew(Path.c_str(), Alias.c_str(), static_cast<short>(TableType),
                           static_cast<short>(FieldCount));
}

void TXbLocalCursor::CreateField(const String& Name, const String& Type, int Width, int Decimals) {
  NeedEngine();
  Forget();
  xbe::xb_CreateField(Name.c_str(), Type.c_str(), static_cast<short>(Width), static_cast<short>(Decimals));
}

std::int16_t TXbLocalCursor::CreateExec() {
  NeedEngine();
  Forget();
  return xbe::xb_CreateExec();
}
