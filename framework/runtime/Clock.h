#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace fw {

// The one clock of the runtime: ticks (1/60 s), Sleep and HTTP time-outs all
// read it. Tests swap in a ManualClock to make a 30 s time-out or a 10 s pause
// cost nothing.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes back.
  virtual int64_t NowMs() = 0;
  // Blocks on cv (whose mutex `lock` holds) until notified or the clock reaches
  // untilMs; may return early, so callers re-check their condition.
  virtual void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                         int64_t untilMs) = 0;
  // How long a real blocking wait (poll) may last when the caller wants waitMs;
  // -1 means without limit.
  virtual int RealWaitMs(int64_t waitMs) = 0;

  // Ticks of 1/60 s.
  int64_t Ticks() { return NowMs() * 60 / 1000; }
};

// The process clock (steady_clock).
class RealClock : public Clock {
 public:
  int64_t NowMs() override;
  void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                 int64_t untilMs) override;
  int RealWaitMs(int64_t waitMs) override;
};

// A clock that moves only when told (Advance). With autoAdvance a Sleep jumps
// the clock to its own end and returns at once; network waits never jump it.
class ManualClock : public Clock {
 public:
  explicit ManualClock(bool autoAdvance = false) : autoAdvance_(autoAdvance) {}
  int64_t NowMs() override;
  void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                 int64_t untilMs) override;
  int RealWaitMs(int64_t waitMs) override;
  void Advance(int64_t ms);
  void SetAutoAdvance(bool on) { autoAdvance_ = on; }

 private:
  std::mutex m_;
  int64_t nowMs_ = 0;  // ms; guarded by m_
  std::atomic<bool> autoAdvance_;
};

// The clock in force; never Nil.
Clock& TheClock();
// Replaces the clock; Nil puts the real clock back.
void SetClock(std::shared_ptr<Clock> clock);

}  // namespace fw
