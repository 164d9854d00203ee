#pragma once
// TXbCursor: everything a table asks of the place its table lives. The table
// never calls the engine library or a server itself: each engine operation is
// one call on its cursor, and one implementation per access method answers
// it (TXbLocalCursor for the engine library; the server's comes with the
// database-server client). The table picks the implementation at open from
// its AccessMethod.
//
// A cursor keeps no table state of its own beyond what its access method
// needs: the table selects its work area (Select) before the calls that act on
// it, and keeps the record number, logical position and index order itself.
#include <cstdint>

#include "class_library/datasets/DataSet.h"
#include "class_library/core/Types.h"
#include "data_access/XbCommon.h"

// What the table hands its cursor to open a table.
struct TXbOpenRequest {
  String Path;          // directory + file name of the table
  String DatabaseName;  // the table's DatabaseName as set
  String Alias;
  int OpenMode = 0;     // 0 shared, 1 read-only, 2 exclusive
  int TableType = 2;    // the engine's table-type code
  TXbCommitLevel CommitLevel = clNormal;
  String Password;
  String IndexName;
  bool TurboRead = false;
  bool OEMTranslate = false;
  // Settings pushed before the open when a settings component applies
  // (EnvironmentApplied); Deleted is pushed in any case.
  bool EnvironmentApplied = false;
  int Epoch = 1980;
  bool Deleted = true;
  bool Century = true;
  int MemoBlockSize = 64;
  int DateFormat = 0;
  bool SoftSeek = false;
  bool Exact = false;
  // The error level the engine keeps once the table is open.
  int ErrorLevel = 1;
};

// What an open answers. WorkArea 0: the table could not be opened.
struct TXbOpenAnswer {
  std::int16_t WorkArea = 0;
  std::int32_t FieldCount = 0;
  std::int32_t RecordSize = 0;
  bool Encrypted = false;
  // False when the table is encrypted and the request's password does not
  // open it (the records stay masked and unchangeable).
  bool PasswordAccepted = true;
};

// One field of the open table.
struct TXbFieldDescription {
  String Name;
  String Type;        // type letter
  int Width = 0;
  int Decimals = 0;
  int Offset = 0;     // 0-based offset in the record image
};

class TXbCursor {
public:
  virtual ~TXbCursor() = default;

  // ---- opening, closing, describing ----------------------------------------
  // Opens the table with the request's settings. Any failure after the table
  // was opened closes it again before it is passed on.
  virtual TXbOpenAnswer Open(const TXbOpenRequest& Request) = 0;
  // Field FieldNumber (1-based) of the table in the current work area.
  virtual TXbFieldDescription Field(int FieldNumber) = 0;
  virtual int FieldWidth(const String& Name) = 0;
  virtual String Alias(std::int16_t Area) = 0;
  virtual std::int16_t WorkArea(const String& Alias) = 0;
  virtual void Select(std::int16_t Area) = 0;
  virtual void Close() = 0;
  // True when the table of the current work area, opened to be written, can
  // take no change because one of its files (table, memo, an open index) may
  // not be written. An access method that cannot tell answers false.
  virtual bool WritesRefused() { return false; }
  virtual bool FileExists(const String& Path) = 0;
  virtual String Version() = 0;
  virtual bool IsEncrypted(int Which) = 0;
  virtual void SetPassword(const String& Value) = 0;
  // Sets the password and tells whether an encrypted table takes it. An
  // access method that cannot tell answers true.
  virtual bool ApplyPassword(const String& Value) {
    SetPassword(Value);
    return true;
  }
  virtual void SetTranslate(bool On) = 0;
  virtual void SetTurboRead(bool On) = 0;
  virtual void SetStringType(int Type) = 0;
  virtual std::int32_t SysProp(int Property, std::int32_t Value) = 0;

  // ---- moving ----------------------------------------------------------------
  // The record fetch of the dataset: moves as Mode asks (AtTop / AtBottom: the
  // first move of a walk goes to the top / bottom instead of skipping), tells
  // the record reached in RecNo and, when the result is grOK, copies its image
  // into Image (record size bytes).
  virtual TGetResult Fetch(TGetMode Mode, bool AtTop, bool AtBottom, TEOFAction Action, char* Image,
                           std::int32_t& RecNo) = 0;
  virtual bool Bof() = 0;
  virtual bool Eof() = 0;
  // True when the cursor knows without asking that the table in work area
  // Area stands on a record (so Eof would answer false); false when it would
  // have to ask.
  virtual bool StandsOnRecord(std::int16_t /*Area*/) const { return false; }
  virtual void Go(std::int32_t RecNo) = 0;
  virtual void GoTop() = 0;
  virtual void GoBottom() = 0;
  virtual void Skip(std::int32_t Distance) = 0;
  virtual std::int32_t RecNo() = 0;
  virtual std::int32_t RecCount() = 0;
  virtual std::int32_t Count() = 0;
  // The relative place (0..1) of the current record in the current order.
  virtual double OrderPosGet() = 0;
  virtual void OrderPosSet(double Position) = 0;

  // ---- reading and writing records ---------------------------------------------
  virtual void GetRecord(void* Dest) = 0;
  virtual void PutRecord(const void* Image) = 0;
  virtual void AppendBlank() = 0;
  virtual void Commit() = 0;
  virtual void Delete() = 0;
  virtual bool Deleted() = 0;
  virtual void Replace(const String& Name, int TypeCode, const void* Data) = 0;
  // Answers the bytes stored.
  virtual std::int32_t PutBlob(const String& Name, const void* Data, std::int32_t Length) = 0;
  // Single values of the current record, for callers that move in SpeedMode.
  virtual String GetTrimString(const String& Name) = 0;
  virtual String GetDateString(const String& Name) = 0;
  virtual double GetDouble(const String& Name) = 0;
  virtual std::int32_t GetInteger(const String& Name) = 0;
  virtual String GetMemo(const String& Name) = 0;
  virtual std::int32_t GetBlobLength(const String& Name) = 0;
  // Copies at most Capacity bytes of the blob into Dest; answers the bytes copied.
  virtual std::int32_t GetBlob(const String& Name, void* Dest, std::int32_t Capacity) = 0;

  // ---- locks -----------------------------------------------------------------------
  virtual bool Rlock(std::int32_t RecNo) = 0;
  virtual bool Flock() = 0;
  // 0: every lock of the work area.
  virtual void Unlock(std::int32_t RecNo) = 0;

  // ---- indexes, scopes, filters, expressions ---------------------------------------
  virtual int Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
                    bool Descending) = 0;
  virtual int IndexTag(const String& FileName, const String& TagName, const String& Expression,
                       const String& Condition, bool Unique, bool Descending) = 0;
  virtual int IndexOpen(const String& FileName) = 0;
  virtual void CloseIndexes() = 0;
  virtual int IndexOrd() = 0;
  // Answers the engine's answer (the previous order).
  virtual int SetOrder(int Order) = 0;
  virtual String IndexName(int Order) = 0;
  virtual String TagName(int Order) = 0;
  virtual std::int16_t TagArea(const String& TagName) = 0;
  virtual String IndexKey() = 0;
  virtual String IndexKeyField() = 0;
  virtual String IndexCondition() = 0;
  virtual int IndexType() = 0;
  virtual bool Seek(const String& Key) = 0;
  virtual bool Found() = 0;
  // Both bounds nullptr: clears the scope.
  virtual bool SetScope(const String* Low, const String* High) = 0;
  virtual String GetScope(int Which) = 0;
  // Answers the record reached; Count gets the records in view afterwards.
  virtual std::int32_t Query(const String& Expression, std::int32_t& Count) = 0;
  virtual std::int16_t QueryTest(const String& Expression) = 0;
  virtual std::int32_t QueryRecCount() = 0;
  virtual String DBFilter() = 0;
  virtual bool EvalLogical(const String& Expression) = 0;
  virtual double EvalNumeric(const String& Expression) = 0;
  virtual String EvalString(const String& Expression) = 0;
  // 1 character, 2 numeric, 3 logical, 4 date; 0 for an invalid expression.
  virtual std::int16_t EvalTest(const String& Expression) = 0;

  // ---- creating a table ------------------------------------------------------------
  // Starts a new table; answers its work area, bit 15 set on failure.
  virtual std::int16_t CreateNew(const String& Path, const String& Alias, int TableType, int FieldCount) = 0;
  virtual void CreateField(const String& Name, const String& Type, int Width, int Decimals) = 0;
  // Writes the new table and opens it; answers its work area (0 or below: refused).
  virtual std::int16_t CreateExec() = 0;
};
