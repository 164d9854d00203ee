// TXbTable: construction, open and close, field definitions, names, paths and
// the settings component.
#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "class_library/loop/Application.h"
#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"
#include "data_access/XbSearch.h"

using namespace xbdset;

namespace {

// The engine table-type code for a TableType.
int TableTypeCode(TXbTableType t) {
  switch (t) {
    case ttSXNTX: return 1;
    case ttSXFOX: return 2;
    case ttSXNSX: return 3;
    case ttSXNSX_DBT: return 4;
    case ttSXNONE: break;
  }
  return 2;
}

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

TXbTable::TXbTable(TComponent* AOwner)
    : TDataSet(AOwner),
      extraIndexes_(std::make_unique<TStringList>()),
      indexDefs_(std::make_unique<TIndexDefs>(this)),
      masterLink_(std::make_unique<TMasterDataLink>(this)) {
  extraIndexes_->OnChange = [this](TObject*) { ExtraIndexesChanged(); };
  masterLink_->OnMasterChange = [this](TObject*) { MasterChanged(); };
  masterLink_->OnMasterDisable = [this](TObject*) { MasterDisabled(); };
}

TXbTable::~TXbTable() {
  // The framework cannot reach the table's hooks from its own destructor. As
  // the component is going, the close fires no events.
  Destroying();
  try {
    Close();
  } catch (...) {
    CloseWorkAreaQuietly();
  }
  extraIndexes_->OnChange = nullptr;
  fieldInfos_.clear();
}

void TXbTable::RaiseError(const String& Message) {
  lastError_ = Message;
  throw EXbError(Message);
}

// ---- names, paths and the environment --------------------------------------

String TXbTable::MakeAlias(const String& Name) {
  if (Name.empty()) return String();
  String alias = UpperCase(ExtractFileName(Name));
  size_t dot = alias.find('.');
  if (dot != String::npos) alias.erase(dot);
  if (alias.size() > 8) alias.resize(8);
  for (char& c : alias)
    if (c < 'A' || c > 'Z') c = '_';
  for (int n = 1; n < 10000000 && Cursor().WorkArea(alias) != 0; ++n) {
    String digits = IntToStr(n);
    alias = alias.substr(0, 8 - std::min<size_t>(digits.size(), 8)) + digits;
  }
  return alias;
}

String TXbTable::ResolveDatabasePath() {
  // A path (our delimiter "/", or the stored "\", ":" and ".") is taken as it is;
  // anything else names a TXbDatabase alias.
  if (!databaseName_.empty() && databaseName_.find_first_of("/\\:.") != String::npos) return databaseName_;
  String result;
  if (TXbDatabase* db = FindDatabase()) result = db->DataPath;
  if (result.empty()) result = GetCurrentDir();
  return WithTrailingDelimiter(result);
}

String TXbTable::ResolveDirectory() {
  String path = ExtractFilePath(tableName_);
  directory_ = path.empty() ? ResolveDatabasePath() : path;
  directory_ = WithTrailingDelimiter(directory_);
  return directory_;
}

String TXbTable::FullTableFileName() {
  const String dir = ResolveDirectory();
  String file = ExtractFileName(tableName_);
  if (ExtractFileExt(file).empty()) file += ".DBF";
  return dir + file;
}

bool TXbTable::TableFileExists() {
  ShareDatabaseName();
  return Cursor().FileExists(FullTableFileName());
}

TXbDatabase* TXbTable::FindDatabase() {
  if (IsServer()) return nullptr;
  if (aliasDatabase_) return aliasDatabase_;
  TXbSearchObject search;
  for (TComponent* c = search.FindFirst("TXbDatabase"); c; c = search.FindNext("TXbDatabase")) {
    auto* db = dynamic_cast<TXbDatabase*>(c);
    if (db && UpperCase(db->DataPathAlias) == UpperCase(databaseName_)) {
      aliasDatabase_ = db;
      FreeNotification(db);
      return db;
    }
  }
  String dir = databaseName_;
  if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (!DirectoryExists(dir) && !databaseName_.empty()) RaiseError("Invalid DatabaseName value : " + databaseName_);
  return nullptr;
}

void TXbTable::ApplyEnvironment() {
  environmentApplied_ = false;
  const TXbApplyTo bit = ApplyToBit(IsServer() ? atServer : atLocal);
  TXbSearchObject search;
  for (TComponent* c = search.FindFirst("TXbEnv"); c; c = search.FindNext("TXbEnv")) {
    auto* env = dynamic_cast<TXbEnv*>(c);
    if (!env || (env->ApplyTo() & bit) == 0) continue;
    epoch_ = env->Epoch();
    errorLevel_ = env->ErrorLevel();
    recordCountStale_ = env->CountNeedsRefresh();
    errorFunc_ = env->ErrorFunc();
    century_ = env->Century();
    exact_ = env->Exact();
    softSeek_ = env->SoftSeek();
    dateFormat_ = static_cast<Byte>(env->DateFormat());
    memoBlockSize_ = env->MemoBlockSize();
    deleted_ = env->Deleted();
    environmentApplied_ = true;
    return;
  }
}

// ---- open and close ---------------------------------------------------------

void TXbTable::OpenWorkArea() {
  workArea_ = 0;
  if (tableName_.empty()) RaiseError(Name() + " : " + "Missing TableName property");
  TXbCursor& cursor = Cursor();
  TXbOpenRequest request;
  request.Alias = MakeAlias(tableName_);
  request.TableType = TableTypeCode(tableType_);
  request.OpenMode = exclusive_ ? 2 : (readOnly_ ? 1 : 0);
  ApplyEnvironment();
  ShareDatabaseName();
  const String fileName = FullTableFileName();
  if (!cursor.FileExists(fileName))
    RaiseError("Table does not exist.\rFile or directory does not exist.\rFile: " + fileName);
  SetTwoDigitYearCenturyWindow(std::abs(CurrentYear() - epoch_) % 100);

  request.Path = directory_ + ExtractFileName(tableName_);
  request.DatabaseName = databaseName_;
  request.CommitLevel = commitLevel_;
  request.Password = password_;
  request.IndexName = indexName_;
  request.TurboRead = turboRead_;
  request.OEMTranslate = oemTranslate_;
  request.EnvironmentApplied = environmentApplied_;
  request.Epoch = epoch_;
  request.Deleted = deleted_;
  request.Century = century_;
  request.MemoBlockSize = memoBlockSize_;
  request.DateFormat = dateFormat_;
  request.SoftSeek = softSeek_;
  request.Exact = exact_;
  request.ErrorLevel = errorLevel_;
  TXbOpenAnswer answer;
  try {
    answer = cursor.Open(request);
  } catch (const EXbError& e) {
    lastError_ = e.Message();  // as RaiseError keeps it
    throw;
  }
  if (answer.WorkArea < 1)
    RaiseError((IsServer() ? "Unable to open table.\rFile: " : "Unable to open table: ") + fileName);
  workArea_ = answer.WorkArea;
  try {
    // From here on the table holds a work area: any failure hands it back.
    fieldCount_ = answer.FieldCount;
    recordSize_ = answer.RecordSize;
    encrypted_ = answer.Encrypted;
    keyHeld_ = encrypted_ && !password_.empty() && answer.PasswordAccepted;
    // A wrong password is an error, not a table that looks empty of data.
    if (encrypted_ && !password_.empty() && !answer.PasswordAccepted)
      RaiseError("Invalid password for table: " + fileName);
    const String asked = indexName_;
    if (!asked.empty()) {
      SetIndexName(String());
      SetIndexName(asked);
    }
    // A name not found yet may be a tag of an extra index file: it is looked
    // for again once they are open, and a table never opens in another order
    // than the one asked for.
    const bool unresolved = !asked.empty() && IndexOrd() == 0;
    OpenExtraIndexes();
    if (unresolved) {
      indexName_.clear();
      SetIndexName(asked);
      if (IndexOrd() == 0 && errorFunc_ == -1) RaiseError("Invalid IndexName value : " + asked);
    }
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
    recordCount_ = cursor.RecCount();
    EngineIndexCondition();
    // A table asked to be written whose files may not be written opens, but
    // refuses every change instead of dropping it.
    SelectArea();
    writesRefused_ = !readOnly_ && cursor.WritesRefused();
  } catch (...) {
    CloseWorkAreaQuietly();
    throw;
  }
  rawRecordCount_ = recordCount_;
  recordCountStale_ = true;
}

void TXbTable::CloseWorkAreaQuietly() {
  if (workArea_ > 0) {
    try {
      if (!Cursor().Alias(workArea_).empty()) {
        SelectArea();
        Cursor().Close();
      }
    } catch (...) {
    }
  }
  workArea_ = 0;
  writesRefused_ = false;
}

void TXbTable::BuildFieldDefs() {
  if (workArea_ == 0) OpenWorkArea();
  if (workArea_ == 0) return;
  try {
    fieldInfos_.clear();
    FieldDefs().Clear();
    SelectArea();
    for (int i = 1; i <= fieldCount_; ++i) {
      const TXbFieldDescription d = Cursor().Field(i);
      auto info = std::make_unique<TFieldInfo>();
      info->EngineOffset = d.Offset;
      info->Width = d.Width;
      info->Decimals = d.Decimals;
      info->Type = d.Type.empty() ? ' ' : d.Type[0];
      info->Layout = FieldLayoutOf(info->Type, info->Width);
      TFieldType type = ftUnknown;
      switch (info->Type) {
        case 'C': type = ftString; break;
        case 'D': type = ftDate; break;
        case 'I': type = ftInteger; break;
        case '+': type = ftAutoInc; break;
        case 'L': type = ftBoolean; break;
        case 'M': type = ftMemo; break;
        case 'N': type = (info->Decimals > 0 || info->Width > 4) ? ftFloat : ftSmallint; break;
        case 'Y': type = ftCurrency; break;
        case 'T':
        case '@': type = ftDateTime; break;
        case 'O': type = ftFloat; break;
        // B is an 8-byte double in the FOX styles, a blob reference elsewhere.
        case 'B': type = info->Layout == TXbFieldLayout::Double ? ftFloat : ftBlob; break;
        case 'G':
        case 'P': type = ftBlob; break;
        default: break;  // no definition; the field info keeps engine numbers aligned
      }
      // A field whose layout the table cannot translate gets no definition either.
      if (info->Layout == TXbFieldLayout::Other) type = ftUnknown;
      TFieldDef* def = nullptr;
      if (type == ftString)
        def = FieldDefs().Add(d.Name, ftString, info->Width);
      else if (type != ftUnknown)
        def = FieldDefs().Add(d.Name, type);
      if (def) def->SetFieldNo(i);
      fieldInfos_.push_back(std::move(info));
    }
    FieldDefs().SetUpdated(true);
  } catch (...) {
    if (!cursorOpen_ && !opening_) CloseWorkAreaQuietly();
    throw;
  }
  // Definitions read for a closed table hand the table back.
  if (!cursorOpen_ && !opening_) CloseWorkAreaQuietly();
}

void TXbTable::MakeDefaultFields() {
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef* def = FieldDefs()[i];
    if (def->DataType() == ftUnknown) continue;
    TField* field = def->CreateField(this);
    const int fieldNo = def->FieldNo();
    if (fieldNo < 1 || fieldNo > static_cast<int>(fieldInfos_.size())) continue;
    const TFieldInfo& info = *fieldInfos_[static_cast<size_t>(fieldNo - 1)];
    // Number text shows the digits its field holds; binary numbers keep the
    // field class's own display.
    if (info.Layout != TXbFieldLayout::NumberText) continue;
    if (auto* f = dynamic_cast<TFloatField*>(field)) {
      const int width = info.Width;
      const int decimals = info.Decimals;
      String format = "0";
      if (decimals > 0) format += "." + String(static_cast<size_t>(decimals), '0');
      f->SetDisplayFormat(format);
      f->SetPrecision(width + 1);
    }
  }
}

void TXbTable::OpenCursor() {
  if (workArea_ < 1) {
    recordCount_ = 0;
    fieldCount_ = 0;
  }
  // The access method must be reachable before anything is asked of it.
  if (IsServer()) Cursor();
  struct OpeningFlag {
    bool& flag;
    explicit OpeningFlag(bool& f) : flag(f) { flag = true; }
    ~OpeningFlag() { flag = false; }
  } openingGuard(opening_);
  try {
    BuildFieldDefs();
    if (workArea_ == 0) return;
    if (DefaultFields()) MakeDefaultFields();
    BindFields(true);

    currentRecNo_ = 0;
    fieldDataSize_ = 0;
    for (TField* field : Fields()) {
      const int fieldNo = field->FieldNo();
      if (fieldNo <= 0) continue;
      if (fieldNo > static_cast<int>(fieldInfos_.size())) RaiseError("Invalid field number for " + field->FieldName());
      fieldInfos_[static_cast<size_t>(fieldNo - 1)]->BufferOffset = fieldDataSize_;
      fieldDataSize_ += field->DataSize() + 1;
    }
    changedFields_.assign(fieldInfos_.size(), false);
    cursorOpen_ = true;
    blobAreaOffset_ = fieldDataSize_ + CalcFieldsSize();
    trailerOffset_ = blobAreaOffset_ + BlobSlotSize * BlobFieldCount();
    recordBufferSize_ = trailerOffset_ + TrailerSize;
    pendingOffset_ = recordBufferSize_;
    imageOffset_ = pendingOffset_ + static_cast<std::int32_t>(fieldInfos_.size());
    lazyFields_.assign(fieldInfos_.size(), 0);
    eagerFields_.clear();
    for (TField* field : Fields()) {
      if (field->FieldNo() <= 0) continue;
      if (IsBlobType(field->DataType()))
        eagerFields_.push_back(field);
      else
        lazyFields_[static_cast<size_t>(field->FieldNo() - 1)] = 1;
    }
    SetBookmarkSize(4);

    if (filterActive_) EngineQuery(filterText_);
    // A scope set before the table was closed holds again.
    if (scoped_) {
      SelectArea();
      Cursor().SetScope(&scopeBegin_, &scopeEnd_);
      scoped_ = !Cursor().GetScope(0).empty();
    }
    // A detail table opens on its master's records.
    lastScopeKey_.clear();
    lastScopeIndex_.clear();
    if (masterLink_->Active() && !masterLink_->Fields().empty()) ApplyDetailRange(false);
    SelectArea();
    EngineGoTop();
    atTop_ = true;
  } catch (...) {
    // The work area opened for this cursor never outlives a failed open.
    cursorOpen_ = false;
    CloseWorkAreaQuietly();
    throw;
  }
}

void TXbTable::CloseCursor() {
  recordCount_ = -1;
  rawRecordCount_ = -1;
  recordCountStale_ = true;
  directory_.clear();
  cursorOpen_ = false;
  lockedRecNo_ = 0;
  lockedImageRead_ = false;
  savedRecNo_ = 0;
  pendingOffset_ = 0;
  imageOffset_ = 0;
  lazyFields_.clear();
  eagerFields_.clear();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  fieldInfos_.clear();
  CloseWorkAreaQuietly();
}

void TXbTable::ResetFieldDefs() {
  FieldDefs().Clear();
  if (Active()) {
    BuildFieldDefs();
    indexDefs_->SetUpdated(false);
    ReadIndexDefs();
  }
}

// ---- component ------------------------------------------------------------------

void TXbTable::FinishLoading() {
  TDataSet::FinishLoading();
  if (!IsServer()) EnsureEngineLoaded();
  ShareDatabaseName();
}

void TXbTable::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TDataSet::ComponentNotification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == aliasDatabase_) aliasDatabase_ = nullptr;
  if (AComponent != nullptr && AComponent == xbConnection_) {
    TDataSet::Close();
    xbConnection_ = nullptr;
    cursor_.reset();
  }
}

void TXbTable::HandleDataException() {
  if (ApplicationAlive())
    Application()->HandleException(this);
  else
    throw;
}

bool TXbTable::Flock() {
  if (workArea_ <= 0) return false;
  SelectArea();
  return Cursor().Flock();
}

String TXbTable::Version() {
  String engine;
  if (!IsServer()) {
    engine = EnsureEngineLoaded() ? Cursor().Version() : String();
  } else if (xbConnection_ && xbConnection_->Active()) {
    engine = xbConnection_->Version();
  } else {
    engine = "XBE ?.??.?? 32-bit";
  }
  return engine + ", " + "xBase Components 6.1.0.0, " + FormatDateTime(ShortDateFormat(), EncodeDate(2002, 10, 2));
}
