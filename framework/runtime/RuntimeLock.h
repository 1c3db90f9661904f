#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace fw {

// The one lock under which all program code runs (see RuntimeLock.cpp).
class RuntimeLock {
 public:
  static RuntimeLock& Instance();

  // Blocks until the calling thread holds the lock; waiters are served in
  // arrival order. Does nothing when the caller holds it already.
  void Acquire();
  // Gives the lock to the next waiter; does nothing when the caller does not hold it.
  void Release();
  // True when the calling thread holds the lock.
  bool HeldByMe() const;
  // True when some other thread waits for the lock.
  bool OthersWaiting();
  // Hands the lock to the waiters that came before and takes it back after
  // them; returns at once when nobody waits.
  void Yield();

  // Gives the lock up for a scope and takes it back at its end (no kill check:
  // see WithoutRuntimeLock in Thread.h for the yield point that has one).
  class Unlocked {
   public:
    Unlocked();
    ~Unlocked();
    Unlocked(const Unlocked&) = delete;
    Unlocked& operator=(const Unlocked&) = delete;

   private:
    bool released_;
  };

 private:
  RuntimeLock() = default;
  std::mutex m_;
  std::condition_variable cv_;
  uint64_t nextTicket_ = 0;  // count of tickets handed out; guarded by m_
  uint64_t serving_ = 0;     // ticket that holds (or may take) the lock; guarded by m_
};

}  // namespace fw
