#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "framework/runtime/RuntimeLock.h"
#include "tests/support/TestCertificates.h"

namespace testsupport {

namespace {

void Fatal(const char* what) {
  std::fprintf(stderr, "loopback server: %s failed (errno %d)\n", what, errno);
  std::abort();
}

// A client that goes away must not take the test program with it: the
// server's threads never take SIGPIPE (OpenSSL writes with write()).
void BlockSigPipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    case 407:
      return "Proxy Authentication Required";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

SSL_CTX* MakeServerContext() {
  const TestCertificates& certs = TestCertificates::Shared();
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) Fatal("SSL_CTX_new");
  BIO* certBio =
      BIO_new_mem_buf(certs.serverCertPem.data(), static_cast<int>(certs.serverCertPem.size()));
  X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
  BIO_free(certBio);
  BIO* keyBio =
      BIO_new_mem_buf(certs.serverKeyPem.data(), static_cast<int>(certs.serverKeyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
  BIO_free(keyBio);
  if (!cert || !key || SSL_CTX_use_certificate(ctx, cert) != 1 ||
      SSL_CTX_use_PrivateKey(ctx, key) != 1) {
    Fatal("loading the test certificate");
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  return ctx;
}

}  // namespace

// One accepted connection: plain or TLS bytes, every wait also watching the
// server's stop descriptor.
class LoopbackServer::Connection {
 public:
  Connection(int fd, int stopFd, SSL_CTX* tls) : fd_(fd), stopFd_(stopFd) {
    if (tls) {
      ssl_ = SSL_new(tls);
      SSL_set_fd(ssl_, fd_);
      SSL_set_accept_state(ssl_);
    }
  }
  ~Connection() {
    if (ssl_) {
      if (handshakeDone_) SSL_shutdown(ssl_);
      SSL_free(ssl_);
      ERR_clear_error();
    }
    ::close(fd_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Waits for events on the connection; false when the server stops or the wait failed.
  bool Wait(short events, int timeoutMs = -1) {
    pollfd fds[2] = {{fd_, events, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
      const int r = poll(fds, 2, timeoutMs);
      if (r < 0 && errno == EINTR) continue;
      return r >= 0 && !(fds[1].revents & POLLIN);
    }
  }

  bool Handshake() {
    if (!ssl_) return true;
    for (;;) {
      const int r = SSL_do_handshake(ssl_);
      if (r == 1) return handshakeDone_ = true;
      const int kind = SSL_get_error(ssl_, r);
      if (kind == SSL_ERROR_WANT_READ) {
        if (!Wait(POLLIN)) return false;
      } else if (kind == SSL_ERROR_WANT_WRITE) {
        if (!Wait(POLLOUT)) return false;
      } else {
        return false;
      }
    }
  }

  // Up to n bytes into buf: the count, 0 at the end of the stream, -1 on
  // failure or when the server stops.
  ssize_t Read(char* buf, size_t n) {
    for (;;) {
      if (!ssl_) {
        const ssize_t r = ::recv(fd_, buf, n, MSG_DONTWAIT);
        if (r >= 0) return r;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (!Wait(POLLIN)) return -1;
        continue;
      }
      size_t got = 0;
      const int r = SSL_read_ex(ssl_, buf, n, &got);
      if (r == 1) return static_cast<ssize_t>(got);
      const int kind = SSL_get_error(ssl_, r);
      if (kind == SSL_ERROR_ZERO_RETURN) return 0;
      if (kind == SSL_ERROR_WANT_READ) {
        if (!Wait(POLLIN)) return -1;
      } else if (kind == SSL_ERROR_WANT_WRITE) {
        if (!Wait(POLLOUT)) return -1;
      } else {
        return -1;
      }
    }
  }

  bool SendAll(const char* bytes, size_t size) {
    size_t sent = 0;
    while (sent < size) {
      const char* data = bytes + sent;
      const size_t left = size - sent;
      if (!ssl_) {
        const ssize_t r = ::send(fd_, data, left, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r >= 0) {
          sent += static_cast<size_t>(r);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
          if (!Wait(POLLOUT)) return false;
        } else if (errno != EINTR) {
          return false;
        }
        continue;
      }
      size_t n = 0;
      const int r = SSL_write_ex(ssl_, data, left, &n);
      if (r == 1) {
        sent += n;
        continue;
      }
      const int kind = SSL_get_error(ssl_, r);
      if (kind == SSL_ERROR_WANT_WRITE) {
        if (!Wait(POLLOUT)) return false;
      } else if (kind == SSL_ERROR_WANT_READ) {
        if (!Wait(POLLIN)) return false;
      } else {
        return false;
      }
    }
    return true;
  }

  // The request head: bytes up to and including the first blank line; ""
  // when the client closed or failed before one.
  std::string ReadHead() {
    std::string head;
    char buf[4096];
    while (head.size() < (1u << 20)) {
      const ssize_t n = Read(buf, sizeof buf);
      if (n <= 0) return {};
      head.append(buf, static_cast<size_t>(n));
      for (const std::string_view end : {"\r\n\r\n", "\n\n"}) {
        const size_t at = head.find(end);
        if (at != std::string::npos) return head.substr(0, at + end.size());
      }
    }
    return {};
  }

  // Reads and drops what the client sends until it closes or the server stops.
  void Hang() {
    char buf[4096];
    while (Read(buf, sizeof buf) > 0) {
    }
  }

  // Sends `length` bytes of `bytes` repeated.
  bool SendRepeated(const std::string& bytes, size_t length) {
    if (bytes.empty()) return true;
    for (size_t sent = 0; sent < length;) {
      const size_t n = std::min(bytes.size(), length - sent);
      if (!SendAll(bytes.data(), n)) return false;
      sent += n;
    }
    return true;
  }

  // Ends the sending side (with the TLS close notice first), then reads and
  // drops what the client sends until it closes or the server stops.
  void Linger() {
    if (ssl_ && handshakeDone_) {
      SSL_shutdown(ssl_);
      handshakeDone_ = false;
    }
    ::shutdown(fd_, SHUT_WR);
    Hang();
  }

  // Ends the connection with a reset instead of an orderly close: no TLS
  // close notice, and the system sends RST.
  void Reset() {
    handshakeDone_ = false;
    const linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }

  // Waits ms of real time; false when the server stops meanwhile.
  bool Pause(int ms) {
    pollfd fd{stopFd_, POLLIN, 0};
    return poll(&fd, 1, ms) == 0;
  }

 private:
  int fd_;
  int stopFd_;
  SSL* ssl_ = nullptr;
  bool handshakeDone_ = false;
};

LoopbackServer::Step LoopbackServer::Step::Send(std::string bytes) {
  return Send(std::make_shared<const std::string>(std::move(bytes)));
}
LoopbackServer::Step LoopbackServer::Step::Send(std::shared_ptr<const std::string> bytes) {
  const size_t length = bytes ? bytes->size() : 0;
  return SendRepeated(std::move(bytes), length);
}
LoopbackServer::Step LoopbackServer::Step::SendRepeated(std::shared_ptr<const std::string> bytes,
                                                        size_t length) {
  if (!bytes) bytes = std::make_shared<const std::string>();
  return Step{Kind::Send, std::move(bytes), length, 0};
}
LoopbackServer::Step LoopbackServer::Step::Pause(int ms) { return Step{Kind::Pause, {}, 0, ms}; }
LoopbackServer::Step LoopbackServer::Step::Hang() { return Step{Kind::Hang, {}, 0, 0}; }
LoopbackServer::Step LoopbackServer::Step::Close() { return Step{Kind::Close, {}, 0, 0}; }
LoopbackServer::Step LoopbackServer::Step::Reset() { return Step{Kind::Reset, {}, 0, 0}; }
LoopbackServer::Step LoopbackServer::Step::Linger() { return Step{Kind::Linger, {}, 0, 0}; }

namespace {

std::string ResponseHead(int status, size_t bodySize, bool withLength) {
  std::string head = "HTTP/1.0 " + std::to_string(status) + " " + Reason(status) + "\r\n";
  if (withLength) head += "Content-Length: " + std::to_string(bodySize) + "\r\n";
  return head + "\r\n";
}

LoopbackServer::Step Ended(LoopbackServer::Ending ending) {
  return ending == LoopbackServer::Ending::Linger ? LoopbackServer::Step::Linger()
                                                  : LoopbackServer::Step::Close();
}

}  // namespace

LoopbackServer::Reply LoopbackServer::Response(int status, const std::string& body, bool withLength,
                                               Ending ending) {
  return {Step::Send(ResponseHead(status, body.size(), withLength) + body), Ended(ending)};
}

LoopbackServer::Reply LoopbackServer::Response(int status, std::shared_ptr<const std::string> body,
                                               bool withLength, Ending ending) {
  const size_t size = body ? body->size() : 0;
  return {Step::Send(ResponseHead(status, size, withLength)), Step::Send(std::move(body)),
          Ended(ending)};
}

LoopbackServer::LoopbackServer(Mode mode) : mode_(mode) {
  defaultReply_ = Response(404, "");
  if (mode_ == Mode::Tls) tls_ = MakeServerContext();
  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (stopFd_ < 0 || listenFd_ < 0) Fatal("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 64) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    Fatal("bind/listen");
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  const uint64_t one = 1;
  (void)!::write(stopFd_, &one, sizeof one);
  acceptor_.join();
  std::map<uint64_t, std::thread> workers;
  {
    std::lock_guard g(m_);
    workers.swap(workers_);
  }
  for (auto& [id, w] : workers) w.join();
  ::close(listenFd_);
  ::close(stopFd_);
  if (tls_) SSL_CTX_free(tls_);
}

std::string LoopbackServer::Url(const std::string& path, const std::string& host) const {
  return std::string(mode_ == Mode::Tls ? "https" : "http") + "://" + host + ":" +
         std::to_string(port_) + path;
}

void LoopbackServer::SetReply(const std::string& path, Reply reply) {
  std::lock_guard g(m_);
  replies_[path] = std::move(reply);
}

void LoopbackServer::SetDefaultReply(Reply reply) {
  std::lock_guard g(m_);
  defaultReply_ = std::move(reply);
}

void LoopbackServer::ServeFile(const std::string& path, std::string body) {
  SetReply(path, Response(200, std::make_shared<const std::string>(std::move(body)), true,
                          Ending::Linger));
}

void LoopbackServer::Hold(const std::string& path) { SetReply(path, {Step::Hang()}); }

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard g(m_);
  return heads_;
}

size_t LoopbackServer::RequestCount(const std::string& path) const {
  std::lock_guard g(m_);
  const auto it = arrivalsByPath_.find(path);
  return it == arrivalsByPath_.end() ? 0 : it->second.size();
}

int LoopbackServer::Connections() const {
  std::lock_guard g(m_);
  return connections_;
}

int LoopbackServer::OpenConnections() const {
  std::lock_guard g(m_);
  return open_;
}

template <class Pred>
bool LoopbackServer::WaitFor(Pred pred, int timeoutMs) const {
  // The runtime lock goes first and comes back last, so that m_ is never
  // held while waiting for it.
  fw::RuntimeLock::Unlocked unlocked;
  std::unique_lock g(m_);
  if (timeoutMs < 0) {
    arrived_.wait(g, pred);
    return true;
  }
  return arrived_.wait_for(g, std::chrono::milliseconds(timeoutMs), pred);
}

bool LoopbackServer::WaitForRequests(size_t count, int timeoutMs) const {
  return WaitFor([&] { return heads_.size() >= count; }, timeoutMs);
}

std::optional<LoopbackServer::TimePoint> LoopbackServer::WaitForRequest(const std::string& path,
                                                                        size_t count,
                                                                        int timeoutMs) const {
  std::optional<TimePoint> at;
  WaitFor(
      [&] {
        if (count == 0) return true;
        const auto it = arrivalsByPath_.find(path);
        if (it == arrivalsByPath_.end() || it->second.size() < count) return false;
        at = it->second[count - 1];
        return true;
      },
      timeoutMs);
  return at;
}

LoopbackServer::Reply LoopbackServer::ReplyFor(const std::string& path) const {
  std::lock_guard g(m_);
  const auto it = replies_.find(path);
  return it != replies_.end() ? it->second : defaultReply_;
}

void LoopbackServer::AcceptLoop() {
  BlockSigPipe();
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents & POLLIN) return;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) continue;
    // Threads of connections that ended are joined here, so a long run of
    // requests does not pile them up.
    std::vector<std::thread> done;
    {
      std::lock_guard g(m_);
      for (const uint64_t id : finished_) {
        done.push_back(std::move(workers_.at(id)));
        workers_.erase(id);
      }
      finished_.clear();
      const uint64_t id = static_cast<uint64_t>(connections_++);
      ++open_;
      workers_.emplace(id, std::thread([this, fd, id] { Serve(fd, id); }));
    }
    for (std::thread& t : done) t.join();
  }
}

void LoopbackServer::Serve(int fd, uint64_t id) {
  BlockSigPipe();
  {
    Connection c(fd, stopFd_, tls_);
    const std::string head = c.Handshake() ? c.ReadHead() : std::string();
    if (!head.empty()) {
      // The request target: the second space-separated field of the first line.
      const size_t lineEnd = head.find_first_of("\r\n");
      const std::string line = head.substr(0, lineEnd);
      const size_t a = line.find(' ');
      const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
      const std::string path = a == std::string::npos ? "" : line.substr(a + 1, b - a - 1);
      {
        std::lock_guard g(m_);
        heads_.push_back(head);
        arrivalsByPath_[path].push_back(std::chrono::steady_clock::now());
      }
      arrived_.notify_all();
      for (const Step& step : ReplyFor(path)) {
        bool goOn = true;
        switch (step.kind) {
          case Step::Kind::Send:
            goOn = c.SendRepeated(*step.bytes, step.length);
            break;
          case Step::Kind::Pause:
            goOn = c.Pause(step.ms);
            break;
          case Step::Kind::Hang:
            c.Hang();
            goOn = false;
            break;
          case Step::Kind::Close:
            goOn = false;
            break;
          case Step::Kind::Reset:
            c.Reset();
            goOn = false;
            break;
          case Step::Kind::Linger:
            c.Linger();
            goOn = false;
            break;
        }
        if (!goOn) break;
      }
    }
  }
  std::lock_guard g(m_);
  --open_;
  finished_.push_back(id);
}

}  // namespace testsupport
