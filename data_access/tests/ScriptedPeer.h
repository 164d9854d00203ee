#pragma once
// A peer for the socket tests: listens on a free loopback port and, for the
// one connection it accepts, runs a script on its own thread (send these
// bytes, wait, read what the client sent, close).
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/net/Net.h"

class ScriptedPeer {
public:
  // The script gets the accepted connection; the peer closes it afterwards.
  explicit ScriptedPeer(std::function<void(ScriptedPeer&)> Script) : script_(std::move(Script)) {
    listener_ = net::ListenLoopback(port_);
    thread_ = std::thread([this] {
      fd_ = net::Accept(listener_);
      accepted_ = true;
      if (fd_ >= 0) {
        net::SetNoDelay(fd_);
        script_(*this);
      }
      CloseConnection();
    });
  }
  ~ScriptedPeer() {
    // A client that never came still lets the thread end.
    if (!accepted_) {
      const int poke = net::NewSocket(SOCK_STREAM);
      net::Connect(poke, net::LoopbackAddress(), port_, 1000);
      thread_.join();
      net::CloseSocket(poke);
    } else {
      thread_.join();
    }
    net::CloseSocket(listener_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  std::uint16_t Port() const { return port_; }

  // ---- for scripts ----
  void Send(const std::string& Bytes) { net::SendAll(fd_, Bytes.data(), Bytes.size()); }
  static void Pause(int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); }
  // Reads exactly Count bytes (less when the client closes or WaitMs passes).
  std::string Receive(std::size_t Count, int WaitMs = 5000) {
    std::string out;
    char buf[4096];
    while (out.size() < Count && net::WaitReadable(fd_, WaitMs) > 0) {
      const long r = net::Recv(fd_, buf, std::min(sizeof buf, Count - out.size()));
      if (r <= 0) break;
      out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
  }
  // Waits until the client closes its end (or WaitMs passes).
  void AwaitClose(int WaitMs = 5000) {
    char buf[4096];
    while (net::WaitReadable(fd_, WaitMs) > 0 && net::Recv(fd_, buf, sizeof buf) > 0) {
    }
  }
  void CloseConnection() {
    if (fd_ >= 0) net::CloseSocket(fd_);
    fd_ = -1;
  }

private:
  std::function<void(ScriptedPeer&)> script_;
  std::uint16_t port_ = 0;
  int listener_ = -1;
  int fd_ = -1;
  std::atomic<bool> accepted_{false};
  std::thread thread_;
};
