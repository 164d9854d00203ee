#pragma once
// TDataSet: the framework every table-like component is built on. It keeps
// the dataset's state, a ring of record buffers around the active record,
// the fields and their definitions, and runs navigation, the editing cycle
// and the Before/After events. A descendant supplies the storage through
// the virtual hooks below; the framework decides when they run.
//
// Writing a descendant
// --------------------
// Record buffers. The framework holds BufferCount()+1 buffers while open
// (the extra one is scratch for fetches and inserts). NewRecordBuffer
// allocates one (default: RecordBufferSize() zeroed bytes) and the framework
// owns it; DisposeRecordBuffer releases what a buffer refers to before the
// framework frees it. A buffer's layout is the descendant's own: typically
// one has-value byte plus the native value per data field, then the
// calculated-field area (CalcFieldsSize() bytes; a calculated field sits at
// its Offset()), then anything else (blob slots, a trailer holding the
// record's bookmark and bookmark flag).
//
// Open (Active := true, or Open): BeforeOpen; OpenCursor (open the storage,
// BuildFieldDefs, create default fields when DefaultFields(), BindFields(true),
// SetBookmarkSize, position before the first record); the framework then
// allocates buffers and fills them by FetchRecord(gmNext) calls; state
// browse; AfterOpen; AfterScroll. An exception anywhere in the open calls
// CloseCursor, leaves the dataset inactive and reaches the caller.
// Close: BeforeClose; state inactive; buffers disposed; CloseCursor (unbind and
// free default fields; the framework repeats both when the descendant did
// not); AfterClose. C++ cannot reach a descendant's hooks from ~TDataSet:
// a descendant's destructor must call Close() itself.
//
// FetchRecord(Buffer, GetMode, DoCheck) fills Buffer with the record at
// (gmCurrent), after (gmNext) or before (gmPrior) the cursor and moves the
// cursor there; it answers grOK, grBOF / grEOF when there is no such record,
// or grError (raising instead when DoCheck). It also clears and computes the
// calculated fields (GetCalcFields) and applies OnFilterRecord in state
// dsFilter (SetTempState), skipping rejected records. GoBeforeFirst /
// GoAfterLast put the cursor before the first / after the last record, so
// that the next gmNext / gmPrior fetch returns the first / last record.
// GotoBufferRecord moves the cursor to the record a buffer holds (by its
// bookmark; a bfInserted buffer holds the bookmark of the record it was
// inserted before).
//
// Fields read and write through ReadFieldData / WriteFieldData in the
// native format of Fields.h. WriteFieldData should refuse outside the write
// states, call Field->Validate(Buffer), store, and then - unless the state is
// dsCalcFields, dsFilter or dsNewValue - fire DataEvent(deFieldChange, Field),
// which sets Modified, recomputes calculated fields, fires the field's
// OnChange and tells the data links. In dsCalcFields the calculated values go
// to CalcBuffer(); in dsFilter to the buffer being judged.
//
// Editing: Edit -> PrepareEdit (fires BeforeEdit), EditRecordBuffer under
// OnEditError, calculated fields, state dsEdit, AfterEdit; when a step
// between PrepareEdit and the state change raises, AbandonEdit runs before
// the exception goes on. Insert/Append -> PrepareInsert (fires
// BeforeInsert), a fresh buffer (InitRecordBuffer, ResetCalcFields, flag
// bfInserted; Insert carries the bookmark of the record it goes before,
// Append flag bfEOF, an empty dataset flag bfBOF), InsertRecordBuffer, state
// dsInsert, InitNewRecord (fires OnNewRecord), FinishInsert (fires
// AfterInsert). Post -> BeforePost, required fields checked, PostRecord under
// OnPostError (the descendant stores the active buffer and leaves the cursor
// on the stored record), state dsBrowse, ResyncAfterPost (ResyncCursor unless
// the descendant knows better), AfterPost. Cancel ->
// BeforeCancel, cursor to the active buffer, CancelRecordBuffer, state
// dsBrowse, ResyncCursor, FinishCancel (fires AfterCancel). Delete ->
// BeforeDelete, DeleteRecord under OnDeleteError (leave the cursor on the
// record that takes the deleted one's place), ResyncCursor, AfterDelete.
// The error events get every Exception except EAbort: daFail re-raises,
// daAbort raises EAbort, daRetry runs the operation again.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"
#include "class_library/datasets/FieldDefs.h"
#include "class_library/datasets/Fields.h"
#include "class_library/core/Types.h"
#include "class_library/core/Variant.h"

class TDataSource;
class TDataLink;
class TStream;

// Failures of the dataset framework.
class EDatabaseError : public Exception {
public:
  using Exception::Exception;
};

// Raises EDatabaseError with Message, prefixed "<Name>: " when Component has a name.
[[noreturn]] void DatabaseError(const String& Message, const TComponent* Component = nullptr);

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
};

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
// Kept with each record buffer: a record (bfCurrent), the places before the
// first / after the last record, or a record being inserted.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = TEnumSet<TResyncModeFlag>;
enum TDataAction { daFail, daAbort, daRetry };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TEnumSet<TLocateOption>;

// BookmarkSize() bytes naming a record; empty = no bookmark.
using TBookmark = std::vector<Byte>;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, Exception& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

class TDataSet : public TComponent {
public:
  explicit TDataSet(TComponent* AOwner);
  // Closes without the descendant's hooks (see the top of the file), frees
  // the fields it owns, detaches persistent fields and data sources.
  ~TDataSet() override;
  String ClassName() const override { return "TDataSet"; }

  // ---- open and close
  bool Active() const { return state_ != dsInactive; }
  // While the dataset is being loaded from a resource the value is kept and
  // applied by FinishLoading.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  // EDatabaseError "Cannot perform this operation on a closed dataset".
  void CheckActive() const {
    if (state_ == dsInactive) RaiseInactive();
  }
  // EDatabaseError "Cannot perform this operation on an open dataset".
  void CheckInactive() const;

  // ---- fields
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TFieldDefs& FieldDefs() { return *fieldDefs_; }
  TField* FindField(const String& FieldName) const { return fields_.FindField(FieldName); }
  // EDatabaseError "<dataset>: Field '<n>' not found".
  // A walk asks for the same field record after record: the last one found
  // answers, without a search or a call, while its name is spelt the same.
  TField* FieldByName(const String& FieldName) const {
    if (TField* last = fields_.lastFound_; last && SameSpelling(last->FieldName(), FieldName)) return last;
    return SearchFieldByName(FieldName);
  }
  // The fields named in a ";"-separated list, in order; raises for a missing name.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  std::vector<String> GetFieldNames() const;
  // True while the fields were made at open (the dataset had none of its own).
  bool DefaultFields() const { return defaultFields_; }
  int CalcFieldsSize() const { return calcFieldsSize_; }
  int BlobFieldCount() const { return blobFieldCount_; }
  int BookmarkSize() const { return bookmarkSize_; }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool Value) { autoCalcFields_ = Value; }

  // ---- navigation
  void First();
  void Last();
  virtual void Next() { MoveBy(1); }
  virtual void Prior() { MoveBy(-1); }
  // Moves Distance records (negative: backwards); answers the distance moved.
  virtual int MoveBy(int Distance);
  virtual bool Bof() const { return bof_; }
  virtual bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }
  // Re-reads the records around the current one from the storage.
  void Refresh();
  // The 1-based position of the active record, where the descendant knows it (-1 otherwise).
  int RecNo() { return GetRecNo(); }
  int RecordCount() { return CountRecords(); }
  // Hooks behind RecNo / RecordCount (defaults: unknown, -1; setting does nothing).
  virtual int GetRecNo() { return -1; }
  virtual void SetRecNo(int /*Value*/) {}
  virtual int CountRecords() { return -1; }

  // ---- editing
  bool Modified() const { return modified_; }
  bool CanModify() const { return CanModifyData(); }
  void Edit();
  void Insert();
  void Append();
  void Post();
  virtual void Cancel();
  void Delete();
  // Posts or cancels a pending edit (post when modified).
  void CheckBrowseMode() {
    // Browsing with nobody to tell: nothing to post, cancel or announce.
    if (state_ == dsBrowse && (disableCount_ != 0 || dataSources_.empty())) return;
    CheckBrowseModeSlow();
  }
  // Asks the data links to store their pending changes; EDatabaseError
  // "Dataset not in edit or insert mode" outside the write states.
  void UpdateRecord();
  // Assigns Values to the fields in field order (AssignValue).
  void SetFields(const std::vector<Variant>& Values);
  // A whole new record in one step: the fields take Values, BeforePost and
  // AddRecordBuffer under OnPostError, then AfterPost.
  void InsertRecord(const std::vector<Variant>& Values) { AddRecordValues(Values, false); }
  void AppendRecord(const std::vector<Variant>& Values) { AddRecordValues(Values, true); }
  void ClearFields();

  // ---- bookmarks
  // The bookmark of the active record; empty when there is no record.
  TBookmark GetBookmark();
  // Makes the bookmarked record active (an empty bookmark does nothing).
  // EDatabaseError "Record not found" when it no longer exists.
  void GotoBookmark(const TBookmark& Bookmark);
  void FreeBookmark(TBookmark& Bookmark) { Bookmark.clear(); }
  bool BookmarkValid(const TBookmark& Bookmark) {
    return BookmarkIsValid(Bookmark.empty() ? nullptr : Bookmark.data());
  }
  // -1, 0, 1 by order (the descendant decides; see CompareBookmarkOrder).
  int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    return CompareBookmarkOrder(Bookmark1.empty() ? nullptr : Bookmark1.data(),
                                Bookmark2.empty() ? nullptr : Bookmark2.data());
  }

  // ---- search
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    return LocateRecord(KeyFields, KeyValues, Options);
  }
  Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
    return LookupRecord(KeyFields, KeyValues, ResultFields);
  }

  // ---- filtering
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool Value);
  const String& Filter() const { return filterText_; }
  virtual void SetFilterText(const String& Value);

  // ---- data links
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }
  // Tells the dataset's data sources (and through them the links) about an
  // event; deFieldChange also sets Modified, recomputes calculated fields and
  // fires the field's OnChange.
  void DataEvent(TDataEvent Event, TField* Field = nullptr, int Info = 0) {
    if (Event == deFieldChange && Field) FieldChanged(Field);
    if (disableCount_ != 0 || dataSources_.empty()) return;
    NotifyDataSources(Event, Field, Info);
  }
  // The data source this dataset follows (a master), if any.
  virtual TDataSource* GetDataSource() const { return nullptr; }

  // ---- buffers (for descendants and their helpers)
  Byte* ActiveBuffer() const {
    return buffers_.empty() ? nullptr : buffers_[static_cast<size_t>(activeRecord_)].get();
  }
  // The buffer whose calculated fields are being computed.
  Byte* CalcBuffer() const { return calcBuffer_; }
  int BufferCount() const { return bufferCount_; }
  int ActiveRecord() const { return activeRecord_; }
  int BufferedRecordCount() const { return recordCount_; }

  // ---- storage access used by the fields
  // Copies the field's native value into Buffer (nullptr: only asks) and
  // answers whether the field has a value. Must not raise for a closed cursor.
  virtual bool ReadFieldData(TField* Field, void* Buffer) = 0;
  // For a text field (ftString, ftFixedChar, ftWideString) where the dataset
  // holds its characters readable in place: points Text at them (Length
  // characters without a zero byte; Length 0 for null) and answers true. The
  // text stays valid until the record buffer changes. The default answers
  // false, which sends the reader through ReadFieldData.
  virtual bool ReadFieldText(TField* /*Field*/, const char*& /*Text*/, size_t& /*Length*/) { return false; }
  // Stores Buffer (nullptr: null) as the field's value (see the top of the file).
  virtual void WriteFieldData(TField* Field, const void* Buffer) = 0;
  // A stream over a blob field's value; the default raises.
  virtual std::unique_ptr<TStream> OpenBlobStream(TField* Field, TBlobStreamMode Mode);
  // The current position of the cursor follows the active record.
  void UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
  }
  // Forgets which buffer the cursor stands on (after moving it elsewhere).
  void CursorPosChanged() { currentRecord_ = -1; }
  // Re-reads the buffers around the record the cursor stands on. rmExact:
  // that record must exist (else "Record not found"); rmCenter: put it in
  // the middle of the buffers.
  virtual void ResyncCursor(TResyncMode Mode);
  // The buffers re-read after a Post, with the cursor on the record just
  // stored. By default ResyncCursor; a descendant whose cursor still holds
  // that record as stored may spare going back to it.
  virtual void ResyncAfterPost() { ResyncCursor({}); }

  // ---- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
  TFilterRecordEvent OnFilterRecord;

  // ---- component
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

protected:
  // ---- record buffers
  virtual std::unique_ptr<Byte[]> NewRecordBuffer();
  virtual void DisposeRecordBuffer(Byte* Buffer);
  // Clears a buffer for a new record (all fields null).
  virtual void InitRecordBuffer(Byte* Buffer) = 0;
  // Bytes of a record buffer as far as the framework's default allocation goes.
  virtual int RecordBufferSize() = 0;
  // Forgets every buffered record (the buffers stay allocated).
  virtual void ResetRecordBuffers();
  // Sets every calculated field of Buffer to null. The default does nothing.
  virtual void ResetCalcFields(Byte* Buffer);

  // ---- the cursor
  virtual void OpenCursor() = 0;
  virtual void CloseCursor() = 0;
  virtual bool CursorIsOpen() = 0;
  // Fills FieldDefs from the storage (also called while closed, by FieldDefs().Update()).
  virtual void BuildFieldDefs() = 0;
  virtual TGetResult FetchRecord(Byte* Buffer, TGetMode GetMode, bool DoCheck) = 0;
  virtual void GoBeforeFirst() = 0;
  virtual void GoAfterLast() = 0;
  virtual void GotoBufferRecord(Byte* Buffer) = 0;
  virtual void GotoBookmarkData(const Byte* Bookmark) = 0;
  // Re-reads the storage (Refresh); the default does nothing.
  virtual void RefreshCursor() {}

  // ---- bookmarks in buffers
  virtual void ReadBookmarkData(Byte* Buffer, Byte* Data) = 0;
  virtual void WriteBookmarkData(Byte* Buffer, const Byte* Data) = 0;
  virtual TBookmarkFlag ReadBookmarkFlag(Byte* Buffer) = 0;
  virtual void WriteBookmarkFlag(Byte* Buffer, TBookmarkFlag Value) = 0;
  // Default: a bookmark is valid when it is not null.
  virtual bool BookmarkIsValid(const Byte* Bookmark) { return Bookmark != nullptr; }
  // Default 0 (no order known).
  virtual int CompareBookmarkOrder(const Byte* Bookmark1, const Byte* Bookmark2);

  // ---- editing
  virtual void EditRecordBuffer() {}
  virtual void InsertRecordBuffer() {}
  virtual void CancelRecordBuffer() {}
  // Edit failed after PrepareEdit succeeded (EditRecordBuffer or the
  // calculated fields raised): release what PrepareEdit took. The state is
  // still dsBrowse. Must not raise. The default does nothing.
  virtual void AbandonEdit() {}
  virtual void PostRecord() = 0;
  virtual void DeleteRecord() = 0;
  virtual void AddRecordBuffer(Byte* Buffer, bool Append) = 0;
  virtual bool CanModifyData() const { return true; }

  // True when RecNo follows the record order; default true.
  virtual bool HasSequencedOrder() { return true; }

  // ---- search (defaults: not found)
  virtual bool LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  virtual Variant LookupRecord(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

  // ---- index definitions: re-read them (TIndexDefs::Update); default nothing
  virtual void ReadIndexDefs() {}

  // ---- event hooks (each fires its event; descendants extend them)
  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void PrepareEdit();     // BeforeEdit
  virtual void DoAfterEdit();
  virtual void PrepareInsert();   // BeforeInsert
  virtual void FinishInsert();    // AfterInsert
  virtual void InitNewRecord();   // OnNewRecord
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void FinishCancel();    // AfterCancel
  virtual void DoBeforeDelete();
  virtual void DoAfterDelete();
  virtual void DoBeforeScroll();
  virtual void FinishScroll();    // AfterScroll
  // First (ToLast false) or Last.
  void ScrollToEnd(bool ToLast);
  // After the cursor closed: the fields made at the open go, the others let
  // go of their data.
  void ReleaseFields();
  virtual void DoBeforeRefresh();
  virtual void DoAfterRefresh();
  virtual void DoOnCalcFields();

  // Hands the exception being handled on; the default re-raises it.
  virtual void HandleDataException();

  // ---- helpers for descendants
  void SetState(TDataSetState Value);
  // Enters a temporary state (calculated fields, filter, old/new value) and
  // returns the previous one for RestoreState. Controls stay quiet meanwhile.
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  // Numbers the fields against FieldDefs (Binding) or forgets it: data fields
  // get their FieldNo, calculated fields their Offset in the calculated area,
  // blob fields their blob number. Raises for a field missing from FieldDefs
  // or whose type or string size differs from its definition.
  void BindFields(bool Binding);
  // One field per field definition (TFieldDef::CreateField with this dataset as owner).
  void CreateFields();
  // Frees every field.
  void DestroyFields();
  void SetBookmarkSize(int Value) { bookmarkSize_ = Value; }
  // Computes the calculated fields of Buffer: state dsCalcFields, then ComputeFields.
  void GetCalcFields(Byte* Buffer);
  // CalcBuffer := Buffer, calculated fields reset, lookup fields filled, OnCalcFields.
  void ComputeFields(Byte* Buffer);
  // For datasets with internal calculated fields; the default does nothing.
  virtual void RefreshComputedFields(Byte* /*Buffer*/) {}
  // Number of buffers the ring holds (at least 1; the data links ask for more).
  void SetBufferCount(int Value);
  Byte* BufferAt(int Index) const { return buffers_[static_cast<size_t>(Index)].get(); }
  void SetModified(bool Value) { modified_ = Value; }
  void CheckCanModify() const;
  void CheckRequiredFields();

private:
  friend class TField;
  friend class TFields;
  friend class TFieldDefs;
  friend class TIndexDefs;
  friend class TDataSource;
  friend class TDataLink;

  void OpenWithHooks();
  void CloseWithHooks();
  void AllocateBuffers(int Count);
  void FreeBuffers();
  void ActivateBuffers();
  void MoveBuffer(int CurIndex, int NewIndex);
  // Moves the cursor to the record of buffer Index unless it stands there.
  // Byte-for-byte equality of two names, compared in place: field names are
  // short, and a library compare call costs more than the compare.
  static bool SameSpelling(const String& A, const String& B) {
    const size_t n = A.size();
    if (n != B.size()) return false;
    const char* a = A.data();
    const char* b = B.data();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      if (x != y) return false;
    }
    for (; i < n; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  TField* SearchFieldByName(const String& FieldName) const;
  void CheckBrowseModeSlow();
  void SetCurrentRecord(int Index) {
    if (currentRecord_ != Index) MoveCursorTo(Index);
  }
  void MoveCursorTo(int Index);
  [[noreturn]] void RaiseInactive() const;
  // deFieldChange of DataEvent: Modified, calculated fields, OnChange.
  void FieldChanged(TField* Field);
  bool FetchIntoScratch(TGetMode Mode);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void InitRecord(Byte* Buffer);
  void BeginInsertAppend();
  void EndInsertAppend();
  void PrepareInsertBuffer(bool Append);
  void AddRecordValues(const std::vector<Variant>& Values, bool Append);
  void CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent);
  void UpdateCalcFields();
  void UpdateBufferCount();
  int WantedBufferCount() const;
  void NotifyDataSources(TDataEvent Event, TField* Field, int Info);
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  void ClearBlobModified();

  TDataSetState state_ = dsInactive;
  std::vector<std::unique_ptr<Byte[]>> buffers_;
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;
  bool bof_ = true;
  bool eof_ = true;
  Byte* calcBuffer_ = nullptr;
  bool modified_ = false;
  bool streamedActive_ = false;
  bool defaultFields_ = false;
  bool autoCalcFields_ = true;
  bool internalCalcFields_ = false;
  bool filtered_ = false;
  String filterText_;
  int calcFieldsSize_ = 0;
  int blobFieldCount_ = 0;
  int bookmarkSize_ = 0;
  int disableCount_ = 0;
  int wantedBufferCount_ = 1;
  TDataSetState disableState_ = dsInactive;
  TFields fields_;
  std::unique_ptr<TFieldDefs> fieldDefs_;
  std::vector<TDataSource*> dataSources_;
};
