#pragma once
// A scripted HTTP server on 127.0.0.1 for tests and the benches. It listens
// on an ephemeral port and serves every connection on a thread of its own:
// it reads the request head (up to the blank line), records it with its
// arrival time, and plays the reply set for the request's path, or the
// default reply, step by step. In TLS mode it presents the certificate of
// TestCertificates::Shared(). Destroying the server ends every connection and
// joins every thread. It links no test framework, so the benches use it too.
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
// says otherwise. Replies are copied per request, but the bytes of their
// steps are shared: a body of 100 MiB is held once however often it is sent.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace testsupport {

class LoopbackServer {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  struct Step {
    enum class Kind { Send, Pause, Hang, Close, Reset, Linger };
    Kind kind;
    std::shared_ptr<const std::string> bytes;  // Send: sent over and over until `length` bytes went
    size_t length = 0;                         // Send
    int ms = 0;                                // Pause

    // Sends these bytes (all of them, however long).
    static Step Send(std::string bytes);
    static Step Send(std::shared_ptr<const std::string> bytes);
    // Sends the bytes over and over, `length` bytes in all (the last time cut
    // short); nothing when bytes is empty.
    static Step SendRepeated(std::shared_ptr<const std::string> bytes, size_t length);
    // Waits ms milliseconds of real time.
    static Step Pause(int ms);
    // Sends nothing more but keeps the connection open until the client
    // closes it or the server is destroyed.
    static Step Hang();
    // Closes the connection (also what happens after the last step).
    static Step Close();
    // Drops the connection with a TCP reset (and no TLS close notice).
    static Step Reset();
    // Ends the sending side (the client reads the end of the stream) and
    // keeps the connection, dropping what the client sends, until the client
    // closes it or the server is destroyed.
    static Step Linger();
  };
  using Reply = std::vector<Step>;

  // How a reply made by Response ends: the connection closed at once, or the
  // sending side ended and the connection kept until the client closes it.
  enum class Ending { Close, Linger };

  // "HTTP/1.0 <status> <reason>", a Content-Length line when withLength, the
  // blank line and the body; then the connection ends as `ending` says.
  static Reply Response(int status, const std::string& body, bool withLength = true,
                        Ending ending = Ending::Close);
  // The same with the body shared, not copied: the head and the body go as two sends.
  static Reply Response(int status, std::shared_ptr<const std::string> body, bool withLength = true,
                        Ending ending = Ending::Close);

  enum class Mode { Plain, Tls };
  // Starts listening; aborts the program when it cannot.
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
  // Serves body at path as a plain file server does: Response(200, body) with
  // its length, ending with Ending::Linger; the body is held once.
  void ServeFile(const std::string& path, std::string body);
  // Requests for path get no answer: the connection is kept until the client
  // closes it or the server is destroyed.
  void Hold(const std::string& path);

  // Every request head received (the raw bytes up to and including the
  // blank line), in order of arrival.
  std::vector<std::string> Requests() const;
  // Requests for exactly this path received so far.
  size_t RequestCount(const std::string& path) const;
  // Connections accepted so far, and those still open now.
  int Connections() const;
  int OpenConnections() const;
  // Waits up to timeoutMs of real time, the runtime lock given up, until
  // `count` requests have arrived; false when they have not.
  bool WaitForRequests(size_t count, int timeoutMs = 5000) const;
  // Waits up to timeoutMs of real time (without limit when negative), the
  // runtime lock given up, until `count` requests for this path have arrived;
  // when the count-th of them arrived, or nothing when it has not.
  std::optional<TimePoint> WaitForRequest(const std::string& path, size_t count,
                                          int timeoutMs = 5000) const;

 private:
  class Connection;
  void AcceptLoop();
  void Serve(int fd, uint64_t id);
  Reply ReplyFor(const std::string& path) const;
  // Waits for pred (called with m_ held), the runtime lock given up; false on time-out.
  template <class Pred>
  bool WaitFor(Pred pred, int timeoutMs) const;

  Mode mode_;
  int listenFd_ = -1;
  int stopFd_ = -1;  // eventfd, readable once the server stops
  uint16_t port_ = 0;
  ssl_ctx_st* tls_ = nullptr;

  mutable std::mutex m_;
  mutable std::condition_variable arrived_;  // notified with every request recorded
  std::map<std::string, Reply> replies_;     // guarded by m_
  Reply defaultReply_;                       // guarded by m_
  std::vector<std::string> heads_;           // every request's head, in order; guarded by m_
  // When each path's requests arrived, in order: a waiter wakes at every
  // request and must not search the whole log meanwhile, the server's
  // mutex held (a page of 200 pictures, run after run). Guarded by m_.
  std::map<std::string, std::vector<TimePoint>> arrivalsByPath_;
  int connections_ = 0;                      // guarded by m_
  int open_ = 0;                             // guarded by m_
  std::map<uint64_t, std::thread> workers_;  // by connection number; guarded by m_
  std::vector<uint64_t> finished_;           // workers done, not yet joined; guarded by m_
  std::thread acceptor_;
};

}  // namespace testsupport
