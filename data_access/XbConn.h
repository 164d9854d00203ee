#pragma once
// The database-server connection as the table sees it. Until the socket
// client and its command set exist, a connection is never active: a table
// with AccessMethod amServer fails its open with "Not connected", and every
// command below raises the same error. Each method carries the name of the
// table operation that sends it.
#include <cstdint>
#include <vector>

#include "class_library/Component.h"
#include "class_library/Types.h"

class TXbConnection : public TComponent {
public:
  explicit TXbConnection(TComponent* AOwner);
  String ClassName() const override { return "TXbConnection"; }

  virtual bool Active() const { return false; }
  const String& User() const { return user_; }
  void SetUser(const String& Value) { user_ = Value; }
  const String& Password() const { return password_; }
  void SetPassword(const String& Value) { password_ = Value; }
  const String& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const String& Value) { databaseName_ = Value; }
  // The server engine's version text.
  virtual String Version();

  // ---- one command per table operation ------------------------------------
  virtual String EngineAlias(std::int16_t WorkArea);
  virtual void EngineAppendBlank();
  virtual bool EngineBof();
  virtual void EngineClose();
  virtual void EngineCloseIndexes();
  virtual void EngineCommit();
  virtual std::int32_t EngineCount();
  virtual bool EngineCreateExec();
  virtual void EngineCreateField(const String& Name, const String& Type, int Width, int Decimals);
  virtual std::int16_t EngineCreateNew(const String& DatabaseName, const String& FileName, const String& Alias,
                                       int TableType, int FieldCount);
  virtual String EngineDBFilter();
  virtual void EngineDelete();
  virtual bool EngineDeleted(std::int32_t RecNo);
  virtual bool EngineEof();
  virtual bool EngineEvalLogical(const String& Expression);
  virtual double EngineEvalNumeric(const String& Expression);
  virtual String EngineEvalString(const String& Expression);
  virtual std::int16_t EngineEvalTest(const String& Expression);
  virtual int EngineFieldDecimals(const String& Name);
  virtual String EngineFieldName(int FieldNumber);
  virtual int EngineFieldOffset(const String& Name);
  virtual String EngineFieldType(const String& Name);
  virtual int EngineFieldWidth(const String& Name);
  virtual bool EngineFileExists(const String& DatabaseName, const String& Path);
  virtual bool EngineFlock();
  virtual bool EngineFound();
  virtual void EngineGetBlob(const String& Name, void* Dest);
  virtual std::int32_t EngineGetBlobLength(const String& Name);
  virtual String EngineGetDateString(const String& Name);
  virtual double EngineGetDouble(const String& Name);
  virtual std::int32_t EngineGetInteger(const String& Name);
  virtual String EngineGetMemo(std::int32_t RecNo, const String& Name);
  virtual void EngineGetRecord(void* Dest);
  virtual String EngineGetScope(int Which);
  virtual String EngineGetTrimString(const String& Name);
  // Answers the logical position of the record reached.
  virtual std::int32_t EngineGo(std::int32_t RecNo);
  virtual void EngineGoBottom();
  virtual void EngineGoTop();
  virtual int EngineIndex(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                          bool Descending);
  virtual String EngineIndexCondition();
  virtual String EngineIndexKey();
  virtual String EngineIndexKeyField();
  virtual String EngineIndexName(int Order);
  virtual int EngineIndexOpen(const String& FileName);
  virtual int EngineIndexOrd();
  virtual int EngineIndexTag(const String& FileName, const String& TagName, const String& Expression,
                             const String& Condition, bool Unique, bool Descending);
  virtual int EngineIndexType();
  virtual bool EngineIsEncrypted(int Which);
  virtual void EngineOrderPosSet(double Position);
  virtual std::int32_t EnginePutBlob(const String& Name, const void* Data, std::int32_t Length);
  virtual void EnginePutRecord(const void* Image, std::int32_t RecordSize);
  // Answers the record reached and sets Count to the records in view.
  virtual std::int32_t EngineQuery(const String& Expression, std::int32_t& Count);
  virtual std::int32_t EngineQueryRecCount();
  virtual std::int16_t EngineQueryTest(const String& Expression);
  virtual std::int32_t EngineRecCount();
  virtual std::int32_t EngineRecNo();
  virtual void EngineReplace(const String& Name, int TypeCode, const void* Data);
  virtual bool EngineRlock(std::int32_t RecNo);
  virtual bool EngineSeek(const String& Key);
  virtual void SelectArea(std::int16_t WorkArea);
  virtual int EngineSetOrder(int Order);
  virtual void EngineSetPassword(const String& Password);
  virtual bool EngineSetScope(const String* Low, const String* High);
  virtual void EngineSetTranslate(bool On);
  virtual void EngineSetTurboRead(bool On);
  virtual void EngineSkip(std::int32_t Distance);
  virtual std::int32_t EngineSysProp(int Property, std::int32_t Value);
  virtual std::int16_t EngineTagArea(const String& TagName);
  virtual String EngineTagName(int Order);
  virtual void EngineUnlock(std::int32_t RecNo);
  virtual String EngineVersion();
  virtual std::int16_t EngineWorkArea(const String& Alias);

  // The open command: what the table sends and what the server answers.
  struct TUseRequest {
    String DatabaseName, FileName, Password, IndexName;
    int OpenMode = 0, TableType = 0, Epoch = 1980, DateFormat = 0, MemoBlockSize = 64, CommitLevel = 1;
    bool TurboRead = false, Deleted = false, Century = true, SoftSeek = false, Exact = false;
    bool OEMTranslate = false, EnvironmentApplied = false;
  };
  struct TUseReply {
    std::int16_t WorkArea = 0;
    int ErrorCount = 0;
    String ErrorText;
    int IndexOrder = 0;
    bool Encrypted = false;
    std::int32_t RecordSize = 0, FieldCount = 0, RecordCount = 0;
    // Five lines per field: name, type, width, decimals, offset (hexadecimal).
    std::vector<String> Structure;
  };
  virtual TUseReply Use(const TUseRequest& Request);

  // One row of the table's fetch cache.
  struct TFetchRow {
    Byte Status = 0;
    std::int32_t RecNo = 0;
    std::int32_t LogicalPosition = 0;
    std::vector<Byte> Image;
  };
  // Fills Rows from the current position in the direction of GetMode and
  // answers how many rows it filled.
  virtual int FetchRecords(bool AtTop, bool AtBottom, std::vector<TFetchRow>& Rows, std::int32_t CurrentRecNo,
                           int FetchCount, std::int32_t RecordSize, int LastDirection, int GetMode, int EOFAction);

private:
  [[noreturn]] void NotConnected() const;

  String user_;
  String password_;
  String databaseName_;
};
