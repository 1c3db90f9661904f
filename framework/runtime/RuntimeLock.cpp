// Design note: the runtime lock.
//
// Program code believes its threads are cooperative: nothing else runs between
// two of its yield points. We give it that belief with real OS threads and one
// lock, in the manner of an interpreter lock:
//
//  - The main thread holds the lock all the time, except while its event loop
//    waits for an event (the UI layer releases it on the dispatcher's
//    aboutToBlock and takes it again on awake).
//  - A worker holds it while it runs program code and gives it up only at its
//    yield points: RuntimeBackgroundTask, Sleep, and every wait of an HTTP
//    request (a poll with the lock released).
//
// Hand-off: the lock is a ticket lock. A thread that wants it draws the next
// ticket and waits until `serving_` reaches it; Release advances `serving_`
// and wakes the waiters, so the lock passes in arrival order and a worker that
// yields cannot take it straight back past a waiting main thread. Yield only
// releases when somebody waits, so a worker alone pays almost nothing for its
// yield points. Waiting is blocking (a condition variable), never spinning.
#include "framework/runtime/RuntimeLock.h"

namespace fw {

namespace {
thread_local bool tHeld = false;  // does this thread hold the lock? only its own thread touches it
}  // namespace

RuntimeLock& RuntimeLock::Instance() {
  static RuntimeLock lock;
  return lock;
}

void RuntimeLock::Acquire() {
  if (tHeld) return;
  std::unique_lock g(m_);
  const uint64_t ticket = nextTicket_++;
  cv_.wait(g, [&] { return serving_ == ticket; });
  tHeld = true;
}

void RuntimeLock::Release() {
  if (!tHeld) return;
  {
    std::lock_guard g(m_);
    ++serving_;
  }
  tHeld = false;
  cv_.notify_all();
}

bool RuntimeLock::HeldByMe() const { return tHeld; }

bool RuntimeLock::OthersWaiting() {
  std::lock_guard g(m_);
  // The holder's ticket is serving_; tickets after it belong to waiters.
  return nextTicket_ > serving_ + (tHeld ? 1 : 0);
}

void RuntimeLock::Yield() {
  if (!tHeld || !OthersWaiting()) return;
  Release();
  Acquire();
}

RuntimeLock::Unlocked::Unlocked() : released_(Instance().HeldByMe()) {
  if (released_) Instance().Release();
}

RuntimeLock::Unlocked::~Unlocked() {
  if (released_) Instance().Acquire();
}

}  // namespace fw
