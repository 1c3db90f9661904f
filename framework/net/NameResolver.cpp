#include "framework/net/NameResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

#include "framework/runtime/Thread.h"

namespace fw {

namespace {
NameResolver::Function& Slot() {
  static NameResolver::Function f;
  return f;
}

bool IsNumeric(const std::string& host) {
  in_addr a4;
  in6_addr a6;
  return inet_pton(AF_INET, host.c_str(), &a4) == 1 || inet_pton(AF_INET6, host.c_str(), &a6) == 1;
}
}  // namespace

std::vector<std::string> NameResolver::Resolve(const std::string& host) {
  if (host.empty()) return {};
  if (Slot()) return Slot()(host);
  return SystemLookup(host);
}

void NameResolver::SetFunction(Function f) { Slot() = std::move(f); }

std::vector<std::string> NameResolver::SystemLookup(const std::string& host) {
  if (host.empty()) return {};
  if (IsNumeric(host)) return {host};
  std::vector<std::string> v4, v6;
  WithoutRuntimeLock([&] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0) return;
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
  });
  std::vector<std::string> all;
  for (auto* part : {&v4, &v6}) {
    for (auto& a : *part) {
      if (std::find(all.begin(), all.end(), a) == all.end()) all.push_back(std::move(a));
    }
  }
  return all;
}

}  // namespace fw
