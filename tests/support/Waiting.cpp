#include "tests/support/Waiting.h"

#include <thread>

#include "framework/runtime/RuntimeLock.h"

namespace testsupport {

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    fw::RuntimeLock::Unlocked unlocked;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testsupport
