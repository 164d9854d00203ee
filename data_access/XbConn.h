#pragma once
// TXbConnection: the client of the xBase database server. It keeps one TCP
// connection, logs in, and carries every server command as a framed request
// with a framed reply; a table whose AccessMethod is amServer reaches its
// table through it (TXbServerCursor).
//
// The unit is written in four files:
//   XbConn.cpp          construction, session (active, login, logout), errors, tables
//   XbConnFraming.cpp   request and reply frames, compression, notifications
//   XbConnCommands.cpp  the command set: one method per engine entry point
//   XbConnFetch.cpp     the table open and the batched record fetch
//
// Request frame: 8 hex digits payload length, "0000" (plain) or "0001"
// (compressed), 4 characters session, 4 digits command, payload.
// Reply frame:   8 hex digits payload length, 8 characters not read, 4
// characters kind, payload. Kinds "0300" (progress), "0301" (message),
// "0302" (shutdown) and "0303" (stream) are notifications; any other kind
// is the reply to the command being waited for. XbProtocol.h names every
// code.
//
// Notifications that arrive while a command waits for its reply are held
// and handed to their handlers once the exchange is over, so that a handler
// may send commands of its own without breaking the framing. At most
// MaxHeldNotices of them, holding MaxHeldNoticeBytes together, are held: a
// peer that sends more is dropped as lost.
//
// Nothing may be waiting from the server when a request goes out but
// notifications: any other bytes mean the replies are out of step with the
// requests, and the connection is dropped as lost.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "class_library/core/Streams.h"
#include "class_library/loop/Timer.h"
#include "data_access/XbCursor.h"
#include "data_access/XbProtocol.h"
#include "data_access/XbWin.h"

class TXbTable;
class TXbEnv;

using TSocketConnectionLoginEvent = std::function<void(TObject* Sender, bool LoginAccepted, const String& Msg)>;
using TSocketConnectionErrorEvent = std::function<void(TObject* Sender, const String& Command, const String& Msg)>;
using TSocketConnectionLogoutEvent = std::function<void(TObject* Sender)>;
using TSocketConnectionServerMsgEvent = std::function<void(TObject* Sender, const String& Msg)>;
using TSocketConnectionServerStreamEvent = std::function<void(TObject* Sender, TMemoryStream& Stream)>;

// What a server open sends (the table's open arguments and settings).
struct TXbServerOpenRequest {
  String DatabaseName;
  String TableName;  // the file name part is sent
  int OpenMode = 0;
  int TableType = 2;
  String Password;
  bool TurboRead = false;
  String IndexName;
  int Epoch = 1980;
  int DateFormat = 0;
  int MemoBlockSize = 64;
  bool Deleted = true;
  bool Century = true;
  bool SoftSeek = false;
  bool Exact = false;
  bool OEMTranslate = false;
  bool EnvironmentApplied = false;
  int CommitLevel = 1;
};

// One index of a server open's answer.
struct TXbServerIndex {
  String Name, Fields, Source, Expression;
  bool Primary = false, Unique = false, Descending = false, CaseInsensitive = false, IsExpression = false,
       NonMaintained = false;
};

// What a server open answers.
struct TXbServerOpenAnswer {
  std::int16_t WorkArea = 0;
  std::int32_t RecordCount = 0;
  std::int32_t FieldCount = 0;
  std::int32_t RecordSize = 0;
  bool Encrypted = false;
  std::int32_t IndexOrder = 0;
  std::vector<TXbServerIndex> Indexes;  // empty when ErrorCount is not 0
  std::int32_t ErrorCount = 0;
  String ErrorText;
};

// One row of the record fetch.
struct TXbFetchRow {
  Byte Status = 0;  // a TGetResult
  std::int32_t RecNo = 0;
  std::int32_t LogicalPosition = 0;
  std::vector<char> Image;
};

class TXbConnection : public TXbSrvClient {
public:
  // The largest reply payload taken (a peer claiming more is dropped).
  static constexpr std::int32_t DefaultMaxPayload = 64 * 1024 * 1024;
  // The most notifications, and their payload bytes together, held until
  // their handlers run.
  static constexpr std::size_t MaxHeldNotices = 1000;
  static constexpr std::size_t MaxHeldNoticeBytes = 4 * 1024 * 1024;

  explicit TXbConnection(TComponent* AOwner);
  ~TXbConnection() override;
  String ClassName() const override { return "TXbConnection"; }

  // ---- published -----------------------------------------------------------------
  bool Active() const { return GetActive(); }
  // The Password property; SetPassword is the server command that hands a
  // table's password to the server.
  void SetLoginPassword(const String& Value) { TXbSrvClient::SetPassword(Value); }
  virtual void SetActive(bool Value);
  const String& ServerName() const { return serverName_; }
  void SetServerName(const String& Value) { serverName_ = Value; }
  const String& GroupName() const { return groupName_; }
  void SetGroupName(const String& Value) { groupName_ = Value; }
  // Always "XbConnection 6.1.0.0"; a stored value is accepted and ignored.
  const String& ConnectionVersion() const { return version_; }
  void SetConnectionVersion(const String& Value) { storedVersion_ = Value; }

  TSocketConnectionLoginEvent OnLogin;
  TSocketConnectionErrorEvent OnError;
  TSocketConnectionLogoutEvent OnLogout;
  TSocketConnectionServerMsgEvent OnServerMessage;
  TSocketConnectionServerStreamEvent OnServerStream;

  // ---- settings ---------------------------------------------------------------------
  bool Compression() const { return compression_; }
  void SetCompression(bool Value) { compression_ = Value; }
  const String& CompressionPassword() const { return compressionPassword_; }
  void SetCompressionPassword(const String& Value) { compressionPassword_ = Value; }
  int CompressionLevel() const { return compressionLevel_; }
  void SetCompressionLevel(int Value) { compressionLevel_ = Value; }
  int PollInterval() const { return pollInterval_; }
  void SetPollInterval(int Value);
  TTimer& PollTimerComponent() { return *pollTimer_; }
  std::int32_t MaxPayload() const { return maxPayload_; }
  void SetMaxPayload(std::int32_t Value) { maxPayload_ = Value > 0 ? Value : 1; }
  // How long a shutdown notice waits before the connection is dropped (ms).
  int ShutdownDelay() const { return shutdownDelay_; }
  void SetShutdownDelay(int Value) { shutdownDelay_ = Value < 0 ? 0 : Value; }
  const String& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const String& Value) { databaseName_ = Value; }
  const String& Session() const { return session_; }
  bool LoggedIn() const { return loggedIn_; }
  // Counts the connections made: the server's work areas belong to the
  // session they were opened in, and a table opened in an earlier one must
  // not act on whatever has the same number now.
  std::uint32_t SessionNumber() const { return sessionNumber_; }
  void Connect() override;
  std::int16_t CurrentWorkArea() const { return currentWorkArea_; }
  // True when the last command did not complete (not connected, connection
  // lost, or a reply that could not be read).
  bool LastCommandFailed() const { return lastFailed_; }
  // True when the last command failed after its request went out whole: the
  // server may have carried it out, and nobody here can know.
  bool LastOutcomeUnknown() const { return lastFailed_ && requestOut_; }
  // The notifications held now, and their payload bytes.
  std::size_t HeldNotices() const { return notices_.size(); }
  std::size_t HeldNoticeBytes() const { return heldNoticeBytes_; }

  // ---- session ------------------------------------------------------------------------
  bool Login();
  void Logout();
  void DoError(const String& Context, const String& Msg);
  void CloseTables();
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  void PollTimer();
  // The settings components that send their changes through this
  // connection (TXbEnv::SetXbConnection keeps the list): each gives a new
  // session the settings it holds, once the session is open.
  void AttachEnv(TXbEnv* Env);
  void DetachEnv(TXbEnv* Env);
  // The login substitution (each byte 30..129 moved, the others kept).
  static String Substitute(const String& Text);

  // ---- framing ------------------------------------------------------------------------
  String ClientXmit(const String& Command, const String& Payload, bool Wait);
  // The reply stream at position 0, or nullptr.
  TMemoryStream* ClientStreamReceive(const String& Command, const String& Payload);
  TMemoryStream* ClientStreamSendReceive(const String& Command);
  std::int32_t FillReadStream(bool Polled);
  TMemoryStream& ReplyStream() { return replyStream_; }
  TMemoryStream& SendStreamBuffer() { return sendStream_; }

  // ---- commands (XbConnCommands.cpp, XbConnFetch.cpp) ---------------------------------------
  bool FileExists(const String& DatabaseName, const String& Path);
  std::int16_t UseEx(const String& FileName, const String& Alias, int OpenMode, int TableType, int CommitLevel);
  std::int16_t Use(const TXbServerOpenRequest& Request, TXbServerOpenAnswer& Answer);
  std::int32_t RecCount();
  std::int32_t AppendBlank();
  bool Bof();
  void Delete();
  bool Deleted();
  bool Eof();
  std::int32_t GetBlob(const String& Field, TStream& Destination);
  std::int32_t GetBlobLength(const String& Field);
  String GetDateString(const String& Field);
  double GetDouble(const String& Field);
  std::int32_t GetInteger(const String& Field);
  String GetMemo(const String& Field, std::int32_t LineWidth);
  String GetTrimString(const String& Field);
  std::int32_t Go(std::int32_t RecNo);
  void GoBottom();
  void GoTop();
  std::int32_t PutBlob(const String& Field, const void* Data, std::int32_t Length);
  void PutRecord(const void* Image, std::int32_t Size);
  std::int32_t RecNo();
  void Replace(const String& Field, int Type, const void* Data);
  bool Rlock(std::int32_t RecNo);
  bool Seek(const String& Key);
  std::int16_t Select(std::int16_t Area);
  void SetSoftSeek(bool On);
  void SetExact(bool On);
  int SetOrder(int Order);
  void SetDeleted(bool On);
  void Skip(std::int32_t Distance);
  void Unlock(std::int32_t RecNo);
  void Commit();
  // Reads Size bytes of the current record into Destination; false when the
  // server sent fewer (Destination is then left as it was).
  bool FetchRecord(void* Destination, std::int32_t Size);
  std::int32_t Count();
  std::int16_t TagArea(const String& TagName);
  String TagName(int Order);
  std::int32_t QueryRecCount();
  void Close();
  String IndexName(int Order);
  int IndexOrd();
  String Alias(std::int16_t Area);
  void CloseIndexes();
  int Index(const String& FileName, const String& Expression, int Option, bool Descending, const String& Condition);
  String DBFilter();
  bool EvalLogical(const String& Expression);
  double EvalNumeric(const String& Expression);
  String EvalString(const String& Expression);
  std::int16_t EvalTest(const String& Expression);
  bool Flock();
  bool Found();
  String GetScope(int Which);
  String IndexCondition();
  int IndexType();
  String IndexKey();
  String IndexKeyField();
  void SetCentury(bool On);
  void SetDateFormat(int Format);
  void OrderPosSet(double Position);
  bool CreateExec();
  void CreateField(const String& Name, const String& Type, int Width, int Decimals);
  // The new work area; bit 15 set when the server refused or could not be asked.
  std::int16_t CreateNew(const String& DatabaseName, const String& FileName, int TableType, int FieldCount);
  std::int32_t SysProp(int Property, std::int32_t Value);
  int IndexTag(const String& FileName, const String& TagName, const String& Expression, int Option,
               bool Descending, const String& Condition);
  void SetPassword(const String& Password);
  // Both nullptr: clears the scope.
  bool SetScope(const String* Low, const String* High);
  std::int16_t QueryTest(const String& Expression);
  std::int16_t WorkArea(const String& Alias);
  void SetTurboRead(bool On);
  void SetLockTimeOut(std::int32_t TimeOut);
  bool IsEncrypted(int N);
  // The field description, five lines per field, or nullptr.
  TMemoryStream* GetStructure();
  void SetTranslate(bool On);
  std::int32_t SetEpoch(int Year);
  std::int32_t SetMemoBlockSize(int Size);
  int FieldDecimals(const String& Name);
  String FieldName(int Number);
  int FieldOffset(const String& Name);
  String FieldType(const String& Name);
  int FieldWidth(const String& Name);
  String Version();
  int IndexOpen(const String& FileName);
  // The batched record fetch: fills Rows (at most FetchCount of them, each
  // RecordSize bytes of image) and answers the last row's status (a
  // TGetResult; grError when the fetch failed).
  TGetResult TraverseTable(bool AtTop, bool AtBottom, int EOFAction, TGetMode GetMode, TGetMode LastDirection,
                           std::int32_t FetchCount, std::int32_t RecNo, std::int32_t RecordSize,
                           std::vector<TXbFetchRow>& Rows, std::int32_t& RowsHeld);
  std::int32_t QueryRowCount(const String& Expression, std::int32_t& Count);
  void MemDealloc(void*) {}
  void SetStringType(int) {}

  // The cursor of a table that reaches its table through this connection;
  // FetchCount rows come per record fetch.
  virtual std::unique_ptr<TXbCursor> NewCursor(int FetchCount = 50);

  // Raised inside a command when its exchange did not complete; the failure
  // was reported already.
  class ELostExchange : public Exception {
  public:
    ELostExchange() : Exception("exchange failed") {}
  };

protected:
  // One exchange of a command: the reply payload, or ELostExchange.
  String Exchange(const String& Command, const String& Payload);
  // An exchange without reading a reply.
  void SendOnly(const String& Command, const String& Payload);
  // Runs Body; a failure reports ("XbConnection." + Name, Name) unless it was
  // reported already, and answers Zero.
  template <class T, class F>
  T Guard(const char* Name, T Zero, F&& Body);
  // As Guard, reporting Message instead of the name.
  template <class T, class F>
  T GuardReporting(const char* Name, const char* Message, T Zero, F&& Body);
  template <class F>
  void GuardVoid(const char* Name, F&& Body);

private:
  struct Notice {
    String Kind;
    std::vector<char> Payload;
  };
  void SendFrame(const String& Command, const char* Payload, std::size_t Length, const char* Context);
  // Before a request: takes the notifications already waiting, and raises
  // when anything else is.
  void CheckInStep();
  // Reads one frame into the reply stream; answers its kind and length.
  String ReadFrame(std::int32_t& Length);
  static bool IsNotice(const String& Kind);
  // Keeps the notification just read for its handler (raises past the bounds).
  void HoldNotice(const String& Kind, std::int32_t Length);
  // A shutdown notice: the session ends.
  void ServerShutdown();
  void HandleNotice(Notice& N);
  void DispatchNotices();
  void EndExchange();
  // How an exchange treats its reply: kept as text (or not awaited at all),
  // or left in the reply stream, with the request taken from the send stream.
  enum class Xmit { Text, TextNoWait, Stream, StreamSend };
  // One request and its reply, shared by every way of sending a command.
  // Returns the length of the reply taken (0 when none was), with the text in
  // *Text for the text kinds.
  std::int32_t Transact(const char* Name, const String& Command, std::string_view Payload, Xmit Mode, String* Text);
  // Expands Packed into Into; a stream that would expand past Limit is
  // refused before anything is allocated for it.
  void Expand(const std::vector<char>& Packed, TMemoryStream& Into, std::size_t Limit);
  std::vector<char> Pack(const char* Data, std::size_t Length);
  void LoadCrypt();
  void ConnectionLost(const char* Context);

  bool compression_ = false;
  String compressionPassword_ = "Kestrel";
  int compressionLevel_ = 6;
  std::unique_ptr<TTimer> pollTimer_;
  int pollInterval_ = 1000;
  std::int16_t currentWorkArea_ = 0;
  bool loggedIn_ = false;
  std::uint32_t sessionNumber_ = 0;
  // Compressed payloads are sealed with the compression password: from an
  // accepted login until the session ends.
  bool sealed_ = false;
  String version_ = "XbConnection 6.1.0.0";
  String storedVersion_;
  String session_{xbproto::Session.Text()};
  String loginText_;
  String databaseName_;
  String serverName_;
  String groupName_;
  std::int32_t loginNumber_ = 0;
  TMemoryStream replyStream_;
  TMemoryStream sendStream_;
  std::int32_t maxPayload_ = DefaultMaxPayload;
  int shutdownDelay_ = 5000;
  bool lastFailed_ = false;
  bool inExchange_ = false;
  bool dispatching_ = false;
  bool closing_ = false;
  // The last request went out whole.
  bool requestOut_ = false;
  std::deque<Notice> notices_;
  std::size_t heldNoticeBytes_ = 0;
  std::vector<TXbEnv*> envs_;
};
