#pragma once
// Turns a host name into numeric addresses for TCPSocket. The lookup is a
// replaceable function so that tests can point names at the loopback address
// (or at a lookup that never answers).
#include <functional>
#include <string>
#include <vector>

namespace fw {

class NameResolver {
 public:
  // Gives the numeric addresses ("127.0.0.1", "::1") of a host, best first.
  // It runs on a lookup thread of its own, without the runtime lock, so it
  // must touch nothing but what it captures and owns.
  using Function = std::function<std::vector<std::string>(const std::string& host)>;

  // The addresses of host through the function in force; an empty list when
  // the name is empty or does not resolve. A numeric address under the system
  // lookup is given back at once. Otherwise the lookup runs on a thread of its
  // own while the caller waits for its answer with the runtime lock given up
  // (a yield point): a worker killed meanwhile unwinds at once (ThreadKilled),
  // and the lookup it leaves behind finishes on its own; its answer is dropped.
  static std::vector<std::string> Resolve(const std::string& host);
  // Replaces the lookup; an empty function puts the system lookup back.
  static void SetFunction(Function f);
  // The system lookup: a numeric address as it is, else getaddrinfo (IPv4
  // addresses before IPv6 ones); an empty list on failure. Blocks the calling
  // thread for as long as the system takes (Resolve runs it on a thread of its own).
  static std::vector<std::string> SystemLookup(const std::string& host);
  // True when host is written as a numeric IPv4 or IPv6 address; never fails.
  static bool IsNumericAddress(const std::string& host);
};

}  // namespace fw
