// TXbTable: edit, insert, post, delete and cancel, with the record lock an
// edit holds.
#include <algorithm>
#include <cstring>

#include "class_library/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

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
  if (!Cursor().Rlock(recNo)) RaiseError(kLockFailure);
  try {
    lockedRecNo_ = recNo;
    std::fill(changedFields_.begin(), changedFields_.end(), false);
    if (recNo != -1) {
      // The record going into edit shows what is on disk at the moment of the
      // lock; as nobody else may change it while the lock is held, this is
      // the one read the edit needs.
      EngineGo(recNo);
      lockedImage_.resize(static_cast<size_t>(std::max(recordSize_, 1)));
      Cursor().GetRecord(lockedImage_.data());
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
    Cursor().Unlock(recNo);
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
  // A new detail record takes the master's key values, field by field of the
  // detail's key; literals and names the dataset does not carry are passed over.
  if (masterLink_->Active() && !masterLink_->Fields().empty() && workArea_ > 0 && !indexName_.empty()) {
    const std::vector<String> names = SplitNames(IndexKeyFields(IndexKey()));
    const auto& masters = masterLink_->Fields();
    for (size_t i = 0; i < names.size() && i < masters.size(); ++i)
      if (TField* f = FindField(names[i])) f->SetAsVariant(masters[i]->AsVariant());
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
    // since; fields not changed in this edit keep their stored bytes. With
    // the bytes read under the lock at hand and the engine still on the
    // record, there is nothing to go to or read: the whole record is replaced.
    const std::int32_t target = lockedRecNo_ > 0 ? lockedRecNo_ : TrailerRecNo(active);
    const bool imageHeld = lockedImageRead_ && target == lockedRecNo_;
    if (imageHeld && EngineStandsOn(target))
      NoteEnginePosition(target);
    else
      EngineGo(target);
    std::vector<char>& image = writeImage_;
    if (imageHeld) {
      image = lockedImage_;  // the lock has been held since these bytes were read
    } else {
      image.assign(static_cast<size_t>(std::max(recordSize_, 1)), ' ');
      Cursor().GetRecord(image.data());
    }
    TranslateBuffer(active, image, &changedFields_);
    Cursor().PutRecord(image.data());
  }
  WriteBlobFields(active);
  Cursor().Commit();
  Cursor().Unlock(0);
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  std::fill(changedFields_.begin(), changedFields_.end(), false);
  if (!speedMode_) SetTrailerFromEngine(Cursor().Eof());
  savedRecNo_ = 0;
}

void TXbTable::AppendFromBuffer(Byte* Buffer) {
  // Every value is translated before the record is appended, so a value that
  // does not fit leaves no blank record behind.
  const size_t size = static_cast<size_t>(std::max(recordSize_, 1));
  std::vector<char>& values = writeImage_;
  values.assign(size, ' ');
  TranslateBuffer(Buffer, values, nullptr);
  recordCountStale_ = true;
  EngineAppendBlank();
  // The new record starts as the engine's empty record (blanks where fields
  // are text, zeros where they are binary, the table's own bytes such as null
  // flags as the engine sets them); the fields the dataset carries get their
  // values on top.
  std::vector<char>& image = appendImage_;
  image.assign(size, ' ');
  Cursor().GetRecord(image.data());
  for (TField* field : Fields()) {
    const int fieldNo = field->FieldNo();
    if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    if (info.EngineOffset < 0 || info.Width < 0 || static_cast<size_t>(info.EngineOffset + info.Width) > size) continue;
    std::memcpy(image.data() + info.EngineOffset, values.data() + info.EngineOffset, static_cast<size_t>(info.Width));
  }
  image[0] = ' ';
  Cursor().PutRecord(image.data());
}

void TXbTable::AddRecordBuffer(Byte* Buffer, bool) {
  if (readOnly_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  AppendFromBuffer(Buffer);
  Cursor().Commit();
  SetTrailerFromEngine(Cursor().Eof());
}

void TXbTable::DeleteRecord() {
  if (readOnly_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  if (IsEmpty()) RaiseError(kEmptyTable);
  SelectArea();
  if (!speedMode_) UpdateCursorPos();
  const bool dropsOut =
      UpperCase(EngineIndexCondition()).find("DELETED()") != String::npos || Cursor().SysProp(1006, 0) != 0;
  if (dropsOut) {
    const std::int32_t deleted = EngineRecNo();
    Cursor().Skip(1);
    const std::int32_t next = Cursor().Eof() ? -1 : EngineRecNo();
    EngineGo(deleted);
    Cursor().Delete();
    if (next == -1)
      Cursor().GoBottom();
    else
      EngineGo(next);
  } else {
    Cursor().Delete();
  }
  if (!speedMode_) SetTrailerFromEngine(Cursor().Eof());
  recordCountStale_ = true;
  ResyncCursor({});
}

void TXbTable::Cancel() {
  TDataSet::Cancel();
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  if (workArea_ <= 0) return;
  SelectArea();
  Cursor().Unlock(0);
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


void TXbTable::WriteBlobFields(Byte* Buffer) {
  if (BlobFieldCount() == 0) return;
  for (TField* field : Fields()) {
    if (!field->IsBlob()) continue;
    Byte* slot = Buffer + blobAreaOffset_ + field->Offset() * BlobSlotSize;
    if (slot[kSlotModified] == 0) continue;
    char* data = SlotData(slot);
    const std::int32_t length = Load<std::int32_t>(slot + kSlotLength);
    if (field->DataType() == ftMemo) {
      Cursor().Replace(field->FieldName(), kReplaceMemo, data ? data : "");
    } else if (Cursor().PutBlob(field->FieldName(), data, length) != length) {
      RaiseError("Blob Write Error");
    }
    slot[kSlotModified] = 0;  // stored: a second Post of this buffer does not write it again
  }
}
