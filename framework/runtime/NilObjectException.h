#pragma once
#include "framework/runtime/RuntimeException.h"

namespace fw {

// Raised when a missing object (Nil) is used.
class NilObjectException : public RuntimeException {
 public:
  explicit NilObjectException(std::string message = {}) : RuntimeException(std::move(message)) {}
  const char* ClassName() const override { return "NilObjectException"; }
};

}  // namespace fw
