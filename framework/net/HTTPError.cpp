#include "framework/net/HTTPError.h"

#include <cstring>

namespace fw {

std::string HTTPErrorName(HTTPError error) {
  switch (error) {
    case HTTPError::None:
      return "None";
    case HTTPError::Timeout:
      return "Timeout";
    case HTTPError::NameNotResolved:
      return "NameNotResolved";
    case HTTPError::InvalidPort:
      return "InvalidPort";
    case HTTPError::Tls:
      return "Tls";
    case HTTPError::BodyTooLarge:
      return "BodyTooLarge";
    case HTTPError::ShortBody:
      return "ShortBody";
    case HTTPError::HeaderTooLarge:
      return "HeaderTooLarge";
    case HTTPError::ControlByteInAddress:
      return "ControlByteInAddress";
  }
  const int code = static_cast<int>(error);
  const char* name = code > 0 ? strerrorname_np(code) : nullptr;
  return "errno " + std::to_string(code) + (name ? std::string(" (") + name + ")" : "");
}

void PrintTo(HTTPError error, std::ostream* os) { *os << HTTPErrorName(error); }

}  // namespace fw
