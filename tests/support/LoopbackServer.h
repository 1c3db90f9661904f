#pragma once
// A scripted HTTP server on 127.0.0.1 for tests. It listens on an ephemeral
// port and serves every connection on a thread of its own: it reads the
// request head (up to the blank line), records it, and plays the reply set
// for the request's path, or the default reply, step by step. In TLS mode it
// presents the certificate of TestCertificates::Shared(). Destroying the
// server ends every connection and joins every thread.
//
//   using Step = testsupport::LoopbackServer::Step;
//   testsupport::LoopbackServer server;
//   server.SetReply("/page/1", {Step::Send("HTTP/1.0 200 OK\r\n\r\nhel"), Step::Pause(50),
//                               Step::Send("lo"), Step::Close()});
//   server.SetReply("/slow", {Step::Send("HTTP/1.0 200 OK\r\n\r\npart"), Step::Hang()});
//   std::string body = http.Get(server.Url("/page/1"), 30);   // "hello"
//   server.Requests()[0];   // "GET /page/1 HTTP/1.0\r\nAccept: */*\r\n..."
//
// Unknown paths get LoopbackServer::Response(404, "") unless SetDefaultReply
// says otherwise.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace testsupport {

class LoopbackServer {
 public:
  struct Step {
    enum class Kind { Send, Pause, Hang, Close, Reset };
    Kind kind;
    std::string bytes;  // Send
    int ms = 0;         // Pause

    // Sends these bytes (all of them, however long).
    static Step Send(std::string bytes);
    // Waits ms milliseconds of real time.
    static Step Pause(int ms);
    // Sends nothing more but keeps the connection open until the client
    // closes it or the server is destroyed.
    static Step Hang();
    // Closes the connection (also what happens after the last step).
    static Step Close();
    // Drops the connection with a TCP reset (and no TLS close notice).
    static Step Reset();
  };
  using Reply = std::vector<Step>;

  // "HTTP/1.0 <status> <reason>", a Content-Length line when withLength, the
  // blank line and the body; then the connection is closed.
  static Reply Response(int status, const std::string& body, bool withLength = true);

  enum class Mode { Plain, Tls };
  // Starts listening; aborts the test program when it cannot.
  explicit LoopbackServer(Mode mode = Mode::Plain);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t Port() const { return port_; }
  // "<scheme>://<host>:<port><path>", the scheme "https" in TLS mode.
  std::string Url(const std::string& path = "/", const std::string& host = "127.0.0.1") const;

  // The reply for requests of exactly this path (the request line's target).
  void SetReply(const std::string& path, Reply reply);
  // The reply for every other path.
  void SetDefaultReply(Reply reply);

  // Every request head received (the raw bytes up to and including the
  // blank line), in order of arrival.
  std::vector<std::string> Requests() const;
  // Connections accepted so far, and those still open now.
  int Connections() const;
  int OpenConnections() const;
  // Waits up to timeoutMs of real time, the runtime lock given up, until
  // `count` requests have arrived; false when they have not.
  bool WaitForRequests(size_t count, int timeoutMs = 5000) const;

 private:
  class Connection;
  void AcceptLoop();
  void Serve(int fd);
  Reply ReplyFor(const std::string& path) const;

  Mode mode_;
  int listenFd_ = -1;
  int stopFd_ = -1;  // eventfd, readable once the server stops
  uint16_t port_ = 0;
  ssl_ctx_st* tls_ = nullptr;

  mutable std::mutex m_;
  std::map<std::string, Reply> replies_;  // guarded by m_
  Reply defaultReply_;                    // guarded by m_
  std::vector<std::string> requests_;     // guarded by m_
  int connections_ = 0;                   // guarded by m_
  int open_ = 0;                          // guarded by m_
  std::vector<std::thread> workers_;      // guarded by m_
  std::thread acceptor_;
};

}  // namespace testsupport
