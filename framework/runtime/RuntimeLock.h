#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

namespace fw {

// The one lock under which all program code runs (see RuntimeLock.cpp).
class RuntimeLock {
 public:
  // The lock; made on first use and never destroyed, so a thread that ends
  // after the main thread has left main() still finds it whole.
  static RuntimeLock& Instance();

  // Blocks until the calling thread holds the lock; waiters are served in
  // arrival order. True at once when the caller holds it already. On a thread
  // whose give-up flag is set (a killed worker, see SetGiveUpFlag) it does not
  // take the lock: it returns false, having touched nothing of the lock when
  // the flag was set before the call.
  bool Acquire();
  // Gives the lock to the next waiter. Aborts the process when the caller
  // does not hold it: that is a fault in the runtime, never a state to go on in.
  void Release();
  // True when the calling thread holds the lock.
  bool HeldByMe() const;
  // True when some other thread waits for the lock.
  bool OthersWaiting();
  // Hands the lock to the waiters that came before and takes it back after
  // them; returns at once when nobody waits. False when the caller does not
  // hold the lock afterwards (it gave up, being killed meanwhile).
  bool Yield();
  // True when some thread may be waiting for the lock: a yield point that
  // sees false has nothing to hand over. Read without the mutex; cannot fail.
  bool MayHaveWaiters() const { return waiting_.load(std::memory_order_relaxed) != 0; }
  // Wakes every thread waiting in Acquire so that one whose give-up flag has
  // just been set notices it. Cannot fail.
  void WakeWaiters();

  // Sets the calling thread's give-up flag (nullptr: none, as on the main
  // thread). Once it reads true, Acquire on this thread gives up. The flag
  // must outlive the thread's last Acquire.
  static void SetGiveUpFlag(const std::atomic<bool>* flag);

  // Gives the lock up for a scope (when the caller holds it) and takes it back
  // at its end. On a killed worker the lock is not taken back (HeldByMe is then
  // false): the thread's next CheckPoint unwinds it. See WithoutRuntimeLock in
  // Thread.h for the yield point that does both.
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
  void PassOn();  // serving_ to the next ticket still wanted; m_ held

  std::mutex m_;
  std::condition_variable cv_;
  uint64_t nextTicket_ = 0;     // count of tickets handed out; guarded by m_
  uint64_t serving_ = 0;        // ticket that holds (or may take) the lock; guarded by m_
  std::set<uint64_t> givenUp_;  // tickets after serving_ whose threads left; guarded by m_
  // Threads inside Acquire's wait: written with m_ held, read without it by
  // Yield's quick look (a count of threads).
  std::atomic<uint32_t> waiting_{0};
};

}  // namespace fw
