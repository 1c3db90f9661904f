#include "framework/classes/Delegate.h"

#include <string>

#include "framework/runtime/RuntimeException.h"

namespace fw {

void ThrowDelegateMismatch(std::string_view event) {
  throw RuntimeException("The handler does not fit the event \"" + std::string(event) + "\"");
}

void ThrowReceiverNotShared() {
  throw RuntimeException("A delegate's receiver must be owned by a reference");
}

}  // namespace fw
