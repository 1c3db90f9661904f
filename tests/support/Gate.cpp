#include "tests/support/Gate.h"

#include <chrono>

namespace testsupport {

void Gate::Open() {
  {
    std::lock_guard g(m_);
    open_ = true;
  }
  cv_.notify_all();
}

void Gate::Pass() {
  ++arrived_;
  {
    std::unique_lock g(m_);
    cv_.wait_for(g, std::chrono::seconds(30), [&] { return open_; });
  }
  ++passed_;
}

}  // namespace testsupport
