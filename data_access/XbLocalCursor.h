#pragma once
// TXbLocalCursor: the cursor of a table opened in the engine library on this
// machine (AccessMethod amLocal). Each operation is the engine entry point of
// the same name, reached through the run-time binding; the engine acts on its
// current work area, which the table selects first.
#include "data_access/XbCursor.h"

class TXbLocalCursor : public TXbCursor {
public:
  TXbOpenAnswer Open(const TXbOpenRequest& Request) override;
  TXbFieldDescription Field(int FieldNumber) override;
  int FieldWidth(const String& Name) override;
  String Alias(std::int16_t Area) override;
  std::int16_t WorkArea(const String& Alias) override;
  void Select(std::int16_t Area) override;
  void Close() override;
  bool FileExists(const String& Path) override;
  String Version() override;
  bool IsEncrypted(int Which) override;
  void SetPassword(const String& Value) override;
  bool ApplyPassword(const String& Value) override;
  void SetTranslate(bool On) override;
  void SetTurboRead(bool On) override;
  void SetStringType(int Type) override;
  std::int32_t SysProp(int Property, std::int32_t Value) override;

  TGetResult Fetch(TGetMode Mode, bool AtTop, bool AtBottom, TEOFAction Action, char* Image,
                   std::int32_t& RecNo) override;
  bool Bof() override;
  bool Eof() override;
  bool StandsOnRecord(std::int16_t Area) const override;
  void Go(std::int32_t RecNo) override;
  void GoTop() override;
  void GoBottom() override;
  void Skip(std::int32_t Distance) override;
  std::int32_t RecNo() override;
  std::int32_t RecCount() override;
  std::int32_t Count() override;
  double OrderPosGet() override;
  void OrderPosSet(double Position) override;

  void GetRecord(void* Dest) override;
  void PutRecord(const void* Image) override;
  void AppendBlank() override;
  bool WritesRefused() override;
  void Commit() override;
  void Delete() override;
  bool Deleted() override;
  void Replace(const String& Name, int TypeCode, const void* Data) override;
  std::int32_t PutBlob(const String& Name, const void* Data, std::int32_t Length) override;
  String GetTrimString(const String& Name) override;
  String GetDateString(const String& Name) override;
  double GetDouble(const String& Name) override;
  std::int32_t GetInteger(const String& Name) override;
  String GetMemo(const String& Name) override;
  std::int32_t GetBlobLength(const String& Name) override;
  std::int32_t GetBlob(const String& Name, void* Dest, std::int32_t Capacity) override;

  bool Rlock(std::int32_t RecNo) override;
  bool Flock() override;
  void Unlock(std::int32_t RecNo) override;

  int Index(const String& FileName, const String& Expression, const String& Condition, bool Unique,
            bool Descending) override;
  int IndexTag(const String& FileName, const String& TagName, const String& Expression, const String& Condition,
               bool Unique, bool Descending) override;
  int IndexOpen(const String& FileName) override;
  void CloseIndexes() override;
  int IndexOrd() override;
  int SetOrder(int Order) override;
  String IndexName(int Order) override;
  String TagName(int Order) override;
  std::int16_t TagArea(const String& TagName) override;
  String IndexKey() override;
  String IndexKeyField() override;
  String IndexCondition() override;
  int IndexType() override;
  bool Seek(const String& Key) override;
  bool Found() override;
  bool SetScope(const String* Low, const String* High) override;
  String GetScope(int Which) override;
  std::int32_t Query(const String& Expression, std::int32_t& Count) override;
  std::int16_t QueryTest(const String& Expression) override;
  std::int32_t QueryRecCount() override;
  String DBFilter() override;
  bool EvalLogical(const String& Expression) override;
  double EvalNumeric(const String& Expression) override;
  String EvalString(const String& Expression) override;
  std::int16_t EvalTest(const String& Expression) override;

  std::int16_t CreateNew(const String& Path, const String& Alias, int TableType, int FieldCount) override;
  void CreateField(const String& Name, const String& Type, int Width, int Decimals) override;
  std::int16_t CreateExec() override;
};
