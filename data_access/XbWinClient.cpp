// TXbSrvClient: connecting, disconnecting, sending streams and waiting for data.
#include <sys/socket.h>

#include <algorithm>

#include "class_library/core/SysUtils.h"
#include "data_access/XbWin.h"
#include "platform/net/Net.h"
#include "platform/system/AsciiCase.h"

TXbSrvClient::TXbSrvClient(TComponent* AOwner) : TXbSrvSocket(AOwner) {}

TXbSrvClient::~TXbSrvClient() {
  if (GetActive()) Disconnect();
  OnStatus = nullptr;
}

void TXbSrvClient::SetUser(const String& Value) { user_ = sys::AsciiUpperCase(Value); }

std::uint32_t TXbSrvClient::ResolveHostAddress(const String& HostName) {
  SetAddressText(HostName);
  std::uint32_t address = 0;
  if (sys::SameAsciiText(HostName, "LOCALHOST")) {
    address = net::LoopbackAddress();
    SetAddressText("127.0.0.1");
    return address;
  }
  if (net::ParseDotted(HostName, address)) return address;
  if (!net::ResolveHost(HostName, address)) RaiseSocketError(net::LastError());
  SetAddressText(net::FormatDotted(address));
  return address;
}

void TXbSrvClient::Connect() {
  if (GetActive()) throw EXbSrvAlreadyConnected("Already connected.");
  FireStatusEvent("Connecting to " + host_);
  SetChunkSize(ChunkSize());
  AllocateSocket(SOCK_STREAM);
  try {
    const std::uint32_t address = ResolveHostAddress(host_);
    if (net::Connect(SocketHandle(), address, Port(), connectTimeout_) != 0) RaiseSocketError(net::LastError());
    FireStatusEvent("Socket Connected");
  } catch (const Exception&) {
    Disconnect();
    throw;
  }
  SetClosed(false);
}

void TXbSrvClient::Disconnect() {
  try {
    FireStatusEvent("Disconnecting");
  } catch (...) {
  }
  ResetBuffer();
  SetAddressText(String());
  TXbSrv::Disconnect();
  try {
    FireStatusEvent("Disconnected");
  } catch (...) {
  }
}

std::int64_t TXbSrvClient::SendStream(const String& Header, TStream& Stream) {
  if (SendText(Header) <= 0) return 0;
  Stream.SetPosition(0);
  const std::int64_t size = Stream.Size();
  BeginProgress(size);
  struct ProgressEnd {
    TXbSrvClient* self;
    ~ProgressEnd() { self->EndProgress(); }
  } progressEnd{this};
  if (OnWriteProgress) OnWriteProgress(this, 0, size, 0);
  String piece;
  for (;;) {
    const std::int64_t remaining = size - Stream.Position();
    if (remaining <= 0) {
      if (OnWriteProgress) OnWriteProgress(this, 0, 0, 0);
      return Stream.Position();
    }
    piece.resize(static_cast<std::size_t>(std::min<std::int64_t>(remaining, DefaultChunkSize)));
    Stream.ReadBuffer(piece.data(), static_cast<std::int64_t>(piece.size()));
    SendText(piece);
    if (OnWriteProgress) OnWriteProgress(this, 0, 0, Stream.Position());
  }
}

bool TXbSrvClient::WaitForData(std::int32_t Ms) {
  if (BufferedCount() > 0) return true;
  if (!GetActive()) return false;
  return net::WaitReadable(SocketHandle(), Ms) > 0;
}
