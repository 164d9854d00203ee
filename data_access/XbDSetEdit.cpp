// TXbTable: edit, insert, post, delete and cancel, with the record lock an
// edit holds.
#include <algorithm>
#include <cstring>

#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

void TXbTable::SetTrailerFromEngine(bool Eof) {
  Byte* active = ActiveBuffer();
  const std::int32_t recNo = EngineRecNo();
  SetTrailer(active, recNo, Eof ? bfEOF : bfCurrent);
}

void TXbTable::PrepareEdit() {
  if (writesRefused_) RaiseError(kReadOnlyTable);
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
  if (writesRefused_) RaiseError(kReadOnlyTable);
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
  // detail's key; literals and names the dataset does not carry are passed
  // over. Without an order there is no key to fill: IndexKey refuses.
  if (masterLink_->Active() && !masterLink_->Fields().empty() && workArea_ > 0) {
    const std::vector<String> names = SplitNames(IndexKeyFields(IndexKey()));
    const auto& masters = masterLink_->Fields();
    for (size_t i = 0; i < names.size() && i < masters.size(); ++i)
      if (TField* f = FindField(names[i])) f->SetAsVariant(masters[i]->AsVariant());
  }
  TDataSet::InitNewRecord();
}

void TXbTable::PostRecord() {
  if (workArea_ <= 0) RaiseError(kClosedTable);
  if (writesRefused_) RaiseError(kReadOnlyTable);
  SelectArea();
  Byte* active = ActiveBuffer();
  const bool inserting = State() == dsInsert;
  const bool blobs = BlobsToWrite(active);
  if (inserting) {
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
    // The record as it stands, to put back should a blob not be stored.
    if (blobs) beforeImage_ = image;
    TranslateBuffer(active, image, &changedFields_);
    Cursor().PutRecord(image.data());
  }
  if (blobs) {
    try {
      WriteBlobFields(active);
    } catch (...) {
      // A blob the engine did not store fails the whole Post: the record goes
      // back to what it was (a new one is dropped), the edit stays open.
      if (inserting)
        DropAppendedRecord();
      else
        PutBackRecord(beforeImage_);
      throw;
    }
  }
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
  // An append the engine could not make (a full disk, say) raises here with
  // its reason, and nothing was added.
  EngineAppendBlank();
  // The new record starts as the engine's empty record (blanks where fields
  // are text, zeros where they are binary, the table's own bytes such as null
  // flags as the engine sets them); the fields the dataset carries get their
  // values on top.
  std::vector<char>& image = appendImage_;
  image.assign(size, ' ');
  Cursor().GetRecord(image.data());
  appendedBlank_ = image;
  for (TField* field : Fields()) {
    const int fieldNo = field->FieldNo();
    if (fieldNo <= 0 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    if (info.EngineOffset < 0 || info.Width < 0 || static_cast<size_t>(info.EngineOffset + info.Width) > size) continue;
    std::memcpy(image.data() + info.EngineOffset, values.data() + info.EngineOffset, static_cast<size_t>(info.Width));
  }
  image[0] = ' ';
  try {
    Cursor().PutRecord(image.data());
  } catch (...) {
    DropAppendedRecord();
    throw;
  }
}

void TXbTable::DropAppendedRecord() {
  // No shared table can take an append back: the record a failed Post added
  // stays as an empty, deleted one. The failure that led here is the one
  // reported, whatever happens to this.
  if (appendedBlank_.empty()) return;
  appendedBlank_[0] = '*';
  try {
    Cursor().PutRecord(appendedBlank_.data());
  } catch (...) {
  }
}

void TXbTable::PutBackRecord(const std::vector<char>& Image) {
  // The locked record gets back the bytes it had before this Post; the
  // failure that led here is the one reported.
  try {
    Cursor().PutRecord(Image.data());
  } catch (...) {
  }
}

void TXbTable::AddRecordBuffer(Byte* Buffer, bool) {
  if (readOnly_ || writesRefused_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  SelectArea();
  AppendFromBuffer(Buffer);
  Cursor().Commit();
  SetTrailerFromEngine(Cursor().Eof());
}

void TXbTable::DeleteRecord() {
  if (readOnly_ || writesRefused_) RaiseError(kReadOnlyTable);
  if (workArea_ <= 0) RaiseError(kClosedTable);
  if (IsEmpty()) RaiseError(kEmptyTable);
  SelectArea();
  if (!speedMode_) UpdateCursorPos();
  // A record another work area or program holds is not deleted under it: the
  // delete takes the record lock as an edit does. A lock this table holds
  // already (its edit's, or its file lock, which covers every record)
  // serves; a lock taken here is given back once the delete is written.
  const std::int32_t deleted = EngineRecNo();
  const bool ownLock = deleted == lockedRecNo_;
  if (!ownLock && !Cursor().Rlock(deleted)) RaiseError(kLockFailure);
  try {
    const bool dropsOut =
        UpperCase(EngineIndexCondition()).find("DELETED()") != String::npos || Cursor().SysProp(1006, 0) != 0;
    if (dropsOut) {
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
    if (!ownLock) Cursor().Unlock(deleted);
  } catch (...) {
    if (!ownLock) {
      try {
        Cursor().Unlock(deleted);
      } catch (...) {
      }
    }
    throw;
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


bool TXbTable::BlobsToWrite(Byte* Buffer) const {
  if (BlobFieldCount() == 0) return false;
  for (TField* field : Fields())
    if (field->IsBlob() && Buffer[blobAreaOffset_ + field->Offset() * BlobSlotSize + kSlotModified] != 0) return true;
  return false;
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
  }
  // Stored, every one: a second Post of this buffer does not write them
  // again. Until then a failed Post leaves them all to be written.
  for (TField* field : Fields())
    if (field->IsBlob()) Buffer[blobAreaOffset_ + field->Offset() * BlobSlotSize + kSlotModified] = 0;
}
