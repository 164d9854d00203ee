#include "class_library/datasets/DataSet.h"

#include <algorithm>
#include <exception>

#include "class_library/datasets/DBConsts.h"
#include "class_library/datasets/DataSource.h"
#include "class_library/core/Streams.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"

void DatabaseError(const String& Message, const TComponent* Component) {
  if (Component && !Component->Name().empty()) throw EDatabaseError(Component->Name() + ": " + Message);
  throw EDatabaseError(Message);
}

namespace {
constexpr int kMaxBufferCount = 1024;

bool IsEditState(TDataSetState s) { return s == dsEdit || s == dsInsert; }
}  // namespace

// ---------------------------------------------------------------- life

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), fields_(this), fieldDefs_(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  // The descendant's part is gone: no hook can run any more. Whatever the
  // buffers refer to is the descendant's to have released in its Close().
  state_ = dsInactive;
  buffers_.clear();
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->DataSetDestroyed();
  dataSources_.clear();
  // Fields owned elsewhere outlive the dataset and must not call back into
  // it; fields without an owner are the dataset's to free. Fields owned by
  // the dataset itself are freed with its owned components.
  std::vector<TField*> orphans;
  for (TField* f : fields_)
    if (!f->Owner()) orphans.push_back(f);
  fields_.Detach();
  for (TField* f : orphans) delete f;
}

void TDataSet::RaiseInactive() const { DatabaseError(SDataSetClosed, this); }

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    streamedActive_ = Value;
    return;
  }
  if (Value == Active()) return;
  if (Value) {
    OpenWithHooks();
  } else {
    CloseWithHooks();
  }
}

void TDataSet::FinishLoading() {
  TComponent::FinishLoading();
  if (streamedActive_) {
    streamedActive_ = false;
    SetActive(true);
  }
}

void TDataSet::OpenWithHooks() {
  DoBeforeOpen();
  defaultFields_ = fields_.Count() == 0;
  try {
    OpenCursor();
    AllocateBuffers(WantedBufferCount());
    ResetRecordBuffers();
    GetNextRecords();
    bof_ = true;
    SetState(dsBrowse);
  } catch (...) {
    // Whatever failed, nothing stays open: buffers, cursor, fields made here.
    if (state_ != dsInactive) {
      try {
        SetState(dsInactive);
      } catch (...) {
      }
    }
    state_ = dsInactive;
    FreeBuffers();
    try {
      CloseCursor();
    } catch (...) {
    }
    ReleaseFields();
    throw;
  }
  DoAfterOpen();
  if (!IsEmpty()) FinishScroll();
}

void TDataSet::CloseWithHooks() {
  bool destroying = ComponentState().Contains(csDestroying);
  if (!destroying) DoBeforeClose();
  SetState(dsInactive);
  FreeBuffers();
  try {
    CloseCursor();
  } catch (...) {
    ReleaseFields();
    throw;
  }
  // Descendants normally do both in CloseCursor; repeating them is harmless.
  ReleaseFields();
  if (!destroying) DoAfterClose();
}

void TDataSet::ReleaseFields() {
  if (defaultFields_) DestroyFields();
  BindFields(false);
  defaultFields_ = false;
}

void TDataSet::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (TField* f : fields_)
    if (f->LookupDataSet() == AComponent) f->SetLookupDataSet(nullptr);
}

// ---------------------------------------------------------------- state

void TDataSet::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  state_ = Value;
  modified_ = false;
  ClearBlobModified();
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  TDataSetState old = state_;
  state_ = Value;
  ++disableCount_;
  return old;
}

void TDataSet::RestoreState(TDataSetState Value) {
  state_ = Value;
  if (disableCount_ > 0) --disableCount_;
}

void TDataSet::ClearBlobModified() {
  for (TField* f : fields_)
    if (f->IsBlob())
      if (auto* blob = dynamic_cast<TBlobField*>(f)) blob->SetModified(false);
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) disableState_ = state_;
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(deDataSetChange);
}

void TDataSet::FieldChanged(TField* Field) {
  if (Field->FieldKind() == fkData || Field->FieldKind() == fkInternalCalc) modified_ = true;
  UpdateCalcFields();
  Field->Change();
}

// Apart from DataEvent, which every move calls: a dataset nobody watches
// pays nothing for the copy of the list.
void TDataSet::NotifyDataSources(TDataEvent Event, TField* Field, int Info) {
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_))
    if (std::find(dataSources_.begin(), dataSources_.end(), source) != dataSources_.end())
      source->DataEvent(Event, Field, Info);
}

// ---------------------------------------------------------------- fields

TField* TDataSet::SearchFieldByName(const String& FieldName) const {
  // The name as the field spells it is the common case and needs no case
  // folding; a field matching only by case is found as before, in order.
  for (TField* f : fields_) {
    if (f->FieldName() == FieldName || AnsiSameText(f->FieldName(), FieldName)) {
      fields_.lastFound_ = f;
      return f;
    }
  }
  DatabaseError(Format(SFieldNotFound, {FieldName}), this);
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
  size_t pos = 0;
  while (pos <= FieldNames.size()) {
    size_t end = FieldNames.find(';', pos);
    if (end == String::npos) end = FieldNames.size();
    String name = Trim(FieldNames.substr(pos, end - pos));
    if (!name.empty()) List.push_back(FieldByName(name));
    pos = end + 1;
  }
}

std::vector<String> TDataSet::GetFieldNames() const {
  std::vector<String> names;
  for (TField* f : fields_) names.push_back(f->FieldName());
  return names;
}

void TDataSet::BindFields(bool Binding) {
  calcFieldsSize_ = 0;
  blobFieldCount_ = 0;
  internalCalcFields_ = false;
  for (TField* f : fields_) {
    if (!Binding) {
      f->fieldNo_ = 0;
      f->offset_ = 0;
      continue;
    }
    if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) {
      f->fieldNo_ = -1;
      f->offset_ = calcFieldsSize_;
      calcFieldsSize_ += f->DataSize() + 1;
      continue;
    }
    TFieldDef* def = fieldDefs_->FindDef(f->FieldName());
    if (!def) DatabaseError(Format(SFieldNotFound, {f->DisplayName()}), this);
    // A field whose native value does not match the stored one would read
    // and write past its slot: refuse it.
    if (def->DataType() != f->DataType())
      DatabaseError(Format(SFieldTypeMismatch, {f->DisplayName(), FieldTypeDisplayName(f->DataType()),
                                                FieldTypeDisplayName(def->DataType())}),
                    this);
    if (f->DataType() == ftString && def->Size() != f->Size())
      DatabaseError(Format(SFieldSizeMismatch, {f->DisplayName(), f->Size(), def->Size()}), this);
    f->fieldNo_ = def->FieldNo();
    if (f->FieldKind() == fkInternalCalc) internalCalcFields_ = true;
    if (f->IsBlob()) {
      f->size_ = def->Size();
      f->offset_ = blobFieldCount_++;
    }
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_->Count(); ++i) {
    TFieldDef* def = fieldDefs_->Items(i);
    if (FieldClassFor(def->DataType())) def->CreateField(this);
  }
}

void TDataSet::DestroyFields() { fields_.Clear(); }

void TDataSet::CheckRequiredFields() {
  for (TField* f : fields_)
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull())
      DatabaseError(Format(SFieldRequired, {f->DisplayName()}), this);
}

void TDataSet::GetCalcFields(Byte* Buffer) {
  if (calcFieldsSize_ <= 0) return;
  TDataSetState saved = SetTempState(dsCalcFields);
  try {
    ComputeFields(Buffer);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
}

void TDataSet::ComputeFields(Byte* Buffer) {
  calcBuffer_ = Buffer;
  ResetCalcFields(Buffer);
  for (TField* f : fields_) {
    if (f->FieldKind() != fkLookup) continue;
    TDataSet* lookup = f->LookupDataSet();
    if (!lookup || !lookup->Active() || f->KeyFields().empty()) continue;
    std::vector<TField*> keys;
    GetFieldList(keys, f->KeyFields());
    std::vector<Variant> values;
    bool anyNull = false;
    for (TField* k : keys) {
      if (k->IsNull()) anyNull = true;
      values.push_back(k->AsVariant());
    }
    if (anyNull || values.empty()) continue;
    Variant key = values.size() == 1 ? values[0] : VarArrayOf(values);
    f->SetAsVariant(lookup->Lookup(f->LookupKeyFields(), key, f->LookupResultField()));
  }
  DoOnCalcFields();
}

void TDataSet::UpdateCalcFields() {
  if (!IsEditState(state_)) return;
  if (internalCalcFields_) RefreshComputedFields(ActiveBuffer());
  if (autoCalcFields_ && calcFieldsSize_ > 0) GetCalcFields(ActiveBuffer());
}

void TDataSet::ResetCalcFields(Byte* /*Buffer*/) {}

std::unique_ptr<TStream> TDataSet::OpenBlobStream(TField* Field, TBlobStreamMode /*Mode*/) {
  DatabaseError(Format(SNoBlobStream, {Field ? Field->DisplayName() : String()}), this);
}

// ---------------------------------------------------------------- buffers

std::unique_ptr<Byte[]> TDataSet::NewRecordBuffer() {
  int size = std::max(RecordBufferSize(), 1);
  return std::make_unique<Byte[]>(static_cast<size_t>(size));
}

void TDataSet::DisposeRecordBuffer(Byte* /*Buffer*/) {}

void TDataSet::AllocateBuffers(int Count) {
  FreeBuffers();
  for (int i = 0; i <= Count; ++i) buffers_.push_back(NewRecordBuffer());
  bufferCount_ = Count;
}

void TDataSet::FreeBuffers() {
  for (auto& b : buffers_) {
    try {
      if (b) DisposeRecordBuffer(b.get());
    } catch (...) {
    }
  }
  buffers_.clear();
  bufferCount_ = 0;
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = eof_ = true;
  calcBuffer_ = nullptr;
}


void TDataSet::ResetRecordBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

// Moves the buffer at CurIndex to NewIndex; the ones between shift by one.
void TDataSet::MoveBuffer(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  // Neighbours (a walk with one buffer and its scratch one) just trade places.
  if (CurIndex - NewIndex == 1 || NewIndex - CurIndex == 1) {
    std::swap(buffers_[static_cast<size_t>(CurIndex)], buffers_[static_cast<size_t>(NewIndex)]);
    return;
  }
  auto b = buffers_.begin();
  if (CurIndex < NewIndex) {
    std::rotate(b + CurIndex, b + CurIndex + 1, b + NewIndex + 1);
  } else {
    std::rotate(b + NewIndex, b + CurIndex, b + CurIndex + 1);
  }
}

void TDataSet::MoveCursorTo(int Index) {
  Byte* buffer = BufferAt(Index);
  switch (ReadBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      GotoBufferRecord(buffer);
      break;
    case bfBOF:
      GoBeforeFirst();
      break;
    case bfEOF:
      GoAfterLast();
      break;
  }
  currentRecord_ = Index;
}


// Fetches into the buffer after the valid ones; on any failure the cursor's
// place is unknown.
bool TDataSet::FetchIntoScratch(TGetMode Mode) {
  bool ok = false;
  try {
    ok = FetchRecord(BufferAt(recordCount_), Mode, true) == grOK;
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  if (!ok) CursorPosChanged();
  return ok;
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // A record being inserted stands before the cursor's record: read that one.
    if (state_ == dsInsert && currentRecord_ == activeRecord_ && ReadBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  if (!FetchIntoScratch(mode)) return false;
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    MoveBuffer(0, recordCount_);
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  if (!FetchIntoScratch(gmPrior)) return false;
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::ResyncCursor(TResyncMode Mode) {
  CheckActive();
  Byte* scratch = BufferAt(recordCount_);
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (FetchRecord(scratch, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (FetchRecord(scratch, gmCurrent, false) != grOK && FetchRecord(scratch, gmNext, false) != grOK &&
             FetchRecord(scratch, gmPrior, false) != grOK) {
    ResetRecordBuffers();
    DataEvent(deDataSetChange);
    return;
  }
  int count = Mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange);
    throw;
  }
  DataEvent(deDataSetChange);
}

void TDataSet::SetBufferCount(int Value) {
  wantedBufferCount_ = std::clamp(Value, 1, kMaxBufferCount);
  UpdateBufferCount();
}

int TDataSet::WantedBufferCount() const {
  int count = wantedBufferCount_;
  for (TDataSource* source : dataSources_)
    for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
  return std::clamp(count, 1, kMaxBufferCount);
}

void TDataSet::UpdateBufferCount() {
  int count = WantedBufferCount();
  if (state_ == dsInactive || count == bufferCount_) return;
  // Re-read the ring around the active record with the new size.
  CheckBrowseMode();
  UpdateCursorPos();
  bool wasEmpty = recordCount_ == 0;
  AllocateBuffers(count);
  if (wasEmpty) {
    GoBeforeFirst();
    GetNextRecords();
    DataEvent(deDataSetChange);
    return;
  }
  TDataSet::ResyncCursor({});
}

// ---------------------------------------------------------------- navigation

void TDataSet::First() { ScrollToEnd(false); }

void TDataSet::Last() { ScrollToEnd(true); }

void TDataSet::ScrollToEnd(bool ToLast) {
  CheckBrowseMode();
  DoBeforeScroll();
  ResetRecordBuffers();
  // Even a failed fetch leaves the buffers reset, so the change is announced
  // before the error goes on.
  std::exception_ptr error;
  try {
    if (ToLast) {
      GoAfterLast();
      GetPriorRecord();
      GetPriorRecords();
    } else {
      GoBeforeFirst();
      GetNextRecord();
      GetNextRecords();
    }
  } catch (...) {
    error = std::current_exception();
  }
  (ToLast ? eof_ : bof_) = true;
  DataEvent(deDataSetChange);
  if (error) std::rethrow_exception(error);
  FinishScroll();
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  int result = 0;
  DoBeforeScroll();
  if ((Distance > 0 && !eof_) || (Distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int scrolled = 0;
    try {
      while (Distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
          ++activeRecord_;
        } else {
          int shift = recordCount_ < bufferCount_ ? 0 : 1;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          scrolled -= shift;
          activeRecord_ = recordCount_ - 1;
        }
        --Distance;
        ++result;
      }
      while (Distance < 0) {
        if (activeRecord_ > 0) {
          --activeRecord_;
        } else {
          int shift = recordCount_ < bufferCount_ ? 0 : 1;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          scrolled += shift;
          activeRecord_ = 0;
        }
        ++Distance;
        --result;
      }
    } catch (...) {
      DataEvent(deDataSetScroll, nullptr, scrolled);
      throw;
    }
    DataEvent(deDataSetScroll, nullptr, scrolled);
    FinishScroll();
  }
  return result;
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    RefreshCursor();
  } catch (...) {
    ResyncCursor({});
    throw;
  }
  ResyncCursor({});
  DoAfterRefresh();
}

// ---------------------------------------------------------------- editing

void TDataSet::CheckCanModify() const {
  if (!CanModifyData()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      Operation();
      return;
    } catch (const EAbort&) {
      throw;
    } catch (Exception& e) {
      TDataAction action = daFail;
      if (ErrorEvent) ErrorEvent(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
      // daRetry: run the operation again.
    }
  }
}

void TDataSet::CheckBrowseModeSlow() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_) {
        Post();
      } else {
        Cancel();
      }
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  switch (state_) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
      break;
    default:
      DatabaseError(SNotEditing, this);
  }
  DataEvent(deUpdateRecord);
}

void TDataSet::InitRecord(Byte* Buffer) {
  InitRecordBuffer(Buffer);
  ResetCalcFields(Buffer);
  WriteBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::Edit() {
  if (IsEditState(state_)) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  PrepareEdit();
  // Whatever PrepareEdit took for the edit (a record lock) is handed back
  // when the edit never starts. Once the state is dsEdit the edit stands,
  // even if a later event fails: Cancel or Post ends it as usual.
  try {
    CheckOperation([this] { EditRecordBuffer(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
  } catch (...) {
    AbandonEdit();
    throw;
  }
  SetState(dsEdit);
  DataEvent(deRecordChange);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  PrepareInsert();
  DoBeforeScroll();
}

// Puts a fresh buffer for the new record at the active place (Insert) or
// after the last record (Append).
void TDataSet::PrepareInsertBuffer(bool Append) {
  if (Append) {
    ResetRecordBuffers();
    Byte* buffer = BufferAt(0);
    InitRecord(buffer);
    WriteBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
  } else {
    TBookmark old = GetBookmark();
    MoveBuffer(recordCount_, activeRecord_);
    Byte* buffer = ActiveBuffer();
    InitRecord(buffer);
    if (recordCount_ == 0) {
      WriteBookmarkFlag(buffer, bfBOF);
    } else if (!old.empty()) {
      WriteBookmarkData(buffer, old.data());
    }
    if (recordCount_ < bufferCount_) ++recordCount_;
  }
  // The buffers moved under the cursor: find it again from the buffer flags.
  CursorPosChanged();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    InitNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    ResyncCursor({});
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  FinishInsert();
  FinishScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  PrepareInsertBuffer(false);
  InsertRecordBuffer();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  PrepareInsertBuffer(true);
  InsertRecordBuffer();
  EndInsertAppend();
}

void TDataSet::Post() {
  UpdateRecord();
  switch (state_) {
    case dsEdit:
    case dsInsert:
      DataEvent(deCheckBrowseMode);
      DoBeforePost();
      CheckOperation(
          [this] {
            CheckRequiredFields();
            PostRecord();
          },
          OnPostError);
      SetState(dsBrowse);
      ResyncAfterPost();
      DoAfterPost();
      break;
    case dsSetKey:
      SetState(dsBrowse);
      break;
    default:
      break;
  }
}

void TDataSet::Cancel() {
  if (!IsEditState(state_)) return;
  DataEvent(deCheckBrowseMode);
  DoBeforeCancel();
  UpdateCursorPos();
  CancelRecordBuffer();
  SetState(dsBrowse);
  ResyncCursor({});
  FinishCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation([this] { DeleteRecord(); }, OnDeleteError);
  SetState(dsBrowse);
  ResyncCursor({});
  DoAfterDelete();
  FinishScroll();
}

void TDataSet::SetFields(const std::vector<Variant>& Values) {
  for (size_t i = 0; i < Values.size(); ++i) fields_.Fields(static_cast<int>(i))->AssignValue(Values[i]);
}

void TDataSet::AddRecordValues(const std::vector<Variant>& Values, bool Append) {
  BeginInsertAppend();
  PrepareInsertBuffer(Append);
  SetState(dsInsert);
  try {
    SetFields(Values);
    DoBeforePost();
    CheckOperation([this, Append] { AddRecordBuffer(ActiveBuffer(), Append); }, OnPostError);
  } catch (...) {
    // Back to the record that was active before.
    CursorPosChanged();
    UpdateCursorPos();
    SetState(dsBrowse);
    ResyncCursor({});
    throw;
  }
  SetState(dsBrowse);
  ResyncCursor({});
  DoAfterPost();
  FinishScroll();
}

void TDataSet::ClearFields() {
  if (!IsEditState(state_) && state_ != dsSetKey) DatabaseError(SNotEditing, this);
  InitRecordBuffer(ActiveBuffer());
  if (state_ != dsSetKey) GetCalcFields(ActiveBuffer());
  DataEvent(deRecordChange);
}

// ---------------------------------------------------------------- bookmarks

TBookmark TDataSet::GetBookmark() {
  if ((state_ == dsBrowse || IsEditState(state_)) && !IsEmpty() && bookmarkSize_ > 0 &&
      ReadBookmarkFlag(ActiveBuffer()) == bfCurrent) {
    TBookmark bookmark(static_cast<size_t>(bookmarkSize_));
    ReadBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
  }
  return {};
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  GotoBookmarkData(Bookmark.data());
  ResyncCursor({rmExact, rmCenter});
  FinishScroll();
}

int TDataSet::CompareBookmarkOrder(const Byte* /*Bookmark1*/, const Byte* /*Bookmark2*/) { return 0; }

// ---------------------------------------------------------------- search and filters

bool TDataSet::LocateRecord(const String& /*KeyFields*/, const Variant& /*KeyValues*/, TLocateOptions /*Options*/) {
  return false;
}

Variant TDataSet::LookupRecord(const String& /*KeyFields*/, const Variant& /*KeyValues*/,
                               const String& /*ResultFields*/) {
  return Null();
}

void TDataSet::SetFiltered(bool Value) { filtered_ = Value; }

void TDataSet::SetFilterText(const String& Value) { filterText_ = Value; }

void TDataSet::HandleDataException() { throw; }

// ---------------------------------------------------------------- data sources

void TDataSet::AddDataSource(TDataSource* Source) {
  dataSources_.push_back(Source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), Source), dataSources_.end());
  UpdateBufferCount();
}

// ---------------------------------------------------------------- events

#define TW_FIRE(Event) \
  if (Event) Event(this)

void TDataSet::DoBeforeOpen() { TW_FIRE(BeforeOpen); }
void TDataSet::DoAfterOpen() { TW_FIRE(AfterOpen); }
void TDataSet::DoBeforeClose() { TW_FIRE(BeforeClose); }
void TDataSet::DoAfterClose() { TW_FIRE(AfterClose); }
void TDataSet::PrepareEdit() { TW_FIRE(BeforeEdit); }
void TDataSet::DoAfterEdit() { TW_FIRE(AfterEdit); }
void TDataSet::PrepareInsert() { TW_FIRE(BeforeInsert); }
void TDataSet::FinishInsert() { TW_FIRE(AfterInsert); }
void TDataSet::InitNewRecord() { TW_FIRE(OnNewRecord); }
void TDataSet::DoBeforePost() { TW_FIRE(BeforePost); }
void TDataSet::DoAfterPost() { TW_FIRE(AfterPost); }
void TDataSet::DoBeforeCancel() { TW_FIRE(BeforeCancel); }
void TDataSet::FinishCancel() { TW_FIRE(AfterCancel); }
void TDataSet::DoBeforeDelete() { TW_FIRE(BeforeDelete); }
void TDataSet::DoAfterDelete() { TW_FIRE(AfterDelete); }
void TDataSet::DoBeforeScroll() { TW_FIRE(BeforeScroll); }
void TDataSet::FinishScroll() { TW_FIRE(AfterScroll); }
void TDataSet::DoBeforeRefresh() { TW_FIRE(BeforeRefresh); }
void TDataSet::DoAfterRefresh() { TW_FIRE(AfterRefresh); }
void TDataSet::DoOnCalcFields() { TW_FIRE(OnCalcFields); }

#undef TW_FIRE

// ---------------------------------------------------------------- registration

namespace {
template <TDataSetNotifyEvent TDataSet::*Member>
void SetNotify(TDataSet& d, TDataSetNotifyEvent e) {
  d.*Member = std::move(e);
}
template <TDataSetErrorEvent TDataSet::*Member>
void SetError(TDataSet& d, TDataSetErrorEvent e) {
  d.*Member = std::move(e);
}

const bool registered = [] {
  RegisterClass<TDataSet>("TDataSet", "TComponent")
      .Boolean("Active", &TDataSet::Active, &TDataSet::SetActive, false)
      .Boolean("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields, true)
      .Str("Filter", &TDataSet::Filter, [](TDataSet& d, const String& v) { d.SetFilterText(v); })
      .Boolean("Filtered", &TDataSet::Filtered, [](TDataSet& d, bool v) { d.SetFiltered(v); }, false)
      .Object("FieldDefs", [](TDataSet& d) -> TPersistent* { return &d.FieldDefs(); })
      .Event<TDataSetNotifyEvent>("BeforeOpen", &SetNotify<&TDataSet::BeforeOpen>)
      .Event<TDataSetNotifyEvent>("AfterOpen", &SetNotify<&TDataSet::AfterOpen>)
      .Event<TDataSetNotifyEvent>("BeforeClose", &SetNotify<&TDataSet::BeforeClose>)
      .Event<TDataSetNotifyEvent>("AfterClose", &SetNotify<&TDataSet::AfterClose>)
      .Event<TDataSetNotifyEvent>("BeforeInsert", &SetNotify<&TDataSet::BeforeInsert>)
      .Event<TDataSetNotifyEvent>("AfterInsert", &SetNotify<&TDataSet::AfterInsert>)
      .Event<TDataSetNotifyEvent>("BeforeEdit", &SetNotify<&TDataSet::BeforeEdit>)
      .Event<TDataSetNotifyEvent>("AfterEdit", &SetNotify<&TDataSet::AfterEdit>)
      .Event<TDataSetNotifyEvent>("BeforePost", &SetNotify<&TDataSet::BeforePost>)
      .Event<TDataSetNotifyEvent>("AfterPost", &SetNotify<&TDataSet::AfterPost>)
      .Event<TDataSetNotifyEvent>("BeforeCancel", &SetNotify<&TDataSet::BeforeCancel>)
      .Event<TDataSetNotifyEvent>("AfterCancel", &SetNotify<&TDataSet::AfterCancel>)
      .Event<TDataSetNotifyEvent>("BeforeDelete", &SetNotify<&TDataSet::BeforeDelete>)
      .Event<TDataSetNotifyEvent>("AfterDelete", &SetNotify<&TDataSet::AfterDelete>)
      .Event<TDataSetNotifyEvent>("BeforeScroll", &SetNotify<&TDataSet::BeforeScroll>)
      .Event<TDataSetNotifyEvent>("AfterScroll", &SetNotify<&TDataSet::AfterScroll>)
      .Event<TDataSetNotifyEvent>("BeforeRefresh", &SetNotify<&TDataSet::BeforeRefresh>)
      .Event<TDataSetNotifyEvent>("AfterRefresh", &SetNotify<&TDataSet::AfterRefresh>)
      .Event<TDataSetNotifyEvent>("OnCalcFields", &SetNotify<&TDataSet::OnCalcFields>)
      .Event<TDataSetNotifyEvent>("OnNewRecord", &SetNotify<&TDataSet::OnNewRecord>)
      .Event<TDataSetErrorEvent>("OnEditError", &SetError<&TDataSet::OnEditError>)
      .Event<TDataSetErrorEvent>("OnPostError", &SetError<&TDataSet::OnPostError>)
      .Event<TDataSetErrorEvent>("OnDeleteError", &SetError<&TDataSet::OnDeleteError>)
      .Event<TFilterRecordEvent>("OnFilterRecord",
                                 [](TDataSet& d, TFilterRecordEvent e) { d.OnFilterRecord = std::move(e); });
  return true;
}();
}  // namespace
