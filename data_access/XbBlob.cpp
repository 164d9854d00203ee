// Blob streams of TXbTable, and the blob slots of the record buffers behind
// them.
//
// A slot is filled from the engine the first time a stream reads it and then
// serves every later read of the same buffered record: a record read empties
// the slots again. A slot written through a stream holds the edit until Post
// stores it or the edit ends, and is never filled from the engine over it.
#include "data_access/XbBlob.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

namespace {

bool Editing(TDataSetState s) { return s == dsEdit || s == dsInsert; }

TBlobField* BlobFieldOf(TField* Field) {
  auto* blob = dynamic_cast<TBlobField*>(Field);
  if (!blob) throw EXbError("Invalid class typecast");
  return blob;
}

TXbTable* TableOf(TField* Field) {
  auto* table = dynamic_cast<TXbTable*>(Field->DataSet());
  if (!table) throw EXbError("Invalid class typecast");
  return table;
}

// Puts Size bytes of Data into a slot, freeing what it held: one spare byte
// holds a terminating zero. The new block is made before the old one goes, so
// a failed allocation leaves the slot as it was.
void PutSlotData(Byte* slot, const char* Data, std::int64_t Size) {
  if (Size < 0 || Size >= std::numeric_limits<std::int32_t>::max()) throw EXbError("Blob too large");
  char* fresh = nullptr;
  if (Size > 0) {
    fresh = new char[static_cast<size_t>(Size) + 1];
    std::memcpy(fresh, Data, static_cast<size_t>(Size));
    fresh[Size] = '\0';
  }
  delete[] SlotData(slot);
  Store<char*>(slot + kSlotData, fresh);
  Store<std::int32_t>(slot + kSlotLength, static_cast<std::int32_t>(Size));
}

}  // namespace

// ---- the stream -------------------------------------------------------------------

TXbBlobStream::TXbBlobStream(TField* Field, TBlobStreamMode Mode)
    : mode_(Mode), field_(BlobFieldOf(Field)), dataSet_(TableOf(Field)) {
  if (mode_ != bmRead && !Editing(dataSet_->State()))
    dataSet_->RaiseError("Data set must be in Edit or Insert mode to update");
  // A stream that only writes starts empty.
  if (mode_ != bmWrite) dataSet_->ReadBlobValue(field_, *this);
  SetPosition(0);
}

TXbBlobStream::~TXbBlobStream() {
  if (mode_ == bmRead) return;
  try {
    dataSet_->StoreBlobValue(field_, Memory(), Size());
  } catch (...) {
    // A destructor cannot pass the failure on; the slot keeps its old value.
    return;
  }
  try {
    dataSet_->DataEvent(deFieldChange, field_);
  } catch (...) {
    // The value is stored; a failing change handler cannot undo that here.
  }
}

// ---- the table's side -------------------------------------------------------------------

std::unique_ptr<TStream> TXbTable::OpenBlobStream(TField* Field, TBlobStreamMode Mode) {
  if (!Field || Field->DataSet() != this) RaiseError("Invalid class typecast");
  return std::make_unique<TXbBlobStream>(Field, Mode);
}

Byte* TXbTable::BlobSlot(Byte* Buffer, TField* Field) const {
  return Buffer + blobAreaOffset_ + Field->Offset() * BlobSlotSize;
}

void TXbTable::ReadBlobValue(TField* Field, TMemoryStream& Into) {
  if (!cursorOpen_ || !Field->IsBlob()) return;
  const TDataSetState state = State();
  if (state == dsOldValue) {
    // The value as stored, whatever the edit holds: the slot is left alone.
    const String stored = ReadStoredBlob(Field, TrailerRecNo(ActiveBuffer()));
    if (!stored.empty()) Into.WriteBuffer(stored.data(), static_cast<std::int64_t>(stored.size()));
    return;
  }
  Byte* buffer = state == dsFilter ? filterBuffer_ : state == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  if (!buffer) return;
  Byte* slot = BlobSlot(buffer, Field);
  // With SpeedMode on the active buffer does not follow the engine's moves:
  // the record is the one the engine stands on.
  const bool followsEngine = speedMode_ && buffer == ActiveBuffer();
  bool fill;
  if (Editing(state) && buffer == ActiveBuffer()) {
    // The edit's own value, once read or written, stays until the edit ends.
    fill = slot[kSlotModified] == 0 && slot[kSlotLoaded] == 0;
  } else {
    // Outside an edit a modified slot is what a cancelled edit left behind.
    fill = slot[kSlotModified] != 0 || slot[kSlotLoaded] == 0 || followsEngine;
  }
  if (fill) {
    std::int32_t recNo = 0;
    if (followsEngine && state != dsInsert) {
      SelectArea();
      recNo = Cursor().RecNo();
    } else if (ReadBookmarkFlag(buffer) != bfInserted && (followsEngine || ReadFieldData(Field, nullptr))) {
      recNo = TrailerRecNo(buffer);
    }
    // A null field and a record not stored yet need no engine call.
    const String stored = recNo > 0 ? ReadStoredBlob(Field, recNo) : String();
    PutSlotData(slot, stored.data(), static_cast<std::int64_t>(stored.size()));
    slot[kSlotModified] = 0;
    slot[kSlotLoaded] = 255;
  }
  const std::int32_t length = Load<std::int32_t>(slot + kSlotLength);
  if (length > 0) Into.WriteBuffer(SlotData(slot), length);
}

String TXbTable::ReadStoredBlob(TField* Field, std::int32_t RecNo) {
  SelectArea();
  TXbCursor& cursor = Cursor();
  // The engine goes back to exactly where it stood, which is not always the
  // active record (a filter judging another one, an insert, SpeedMode).
  const std::int32_t standing = cursor.RecNo();
  const bool moves = standing != RecNo;
  struct Back {
    TXbCursor& cursor;
    std::int32_t recNo;
    bool active;
    ~Back() {
      if (!active) return;
      try {
        cursor.Go(recNo);
      } catch (...) {
      }
    }
  } back{cursor, standing, moves};
  if (moves) cursor.Go(RecNo);

  const String& name = Field->FieldName();
  if (Field->DataType() == ftMemo) {
    // Memo text of every length comes through the engine's code page
    // translation, as Post writes it back; read raw past some length, a long
    // memo of a translated table would come back untranslated and be
    // translated a second time when stored. The cursor hands back its own
    // copy and has given the engine's back.
    return cursor.GetMemo(name);
  }
  // The DBT-memo style of index type NTX is not asked for a length: its
  // blobs other than memo text read as empty.
  const std::int32_t length = tableType_ == ttSXNTX ? 0 : cursor.GetBlobLength(name);
  String data;
  if (length > 0) {
    data.resize(static_cast<size_t>(length));
    const std::int32_t got = cursor.GetBlob(name, data.data(), length);
    data.resize(static_cast<size_t>(std::clamp(got, 0, length)));
  }
  return data;
}

void TXbTable::StoreBlobValue(TField* Field, const char* Data, std::int64_t Size) {
  Byte* active = ActiveBuffer();
  if (!cursorOpen_ || !active) return;
  Byte* slot = BlobSlot(active, Field);
  PutSlotData(slot, Data, Size);
  slot[kSlotModified] = 255;
  // The field is null exactly when it is empty, as after a record read.
  const int place = FieldPlace(Field);
  if (place >= 0) active[place] = Size > 0 ? 1 : 0;
}
