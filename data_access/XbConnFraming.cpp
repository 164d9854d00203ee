// TXbConnection: request and reply frames, compression of payloads, and the
// notifications the server sends between and before replies.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "class_library/core/SysUtils.h"
#include "data_access/IntCrypt.h"
#include "data_access/XbConn.h"
#include "data_access/XbProtocol.h"
#include "xbase_crypt/XbCryptEnvelope.h"

namespace {

// 8 hexadecimal digits as a length: anything else, and values that would be
// negative as a signed 32-bit number, are not a length.
bool ParseLength(const char* p, std::int32_t& value) {
  std::uint32_t v = 0;
  for (int i = 0; i < 8; ++i) {
    const char c = p[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else return false;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  if (v > 0x7fffffffu) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

// One group of 8 hex digits of a progress notice; 0 when missing or bad.
std::int32_t ProgressNumber(const std::vector<char>& p, std::size_t at) {
  if (p.size() < at + 8) return 0;
  std::uint32_t v = 0;
  for (std::size_t i = at; i < at + 8; ++i) {
    const char c = p[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else return 0;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(v);
}

// What compression may add to bytes that do not compress (its framing and
// stored blocks), well above what it does add.
constexpr std::size_t kPackingSlack = 64 * 1024;

// Frees a buffer the add-on handed over.
struct AddonBuffer {
  unsigned char* p = nullptr;
  std::size_t n = 0;
  ~AddonBuffer() { std::free(p); }
};

}  // namespace

// ---- compression ----------------------------------------------------------------------

void TXbConnection::LoadCrypt() {
  LoadCryptLibrary();
  if (!CryptLoaded()) throw EXbSrvException("Missing required XbCrypt.DLL.");
  (*::SetCompressionLevel)(compressionLevel_);
  // The login itself travels before the server knows the password: it is
  // compressed without one, and so is the server's answer to it.
  (*::SetCompressionPassword)(sealed_ ? compressionPassword_.c_str() : "");
}

std::vector<char> TXbConnection::Pack(const char* Data, std::size_t Length) {
  LoadCrypt();
  AddonBuffer out;
  if ((*::CompressStream)(reinterpret_cast<const unsigned char*>(Data), Length, &out.p, &out.n) != 0)
    throw EXbSrvException("Compression failed.");
  return std::vector<char>(reinterpret_cast<char*>(out.p), reinterpret_cast<char*>(out.p) + out.n);
}

void TXbConnection::Expand(const std::vector<char>& Packed, TMemoryStream& Into, std::size_t Limit) {
  LoadCrypt();
  // The add-on would expand a stream to whatever it declares, up to its own
  // limit, well above the largest reply taken: a stream that declares more
  // than that is refused before anything is allocated for it.
  std::uint64_t declared = 0;
  if (xbcrypt::DeclaredLength(reinterpret_cast<const unsigned char*>(Packed.data()), Packed.size(), declared) &&
      declared > static_cast<std::uint64_t>(Limit))
    throw EXbSrvResponseError("Reply too large.");
  AddonBuffer out;
  if ((*::UnCompressStream)(reinterpret_cast<const unsigned char*>(Packed.data()), Packed.size(), &out.p, &out.n) != 0)
    throw EXbSrvResponseError("Corrupt compressed reply.");
  if (out.n > Limit) throw EXbSrvResponseError("Reply too large.");
  Into.Clear();
  Into.WriteBuffer(out.p, static_cast<std::int64_t>(out.n));
  Into.SetPosition(0);
}

// ---- sending ---------------------------------------------------------------------------------

void TXbConnection::ConnectionLost(const char* Context) {
  // A lost connection cannot log out: the flag goes before the close so that
  // closing does not try.
  loggedIn_ = false;
  sealed_ = false;
  currentWorkArea_ = 0;
  pollTimer_->SetEnabled(false);
  if (Active()) Disconnect();
  lastFailed_ = true;
  DoError(Context, "Connection lost");
}

void TXbConnection::SendFrame(const String& Command, const char* Payload, std::size_t Length, const char* Context) {
  requestOut_ = false;
  try {
    CheckInStep();
    String frame;
    if (compression_ && Length > 0) {
      const std::vector<char> packed = Pack(Payload, Length);
      frame = IntToHex(static_cast<unsigned>(packed.size()), 8) + xbproto::Packed.text + session_ + Command;
      frame.append(packed.data(), packed.size());
    } else {
      frame.reserve(20 + Length);
      frame = IntToHex(static_cast<unsigned>(Length), 8) + xbproto::Plain.text + session_ + Command;
      frame.append(Payload, Length);
    }
    // One send of the whole frame; a send that stops short raises, so the
    // connection never carries on after half a request.
    SendText(frame);
    requestOut_ = true;
  } catch (const ELostExchange&) {
    throw;
  } catch (...) {
    ConnectionLost(Context);
    throw ELostExchange();
  }
}

void TXbConnection::EndExchange() {
  inExchange_ = false;
  if (!ComponentState().Contains(csDesigning)) pollTimer_->SetEnabled(Active());
  DispatchNotices();
}

std::int32_t TXbConnection::Transact(const char* Name, const String& Command, std::string_view Payload, Xmit Mode,
                                     String* Text) {
  lastFailed_ = true;
  requestOut_ = false;
  const String context = String("XbConnection.") + Name;
  if (inExchange_) {
    // A handler or nested loop inside an exchange: its frames would land in
    // the middle of the one under way.
    DoError(context + "(" + Command + ")", "Connection busy");
    return 0;
  }
  // The poll timer keeps running through the exchange: a tick inside it (a
  // nested loop) reads nothing while inExchange_ is set, and switching the
  // timer off and on for every command would cost two wake-ups of the loop.
  if (!Active()) {
    pollTimer_->SetEnabled(false);
    // The one-n spelling is what this message has always said; logs and the
    // people who search them match it as it stands, so it is kept.
    if (Mode == Xmit::Text || Mode == Xmit::TextNoWait)
      DoError("XbConection." + String(Name) + "(" + Command + ")", "Not connected");
    return 0;
  }
  // A stream to send that holds nothing is no request at all.
  if (Mode == Xmit::StreamSend && Payload.empty()) return 0;
  inExchange_ = true;
  std::int32_t got = 0;
  try {
    if (Mode == Xmit::Stream) replyStream_.Clear();
    SendFrame(Command, Payload.data(), Payload.size(), context.c_str());
    if (Mode == Xmit::StreamSend) replyStream_.Clear();
    if (Mode == Xmit::TextNoWait) {
      lastFailed_ = false;
    } else {
      const std::int32_t n = FillReadStream(false);
      // The reply is taken before the notices that came with it are handed
      // out: a handler that sends a command of its own reuses the buffer.
      if (!lastFailed_ && n > 0) {
        got = n;
        if (Text) Text->assign(replyStream_.Memory(), static_cast<std::size_t>(n));
        else replyStream_.SetPosition(0);
      }
    }
  } catch (const ELostExchange&) {
  }
  EndExchange();
  return got;
}

String TXbConnection::ClientXmit(const String& Command, const String& Payload, bool Wait) {
  String result;
  Transact("ClientXmit", Command, Payload, Wait ? Xmit::Text : Xmit::TextNoWait, &result);
  return result;
}

TMemoryStream* TXbConnection::ClientStreamReceive(const String& Command, const String& Payload) {
  return Transact("ClientStreamReceive", Command, Payload, Xmit::Stream, nullptr) > 0 ? &replyStream_ : nullptr;
}

TMemoryStream* TXbConnection::ClientStreamSendReceive(const String& Command) {
  const std::string_view payload(sendStream_.Memory(), static_cast<std::size_t>(sendStream_.Size()));
  return Transact("ClientStreamSendReceive", Command, payload, Xmit::StreamSend, nullptr) > 0 ? &replyStream_
                                                                                                : nullptr;
}

// ---- receiving --------------------------------------------------------------------------------

bool TXbConnection::IsNotice(const String& Kind) {
  return xbproto::NoticeProgress == Kind || xbproto::NoticeMessage == Kind || xbproto::NoticeStream == Kind;
}

String TXbConnection::ReadFrame(std::int32_t& Length) {
  const String header = Read(20);
  // A length that is not one leaves no way to find the next frame: the
  // connection is out of step and goes.
  if (!ParseLength(header.data(), Length)) throw EXbSrvResponseError("Invalid reply length.");
  if (Length > maxPayload_) throw EXbSrvResponseError("Reply too large.");
  String kind = header.substr(16, 4);
  // Notices wait for their handlers in memory: one past what may be held is
  // refused before its payload is read, let alone expanded.
  std::size_t limit = static_cast<std::size_t>(maxPayload_);
  if (IsNotice(kind)) {
    if (notices_.size() >= MaxHeldNotices || heldNoticeBytes_ >= MaxHeldNoticeBytes)
      throw EXbSrvResponseError("Too many notices.");
    limit = std::min(limit, MaxHeldNoticeBytes - heldNoticeBytes_);
    // Compressed bytes come to at most a little more than what they hold.
    const std::size_t sent = compression_ ? limit + kPackingSlack : limit;
    if (static_cast<std::size_t>(Length) > sent) throw EXbSrvResponseError("Too many notices.");
  }
  replyStream_.Clear();
  if (Length > 0) {
    if (compression_) {
      TMemoryStream packed;
      ReadStream(packed, Length);
      std::vector<char> bytes(packed.Memory(), packed.Memory() + packed.Size());
      Expand(bytes, replyStream_, limit);
      Length = static_cast<std::int32_t>(replyStream_.Size());
    } else {
      ReadStream(replyStream_, Length);
    }
  }
  return kind;
}

void TXbConnection::HoldNotice(const String& Kind, std::int32_t Length) {
  if (Length <= 0) return;
  notices_.push_back({Kind, std::vector<char>(replyStream_.Memory(), replyStream_.Memory() + Length)});
  heldNoticeBytes_ += static_cast<std::size_t>(Length);
}

void TXbConnection::ServerShutdown() {
  loggedIn_ = false;
  sealed_ = false;
  currentWorkArea_ = 0;
  if (shutdownDelay_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(shutdownDelay_));
  Disconnect();
  pollTimer_->SetEnabled(false);
  notices_.push_back({xbproto::NoticeShutdown.text, {}});
  lastFailed_ = true;
}

namespace {

// Whether the bytes waiting can be (the start of) a notice frame: hex digits
// of a length, and a notice's kind once it has come.
bool MayBeNotice(std::string_view Held) {
  for (std::size_t i = 0; i < 8 && i < Held.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(Held[i]))) return false;
  if (Held.size() < 20) return true;
  const std::string_view kind = Held.substr(16, 4);
  return xbproto::NoticeProgress == kind || xbproto::NoticeMessage == kind || xbproto::NoticeShutdown == kind ||
         xbproto::NoticeStream == kind;
}

}  // namespace

void TXbConnection::CheckInStep() {
  if (BufferedCount() == 0 && !WaitForData(0)) return;
  // A notice that came between exchanges is read and held like the ones
  // before a reply; a reply, or part of one, that nobody asked for means every
  // answer from now on would belong to the command before.
  const TReplyDeadline deadline(*this);
  while (BufferedCount() > 0 || WaitForData(0)) {
    if (BufferedCount() == 0) FillBuffer();
    if (!MayBeNotice(Buffered())) throw EXbSrvResponseError("Reply out of step.");
    std::int32_t length = 0;
    const String kind = ReadFrame(length);
    if (xbproto::NoticeShutdown == kind) {
      ServerShutdown();
      throw ELostExchange();
    }
    if (!IsNotice(kind)) throw EXbSrvResponseError("Reply out of step.");
    HoldNotice(kind, length);
  }
}

std::int32_t TXbConnection::FillReadStream(bool Polled) {
  if (!Active()) {
    pollTimer_->SetEnabled(false);
    return 0;
  }
  const bool standalone = !inExchange_;
  if (Polled) {
    // A timer that fires inside an exchange (a nested loop) reads nothing.
    if (!standalone) return 0;
    if (!WaitForData(1)) {
      if (!ComponentState().Contains(csDesigning)) pollTimer_->SetEnabled(Active());
      return 0;
    }
  }
  inExchange_ = true;
  std::int32_t last = 0;
  bool shutdown = false;
  try {
    // The notices before a reply and the reply itself share one time-out.
    const TReplyDeadline deadline(*this);
    for (;;) {
      std::int32_t length = 0;
      const String kind = ReadFrame(length);
      last = length;
      if (xbproto::NoticeShutdown == kind) {
        ServerShutdown();
        last = -1;
        shutdown = true;
        break;
      }
      if (IsNotice(kind)) {
        HoldNotice(kind, length);
        if (Polled) break;
        continue;
      }
      // A reply while no command waits for one: the replies are out of step.
      if (Polled) throw EXbSrvResponseError("Reply out of step.");
      lastFailed_ = false;
      break;
    }
  } catch (...) {
    ConnectionLost("XbConnection.FillReadStream");
    last = 0;
  }
  if (standalone) {
    inExchange_ = false;
    if (!shutdown && !ComponentState().Contains(csDesigning)) pollTimer_->SetEnabled(Active());
    DispatchNotices();
  }
  return last;
}

// ---- notifications ------------------------------------------------------------------------------

void TXbConnection::HandleNotice(Notice& N) {
  if (xbproto::NoticeShutdown == N.Kind) {
    if (OnServerMessage) OnServerMessage(this, "Server shutdown");
  } else if (xbproto::NoticeStream == N.Kind) {
    if (OnServerStream) {
      TMemoryStream s;
      s.WriteBuffer(N.Payload.data(), static_cast<std::int64_t>(N.Payload.size()));
      s.SetPosition(0);
      OnServerStream(this, s);
    }
  } else if (xbproto::NoticeMessage == N.Kind) {
    if (OnServerMessage) OnServerMessage(this, String(N.Payload.data(), N.Payload.size()));
  } else if (xbproto::NoticeProgress == N.Kind) {
    // A short notice carries fewer numbers; the missing ones are 0.
    if (OnServerProgress)
      OnServerProgress(this, psXProgress, ProgressNumber(N.Payload, 0), ProgressNumber(N.Payload, 8),
                       ProgressNumber(N.Payload, 16));
  }
}

void TXbConnection::DispatchNotices() {
  // Handlers run outside every exchange and one at a time: one that sends a
  // command gets its own reply, and the notices that command brings wait
  // their turn here.
  if (dispatching_ || inExchange_) return;
  dispatching_ = true;
  while (!notices_.empty()) {
    Notice n = std::move(notices_.front());
    notices_.pop_front();
    heldNoticeBytes_ -= std::min(heldNoticeBytes_, n.Payload.size());
    try {
      HandleNotice(n);
    } catch (const Exception& e) {
      DoError("XbConnection.FillReadStream", e.Message());
    } catch (...) {
      DoError("XbConnection.FillReadStream", "Unknown exception");
    }
  }
  dispatching_ = false;
}
