// TXbSrvSocket: the receive buffer, counted and line reads, replies, sends and
// transfer progress.
#include <algorithm>
#include <cstring>

#include "class_library/core/SysUtils.h"
#include "data_access/XbWin.h"
#include "platform/net/Net.h"

TXbSrvSocket::TXbSrvSocket(TComponent* AOwner)
    : TXbSrv(AOwner), replyLines_(std::make_unique<TStringList>()) {}

void TXbSrvSocket::SetChunkSize(std::int32_t Value) {
  if (GetActive() || ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning)) return;
  if (Value <= 0 || Value > MaxChunkSize) throw EXbSrvException("Invalid chunk size: " + IntToStr(Value) + ".");
  chunkSize_ = Value;
  buffer_.assign(static_cast<std::size_t>(Value), '\0');
  held_ = 0;
}

void TXbSrvSocket::ResetBuffer() {
  buffer_.assign(static_cast<std::size_t>(chunkSize_), '\0');
  held_ = 0;
}

// ---- receiving ------------------------------------------------------------------------------

void TXbSrvSocket::CheckResult(long Result) {
  if (Result != -1) return;
  const int e = net::LastError();
  if (e == net::kErrConnReset || e == net::kErrShutdown) Disconnect();
  RaiseSocketError(e);
}

void TXbSrvSocket::MakeRoom() {
  const std::size_t chunk = static_cast<std::size_t>(chunkSize_);
  std::size_t size = buffer_.size();
  const std::size_t free = size - held_;
  // The capacity follows the data held: one chunk more when little is free,
  // one chunk less when much more than needed is free.
  if (free < (held_ + 1) / 2 || free == 0) {
    size += chunk;
  } else if (free > 2 * chunk && size > 2 * chunk) {
    size -= chunk;
  }
  if (size != buffer_.size()) buffer_.resize(size);
}

void TXbSrvSocket::Received(long Got) {
  closed_ = Got == 0;
  if (Got != 0) {
    CheckResult(Got);
    DoProgress(progressBase_ + Got);
    held_ += static_cast<std::size_t>(Got);
  }
  if (closed_) {
    Disconnect();
    throw EXbSrvConnClosedGraceful("Connection Closed Gracefully.");
  }
}

void TXbSrvSocket::ReceiveOnce() {
  MakeRoom();
  Received(net::Recv(SocketHandle(), buffer_.data() + held_, buffer_.size() - held_));
}

bool TXbSrvSocket::ReceiveSpinning(std::int32_t WaitMs) {
  // A caller that does not want to wait gets no looking either.
  if (WaitMs == 0 || !spin_.Open()) return false;
  MakeRoom();
  const std::int64_t until = net::NowUs() + net::SpinGate::kBudgetUs;
  for (;;) {
    const long got = net::RecvNow(SocketHandle(), buffer_.data() + held_, buffer_.size() - held_);
    // Bytes, the peer's close or a failure: each is what the sleeping wait
    // would have woken to.
    if (got != -1 || net::LastError() != net::kErrWouldBlock) {
      spin_.Hit();
      Received(got);
      return true;
    }
    if (net::NowUs() >= until) break;
  }
  spin_.Miss();
  return false;
}

bool TXbSrvSocket::FillBufferWithin(std::int32_t WaitMs) {
  if (!GetActive()) throw EXbSrvClosedSocket("Socket is closed, cannot read");
  // The looking lasts at most net::SpinGate::kBudgetUs (a fifth of a
  // millisecond), below the millisecond the wait is counted in.
  if (ReceiveSpinning(WaitMs)) return true;
  const int ready = net::WaitReadable(SocketHandle(), WaitMs);
  if (ready < 0) CheckResult(-1);
  if (ready == 0) return false;
  ReceiveOnce();
  return true;
}

TXbSrvSocket::TReplyDeadline::TReplyDeadline(TXbSrvSocket& Socket)
    : socket_(Socket), owner_(Socket.deadlineMs_ < 0 && Socket.readTimeout_ >= 0) {
  if (owner_) socket_.deadlineMs_ = TTickClock::NowMs() + socket_.readTimeout_;
}

TXbSrvSocket::TReplyDeadline::~TReplyDeadline() {
  if (owner_) socket_.deadlineMs_ = -1;
}

void TXbSrvSocket::FillBuffer() {
  // A peer that stays silent past the time-out is as good as gone, and so is
  // one that trickles: the wait is what is left of the whole reply's time.
  std::int32_t wait = readTimeout_;
  if (deadlineMs_ >= 0) {
    const std::int64_t left = deadlineMs_ - TTickClock::NowMs();
    if (left <= 0) RaiseSocketError(net::kErrTimedOut);
    if (wait < 0 || left < wait) wait = static_cast<std::int32_t>(left);
  }
  if (!FillBufferWithin(wait)) RaiseSocketError(net::kErrTimedOut);
}

String TXbSrvSocket::TakeFromBuffer(std::int32_t Count) {
  if (Count < 0 || static_cast<std::size_t>(Count) > held_) throw Exception(kNotEnoughData);
  const std::size_t n = static_cast<std::size_t>(Count);
  String result(buffer_.data(), n);
  std::memmove(buffer_.data(), buffer_.data() + n, held_ - n);
  held_ -= n;
  return result;
}

String TXbSrvSocket::Read(std::int32_t Count) {
  if (Count < 0) throw Exception(kNotEnoughData);
  const TReplyDeadline deadline(*this);
  if (Count == 0) {
    FillBuffer();
    return String();
  }
  while (held_ < static_cast<std::size_t>(Count)) FillBuffer();
  return TakeFromBuffer(Count);
}

String TXbSrvSocket::ReadTimed(std::int32_t Count, std::int32_t Ms) {
  if (Count < 0) throw Exception(kNotEnoughData);
  const TTickClock clock;
  if (Count == 0) {
    FillBufferWithin(Ms < 0 ? 0 : Ms);
    return String();
  }
  // Each wait is bounded by what is left of Ms, so a silent peer cannot hold
  // the read past it.
  while (held_ < static_cast<std::size_t>(Count)) {
    const std::int64_t left = clock.Remaining(Ms);
    if (left <= 0) break;
    if (!FillBufferWithin(static_cast<std::int32_t>(left))) break;
  }
  return TakeFromBuffer(Count);
}

void TXbSrvSocket::ReadStream(TStream& Stream, std::int64_t Count) {
  const TReplyDeadline deadline(*this);
  Stream.SetPosition(0);
  if (OnReadProgress) OnReadProgress(this, 0, Count, 0);
  std::int64_t remaining = Count;
  while (remaining > 0) {
    const auto piece = static_cast<std::int32_t>(std::min<std::int64_t>(chunkSize_, remaining));
    // Take straight from the buffer: no copy through a string per piece.
    while (held_ < static_cast<std::size_t>(piece)) FillBuffer();
    Stream.WriteBuffer(buffer_.data(), piece);
    std::memmove(buffer_.data(), buffer_.data() + piece, held_ - static_cast<std::size_t>(piece));
    held_ -= static_cast<std::size_t>(piece);
    remaining -= piece;
    if (OnReadProgress) OnReadProgress(this, 0, 0, Stream.Position());
  }
  if (OnReadProgress) OnReadProgress(this, 0, 0, 0);
  Stream.SetPosition(0);
}

String TXbSrvSocket::ReadLine() {
  const TReplyDeadline deadline(*this);
  const String& term = lineTerminator_;
  std::size_t searchFrom = 0;
  for (;;) {
    const std::string_view held(buffer_.data(), held_);
    const std::size_t at = held.find(term, searchFrom);
    if (at != std::string_view::npos) {
      String line = TakeFromBuffer(static_cast<std::int32_t>(at + term.size()));
      line.resize(at);
      return line;
    }
    // A peer that never ends its line cannot make the buffer grow without end.
    if (held_ > static_cast<std::size_t>(maxLineLength_) + term.size())
      throw EXbSrvResponseError("Reply line too long.");
    searchFrom = held_ >= term.size() ? held_ - term.size() + 1 : 0;
    FillBuffer();
  }
}

String TXbSrvSocket::ReadNonEmptyLine() {
  const TReplyDeadline deadline(*this);
  for (;;) {
    String line = Trim(ReadLine());
    if (!line.empty()) return line;
  }
}

std::int16_t TXbSrvSocket::ReadReply() {
  const TReplyDeadline deadline(*this);
  replyLines_->Clear();
  String line = ReadNonEmptyLine();
  if (line.size() > 3 && line[3] == '-') {
    const String prefix = line.substr(0, 3) + " ";
    replyLines_->Add(line);
    // A peer that never sends the last line cannot make the list grow
    // without end either: the lines together are held to one line's limit.
    std::size_t total = line.size();
    do {
      line = ReadNonEmptyLine();
      total += line.size();
      if (total > static_cast<std::size_t>(maxLineLength_)) {
        replyLines_->Clear();
        throw EXbSrvResponseError("Reply too long.");
      }
      replyLines_->Add(line);
    } while (line.compare(0, prefix.size(), prefix) != 0);
  }
  lastReply_ = line;
  if (lastReply_.rfind("+OK", 0) == 0) {
    replyCode_ = 1;
  } else if (lastReply_.rfind("-ERR", 0) == 0) {
    replyCode_ = 0;
  } else {
    const String digits = lastReply_.substr(0, 3);
    bool numeric = digits.size() == 3;
    for (char c : digits) numeric = numeric && c >= '0' && c <= '9';
    replyCode_ = numeric ? static_cast<std::int16_t>(std::stoi(digits)) : 0;
  }
  return replyCode_;
}

std::int16_t TXbSrvSocket::SendCommand(const String& Command, std::int16_t ExpectedCode, const String& StatusText,
                                      int Indent) {
  if (!Command.empty()) SendLine(Command);
  ReadReply();
  if (ExpectedCode >= 0 && ExpectedCode != replyCode_) throw EXbSrvResponseError(lastReply_);
  const String indent(static_cast<std::size_t>(std::max(Indent, 0) * 2), ' ');
  if (StatusText == "*")
    FireStatusEvent(indent + lastReply_);
  else if (!StatusText.empty())
    FireStatusEvent(indent + StatusText);
  return replyCode_;
}

// ---- sending ---------------------------------------------------------------------------------

void TXbSrvSocket::SendLine(const String& Text) { SendText(Text + lineTerminator_); }

long TXbSrvSocket::SendText(const String& Text) { return SendBuffer(Text.data(), Text.size()); }

long TXbSrvSocket::SendBuffer(const void* Data, std::size_t Count) {
  if (Count == 0) return 0;
  if (!GetActive()) throw EXbSrvClosedSocket("Socket is closed, cannot write");
  const auto* p = static_cast<const char*>(Data);
  std::size_t sent = 0;
  while (sent < Count) {
    const long r = net::Send(SocketHandle(), p + sent, Count - sent);
    CheckResult(r);
    if (r == 0) {
      // Nothing went out: the peer is gone. What was sent so far is not the
      // message, so the connection is not kept as if it were.
      closed_ = true;
      Disconnect();
      throw EXbSrvConnClosedGraceful("Connection Closed Gracefully.");
    }
    sent += static_cast<std::size_t>(r);
  }
  return static_cast<long>(sent);
}

// ---- progress -----------------------------------------------------------------------------------

void TXbSrvSocket::BeginProgress(std::int64_t Total) {
  progressBase_ = 0;
  progressTotal_ = Total;
}

void TXbSrvSocket::EndProgress() {
  progressTotal_ = -1;
  DoProgress(-1);
  progressTotal_ = -2;
}

void TXbSrvSocket::DoProgress(std::int64_t Count) {
  progressBase_ = Count;
  if (progressTotal_ == -2) return;
  if (Count == -1 || Count / 1024 > progressStep_) {
    progressStep_ = Count / 1024;
    if (TransferProgress) TransferProgress(Count, progressTotal_);
  }
}

void TXbSrvSocket::FireStatusEvent(const String& Text) {
  if (!OnStatus) return;
  try {
    OnStatus(this, Text);
  } catch (Exception& e) {
    // Same class, so callers catch it as before; the message says where it came from.
    e.SetMessage(e.Message() + " occurred in user's OnStatus Event.");
    throw;
  }
}
