#include "data_access/XbServerCursor.h"

#include <algorithm>
#include <cstring>

#include "class_library/core/SysUtils.h"
#include "data_access/XbError.h"

namespace {

constexpr const char* kNeedLogin = "Must include User Name and Password to open table through the xBase Database Server";
constexpr const char* kNotWritten = "The change did not reach the server";
constexpr const char* kOutcomeUnknown =
    "The server did not answer the change in full: whether it was stored cannot be known. Open the table again "
    "once connected to see what the server holds";
constexpr const char* kBlankLeft =
    "The server added the new record but its values did not reach the server: the record stays blank there";
constexpr const char* kNotRead = "The record could not be read from the server";
constexpr const char* kEndedSession = "The server session this table was opened in has ended";
constexpr const char* kKeyUnconfirmed =
    "The server did not confirm the password given to the open table: open the table again with its password to "
    "change it";

// One number of the field description: hexadecimal digits.
int HexLine(const String& Line) {
  int v = 0;
  return TryStrToInt("$" + Trim(Line), v) ? v : 0;
}

}  // namespace

TXbServerCursor::TXbServerCursor(TXbConnection& Connection, int FetchCount)
    : conn_(Connection), fetchCount_(FetchCount > 0 ? FetchCount : 1) {}

void TXbServerCursor::Live() const {
  if (Stale()) throw EXbError(kEndedSession);
}

void TXbServerCursor::Sync(bool Moves) {
  Live();
  if (outOfStep_) {
    outOfStep_ = false;
    conn_.Go(servedRecNo_);
    serverOn_ = servedRecNo_;
  }
  if (Moves) {
    appendedRecNo_ = 0;
    blankLeft_ = false;
    rereadOnFetch_ = false;
    rowsHeld_ = -1;
    servedRecNo_ = 0;
    knownPosition_ = -1;
  }
}

// ---- opening, closing, describing ------------------------------------------------------

TXbOpenAnswer TXbServerCursor::Open(const TXbOpenRequest& Request) {
  appendedRecNo_ = 0;
  blankLeft_ = false;
  blankImage_.clear();
  rowsHeld_ = -1;
  knownPosition_ = -1;
  servedRecNo_ = 0;
  outOfStep_ = false;
  structureRead_ = false;
  structure_.clear();
  TXbServerOpenRequest r;
  r.DatabaseName = Request.DatabaseName;
  r.TableName = ExtractFileName(Request.Path);
  r.OpenMode = Request.OpenMode;
  r.TableType = Request.TableType;
  r.Password = Request.Password;
  r.TurboRead = Request.TurboRead;
  r.IndexName = Request.IndexName;
  r.Epoch = Request.Epoch;
  r.DateFormat = Request.DateFormat;
  r.MemoBlockSize = Request.MemoBlockSize;
  r.Deleted = Request.Deleted;
  r.Century = Request.Century;
  r.SoftSeek = Request.SoftSeek;
  r.Exact = Request.Exact;
  r.OEMTranslate = Request.OEMTranslate;
  r.EnvironmentApplied = Request.EnvironmentApplied;
  r.CommitLevel = static_cast<int>(Request.CommitLevel);
  if (r.DatabaseName.empty()) throw EXbError("Missing DatabaseName property");
  TXbServerOpenAnswer a;
  conn_.Use(r, a);
  if (a.ErrorCount > 0) throw EXbError(a.ErrorText);
  TXbOpenAnswer answer;
  if (a.WorkArea < 1) {
    if (conn_.User().empty() || conn_.Password().empty()) throw EXbError(kNeedLogin);
    return answer;
  }
  session_ = conn_.SessionNumber();
  // The open refuses a wrong password: one it took is confirmed.
  encrypted_ = a.Encrypted;
  keyUnconfirmed_ = false;
  confirmedPassword_ = Request.Password;
  answer.WorkArea = a.WorkArea;
  answer.FieldCount = a.FieldCount;
  answer.RecordSize = a.RecordSize;
  answer.Encrypted = a.Encrypted;
  recordSize_ = a.RecordSize;
  return answer;
}

void TXbServerCursor::ReadStructure() {
  structureRead_ = true;
  structure_.clear();
  TMemoryStream* s = conn_.GetStructure();
  if (!s) return;
  const String text(s->Memory(), static_cast<std::size_t>(s->Size()));
  std::vector<String> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == String::npos) end = text.size();
    String line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  for (std::size_t i = 0; i + 5 <= lines.size(); i += 5) {
    TXbFieldDescription d;
    d.Name = Trim(lines[i]);
    d.Type = Trim(lines[i + 1]);
    d.Width = HexLine(lines[i + 2]);
    d.Decimals = HexLine(lines[i + 3]);
    d.Offset = HexLine(lines[i + 4]) - 1;
    structure_.push_back(d);
  }
}

TXbFieldDescription TXbServerCursor::Field(int FieldNumber) {
  Live();
  if (!structureRead_) ReadStructure();
  if (FieldNumber < 1 || FieldNumber > static_cast<int>(structure_.size())) return TXbFieldDescription();
  return structure_[static_cast<std::size_t>(FieldNumber - 1)];
}

int TXbServerCursor::FieldWidth(const String& Name) {
  Live();
  return conn_.FieldWidth(Name);
}

String TXbServerCursor::Alias(std::int16_t Area) {
  Live();
  return conn_.Alias(Area);
}

std::int16_t TXbServerCursor::WorkArea(const String& Alias) { return conn_.WorkArea(Alias); }

void TXbServerCursor::Select(std::int16_t Area) {
  Live();
  conn_.Select(Area);
}

void TXbServerCursor::Close() {
  appendedRecNo_ = 0;
  blankLeft_ = false;
  blankImage_.clear();
  rowsHeld_ = -1;
  knownPosition_ = -1;
  servedRecNo_ = 0;
  outOfStep_ = false;
  // The ended session's tables went with it.
  if (!Stale()) conn_.Close();
}

bool TXbServerCursor::FileExists(const String& Path) { return conn_.FileExists(conn_.DatabaseName(), Path); }
String TXbServerCursor::Version() { return conn_.Version(); }
bool TXbServerCursor::IsEncrypted(int Which) { return conn_.IsEncrypted(Which); }
void TXbServerCursor::SetPassword(const String& Value) { conn_.SetPassword(Value); }

bool TXbServerCursor::ApplyPassword(const String& Value) {
  conn_.SetPassword(Value);
  // No password: the table holds no key and changes nothing anyway. The
  // password the open took is the one the server knows to be right.
  keyUnconfirmed_ = encrypted_ && !Value.empty() && Value != confirmedPassword_;
  return true;
}

void TXbServerCursor::CheckKey() const {
  if (keyUnconfirmed_) throw EXbError(kKeyUnconfirmed);
}

void TXbServerCursor::SetTranslate(bool On) { conn_.SetTranslate(On); }
void TXbServerCursor::SetTurboRead(bool On) { conn_.SetTurboRead(On); }
void TXbServerCursor::SetStringType(int Type) { conn_.SetStringType(Type); }
std::int32_t TXbServerCursor::SysProp(int Property, std::int32_t Value) { return conn_.SysProp(Property, Value); }

// ---- moving ------------------------------------------------------------------------------------

TGetResult TXbServerCursor::Fetch(TGetMode Mode, bool AtTop, bool AtBottom, TEOFAction Action, char* Image,
                                  std::int32_t& RecNo) {
  Live();
  appendedRecNo_ = 0;
  blankLeft_ = false;
  const bool fromBatch = !AtTop && !AtBottom && Mode != gmCurrent && Mode == lastDirection_ && rowsHeld_ > 0 &&
                         position_ < rowsHeld_ - 1;
  const bool reread = rereadOnFetch_ && Mode == gmCurrent && !AtTop && !AtBottom && servedRecNo_ > 0;
  rereadOnFetch_ = false;
  if (fromBatch) {
    ++position_;
  } else {
    position_ = 0;
    // The server goes on from the row handed out last, wherever the batch left it.
    const std::int32_t from = servedRecNo_;
    outOfStep_ = false;
    // The server's record buffer may hold the record as it was read or
    // written before: it is read from the file again.
    if (reread) conn_.Go(from);
    conn_.TraverseTable(AtTop, AtBottom, static_cast<int>(Action), Mode, lastDirection_, fetchCount_, from,
                        recordSize_, rows_, rowsHeld_);
    // A batch that ends at an end of file leaves the server wherever that end
    // put it: taken as unknown, so the next operation goes to its record.
    serverOn_ = rowsHeld_ > 0 && rows_[static_cast<std::size_t>(rowsHeld_ - 1)].Status == grOK
                    ? rows_[static_cast<std::size_t>(rowsHeld_ - 1)].RecNo
                    : 0;
    if (conn_.LastCommandFailed() || rowsHeld_ <= 0) {
      // A failed fetch ends the walk, in the direction it went.
      rowsHeld_ = -1;
      servedRecNo_ = 0;
      knownPosition_ = -1;
      RecNo = 0;
      lastDirection_ = Mode;
      return Mode == gmPrior ? grBOF : grEOF;
    }
  }
  const TXbFetchRow& row = rows_[static_cast<std::size_t>(position_)];
  lastDirection_ = Mode;
  servedRecNo_ = row.RecNo;
  knownPosition_ = row.Status == grOK ? row.LogicalPosition : -1;
  // Where the server stands: on the batch's last row, or on a row handed out
  // earlier that an operation brought it back to.
  outOfStep_ = row.RecNo != serverOn_;
  RecNo = row.RecNo;
  const auto status = static_cast<TGetResult>(row.Status);
  if (status == grOK) std::memcpy(Image, row.Image.data(), static_cast<std::size_t>(recordSize_));
  return status;
}

// A record handed out from a batch is one the engine stood on: neither end
// of file is set there, and its number is known. A walk that asks Eof and
// RecNo after every move costs no exchange for them.
bool TXbServerCursor::ServedRecord() const {
  return rowsHeld_ > 0 && servedRecNo_ > 0 && rows_[static_cast<std::size_t>(position_)].Status == grOK;
}

bool TXbServerCursor::Bof() {
  if (ServedRecord()) return false;
  Sync(false);
  return conn_.Bof();
}

bool TXbServerCursor::Eof() {
  if (ServedRecord()) return false;
  Sync(false);
  return conn_.Eof();
}

void TXbServerCursor::Go(std::int32_t RecNo) {
  // The dataset goes back to the record it holds before each move. When
  // that is the row handed out last, the batch stays valid and the server is
  // brought there only if another operation needs it (Sync): a walk costs
  // one exchange per batch, not one per record.
  if (RecNo > 0 && RecNo == servedRecNo_ && ServedRecord()) {
    // Should the record itself be read next, the server goes there for
    // real: a Go reads it from the file again, as the engine here does, and
    // shows what other clients wrote since (Refresh).
    rereadOnFetch_ = true;
    return;
  }
  rereadOnFetch_ = false;
  outOfStep_ = false;
  Sync(true);
  const std::int32_t position = conn_.Go(RecNo);
  if (!conn_.LastCommandFailed()) knownPosition_ = position;
}

void TXbServerCursor::GoTop() {
  outOfStep_ = false;
  Sync(true);
  conn_.GoTop();
}

void TXbServerCursor::GoBottom() {
  outOfStep_ = false;
  Sync(true);
  conn_.GoBottom();
}

void TXbServerCursor::Skip(std::int32_t Distance) {
  Sync(true);
  conn_.Skip(Distance);
}

std::int32_t TXbServerCursor::RecNo() {
  if (ServedRecord()) return servedRecNo_;
  if (appendedRecNo_ > 0) return appendedRecNo_;
  Sync(false);
  return conn_.RecNo();
}

std::int32_t TXbServerCursor::RecCount() {
  Live();
  // Records are appended at the end: the one just appended is the last.
  if (appendedRecNo_ > 0) return appendedRecNo_;
  return conn_.RecCount();
}

std::int32_t TXbServerCursor::Count() {
  Live();
  return conn_.Count();
}

// No command asks the server for the relative place in an order, but every
// fetched row and every Go answers the record's logical position: its place
// among the keys, scaled to the record count. The place relative to the order
// is that position over the record count. After other moves a Go to the
// record the server stands on tells it.
double TXbServerCursor::OrderPosGet() {
  if (knownPosition_ < 0) {
    Sync(false);
    const std::int32_t recNo = conn_.RecNo();
    if (conn_.LastCommandFailed() || recNo <= 0) return 0.0;
    const std::int32_t position = conn_.Go(recNo);
    if (conn_.LastCommandFailed()) return 0.0;
    knownPosition_ = position;
  }
  const std::int32_t count = conn_.RecCount();
  if (conn_.LastCommandFailed() || count <= 0) return 0.0;
  return std::min(1.0, static_cast<double>(knownPosition_) / count);
}

void TXbServerCursor::OrderPosSet(double Position) {
  outOfStep_ = false;
  Sync(true);
  conn_.OrderPosSet(Position);
}

// ---- reading and writing records ----------------------------------------------------------------------

void TXbServerCursor::GetRecord(void* Dest) {
  const auto size = static_cast<std::size_t>(recordSize_);
  if (appendedRecNo_ > 0 && blankImage_.size() == size) {
    std::memcpy(Dest, blankImage_.data(), size);
    return;
  }
  Sync(false);
  // A record that could not be read leaves Dest as it was: bytes that are
  // not this record's must never be taken for it (and written back).
  if (!conn_.FetchRecord(Dest, recordSize_)) throw EXbError(appendedRecNo_ > 0 ? kBlankLeft : kNotRead);
  if (appendedRecNo_ > 0) blankImage_.assign(static_cast<const char*>(Dest), static_cast<const char*>(Dest) + size);
}

// A change the server did not take must not pass for a stored one: the
// connection has reported the failure, and the caller's Post or Delete fails
// with it, so that an edit is kept instead of silently lost.
void TXbServerCursor::CheckWritten(bool BlankLeft) {
  if (!conn_.LastCommandFailed()) return;
  if (conn_.LastOutcomeUnknown()) throw EXbError(kOutcomeUnknown);
  throw EXbError(BlankLeft ? kBlankLeft : kNotWritten);
}

void TXbServerCursor::PutRecord(const void* Image) {
  CheckKey();
  const bool blank = blankLeft_;
  Sync(true);
  conn_.PutRecord(Image, recordSize_);
  CheckWritten(blank);
}

void TXbServerCursor::AppendBlank() {
  CheckKey();
  Sync(true);
  const std::int32_t recNo = conn_.AppendBlank();
  CheckWritten();
  blankLeft_ = true;
  // The server stands on the new record: its number and the count need no
  // exchange of their own before the values follow.
  appendedRecNo_ = recNo > 0 ? recNo : 0;
}

void TXbServerCursor::Commit() {
  Sync(true);
  conn_.Commit();
  CheckWritten();
}

void TXbServerCursor::Delete() {
  CheckKey();
  Sync(true);
  conn_.Delete();
  CheckWritten();
}

bool TXbServerCursor::Deleted() {
  Sync(false);
  return conn_.Deleted();
}

void TXbServerCursor::Replace(const String& Name, int TypeCode, const void* Data) {
  CheckKey();
  Sync(true);
  conn_.Replace(Name, TypeCode, Data);
  CheckWritten();
}

std::int32_t TXbServerCursor::PutBlob(const String& Name, const void* Data, std::int32_t Length) {
  CheckKey();
  Sync(true);
  const std::int32_t stored = conn_.PutBlob(Name, Data, Length);
  CheckWritten();
  return stored;
}

String TXbServerCursor::GetTrimString(const String& Name) {
  Sync(false);
  return conn_.GetTrimString(Name);
}

String TXbServerCursor::GetDateString(const String& Name) {
  Sync(false);
  return conn_.GetDateString(Name);
}

double TXbServerCursor::GetDouble(const String& Name) {
  Sync(false);
  return conn_.GetDouble(Name);
}

std::int32_t TXbServerCursor::GetInteger(const String& Name) {
  Sync(false);
  return conn_.GetInteger(Name);
}

String TXbServerCursor::GetMemo(const String& Name) {
  Sync(false);
  return conn_.GetMemo(Name, 0);
}

std::int32_t TXbServerCursor::GetBlobLength(const String& Name) {
  Sync(false);
  return conn_.GetBlobLength(Name);
}

std::int32_t TXbServerCursor::GetBlob(const String& Name, void* Dest, std::int32_t Capacity) {
  Sync(false);
  TMemoryStream s;
  conn_.GetBlob(Name, s);
  const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(s.Size(), Capacity > 0 ? Capacity : 0));
  if (n > 0) std::memcpy(Dest, s.Memory(), static_cast<std::size_t>(n));
  return n;
}

// ---- locks -------------------------------------------------------------------------------------------------

bool TXbServerCursor::Rlock(std::int32_t RecNo) {
  Live();
  return conn_.Rlock(RecNo);
}

bool TXbServerCursor::Flock() {
  Live();
  return conn_.Flock();
}

void TXbServerCursor::Unlock(std::int32_t RecNo) {
  Sync(true);
  conn_.Unlock(RecNo);
}

// ---- indexes, scopes, filters, expressions -------------------------------------------------------------------

int TXbServerCursor::Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                           bool Descending) {
  Sync(true);
  return conn_.Index(FileName, Expression, Unique ? 1 : 0, Descending, Condition);
}

int TXbServerCursor::IndexTag(const String& FileName, const String& TagName, const String& Expression,
                              const String& Condition, bool Unique, bool Descending) {
  Sync(true);
  return conn_.IndexTag(FileName, TagName, Expression, Unique ? 1 : 0, Descending, Condition);
}

int TXbServerCursor::IndexOpen(const String& FileName) {
  Sync(true);
  return conn_.IndexOpen(FileName);
}

void TXbServerCursor::CloseIndexes() {
  Sync(true);
  conn_.CloseIndexes();
}

int TXbServerCursor::IndexOrd() { return conn_.IndexOrd(); }

int TXbServerCursor::SetOrder(int Order) {
  Sync(true);
  return conn_.SetOrder(Order);
}

String TXbServerCursor::IndexName(int Order) { return conn_.IndexName(Order); }
String TXbServerCursor::TagName(int Order) { return conn_.TagName(Order); }
std::int16_t TXbServerCursor::TagArea(const String& TagName) { return conn_.TagArea(TagName); }
String TXbServerCursor::IndexKey() { return conn_.IndexKey(); }
String TXbServerCursor::IndexKeyField() { return conn_.IndexKeyField(); }
String TXbServerCursor::IndexCondition() { return conn_.IndexCondition(); }
int TXbServerCursor::IndexType() { return conn_.IndexType(); }

bool TXbServerCursor::Seek(const String& Key) {
  outOfStep_ = false;
  Sync(true);
  return conn_.Seek(Key);
}

bool TXbServerCursor::Found() { return conn_.Found(); }

bool TXbServerCursor::SetScope(const String* Low, const String* High) {
  Sync(true);
  return conn_.SetScope(Low, High);
}

String TXbServerCursor::GetScope(int Which) { return conn_.GetScope(Which); }

std::int32_t TXbServerCursor::Query(const String& Expression, std::int32_t& Count) {
  Sync(true);
  return conn_.QueryRowCount(Expression, Count);
}

std::int16_t TXbServerCursor::QueryTest(const String& Expression) { return conn_.QueryTest(Expression); }
std::int32_t TXbServerCursor::QueryRecCount() { return conn_.QueryRecCount(); }
String TXbServerCursor::DBFilter() { return conn_.DBFilter(); }

bool TXbServerCursor::EvalLogical(const String& Expression) {
  Sync(false);
  return conn_.EvalLogical(Expression);
}

double TXbServerCursor::EvalNumeric(const String& Expression) {
  Sync(false);
  return conn_.EvalNumeric(Expression);
}

String TXbServerCursor::EvalString(const String& Expression) {
  Sync(false);
  return conn_.EvalString(Expression);
}

std::int16_t TXbServerCursor::EvalTest(const String& Expression) { return conn_.EvalTest(Expression); }

// ---- creating a table --------------------------------------------------------------------------------------------

std::int16_t TXbServerCursor::CreateNew(const String& Path, const String&, int TableType, int FieldCount) {
  createdArea_ = conn_.CreateNew(conn_.DatabaseName(), Path, TableType, FieldCount);
  return createdArea_;
}

void TXbServerCursor::CreateField(const String& Name, const String& Type, int Width, int Decimals) {
  conn_.CreateField(Name, Type, Width, Decimals);
}

std::int16_t TXbServerCursor::CreateExec() {
  // The server writes the table and keeps it open in the area it started it in.
  const bool done = conn_.CreateExec();
  const std::int16_t area = done && createdArea_ > 0 ? createdArea_ : 0;
  createdArea_ = 0;
  if (area > 0) {
    session_ = conn_.SessionNumber();
    conn_.Select(area);
  }
  return area;
}
