// The table's cursor, and the engine operations whose answers also move the
// table's own state (record number, logical position, index order, counts).
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbLocalCursor.h"

std::unique_ptr<TXbCursor> TXbTable::MakeCursor() {
  if (!IsServer()) {
    if (!EnsureEngineLoaded()) RaiseError(XbEngineMissingMessage);
    return std::make_unique<TXbLocalCursor>();
  }
  if (!xbConnection_) RaiseError("No XbConnection specified");
  if (!xbConnection_->Active()) RaiseError("Not connected");
  return xbConnection_->NewCursor(fetchCount_);
}

TXbCursor& TXbTable::CursorSlow() {
  // A closed server table keeps no cursor over a connection that went away:
  // making it again reports the closed connection instead of letting a later
  // open fail for a reason that hides it (a table that "does not exist").
  if (cursor_ && workArea_ <= 0 && IsServer() && !(xbConnection_ && xbConnection_->Active())) cursor_.reset();
  if (!cursor_) cursor_ = MakeCursor();
  return *cursor_;
}

void TXbTable::SelectArea() { Cursor().Select(workArea_); }

void TXbTable::EngineGo(std::int32_t RecNo) {
  Cursor().Go(RecNo);
  NoteEnginePosition(RecNo);
}

void TXbTable::NoteEnginePosition(std::int32_t RecNo) {
  logicalPosition_ = indexName_.empty() ? RecNo : -2;
  currentRecNo_ = RecNo;
}

bool TXbTable::EngineStandsOn(std::int32_t RecNo) {
  // Asking costs a server a round trip, which its own Go spares when it can.
  if (IsServer() || RecNo <= 0) return false;
  TXbCursor& cursor = Cursor();
  return cursor.RecNo() == RecNo && !cursor.Eof();
}

std::int32_t TXbTable::EngineRecNo() {
  currentRecNo_ = Cursor().RecNo();
  return currentRecNo_;
}

void TXbTable::EngineGoTop() {
  Cursor().GoTop();
  currentRecNo_ = 1;
}

void TXbTable::EngineAppendBlank() {
  Cursor().AppendBlank();
  EngineRecNo();
  recordCount_ = Cursor().RecCount();
}

std::int32_t TXbTable::EngineQuery(const String& Expression) {
  std::int32_t count = 0;
  const std::int32_t result = Cursor().Query(Expression, count);
  recordCount_ = count;
  return result;
}

int TXbTable::EngineIndex(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                          bool Descending) {
  currentIndexOrder_ = Cursor().Index(FileName, Expression, Condition, Unique, Descending);
  return currentIndexOrder_;
}

int TXbTable::EngineIndexTag(const String& FileName, const String& TagName, const String& Expression,
                             const String& Condition, bool Unique, bool Descending) {
  currentIndexOrder_ = Cursor().IndexTag(FileName, TagName, Expression, Condition, Unique, Descending);
  return currentIndexOrder_;
}

int TXbTable::EngineIndexOpen(const String& FileName) {
  // Opening a file leaves the engine's current order as it was. An index
  // that may not be written makes the table refuse changes from now on.
  const int order = Cursor().IndexOpen(FileName);
  if (!readOnly_ && !writesRefused_ && order > 0) writesRefused_ = Cursor().WritesRefused();
  return order;
}

int TXbTable::EngineIndexOrd() {
  currentIndexOrder_ = Cursor().IndexOrd();
  return currentIndexOrder_;
}

int TXbTable::EngineSetOrder(int Order) {
  const int answer = Cursor().SetOrder(Order);
  currentIndexOrder_ = Order;
  return answer;
}

String TXbTable::EngineIndexCondition() {
  indexCondition_ = Cursor().IndexCondition();
  return indexCondition_;
}
