#pragma once
// TXbTable: a dataset over one xBase table. Every engine operation goes
// through the table's cursor (XbCursor.h), whose implementation the table
// picks at open from its AccessMethod: the engine library on this machine
// (amLocal) or a database server (amServer).
//
// The table is written in one unit split by concern:
//   XbDSetOpen.cpp        construction, open and close, field definitions, names and paths
//   XbDSetProperties.cpp  property setters and the published properties
//   XbDSetCursor.cpp      the cursor and the engine operations that move the table's own position state
//   XbDSetRecord.cpp      record buffers, field data and bookmarks
//   XbDSetTranslate.cpp   the translation between the engine's record image and the record buffer
//   XbDSetNavigate.cpp    record fetch, moves, record numbers and counts
//   XbDSetEdit.cpp        edit, insert, post, delete, cancel, locks
//   XbDSetIndex.cpp       indexes, scopes and filters
//   XbDSetSearch.cpp      Locate and Lookup: the seek path and the query path
//   XbDSetMaster.cpp      the detail side of a master-detail link
//   XbDSetCreate.cpp      table creation
//   XbBlob.cpp            blob streams and the blob slots behind them
//
// Record buffer layout (offsets computed at open):
//   field data      per data field in field order: one has-value byte, then
//                   the field's native value (DataSize bytes; none for blobs)
//   calculated      CalcFieldsSize() bytes at FieldDataSize()
//   blob slots      BlobSlotSize bytes per blob field at BlobAreaOffset():
//                   int32 length, 10-character memo reference, modified byte,
//                   loaded byte, then a full-width data pointer
//   trailer         int32 engine record number and one bookmark-flag byte
// A bookmark is the 4-byte engine record number.
// Behind the layout each buffer privately keeps the engine record it was
// filled from and one byte per engine field telling that the field's slot is
// still to be filled from it: a field is translated when it is first read, so
// a walk that reads one field pays for that field only. Whatever reads a slot
// directly goes through EnsureSlot first; then the has-value byte and the
// value mean exactly what the layout above says.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "class_library/datasets/DataSet.h"
#include "class_library/datasets/DataSource.h"
#include "class_library/core/StringList.h"
#include "data_access/XbCommon.h"
#include "data_access/XbConn.h"
#include "data_access/XbCursor.h"
#include "data_access/XbEnv.h"
#include "data_access/XbError.h"

// How the engine stores a field in its record: as text, or in a binary layout.
enum class TXbFieldLayout : Byte {
  Other,       // a type the table does not translate
  Text,        // C
  NumberText,  // N, F
  Logical,     // L
  DateText,    // D: "yyyymmdd"
  MemoText,    // memo reference as text (width 10)
  Int32,       // I
  Double,      // B of width 8
  Currency,    // Y
  DateTime,    // T
  MemoBinary,  // memo reference as a 4-byte number
};

// One engine field: where it sits in the engine record image and in the
// dataset's record buffer, and how it is stored there.
class TFieldInfo : public TObject {
public:
  String ClassName() const override { return "TFieldInfo"; }
  std::int32_t EngineOffset = 0;  // 0-based offset in the record image
  std::int32_t BufferOffset = 0;  // offset of the has-value byte in the record buffer
  std::int32_t Width = 0;
  std::int32_t Decimals = 0;
  char Type = ' ';                // the engine's type letter
  TXbFieldLayout Layout = TXbFieldLayout::Other;
};

class TMemoryStream;

class TXbTable : public TDataSet {
public:
  // Bytes of one blob slot in a record buffer.
  static constexpr int BlobSlotSize = 24;
  // Bytes of the record trailer.
  static constexpr int TrailerSize = 5;

  explicit TXbTable(TComponent* AOwner);
  ~TXbTable() override;
  String ClassName() const override { return "TXbTable"; }

  // ---- published properties ------------------------------------------------
  TXbConnection* XbConnection() const { return xbConnection_; }
  void SetXbConnection(TXbConnection* Value);
  TAccessMethod AccessMethod() const { return accessMethod_; }
  void SetAccessMethod(TAccessMethod Value);
  const String& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const String& Value);
  const String& TableName() const { return tableName_; }
  void SetTableName(const String& Value);
  TXbTableType TableType() const { return tableType_; }
  void SetTableType(TXbTableType Value);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  TXbCommitLevel CommitLevel() const { return commitLevel_; }
  void SetCommitLevel(TXbCommitLevel Value);
  int FetchCount() const { return fetchCount_; }
  void SetFetchCount(int Value);
  const String& Password() const { return password_; }
  void SetPassword(const String& Value);
  bool OEMTranslate() const { return oemTranslate_; }
  void SetOEMTranslate(bool Value);
  bool TurboRead() const { return turboRead_; }
  void SetTurboRead(bool Value);
  bool SpeedMode() const { return speedMode_; }
  void SetSpeedMode(bool Value);
  TEOFAction EOFAction() const { return eofAction_; }
  void SetEOFAction(TEOFAction Value) { eofAction_ = Value; }
  TSequencedCount SequencedCount() const { return sequencedCount_; }
  void SetSequencedCount(TSequencedCount Value) { sequencedCount_ = Value; }
  bool Sequenced() const { return sequenced_; }
  void SetSequenced(bool Value);
  const String& IndexName() const { return indexName_; }
  void SetIndexName(const String& Value);
  TStringList& ExtraIndexes() { return *extraIndexes_; }
  void SetExtraIndexes(const TStringList& Value);
  TIndexDefs& IndexDefs() { return *indexDefs_; }
  const String& ScopeBegin() const { return scopeBegin_; }
  void SetScopeBegin(const String& Value);
  const String& ScopeEnd() const { return scopeEnd_; }
  void SetScopeEnd(const String& Value);
  bool Scoped() const { return scoped_; }
  void SetScoped(bool Value);
  void SetFiltered(bool Value) override;
  void SetFilterText(const String& Value) override;
  TDataSource* MasterSource() const;
  void SetMasterSource(TDataSource* Value);
  const String& MasterFields() const;
  void SetMasterFields(const String& Value);
  TDataSource* GetDataSource() const override { return MasterSource(); }
  // The physical record number of the active record (0 when closed).
  std::int32_t PhysicalRecNo();
  void SetPhysicalRecNo(std::int32_t Value);
  // The engine's physical record count (0 when closed).
  std::int32_t RecCount();
  // The engine's version text and the library's own.
  String Version();

  TDataSetNotifyEvent OnUpdateRecord;
  TDataSetNotifyEvent OnUpdateError;

  // ---- operations ----------------------------------------------------------
  // Takes a file lock on the open table; false when closed or refused.
  bool Flock();
  // Makes the table file from the field definitions, then its index tags.
  void CreateTable();
  void CreateIndexTag(const String& Name, const String& Fields, TIndexOptions Options);
  // Keeps Message as the last error text and raises EXbError.
  [[noreturn]] void RaiseError(const String& Message);
  const String& LastErrorText() const { return lastError_; }

  // Navigation that bypasses the framework in SpeedMode.
  bool Bof() const override;
  bool Eof() const override;
  int MoveBy(int Distance) override;
  void Next() override;
  void Prior() override;
  void Skip(std::int32_t Distance);
  void GoTop();
  void Recount();
  std::int32_t Count();
  std::int32_t QueryRecCount();
  String DBFilter();
  std::int32_t LogicalPosition();

  // Index, scope and filter operations that the open path and creation use.
  int Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
            bool Descending);
  int IndexTag(const String& FileName, const String& TagName, const String& Expression, const String& Condition,
               bool Unique, bool Descending);
  int IndexOrd();
  String IndexKey();
  bool IsEncrypted(int Which);
  std::int32_t Query(const String& Expression);
  void ApplyFilter(const String& Text);
  // Limits the current order to keys from Low to High; answers the engine's
  // answer (0: refused). Scoped tells afterwards whether a scope holds.
  int SetScope(const String& Low, const String& High);
  // The engine width of a field of the open table (0 when closed).
  int FieldWidth(const String& Name);
  static String IndexKeyFields(const String& Expression);
  static String IndexFileBaseName(const String& Name);

  // The alias the engine gets for TableName (LOCKSPL, LOCKSPL1 ...).
  String MakeAlias(const String& Name);
  // Directory + file name of the table, ".DBF" appended when it has no extension.
  String FullTableFileName();
  bool TableFileExists();

  // Layout of the record buffers (valid while open).
  int FieldDataSize() const { return fieldDataSize_; }
  int BlobAreaOffset() const { return blobAreaOffset_; }
  int TrailerOffset() const { return trailerOffset_; }
  int FullBufferSize() const { return recordBufferSize_; }
  std::int16_t WorkArea() const { return workArea_; }
  const std::vector<std::unique_ptr<TFieldInfo>>& FieldInfos() const { return fieldInfos_; }

  // ---- the cursor ------------------------------------------------------------
  // The cursor of the table's access method, made on first use; callers that
  // move in SpeedMode read values through it. Raises when the access method
  // cannot be reached (no engine library, no connection).
  TXbCursor& Cursor() { return cursor_ && workArea_ > 0 ? *cursor_ : CursorSlow(); }
  // Makes the table's work area the engine's current one.
  void SelectArea();
  // Moves to a record and keeps the table's record number and logical
  // position in step.
  void EngineGo(std::int32_t RecNo);

  // ---- component -----------------------------------------------------------
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

  // ---- framework overrides that callers may use ----------------------------
  bool ReadFieldData(TField* Field, void* Buffer) override;
  bool ReadFieldText(TField* Field, const char*& Text, size_t& Length) override;
  void WriteFieldData(TField* Field, const void* Buffer) override;
  void Cancel() override;
  std::unique_ptr<TStream> OpenBlobStream(TField* Field, TBlobStreamMode Mode) override;
  void ResyncCursor(TResyncMode Mode) override;
  void ResyncAfterPost() override;
  int GetRecNo() override;
  void SetRecNo(int Value) override;
  int CountRecords() override;

protected:
  bool LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
  Variant LookupRecord(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) override;
  std::unique_ptr<Byte[]> NewRecordBuffer() override;
  void DisposeRecordBuffer(Byte* Buffer) override;
  void InitRecordBuffer(Byte* Buffer) override;
  int RecordBufferSize() override;
  void ResetRecordBuffers() override;
  void ResetCalcFields(Byte* Buffer) override;
  void RefreshComputedFields(Byte* Buffer) override;

  void OpenCursor() override;
  void CloseCursor() override;
  bool CursorIsOpen() override { return cursorOpen_; }
  void BuildFieldDefs() override;
  TGetResult FetchRecord(Byte* Buffer, TGetMode GetMode, bool DoCheck) override;
  void GoBeforeFirst() override;
  void GoAfterLast() override;
  void GotoBufferRecord(Byte* Buffer) override;
  void GotoBookmarkData(const Byte* Bookmark) override;
  void RefreshCursor() override;

  void ReadBookmarkData(Byte* Buffer, Byte* Data) override;
  void WriteBookmarkData(Byte* Buffer, const Byte* Data) override;
  TBookmarkFlag ReadBookmarkFlag(Byte* Buffer) override;
  void WriteBookmarkFlag(Byte* Buffer, TBookmarkFlag Value) override;
  bool BookmarkIsValid(const Byte* Bookmark) override;
  int CompareBookmarkOrder(const Byte* Bookmark1, const Byte* Bookmark2) override;

  void PostRecord() override;
  void DeleteRecord() override;
  void AddRecordBuffer(Byte* Buffer, bool Append) override;
  // An encrypted table is changed only with its password.
  bool CanModifyData() const override { return !readOnly_ && (!encrypted_ || keyHeld_); }
  bool HasSequencedOrder() override;
  void ReadIndexDefs() override;

  void PrepareEdit() override;
  void AbandonEdit() override;
  void PrepareInsert() override;
  void FinishInsert() override;
  void InitNewRecord() override;
  void FinishCancel() override;
  void FinishScroll() override;
  void HandleDataException() override;

  // New virtual operations.
  virtual void ExtraIndexesChanged();
  virtual void OpenExtraIndexes();
  virtual void DoBeforeMove();
  virtual void DoAfterMove();

  // Fills the slot of a data field of Buffer from the buffer's engine record
  // if it was not filled since the record came in.
  void EnsureSlot(Byte* Buffer, TField* Field) {
    const int fieldNo = Field->FieldNo();
    if (imageOffset_ > 0 && fieldNo > 0 && fieldNo <= static_cast<int>(lazyFields_.size()) &&
        PendingFlags(Buffer)[fieldNo - 1] != 0)
      FillSlot(Buffer, Field, fieldNo);
  }

private:
  // ---- engine operations that also move the table's own state --------------
  // Whether the engine on this machine stands on record RecNo of the table's
  // area (selected), so that it holds that record as last read or written;
  // always false through a server.
  bool EngineStandsOn(std::int32_t RecNo);
  // The table's record number and logical position where EngineGo(RecNo)
  // leaves them, for the engine already there.
  void NoteEnginePosition(std::int32_t RecNo);
  std::int32_t EngineRecNo();
  void EngineGoTop();
  void EngineAppendBlank();
  std::int32_t EngineQuery(const String& Expression);
  int EngineIndex(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                  bool Descending);
  int EngineIndexTag(const String& FileName, const String& TagName, const String& Expression,
                     const String& Condition, bool Unique, bool Descending);
  int EngineIndexOpen(const String& FileName);
  int EngineIndexOrd();
  int EngineSetOrder(int Order);
  String EngineIndexCondition();
  std::unique_ptr<TXbCursor> MakeCursor();
  // Cursor() of a closed table, or before the first.
  TXbCursor& CursorSlow();

  // ---- open and close ----------------------------------------------------------
  bool IsServer() const { return accessMethod_ == amServer; }
  void OpenWorkArea();
  void ApplyEnvironment();
  String ResolveDirectory();
  String ResolveDatabasePath();
  TXbDatabase* FindDatabase();
  // Tables sharing a connection each set its database name: the table about
  // to check for, create or open its files puts its own there first.
  void ShareDatabaseName();
  void MakeDefaultFields();
  void ResetFieldDefs();
  void CloseWorkAreaQuietly();

  // ---- record buffer pieces ----------------------------------------------------
  Byte* BufferFor(TField* Field, bool ForWrite);
  int FieldPlace(TField* Field) const;
  std::int32_t TrailerRecNo(const Byte* Buffer) const;
  void SetTrailerRecNo(Byte* Buffer, std::int32_t RecNo) const;
  void SetTrailer(Byte* Buffer, std::int32_t RecNo, TBookmarkFlag Flag) const;
  void ClearBlobSlots(Byte* Buffer, bool FreeData) const;
  // The field values, calculated values and blob slots of Buffer cleared
  // (InitRecordBuffer without the pending flags and the trailer).
  void ClearFieldArea(Byte* Buffer) {
    if (!Buffer || recordBufferSize_ <= 0) return;
    std::memset(Buffer, 0, static_cast<size_t>(blobAreaOffset_));
    if (BlobFieldCount() > 0) ClearBlobSlots(Buffer, true);
  }
  // Fills Image from Buffer, field by field; Only (when given) limits it to the
  // fields marked there by engine field number - 1. Raises before touching
  // the engine when a value does not fit its field.
  void TranslateBuffer(Byte* Buffer, std::vector<char>& Image, const std::vector<bool>* Only);
  // Takes Image as the buffer's record: blob slots and masked values at once,
  // the rest on first read.
  void LoadRecord(Byte* Buffer, const char* Image);
  // The slot of Field from the record bytes Image.
  void FieldFromImage(Byte* Buffer, TField* Field, const TFieldInfo& Info, const char* Image, bool Masked,
                      bool InsertingAtEnd);
  Byte* PendingFlags(Byte* Buffer) const { return Buffer + pendingOffset_; }
  // EnsureSlot's work: the slot of field FieldNo is still to be filled.
  void FillSlot(Byte* Buffer, TField* Field, int FieldNo);
  char* BufferImage(Byte* Buffer) const { return reinterpret_cast<char*>(Buffer + imageOffset_); }

  // ---- blob streams (XbBlob.cpp) -------------------------------------------------
  friend class TXbBlobStream;
  Byte* BlobSlot(Byte* Buffer, TField* Field) const;
  // Puts the value a stream on Field starts with into Into.
  void ReadBlobValue(TField* Field, TMemoryStream& Into);
  // What a writing stream hands back: the new value of Field's slot in the
  // active buffer.
  void StoreBlobValue(TField* Field, const char* Data, std::int64_t Size);
  // The stored bytes of Field in record RecNo, read from the engine, which is
  // left on the record it stood on.
  String ReadStoredBlob(TField* Field, std::int32_t RecNo);

  // ---- editing -----------------------------------------------------------------
  // True when a blob slot of Buffer was written since it was read.
  bool BlobsToWrite(Byte* Buffer) const;
  void WriteBlobFields(Byte* Buffer);
  // Appends the record Buffer holds (the insert of Post and AddRecordBuffer).
  // Raises, with nothing added, when the engine makes no record.
  void AppendFromBuffer(Byte* Buffer);
  // After a failed Post: the record AppendFromBuffer added is left empty and
  // deleted; the record an edit wrote gets Image back.
  void DropAppendedRecord();
  void PutBackRecord(const std::vector<char>& Image);
  void SetTrailerFromEngine(bool Eof);

  // ---- indexes -----------------------------------------------------------------
  // Index and IndexTag: the checks, Make (which builds the index in the
  // engine), then the table takes the new order.
  int MakeIndex(const String& Name, const char* MissingName, const String& Expression, const String& Condition,
                const std::function<int()>& Make);
  // The order a name in ExtraIndexes or IndexName opens: path completed with
  // the directory and Extension; raises when the file is missing or refused.
  int OpenIndexFile(const String& Path, const String& Shown);

  // ---- search ------------------------------------------------------------------
  // Moves the engine to the first record whose Fields hold Values (the
  // record where it stood is not restored); false when there is none.
  bool FindRecord(const std::vector<TField*>& Fields, const Variant& Values, TLocateOptions Options);
  // The seek path: true only for a hit that holds the value; Tried tells
  // whether an order served.
  bool SeekRecord(TField* Field, const Variant& Value, TLocateOptions Options, bool& Tried);
  bool QueryRecord(const std::vector<TField*>& Fields, const Variant& Values, TLocateOptions Options);
  // The value of a field of the record the engine stands on.
  Variant EngineFieldValue(TField* Field);

  // ---- master-detail ----------------------------------------------------------
  void MasterChanged();
  void MasterDisabled();
  // Sets the detail range from the master's key values; Move goes to the
  // first record of the range afterwards.
  void ApplyDetailRange(bool Move);
  String DetailRangeKey();

  // The cursor of the access method (made on first use, dropped when the
  // access method changes while the table is closed).
  std::unique_ptr<TXbCursor> cursor_;

  // Properties and settings.
  TXbCommitLevel commitLevel_ = clNormal;
  // The detail range last set, and the index name it was set under.
  String lastScopeKey_, lastScopeIndex_;
  int fetchCount_ = 50;
  std::int32_t currentRecNo_ = 0;
  std::int32_t logicalPosition_ = -1;
  bool recordCountStale_ = true;
  bool century_ = true;
  bool exact_ = false;
  bool softSeek_ = false;
  Byte dateFormat_ = dfWinDefault;
  bool oemTranslate_ = false;
  std::int32_t memoBlockSize_ = 64;
  String lastError_;
  std::int32_t errorFunc_ = -1;
  std::int32_t recordSize_ = 0;
  std::int32_t epoch_ = 1980;
  std::int32_t errorLevel_ = 1;
  // Deleted records are hidden from moves and counts unless a settings
  // component says otherwise: a user never expects a deleted record to show.
  bool deleted_ = true;
  TEOFAction eofAction_ = eaMoveLast;
  std::int32_t recordCount_ = -1;
  std::int32_t rawRecordCount_ = -1;
  TSequencedCount sequencedCount_ = scRawCount;
  String databaseName_;
  TXbDatabase* aliasDatabase_ = nullptr;
  TXbTableType tableType_ = ttSXFOX;
  bool turboRead_ = false;
  bool environmentApplied_ = false;
  bool creating_ = false;
  String password_;
  std::int16_t workArea_ = 0;
  String scopeBegin_, scopeEnd_;
  bool scoped_ = false;
  bool speedMode_ = false;
  String directory_;
  bool sequenced_ = true;
  std::unique_ptr<TStringList> extraIndexes_;
  std::unique_ptr<TIndexDefs> indexDefs_;
  std::unique_ptr<TMasterDataLink> masterLink_;
  std::int32_t recordBufferSize_ = 0;
  std::int32_t trailerOffset_ = 0;
  std::int32_t blobAreaOffset_ = 0;
  std::int32_t fieldDataSize_ = 0;
  // The private part behind the layout (see the top of the file); both 0 while closed.
  std::int32_t pendingOffset_ = 0;
  std::int32_t imageOffset_ = 0;
  // Per engine field: 1 when its slot is filled on first read.
  std::vector<Byte> lazyFields_;
  // Fields filled as soon as a record comes in (blob slots own their data).
  std::vector<TField*> eagerFields_;
  String tableName_;
  bool exclusive_ = false;
  bool readOnly_ = false;
  std::vector<std::unique_ptr<TFieldInfo>> fieldInfos_;
  bool cursorOpen_ = false;
  bool atTop_ = false;
  bool atBottom_ = false;
  String indexName_;
  // The record an insert started from (0 = none).
  std::int32_t savedRecNo_ = 0;
  bool opening_ = false;
  String filterText_;
  bool filterActive_ = false;
  Byte* filterBuffer_ = nullptr;
  std::int32_t fieldCount_ = 0;
  int currentIndexOrder_ = 0;
  String indexCondition_;
  TAccessMethod accessMethod_ = amLocal;
  bool encrypted_ = false;
  // The engine holds the encrypted table's key (its password was accepted).
  bool keyHeld_ = false;
  TXbConnection* xbConnection_ = nullptr;
  // The record Edit locked (0 = none): Post writes exactly that record.
  std::int32_t lockedRecNo_ = 0;
  // That record as read once the lock was granted: nobody else can change it
  // while the lock is held, so Post starts from these bytes.
  std::vector<char> lockedImage_;
  bool lockedImageRead_ = false;
  // The images Post and AddRecordBuffer write (kept to spare an allocation per record).
  std::vector<char> writeImage_;
  std::vector<char> appendImage_;
  // The engine's empty record of the last append, and the record an edit's
  // Post replaces: what a failed Post puts back.
  std::vector<char> appendedBlank_;
  std::vector<char> beforeImage_;
  // The engine cannot write one of the table's files (table, memo or index):
  // the open table takes no change.
  bool writesRefused_ = false;
  // Field names (upper case), types and decimals of a table being created.
  struct CreationField {
    String Name;
    TFieldType Type;
    int Decimals;
  };
  std::vector<CreationField> creationTypes_;
  // Engine fields written during the current edit or insert.
  std::vector<bool> changedFields_;
};
