// TXbTable: property setters and the published properties.
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"

using namespace xbdset;

void TXbTable::SetXbConnection(TXbConnection* Value) {
  if (xbConnection_ == Value) return;
  if (xbConnection_) RemoveFreeNotification(xbConnection_);
  xbConnection_ = Value;
  if (xbConnection_) FreeNotification(xbConnection_);
  // A server table's cursor belongs to its connection.
  if (IsServer() && workArea_ <= 0) cursor_.reset();
}

void TXbTable::SetAccessMethod(TAccessMethod Value) {
  if (Active()) RaiseError("Cannot change data access method while active");
  if (Value != accessMethod_ && workArea_ <= 0) cursor_.reset();
  accessMethod_ = Value;
  if (Value == amLocal) EnsureEngineLoaded();
}

void TXbTable::ShareDatabaseName() {
  if (xbConnection_) xbConnection_->SetDatabaseName(databaseName_);
}

void TXbTable::SetDatabaseName(const String& Value) {
  if (Value == databaseName_) return;
  aliasDatabase_ = nullptr;
  databaseName_ = Value;
  if (Value.find_first_of(":\\/") != String::npos && accessMethod_ != amLocal) {
    accessMethod_ = amLocal;
    if (workArea_ <= 0) cursor_.reset();
  }
  ShareDatabaseName();
  if (Active() && !tableName_.empty()) {
    // An open table whose directory changes is closed, so that the next Open
    // opens the table in the new place; the old one would otherwise stay held.
    String openDirectory = directory_;
    String newDirectory = WithTrailingDelimiter(ResolveDatabasePath());
    bool moved = HasPathDelimiter(ExtractFilePath(tableName_)) ? false : newDirectory != openDirectory;
    if (moved || !TableFileExists())
      Close();
    else
      directory_ = openDirectory;
    ResetFieldDefs();
  }
}

void TXbTable::SetTableName(const String& Value) {
  if (Value == tableName_) return;
  if (workArea_ > 0 || Active()) RaiseError(kOpenTable);
  tableName_ = Value;
  ResetFieldDefs();
}

void TXbTable::SetTableType(TXbTableType Value) {
  tableType_ = Value;
  ResetFieldDefs();
}

void TXbTable::SetExclusive(bool Value) {
  if (Value == exclusive_) return;
  if (workArea_ > 0) RaiseError(kOpenTable);
  exclusive_ = Value;
}

void TXbTable::SetReadOnly(bool Value) {
  if (Value == readOnly_) return;
  if (workArea_ > 0) RaiseError(kOpenTable);
  readOnly_ = Value;
}

void TXbTable::SetCommitLevel(TXbCommitLevel Value) {
  if (Active()) RaiseError("Cannot change the commit level while the Table is opened");
  commitLevel_ = Value;
}

void TXbTable::SetFetchCount(int Value) {
  if (workArea_ > 0) throw EXbError(kOpenTable);
  const int count = Value <= 0 ? 1 : Value;
  // A server table's cursor fetches by the count it was made with: the next
  // open makes one with the new count.
  if (count != fetchCount_ && IsServer()) cursor_.reset();
  fetchCount_ = count;
}

void TXbTable::SetPassword(const String& Value) {
  password_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    const bool accepted = Cursor().ApplyPassword(password_);
    keyHeld_ = encrypted_ && !password_.empty() && accepted;
    ResyncCursor({});
    if (encrypted_ && !password_.empty() && !accepted) RaiseError("Invalid password for table: " + FullTableFileName());
  }
}

void TXbTable::SetOEMTranslate(bool Value) {
  if (Value == oemTranslate_) return;
  oemTranslate_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    Cursor().SetTranslate(Value);
    ResyncCursor({});
  }
}

void TXbTable::SetTurboRead(bool Value) {
  turboRead_ = Value;
  if (workArea_ > 0) {
    SelectArea();
    Cursor().SetTurboRead(Value);
  }
}

TDataSource* TXbTable::MasterSource() const { return masterLink_->DataSource(); }


// ---- published properties ----------------------------------------------------------

namespace {

const bool registered = [] {
  RegisterClass<TXbTable>("TXbTable", "TDataSet")
      .Component("XbConnection", "TXbConnection", &TXbTable::XbConnection, &TXbTable::SetXbConnection)
      .Enum("AccessMethod", {"amLocal", "amServer"}, &TXbTable::AccessMethod, &TXbTable::SetAccessMethod, amLocal)
      .Str("DatabaseName", &TXbTable::DatabaseName, &TXbTable::SetDatabaseName)
      .Enum("EOFAction", {"eaEOF", "eaMoveLast"}, &TXbTable::EOFAction, &TXbTable::SetEOFAction, eaMoveLast)
      .Boolean("Exclusive", &TXbTable::Exclusive, &TXbTable::SetExclusive, false)
      .Strings(
          "ExtraIndexes",
          [](TXbTable& t) { return t.ExtraIndexes().ToVector(); },
          [](TXbTable& t, const std::vector<String>& lines) {
            TStringList list;
            list.AssignVector(lines);
            t.SetExtraIndexes(list);
          })
      .Integer("FetchCount", &TXbTable::FetchCount, &TXbTable::SetFetchCount, 50)
      .Object("IndexDefs", [](TXbTable& t) -> TPersistent* { return &t.IndexDefs(); })
      .Str("IndexName", &TXbTable::IndexName, &TXbTable::SetIndexName)
      .Enum("CommitLevel", {"clFull", "clNormal", "clNone"}, &TXbTable::CommitLevel, &TXbTable::SetCommitLevel,
            clNormal)
      .Str("Password", &TXbTable::Password, &TXbTable::SetPassword)
      .Boolean("ReadOnly", &TXbTable::ReadOnly, &TXbTable::SetReadOnly, false)
      .Integer("RecCount", [](TXbTable& t) { return t.RecCount(); }, [](TXbTable&, std::int64_t) {})
      .NotStored()
      .Integer("RecNo", [](TXbTable& t) { return t.PhysicalRecNo(); },
               [](TXbTable& t, std::int64_t v) { t.SetPhysicalRecNo(static_cast<std::int32_t>(v)); })
      .NotStored()
      .Str("ScopeBegin", &TXbTable::ScopeBegin, &TXbTable::SetScopeBegin)
      .Boolean("Scoped", &TXbTable::Scoped, &TXbTable::SetScoped, false)
      .Str("ScopeEnd", &TXbTable::ScopeEnd, &TXbTable::SetScopeEnd)
      .Boolean("Sequenced", &TXbTable::Sequenced, &TXbTable::SetSequenced, true)
      .Enum("SequencedCount", {"scAllCount", "scFilterOnlyCount", "scRawCount"}, &TXbTable::SequencedCount,
            &TXbTable::SetSequencedCount, scRawCount)
      .Boolean("SpeedMode", &TXbTable::SpeedMode, &TXbTable::SetSpeedMode, false)
      .Str("TableName", &TXbTable::TableName, &TXbTable::SetTableName)
      .Boolean("TurboRead", &TXbTable::TurboRead, &TXbTable::SetTurboRead, false)
      .Boolean("OEMTranslate", &TXbTable::OEMTranslate, &TXbTable::SetOEMTranslate, false)
      .Str("MasterFields", &TXbTable::MasterFields, &TXbTable::SetMasterFields)
      .Component("MasterSource", "TDataSource", &TXbTable::MasterSource, &TXbTable::SetMasterSource)
      .Enum("TableType", {"ttSXNONE", "ttSXNTX", "ttSXFOX", "ttSXNSX", "ttSXNSX_DBT"}, &TXbTable::TableType,
            &TXbTable::SetTableType, ttSXFOX)
      .Str("Version", [](TXbTable& t) { return t.Version(); }, [](TXbTable&, const String&) {})
      .NotStored()
      .Event<TDataSetNotifyEvent>("OnUpdateRecord",
                                  [](TXbTable& t, TDataSetNotifyEvent e) { t.OnUpdateRecord = std::move(e); })
      .Event<TDataSetNotifyEvent>("OnUpdateError",
                                  [](TXbTable& t, TDataSetNotifyEvent e) { t.OnUpdateError = std::move(e); });
  RegisterClass<TXbDatabase>("TXbDatabase", "TComponent")
      .Str("DataPath", [](TXbDatabase& d) { return d.DataPath; }, [](TXbDatabase& d, const String& v) { d.DataPath = v; })
      .Str("DataPathAlias", [](TXbDatabase& d) { return d.DataPathAlias; },
           [](TXbDatabase& d, const String& v) { d.DataPathAlias = v; });
  return true;
}();

}  // namespace
