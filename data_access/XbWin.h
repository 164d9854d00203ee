#pragma once
// The blocking TCP client under the database-server connection: one socket
// (TXbSrv), a line- and reply-oriented reader and writer with a receive
// buffer that grows and shrinks by whole chunks (TXbSrvSocket), and the
// connecting client with host, user and password (TXbSrvClient).
//
// The unit is written in three files:
//   XbWin.cpp        exceptions, error texts, the clock, TXbSrv, start-up
//   XbWinSocket.cpp  TXbSrvSocket: buffer, reads, replies, sends, progress
//   XbWinClient.cpp  TXbSrvClient: connect, disconnect, streams, waiting
//
// A reply must come whole within ReadTimeout milliseconds of the start of its
// reading: a server that stops answering, or sends a byte at a time, fails the
// read with "Connection timed out." instead of holding the program.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"
#include "class_library/core/Streams.h"
#include "class_library/core/StringList.h"
#include "class_library/core/Types.h"
#include "platform/net/Net.h"

// ---- exceptions -------------------------------------------------------------

TW_DECLARE_EXCEPTION(EXbSrvException, Exception)

class EXbSrvSocketError : public EXbSrvException {
public:
  EXbSrvSocketError(String Message, std::int32_t ErrorNumber)
      : EXbSrvException(std::move(Message)), errorNumber_(ErrorNumber) {}
  std::int32_t ErrorNumber() const noexcept { return errorNumber_; }

private:
  std::int32_t errorNumber_;
};

TW_DECLARE_EXCEPTION(EXbSrvResponseError, EXbSrvException)
TW_DECLARE_EXCEPTION(EXbSrvClosedSocket, EXbSrvException)
TW_DECLARE_EXCEPTION(EXbSrvInvalidSocket, EXbSrvException)
TW_DECLARE_EXCEPTION(EXbSrvConnClosedGraceful, EXbSrvException)
TW_DECLARE_EXCEPTION(EXbSrvAlreadyConnected, EXbSrvException)

// The text of a socket error number (empty for a number without one).
String SocketErrorText(std::int32_t E);
// Raises EXbSrvSocketError "Socket Error #<E>\r\n<text>".
[[noreturn]] void RaiseSocketError(std::int32_t E);

// The message of an empty-buffer read.
inline constexpr const char* kNotEnoughData = "Not enough data in buffer.";

// ---- clock --------------------------------------------------------------------

// Milliseconds since it was made, on a clock that never jumps (the wall clock
// does, at midnight and when it is set).
class TTickClock : public TObject {
public:
  TTickClock();
  String ClassName() const override { return "TTickClock"; }
  // Milliseconds on the monotonic clock.
  static std::int64_t NowMs();
  bool Elapsed(std::int64_t Ms) const { return NowMs() >= start_ + Ms; }
  // Milliseconds left until Ms have passed (0 when they have).
  std::int64_t Remaining(std::int64_t Ms) const;

private:
  std::int64_t start_;
};

// ---- events -------------------------------------------------------------------

using TXbSrvStatusEvent = std::function<void(TObject* Sender, const String& Text)>;
// Kind is always 0.
using TXbSrvProgressEvent = std::function<void(TObject* Sender, int Kind, std::int64_t Total, std::int64_t Position)>;
enum TxProgressStatus { psXStart, psXProgress, psXEnd };
using TxProgressEvent =
    std::function<void(TObject* Sender, TxProgressStatus Status, std::int32_t Min, std::int32_t Max, std::int32_t Position)>;

// ---- the socket ----------------------------------------------------------------

class TXbSrv : public TComponent {
public:
  explicit TXbSrv(TComponent* AOwner);
  ~TXbSrv() override;
  String ClassName() const override { return "TXbSrv"; }

  std::uint16_t Port() const { return port_; }
  void SetPort(std::uint16_t Value) { port_ = Value; }
  // The socket descriptor, -1 when none.
  int SocketHandle() const { return socket_; }

  virtual void CloseSocket();
  virtual bool GetActive() const { return socket_ != -1; }
  virtual void Disconnect();

protected:
  virtual void AllocateSocket(int Type);

private:
  std::uint16_t port_ = 0;
  int socket_ = -1;
};

class TXbSrvSocket : public TXbSrv {
public:
  static constexpr std::int32_t DefaultChunkSize = 8192;
  // Larger chunks would only make every receive allocate more.
  static constexpr std::int32_t MaxChunkSize = 16 * 1024 * 1024;

  explicit TXbSrvSocket(TComponent* AOwner);
  String ClassName() const override { return "TXbSrvSocket"; }

  // ---- settings ----------------------------------------------------------------
  std::int32_t ChunkSize() const { return chunkSize_; }
  // Ignored while connected or loading; a size of 0 or below (which would make
  // every receive look like a closed connection) is refused with
  // EXbSrvException.
  void SetChunkSize(std::int32_t Value);
  // How long a reply may take to come whole, in milliseconds (-1: no limit).
  std::int32_t ReadTimeout() const { return readTimeout_; }
  void SetReadTimeout(std::int32_t Value) { readTimeout_ = Value; }
  // The longest line ReadLine accepts (terminator not counted), and the most
  // bytes the lines of one multi-line reply may hold together.
  std::int32_t MaxLineLength() const { return maxLineLength_; }
  void SetMaxLineLength(std::int32_t Value) { maxLineLength_ = Value > 0 ? Value : 1; }
  const String& LineTerminator() const { return lineTerminator_; }

  // ---- state -------------------------------------------------------------------
  bool Closed() const { return closed_; }
  std::int16_t ReplyCode() const { return replyCode_; }
  const String& LastReply() const { return lastReply_; }
  TStringList& ReplyLines() { return *replyLines_; }
  const String& AddressText() const { return addressText_; }
  std::int32_t BufferedCount() const { return static_cast<std::int32_t>(held_); }
  // The receive buffer's capacity.
  std::int32_t BufferCapacity() const { return static_cast<std::int32_t>(buffer_.size()); }

  // ---- line protocol --------------------------------------------------------------
  virtual std::int16_t SendCommand(const String& Command, std::int16_t ExpectedCode, const String& StatusText,
                                   int Indent);
  std::int16_t ReadReply();
  String ReadLine();
  String ReadNonEmptyLine();

  // ---- counted reads ----------------------------------------------------------------
  virtual String Read(std::int32_t Count);
  // As Read, but gives up once Ms milliseconds have passed since the call,
  // whether or not the peer sends anything meanwhile.
  virtual String ReadTimed(std::int32_t Count, std::int32_t Ms);
  // Reads Count bytes into Stream (from its start), chunk by chunk.
  void ReadStream(TStream& Stream, std::int64_t Count);

  // ---- sends ---------------------------------------------------------------------------
  void SendLine(const String& Text);
  // The bytes sent (all of them; a failure raises).
  long SendText(const String& Text);
  long SendBuffer(const void* Data, std::size_t Count);

  // ---- progress ------------------------------------------------------------------------
  void BeginProgress(std::int64_t Total);
  void EndProgress();
  virtual void DoProgress(std::int64_t Count);
  // Told (count, total) while a transfer's progress is reported.
  std::function<void(std::int64_t Count, std::int64_t Total)> TransferProgress;

  TXbSrvStatusEvent OnStatus;
  TXbSrvProgressEvent OnReadProgress;
  TXbSrvProgressEvent OnWriteProgress;
  TxProgressEvent OnServerProgress;

protected:
  // While one lives, every receive shares one time-out counted from its
  // making: a reply read in many receives must still come within ReadTimeout.
  // An inner one inside an outer one changes nothing.
  class TReplyDeadline {
  public:
    explicit TReplyDeadline(TXbSrvSocket& Socket);
    ~TReplyDeadline();
    TReplyDeadline(const TReplyDeadline&) = delete;
    TReplyDeadline& operator=(const TReplyDeadline&) = delete;

  private:
    TXbSrvSocket& socket_;
    bool owner_;
  };

  virtual void FireStatusEvent(const String& Text);
  // The bytes received and not yet taken.
  std::string_view Buffered() const { return std::string_view(buffer_.data(), held_); }
  // One receive into the buffer (waiting at most ReadTimeout, and never past
  // the reply's deadline).
  void FillBuffer();
  // Receives once if the peer sends within WaitMs; false when it did not.
  bool FillBufferWithin(std::int32_t WaitMs);
  String TakeFromBuffer(std::int32_t Count);
  // Empties the receive buffer and gives it one chunk of capacity.
  void ResetBuffer();
  // A send or receive result: -1 raises the socket error (disconnecting first
  // after a reset or shut-down).
  void CheckResult(long Result);
  void SetAddressText(const String& Value) { addressText_ = Value; }
  void SetClosed(bool Value) { closed_ = Value; }

private:
  // Sizes the receive buffer for the next receive.
  void MakeRoom();
  // Takes a receive's result: bytes, the peer's close (raises) or a failure (raises).
  void Received(long Got);
  void ReceiveOnce();
  // Looks for the peer's bytes again and again for a short while (when the
  // gate is open) before the wait sleeps; true when a receive was made.
  bool ReceiveSpinning(std::int32_t WaitMs);

  bool closed_ = false;
  String lineTerminator_ = "\r\n";
  std::int16_t replyCode_ = 0;
  std::int64_t progressStep_ = 0;
  std::int32_t chunkSize_ = DefaultChunkSize;
  std::int32_t readTimeout_ = 60000;
  // When the reply being read must be whole (TTickClock ms; -1: no deadline).
  std::int64_t deadlineMs_ = -1;
  std::int32_t maxLineLength_ = 64 * 1024;
  std::int64_t progressBase_ = 0;
  std::int64_t progressTotal_ = -2;
  String addressText_;
  String lastReply_;
  String buffer_;        // its size is the capacity
  std::size_t held_ = 0; // bytes received and not yet taken
  std::unique_ptr<TStringList> replyLines_;
  net::SpinGate spin_;
};

class TXbSrvClient : public TXbSrvSocket {
public:
  explicit TXbSrvClient(TComponent* AOwner);
  ~TXbSrvClient() override;
  String ClassName() const override { return "TXbSrvClient"; }

  const String& User() const { return user_; }
  // Stored upper-cased.
  void SetUser(const String& Value);
  const String& Host() const { return host_; }
  void SetHost(const String& Value) { host_ = Value; }
  const String& Password() const { return password_; }
  void SetPassword(const String& Value) { password_ = Value; }
  // How long Connect waits for the server, in milliseconds.
  std::int32_t ConnectTimeout() const { return connectTimeout_; }
  void SetConnectTimeout(std::int32_t Value) { connectTimeout_ = Value; }

  virtual void Connect();
  void Disconnect() override;
  // Sends Header, then the whole of Stream in chunks; answers the stream bytes
  // sent (0 when the header sent nothing).
  std::int64_t SendStream(const String& Header, TStream& Stream);
  // True when bytes are buffered or the socket becomes readable within Ms
  // milliseconds (-1: without limit).
  bool WaitForData(std::int32_t Ms);

private:
  std::uint32_t ResolveHostAddress(const String& HostName);

  String user_;
  String host_;
  String password_;
  std::int32_t connectTimeout_ = 30000;
};

// Starts and ends the socket layer for the process (counted: the first start
// and the last end act). A failed start raises "Winsock Initialization Error.".
void WinsockStartup();
void WinsockCleanup();
