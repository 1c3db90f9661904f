#pragma once
// One TCP connection over a non-blocking POSIX socket, in the clear or inside
// TLS. It never blocks by itself: Poll is the one place that waits, with the
// runtime lock given up, so a cooperative thread can be killed meanwhile.
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ssl_st;

namespace fw {

class TCPSocket {
 public:
  // Error codes of this layer; every other nonzero code is the system's errno
  // value (ECONNREFUSED, ECONNRESET ...).
  static constexpr int32_t kErrorNameNotResolved = 1001;  // empty host, or no address for it
  static constexpr int32_t kErrorInvalidPort = 1002;      // port outside 1..65535
  static constexpr int32_t kErrorTls = 1003;  // TLS handshake or certificate check failed

  TCPSocket() = default;
  ~TCPSocket();
  TCPSocket(const TCPSocket&) = delete;
  TCPSocket& operator=(const TCPSocket&) = delete;

  // Closes any earlier connection and starts one to host:port, inside TLS
  // (server name sent, certificate and host name checked) when tls; returns
  // before the connection is made. On failure LastErrorCode is set.
  void Connect(const std::string& host, int32_t port, bool tls);
  // Closes the connection and drops unsent and unread bytes; never fails.
  void Close();

  // Waits up to timeoutMs (-1: no limit) until the connection can make
  // progress, then completes the connect or handshake and sends queued
  // bytes. A yield point; raises ThreadKilled when the thread is killed
  // meanwhile. Returns at once when there is nothing to wait for; failures
  // show in LastErrorCode.
  void Poll(int timeoutMs);

  // True once the TCP connection is made, until it is closed or fails.
  bool IsConnected() const { return state_ == State::Handshaking || state_ == State::Ready; }
  // True when bytes can flow (connected, and the TLS handshake done).
  bool IsReady() const { return state_ == State::Ready; }
  // True when the other side has ended its stream and every byte was read.
  bool PeerClosed() const { return peerClosed_; }
  // 0 while nothing failed since the last Connect.
  int32_t LastErrorCode() const { return error_; }

  // Queues bytes for sending and sends what the system takes at once (only
  // while IsReady); a failure shows in LastErrorCode.
  void Write(std::string_view bytes);
  // Copies up to max of the bytes received into `into` without waiting;
  // returns how many. 0 when none are waiting, at the end of the stream
  // (PeerClosed) or on failure (LastErrorCode).
  size_t Read(char* into, size_t max);

 private:
  enum class State { Closed, Connecting, Handshaking, Ready, Failed };
  struct Address {
    sockaddr_storage storage;
    socklen_t length;
  };

  void TryNextAddress(int lastError);
  void Connected();
  void Handshake();
  void Flush();
  void Fail(int32_t code);
  void Release();

  State state_ = State::Closed;
  int fd_ = -1;
  ssl_st* ssl_ = nullptr;
  bool tls_ = false;
  std::string host_;
  std::vector<Address> addresses_;
  size_t nextAddress_ = 0;
  bool handshakeWantsWrite_ = false;
  bool writeWantsRead_ = false;
  bool readWantsWrite_ = false;
  bool peerClosed_ = false;
  int32_t error_ = 0;
  std::string out_;     // queued bytes not yet sent
  size_t outSent_ = 0;  // of out_
};

}  // namespace fw
