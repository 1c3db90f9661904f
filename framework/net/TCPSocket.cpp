#include "framework/net/TCPSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/net/NameResolver.h"
#include "framework/net/TlsContext.h"
#include "framework/runtime/Thread.h"

namespace fw {

namespace {

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the
// other side is gone. Holds SIGPIPE back on this thread for one TLS call and
// drops one that it caused.
class NoSigPipe {
 public:
  NoSigPipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
  }
  ~NoSigPipe() {
    if (!wasPending_) {
      sigset_t pending;
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE) == 1) {
        const timespec zero{};
        sigtimedwait(&pipe_, nullptr, &zero);
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  NoSigPipe(const NoSigPipe&) = delete;
  NoSigPipe& operator=(const NoSigPipe&) = delete;

 private:
  sigset_t pipe_, old_;
  bool wasPending_ = false;
};

bool ParseAddress(const std::string& text, int port, sockaddr_storage& out, socklen_t& len) {
  std::memset(&out, 0, sizeof out);
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    len = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
  if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    len = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

// The error code for a failed TLS call that SSL_get_error calls `kind`.
int32_t TlsFailure(int kind) {
  const int sys = errno;
  ERR_clear_error();
  if (kind == SSL_ERROR_SYSCALL && sys != 0) return sys;
  return TCPSocket::kErrorTls;
}

}  // namespace

TCPSocket::~TCPSocket() { Release(); }

void TCPSocket::Release() {
  if (ssl_) {
    if (state_ == State::Ready) {
      NoSigPipe guard;
      SSL_shutdown(ssl_);  // best effort: the goodbye, without waiting for the answer
    }
    SSL_free(ssl_);
    ssl_ = nullptr;
    ERR_clear_error();
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  out_.clear();
  outSent_ = 0;
  handshakeWantsWrite_ = writeWantsRead_ = readWantsWrite_ = false;
}

void TCPSocket::Close() {
  Release();
  if (state_ != State::Failed) state_ = State::Closed;
  addresses_.clear();
  peerClosed_ = false;
}

void TCPSocket::Fail(int32_t code) {
  state_ = State::Failed;  // first, so that Release says no goodbye on a broken link
  Release();
  error_ = code;
}

void TCPSocket::Connect(const std::string& host, int32_t port, bool tls) {
  Close();
  state_ = State::Closed;
  error_ = 0;
  tls_ = tls;
  host_ = host;
  if (port < 1 || port > 65535) return Fail(kErrorInvalidPort);
  for (const std::string& text : NameResolver::Resolve(host)) {
    Address a;
    if (ParseAddress(text, port, a.storage, a.length)) addresses_.push_back(a);
  }
  if (addresses_.empty()) return Fail(kErrorNameNotResolved);
  nextAddress_ = 0;
  TryNextAddress(0);
}

void TCPSocket::TryNextAddress(int lastError) {
  while (nextAddress_ < addresses_.size()) {
    const Address& a = addresses_[nextAddress_++];
    fd_ = ::socket(a.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
      lastError = errno;
      continue;
    }
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&a.storage), a.length) == 0) {
      return Connected();
    }
    if (errno == EINPROGRESS) {
      state_ = State::Connecting;
      return;
    }
    lastError = errno;
    ::close(fd_);
    fd_ = -1;
  }
  Fail(lastError != 0 ? lastError : ECONNREFUSED);
}

void TCPSocket::Connected() {
  if (!tls_) {
    state_ = State::Ready;
    return;
  }
  ssl_ctx_st* ctx = TlsContext::Client();
  if (!ctx || !(ssl_ = SSL_new(ctx)) || SSL_set_fd(ssl_, fd_) != 1) return Fail(kErrorTls);
  if (NameResolver::IsNumericAddress(host_)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host_.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl_, host_.c_str());
    SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(ssl_, host_.c_str());
  }
  SSL_set_connect_state(ssl_);
  state_ = State::Handshaking;
  Handshake();
}

void TCPSocket::Handshake() {
  NoSigPipe guard;
  ERR_clear_error();
  errno = 0;
  const int r = SSL_do_handshake(ssl_);
  if (r == 1) {
    state_ = State::Ready;
    Flush();
    return;
  }
  const int kind = SSL_get_error(ssl_, r);
  if (kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE) {
    handshakeWantsWrite_ = kind == SSL_ERROR_WANT_WRITE;
    return;
  }
  // A refused certificate or a broken handshake: never carry on unprotected.
  Fail(kind == SSL_ERROR_SYSCALL && errno != 0 ? errno : kErrorTls);
}

void TCPSocket::Poll(int timeoutMs) {
  short events = 0;
  switch (state_) {
    case State::Closed:
    case State::Failed:
      return;
    case State::Connecting:
      events = POLLOUT;
      break;
    case State::Handshaking:
      events = handshakeWantsWrite_ ? POLLOUT : POLLIN;
      break;
    case State::Ready: {
      const bool sending = outSent_ < out_.size();
      if (sending || readWantsWrite_) events |= POLLOUT;
      if (!peerClosed_) events |= POLLIN;
      if (events == 0) return;
      if (ssl_ && !peerClosed_ && SSL_has_pending(ssl_)) timeoutMs = 0;
      break;
    }
  }
  const int revents = WaitForFd(fd_, events, timeoutMs);
  switch (state_) {
    case State::Connecting: {
      if (revents == 0) return;
      int err = 0;
      socklen_t len = sizeof err;
      if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      if (err == 0) return Connected();
      ::close(fd_);
      fd_ = -1;
      return TryNextAddress(err);
    }
    case State::Handshaking:
      if (revents != 0) Handshake();
      return;
    case State::Ready:
      readWantsWrite_ = false;
      Flush();
      return;
    default:
      return;
  }
}

void TCPSocket::Write(std::string_view bytes) {
  if (state_ == State::Closed || state_ == State::Failed) return;
  if (outSent_ == out_.size()) {
    out_.clear();
    outSent_ = 0;
  }
  out_.append(bytes);
  if (state_ == State::Ready) Flush();
}

void TCPSocket::Flush() {
  while (state_ == State::Ready && outSent_ < out_.size()) {
    const char* data = out_.data() + outSent_;
    const size_t left = out_.size() - outSent_;
    if (!ssl_) {
      const ssize_t n = ::send(fd_, data, left, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n >= 0) {
        outSent_ += static_cast<size_t>(n);
        continue;
      }
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) Fail(errno);
      return;
    }
    NoSigPipe guard;
    ERR_clear_error();
    errno = 0;
    size_t n = 0;
    const int r = SSL_write_ex(ssl_, data, left, &n);
    if (r == 1) {
      outSent_ += n;
      writeWantsRead_ = false;
      continue;
    }
    const int kind = SSL_get_error(ssl_, r);
    if (kind == SSL_ERROR_WANT_WRITE) return;
    if (kind == SSL_ERROR_WANT_READ) {
      writeWantsRead_ = true;
      return;
    }
    return Fail(TlsFailure(kind));
  }
  if (outSent_ == out_.size()) {
    out_.clear();
    outSent_ = 0;
  }
}

size_t TCPSocket::Read(char* into, size_t max) {
  if (state_ != State::Ready || peerClosed_ || max == 0) return 0;
  if (!ssl_) {
    for (;;) {
      const ssize_t n = ::recv(fd_, into, max, MSG_DONTWAIT);
      if (n > 0) return static_cast<size_t>(n);
      if (n == 0) {
        peerClosed_ = true;
      } else if (errno == EINTR) {
        continue;
      } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        Fail(errno);
      }
      return 0;
    }
  }
  NoSigPipe guard;
  ERR_clear_error();
  errno = 0;
  size_t got = 0;
  const int r = SSL_read_ex(ssl_, into, max, &got);
  if (r == 1) return got;
  const int kind = SSL_get_error(ssl_, r);
  if (kind == SSL_ERROR_ZERO_RETURN) {
    peerClosed_ = true;
  } else if (kind == SSL_ERROR_WANT_WRITE) {
    readWantsWrite_ = true;
  } else if (kind != SSL_ERROR_WANT_READ) {
    Fail(TlsFailure(kind));
  }
  return 0;
}

}  // namespace fw
