#include "framework/net/NameResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "framework/runtime/Thread.h"

namespace fw {

namespace {
NameResolver::Function& Slot() {
  static NameResolver::Function f;
  return f;
}

// One lookup under way, shared by the thread that asked and the lookup
// thread; whichever lets go last frees it.
class PendingLookup {
 public:
  PendingLookup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~PendingLookup() {
    if (fd_ >= 0) close(fd_);
  }
  PendingLookup(const PendingLookup&) = delete;
  PendingLookup& operator=(const PendingLookup&) = delete;

  int Fd() const { return fd_; }
  // The lookup thread's last word.
  void Finish(std::vector<std::string> answer) {
    {
      std::lock_guard g(m_);
      answer_ = std::move(answer);
    }
    const uint64_t one = 1;
    (void)!write(fd_, &one, sizeof one);
  }
  std::optional<std::vector<std::string>> Take() {
    std::lock_guard g(m_);
    return std::move(answer_);
  }

 private:
  const int fd_;
  std::mutex m_;
  std::optional<std::vector<std::string>> answer_;  // guarded by m_
};
}  // namespace

std::vector<std::string> NameResolver::Resolve(const std::string& host) {
  if (host.empty()) return {};
  Function lookup = Slot();
  if (!lookup) {
    if (IsNumericAddress(host)) return {host};
    lookup = &NameResolver::SystemLookup;
  }
  auto pending = std::make_shared<PendingLookup>();
  if (pending->Fd() < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  RunHelperThread([pending, lookup = std::move(lookup), host] {
    std::vector<std::string> answer;
    try {
      answer = lookup(host);
    } catch (...) {
      answer.clear();  // a lookup that fails resolves nothing
    }
    pending->Finish(std::move(answer));
  });
  for (;;) {
    if (auto answer = pending->Take()) return std::move(*answer);
    WaitForFd(pending->Fd(), POLLIN, -1);
  }
}

bool NameResolver::IsNumericAddress(const std::string& host) {
  in_addr a4;
  in6_addr a6;
  return inet_pton(AF_INET, host.c_str(), &a4) == 1 || inet_pton(AF_INET6, host.c_str(), &a6) == 1;
}

void NameResolver::SetFunction(Function f) { Slot() = std::move(f); }

std::vector<std::string> NameResolver::SystemLookup(const std::string& host) {
  if (host.empty()) return {};
  if (IsNumericAddress(host)) return {host};
  std::vector<std::string> v4, v6;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0) return {};
  for (addrinfo* ai = list; ai; ai = ai->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    if (ai->ai_family == AF_INET) {
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr, text, sizeof text);
      v4.emplace_back(text);
    } else if (ai->ai_family == AF_INET6) {
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(ai->ai_addr)->sin6_addr, text,
                sizeof text);
      v6.emplace_back(text);
    }
  }
  freeaddrinfo(list);
  std::vector<std::string> all;
  for (auto* part : {&v4, &v6}) {
    for (auto& a : *part) {
      if (std::find(all.begin(), all.end(), a) == all.end()) all.push_back(std::move(a));
    }
  }
  return all;
}

}  // namespace fw
