#pragma once
// Turns a host name into numeric addresses for TCPSocket. The lookup is a
// replaceable function so that tests can point names at the loopback address.
#include <functional>
#include <string>
#include <vector>

namespace fw {

class NameResolver {
 public:
  // Gives the numeric addresses ("127.0.0.1", "::1") of a host, best first.
  using Function = std::function<std::vector<std::string>(const std::string& host)>;

  // The addresses of host through the function in force; an empty list when
  // the name is empty or does not resolve. The default lookup blocks with the
  // runtime lock given up (a yield point).
  static std::vector<std::string> Resolve(const std::string& host);
  // Replaces the lookup; an empty function puts the system lookup back.
  static void SetFunction(Function f);
  // The system lookup: a numeric address as it is, else getaddrinfo (IPv4
  // addresses before IPv6 ones); an empty list on failure.
  static std::vector<std::string> SystemLookup(const std::string& host);
};

}  // namespace fw
