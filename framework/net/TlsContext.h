#pragma once
// The client side TLS settings shared by every encrypted connection: peer
// certificates are checked against the system's trusted certificates (plus,
// for tests, one extra file), TLS 1.2 at least.
#include <string>

struct ssl_ctx_st;

namespace fw {

class TlsContext {
 public:
  // The shared client context, made on first use; nullptr when it cannot be
  // made or the extra trusted file cannot be read.
  static ssl_ctx_st* Client();
  // Trusts the PEM certificates in this file besides the system's, for the
  // connections made from now on; "" goes back to the system's alone.
  static void SetExtraTrustedCaFile(const std::string& path);
};

}  // namespace fw
