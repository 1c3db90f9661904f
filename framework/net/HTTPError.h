#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include "framework/net/TCPSocket.h"

namespace fw {

// Why an HTTP request ended short. HTTPSocket::ErrorCode() gives the number;
// a value without a name here is the system's errno value (ECONNREFUSED,
// ECONNRESET ...) from the connection.
enum class HTTPError : int32_t {
  None = 0,
  Timeout = -1,  // the set silence passed without a byte of body
  // The connection layer's own codes.
  NameNotResolved = TCPSocket::kErrorNameNotResolved,  // empty host, or no address for it
  InvalidPort = TCPSocket::kErrorInvalidPort,          // port outside 1..65535
  Tls = TCPSocket::kErrorTls,  // TLS handshake, certificate check or TLS stream failed
  BodyTooLarge = 1101,         // the body grew past the cap; the result holds the cap's bytes
  ShortBody = 1102,            // the server closed before Content-Length bytes came
  HeaderTooLarge = 1103,       // no end of the header block within its limit
  ControlByteInAddress = 1104  // a control byte in the host part or the path: nothing sent
};

// The error's name ("ShortBody"), or "errno 104 (ECONNRESET)" for a system
// error code; never fails.
std::string HTTPErrorName(HTTPError error);
// For test output: the name, not the number.
void PrintTo(HTTPError error, std::ostream* os);
inline std::ostream& operator<<(std::ostream& os, HTTPError error) {
  PrintTo(error, &os);
  return os;
}

}  // namespace fw
