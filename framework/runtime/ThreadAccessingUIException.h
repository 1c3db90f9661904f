#pragma once
#include "framework/runtime/RuntimeException.h"

namespace fw {

// Raised when a worker thread touches a window, control, menu or message box.
class ThreadAccessingUIException : public RuntimeException {
 public:
  ThreadAccessingUIException()
      : RuntimeException(
            "A thread has attempted to manipulate a user interface element. This can only be "
            "done from the application's main thread.") {}
  const char* ClassName() const override { return "ThreadAccessingUIException"; }
};

}  // namespace fw
