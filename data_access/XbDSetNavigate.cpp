// TXbTable: the record fetch, moves, record numbers and counts.
#include <cmath>

#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

TGetResult TXbTable::FetchRecord(Byte* Buffer, TGetMode GetMode, bool DoCheck) {
  if (workArea_ <= 0 || imageOffset_ <= 0) return GetMode == gmPrior ? grBOF : grEOF;
  SelectArea();
  TXbCursor& cursor = Cursor();
  TGetResult result = grOK;
  bool accepted = true;
  do {
    std::int32_t recNo = 0;
    // The cursor copies the record straight into the buffer's own image.
    char* image = BufferImage(Buffer);
    result = cursor.Fetch(GetMode, atTop_, atBottom_, eofAction_, image, recNo);
    currentRecNo_ = recNo;
    logicalPosition_ = -2;

    accepted = true;
    if (result == grOK) {
      // Cleared as InitRecordBuffer clears, but for what loading the record
      // sets anyway (the slots still to fill, the trailer).
      ClearFieldArea(Buffer);
      if (eagerFields_.empty() && !(encrypted_ && !keyHeld_)) {
        // Every field read when asked for (LoadRecord's common case): mark
        // them all still to fill from the image the cursor put in place.
        CopyFew(PendingFlags(Buffer), lazyFields_.data(), lazyFields_.size());
      } else {
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
    } else {
      InitRecordBuffer(Buffer);
      if (result == grError && DoCheck) RaiseError(kEmptyTable);
    }
  } while (!accepted && result == grOK);
  atTop_ = false;
  atBottom_ = false;
  return result;
}

void TXbTable::GoBeforeFirst() {
  if (workArea_ > 0) {
    if (Cursor().Alias(workArea_).empty()) OpenWorkArea();
    SelectArea();
    EngineGoTop();
  }
  atTop_ = true;
  atBottom_ = false;
  currentRecNo_ = 0;
}

void TXbTable::GoAfterLast() {
  if (workArea_ > 0) {
    SelectArea();
    Cursor().GoBottom();
  }
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
    // A record the table does not have is no place to go: the engine would
    // stand at the end, and the fetch show the last record instead.
    if (workArea_ > 0) {
      SelectArea();
      if (recNo < 1 || recNo > Cursor().RecCount()) RaiseError("Invalid bookmark");
    }
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

void TXbTable::ResyncAfterPost() {
  // The engine here still stands on the record the Post wrote and holds it as
  // written: the buffers take it from there without a Go that reads it again.
  if (workArea_ <= 0 || speedMode_ || State() == dsInactive) return;
  SelectArea();
  const std::int32_t recNo = PhysicalRecNo();
  if (EngineStandsOn(recNo))
    NoteEnginePosition(recNo);
  else
    EngineGo(recNo);
  TDataSet::ResyncCursor({});
}

void TXbTable::RefreshCursor() {
  const String filter = DBFilter();
  if (!filter.empty()) {
    const std::int32_t n = EngineRecNo();
    if (Cursor().QueryTest(filter) > 0) {
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
    if (self->Cursor().Bof()) return true;
  }
  return TDataSet::Bof();
}

bool TXbTable::Eof() const {
  auto* self = const_cast<TXbTable*>(this);
  if (workArea_ > 0 && !self->Cursor().StandsOnRecord(workArea_)) {
    self->SelectArea();
    if (self->Cursor().Eof()) return true;
  }
  return TDataSet::Eof();
}

int TXbTable::MoveBy(int Distance) {
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
  if (Distance > 0) atTop_ = false;
  if (Distance < 0) atBottom_ = false;
  if (!speedMode_) {
    MoveBy(Distance);
  } else {
    SelectArea();
    Cursor().Skip(Distance);
  }
}

void TXbTable::GoTop() {
  if (workArea_ <= 0) return;
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
  rawRecordCount_ = Cursor().RecCount();
  switch (sequencedCount_) {
    case scAllCount: recordCount_ = Count(); break;
    case scFilterOnlyCount: recordCount_ = QueryRecCount(); break;
    case scRawCount: recordCount_ = rawRecordCount_; break;
  }
  recordCountStale_ = false;
}

std::int32_t TXbTable::Count() { return workArea_ > 0 ? Cursor().Count() : 0; }

std::int32_t TXbTable::QueryRecCount() { return workArea_ > 0 ? Cursor().QueryRecCount() : 0; }

String TXbTable::DBFilter() {
  if (workArea_ <= 0) return String();
  SelectArea();
  return Cursor().DBFilter();
}

std::int32_t TXbTable::LogicalPosition() {
  if (logicalPosition_ == -2 && workArea_ > 0) {
    SelectArea();
    // The engine answers key k of n as k/n; rounding (not truncating) keeps
    // k exact where the fraction comes out a hair below it.
    logicalPosition_ = static_cast<std::int32_t>(std::llround(Cursor().OrderPosGet() * recordCount_));
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
  if (recordCountStale_ || recordCount_ == -1) Recount();
  EngineGo(Value);
  // In natural order the position is the record number itself (as GetRecNo
  // answers it); only an index order is positioned by its relative place.
  if (currentIndexOrder_ != 0 && tableType_ != ttSXNTX && recordCount_ > 0)
    Cursor().OrderPosSet(static_cast<double>(Value) / recordCount_);
  SetTrailer(ActiveBuffer(), EngineRecNo(), bfCurrent);
  ResyncCursor({});
}

void TXbTable::FinishScroll() {
  if (workArea_ > 0) UpdateCursorPos();
  TDataSet::FinishScroll();
}

