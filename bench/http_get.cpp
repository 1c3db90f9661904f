// Times one HTTPSocket::Get of a 100 MiB body from a loopback server in this
// program, against curl (`curl --http1.0 -s -o /dev/null`) fetching the same
// address in the same run. curl's own start-up is measured in each run by
// fetching an empty body from the same server and taken off its time, so
// neither side counts a process start. The body comes with a Content-Length,
// and once more without one (ended by the server's close). Ours and curl go
// in turns, the first side changing from run to run; the paired ratios are
// printed.
//
// Usage: bench_http_get [runs]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/PairedRatios.h"
#include "framework/net/HTTPSocket.h"
#include "framework/runtime/RuntimeLock.h"

extern char** environ;

namespace {

constexpr size_t kBodyBytes = size_t{100} << 20;

// Serves the body to every request, one connection at a time; with a
// Content-Length unless the path is /close.
class BodyServer {
 public:
  explicit BodyServer(const std::string& body) : body_(body) {
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      std::perror("bench server");
      std::exit(1);
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~BodyServer() {
    const uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(stopFd_);
  }
  int Port() const { return port_; }

 private:
  void Loop() {
    for (;;) {
      pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string head;
      char buf[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, static_cast<size_t>(n));
      }
      std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
      const bool empty = head.rfind("GET /empty ", 0) == 0;
      if (empty) {
        reply += "Content-Length: 0\r\n";
      } else if (head.rfind("GET /close ", 0) != 0) {
        reply += "Content-Length: " + std::to_string(body_.size()) + "\r\n";
      }
      reply += "\r\n";
      if (Send(fd, reply.data(), reply.size()) && !empty) Send(fd, body_.data(), body_.size());
      shutdown(fd, SHUT_WR);
      while (recv(fd, buf, sizeof buf, 0) > 0) {
      }
      close(fd);
    }
  }

  static bool Send(int fd, const char* data, size_t size) {
    for (size_t sent = 0; sent < size;) {
      const ssize_t n = send(fd, data + sent, std::min<size_t>(size - sent, 4 << 20), MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  const std::string& body_;
  int listenFd_ = -1, stopFd_ = -1, port_ = 0;
  std::thread thread_;
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double TimeGet(const std::string& url) {
  fw::HTTPSocket http;
  const auto start = std::chrono::steady_clock::now();
  const std::string body = http.Get(url, 30);
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (body.size() != kBodyBytes || http.ErrorCode() != 0) {
    std::fprintf(stderr, "Get gave %zu bytes, error %d\n", body.size(), http.ErrorCode());
    std::exit(1);
  }
  return s;
}

double TimeCurl(const std::string& url) {
  const char* argv[] = {"curl", "--http1.0", "-s", "-o", "/dev/null", url.c_str(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::fprintf(stderr, "cannot start curl\n");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "curl failed\n");
    std::exit(1);
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
  // Run as the program's main thread does: holding the runtime lock.
  fw::RuntimeLock::Instance().Acquire();

  std::string body(kBodyBytes, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 131);
  BodyServer server(body);
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());

  for (const char* path : {"/big.jpg", "/close"}) {
    const std::string url = base + path;
    TimeGet(url);  // warm both sides up once
    TimeCurl(url);
    PairedRatios pr;
    double startupSum = 0;
    for (int i = 0; i < runs; ++i) {
      double get = 0, curl = 0, startup = 0;
      for (int side = 0; side < 3; ++side) {
        switch ((side + i) % 3) {
          case 0: get = TimeGet(url); break;
          case 1: curl = TimeCurl(url); break;
          default: startup = TimeCurl(base + "/empty"); break;
        }
      }
      startupSum += startup;
      pr.Add(get * 1000, (curl - startup) * 1000);
    }
    std::printf("100 MiB %s (curl start-up %.1f ms taken off)\n",
                path[1] == 'c' ? "ended by the server's close" : "with Content-Length", startupSum / runs * 1000);
    pr.Print("  HTTPSocket::Get vs curl", "ms", 1.2);
  }
  return 0;
}
