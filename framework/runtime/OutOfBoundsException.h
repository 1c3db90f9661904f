#pragma once
#include "framework/runtime/RuntimeException.h"

namespace fw {

// Raised for an index outside an array.
class OutOfBoundsException : public RuntimeException {
 public:
  explicit OutOfBoundsException(std::string message = {}) : RuntimeException(std::move(message)) {}
  const char* ClassName() const override { return "OutOfBoundsException"; }
};

}  // namespace fw
