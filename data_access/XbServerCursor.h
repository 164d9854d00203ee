#pragma once
// TXbServerCursor: the cursor of a table reached through a database server
// (AccessMethod amServer). Each operation is the connection's command of the
// same name; the record fetch comes in batches of FetchCount rows, and moves
// in one direction are served from the batch without asking the server.
//
// While rows are served from a batch the server stands on the batch's last
// row. Before any other operation that reads or changes the current record
// the server is brought back to the row handed out last, so the table sees
// exactly what it would see with the engine on its own machine.
#include <vector>

#include "data_access/XbConn.h"
#include "data_access/XbCursor.h"

class TXbServerCursor final : public TXbCursor {
public:
  TXbServerCursor(TXbConnection& Connection, int FetchCount);

  int FetchCount() const { return fetchCount_; }
  // Rows of the last batch (-1: nothing valid held).
  std::int32_t RowsHeld() const { return rowsHeld_; }

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
  // The server takes a password for an open table without an answer, so a
  // wrong one cannot be told from a right one: the records show as the
  // server sends them, and no change of the encrypted table is sent until
  // an open confirms the password.
  bool ApplyPassword(const String& Value) override;
  void SetTranslate(bool On) override;
  void SetTurboRead(bool On) override;
  void SetStringType(int Type) override;
  std::int32_t SysProp(int Property, std::int32_t Value) override;

  TGetResult Fetch(TGetMode Mode, bool AtTop, bool AtBottom, TEOFAction Action, char* Image,
                   std::int32_t& RecNo) override;
  bool Bof() override;
  bool Eof() override;
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

private:
  // Brings the server back to the row handed out last; Moves: the operation
  // that follows moves or changes records, so the batch is no longer valid.
  void Sync(bool Moves);
  // The current record is the batch row handed out last, a record (not an end).
  bool ServedRecord() const;
  // Raises when the write just sent failed, saying what is known of the
  // server's side: nothing reached it, a new record stays blank there, or
  // the outcome cannot be known.
  void CheckWritten(bool BlankLeft = false);
  // Raises before a change of an encrypted table whose password the server
  // has not confirmed: a server without the key drops the change without a
  // word, and the edit would pass for stored.
  void CheckKey() const;
  // The table was opened in a server session that has ended since; Live
  // raises then, so that nothing reaches the work area of that number in
  // the new session.
  bool Stale() const { return session_ != conn_.SessionNumber(); }
  void Live() const;
  void ReadStructure();

  TXbConnection& conn_;
  int fetchCount_;
  std::int32_t recordSize_ = 0;
  std::vector<TXbFetchRow> rows_;
  std::int32_t rowsHeld_ = -1;
  std::int32_t position_ = 0;
  TGetMode lastDirection_ = gmCurrent;
  // The record of the row handed out last, when a fetch was the last move (0 otherwise).
  std::int32_t servedRecNo_ = 0;
  // The server stands on another row of the batch than the one handed out.
  bool outOfStep_ = false;
  // A Go to the row handed out last was answered from the batch: a fetch of
  // the current record that follows makes the server read it again.
  bool rereadOnFetch_ = false;
  // The record the server stands on while rows are served from a batch.
  std::int32_t serverOn_ = 0;
  // The logical position of the current record as the server told it (-1: unknown).
  std::int32_t knownPosition_ = -1;
  // The record just appended, while the server stands on it (0 otherwise):
  // its number is the one the append answered, and the table's count.
  std::int32_t appendedRecNo_ = 0;
  // A record appended whose values have not been stored yet.
  bool blankLeft_ = false;
  // The new record as the server makes it, once read: each later append
  // fills it without asking again, so that the values follow the blank
  // record in one exchange.
  std::vector<char> blankImage_;
  std::vector<TXbFieldDescription> structure_;
  bool structureRead_ = false;
  std::int16_t createdArea_ = 0;
  bool encrypted_ = false;
  bool keyUnconfirmed_ = false;
  String confirmedPassword_;
  // The connection's session the table was opened in.
  std::uint32_t session_ = 0;
};
