#include "framework/runtime/Clock.h"

namespace fw {

namespace {
std::shared_ptr<Clock>& ClockSlot() {
  static std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
  return clock;
}
}  // namespace

Clock& TheClock() { return *ClockSlot(); }

void SetClock(std::shared_ptr<Clock> clock) {
  ClockSlot() = clock ? std::move(clock) : std::make_shared<RealClock>();
}

int64_t RealClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                          int64_t untilMs) {
  const int64_t left = untilMs - NowMs();
  if (left <= 0) return;
  cv.wait_for(lock, std::chrono::milliseconds(left));
}

int RealClock::RealWaitMs(int64_t waitMs) {
  if (waitMs < 0) return -1;
  return waitMs > 1000000 ? 1000000 : static_cast<int>(waitMs);
}

int64_t ManualClock::NowMs() {
  std::lock_guard g(m_);
  return nowMs_;
}

void ManualClock::Advance(int64_t ms) {
  std::lock_guard g(m_);
  nowMs_ += ms;
}

void ManualClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            int64_t untilMs) {
  if (autoAdvance_) {
    std::lock_guard g(m_);
    if (nowMs_ < untilMs) nowMs_ = untilMs;
    return;
  }
  // Time moves from another thread; look again every few real milliseconds.
  cv.wait_for(lock, std::chrono::milliseconds(2));
}

int ManualClock::RealWaitMs(int64_t waitMs) {
  return (waitMs < 0 || waitMs > 2) ? 2 : static_cast<int>(waitMs);
}

}  // namespace fw
