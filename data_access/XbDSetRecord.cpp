// TXbTable: record buffers, field data and bookmarks.
#include <algorithm>

#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

// ---- record buffers -------------------------------------------------------------

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
  ClearFieldArea(Buffer);
  if (imageOffset_ > 0) std::memset(PendingFlags(Buffer), 0, lazyFields_.size());
  SetTrailerRecNo(Buffer, 0);
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

  // Under an index the order itself decides: each record's relative place
  // in the current order (key k of n is k/n) compares whatever the key's
  // type, collation or direction; equal places fall back to record numbers.
  SelectArea();
  TXbCursor& cursor = Cursor();
  const std::int32_t saved = cursor.RecNo();
  double placeA = 0, placeB = 0;
  std::int32_t recA = 0, recB = 0;
  try {
    cursor.Go(a);
    recA = cursor.RecNo();
    placeA = cursor.OrderPosGet();
    cursor.Go(b);
    recB = cursor.RecNo();
    placeB = cursor.OrderPosGet();
  } catch (...) {
    EngineGo(saved);
    throw;
  }
  EngineGo(saved);
  if (placeA != placeB) return placeA < placeB ? -1 : 1;
  return byNumber(recA, recB);
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
