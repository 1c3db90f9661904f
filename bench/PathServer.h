#pragma once
// A small HTTP/1.0 server on 127.0.0.1 for the benches. It serves fixed
// bodies by path, with a Content-Length, answers 404 to every other path, and
// keeps requests for "held" paths open without an answer, noting when each
// arrived. Connections are served one after another on one thread, which
// suits a client that makes one request at a time.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class PathServer {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  PathServer() {
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listenFd_, 16) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      std::perror("bench server");
      std::exit(1);
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~PathServer() {
    const uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    thread_.join();
    for (int fd : heldFds_) close(fd);
    close(listenFd_);
    close(stopFd_);
  }
  PathServer(const PathServer&) = delete;
  PathServer& operator=(const PathServer&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path = "") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // Serves body at path from now on.
  void Serve(const std::string& path, std::string body) {
    std::lock_guard g(m_);
    bodies_[path] = std::move(body);
  }
  // Requests for path get no answer; the connection stays open.
  void Hold(const std::string& path) {
    std::lock_guard g(m_);
    held_.insert(path);
  }
  // Blocks until held paths have been asked for `count` times in all; the
  // time at which the last of them arrived. The caller must not hold the
  // runtime lock.
  TimePoint WaitForHeld(size_t count) {
    std::unique_lock g(m_);
    cv_.wait(g, [&] { return heldTimes_.size() >= count; });
    return heldTimes_[count - 1];
  }
  size_t HeldCount() {
    std::lock_guard g(m_);
    return heldTimes_.size();
  }

 private:
  void Loop() {
    for (;;) {
      pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) Answer(fd);
    }
  }

  void Answer(int fd) {
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      head.append(buf, static_cast<size_t>(n));
    }
    const size_t a = head.find(' ');
    const size_t b = a == std::string::npos ? a : head.find(' ', a + 1);
    const std::string path = a == std::string::npos ? "" : head.substr(a + 1, b - a - 1);
    const std::string* body = nullptr;
    {
      std::lock_guard g(m_);
      if (held_.count(path)) {
        heldFds_.push_back(fd);
        heldTimes_.push_back(std::chrono::steady_clock::now());
        cv_.notify_all();
        return;
      }
      const auto it = bodies_.find(path);
      if (it != bodies_.end()) body = &it->second;  // bodies are not replaced while served
    }
    const std::string reply =
        body ? "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body->size()) + "\r\n\r\n"
             : std::string("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    if (Send(fd, reply.data(), reply.size()) && body) Send(fd, body->data(), body->size());
    shutdown(fd, SHUT_WR);
    while (recv(fd, buf, sizeof buf, 0) > 0) {
    }
    close(fd);
  }

  static bool Send(int fd, const char* data, size_t size) {
    for (size_t sent = 0; sent < size;) {
      const ssize_t n = send(fd, data + sent, std::min<size_t>(size - sent, 4 << 20), MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  int listenFd_ = -1, stopFd_ = -1, port_ = 0;
  std::mutex m_;
  std::condition_variable cv_;
  std::map<std::string, std::string> bodies_;  // guarded by m_
  std::set<std::string> held_;                 // guarded by m_
  std::vector<int> heldFds_;                   // guarded by m_
  std::vector<TimePoint> heldTimes_;           // guarded by m_
  std::thread thread_;
};
