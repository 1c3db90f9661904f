// Design note: the runtime lock.
//
// Program code believes its threads are cooperative: nothing else runs between
// two of its yield points. We give it that belief with real OS threads and one
// lock, in the manner of an interpreter lock.
//
// Invariant: a thread holds the lock exactly when the serving ticket is its
// own and it has taken it (its thread-local `tHeld` is set). Between a Release
// and the next holder waking up, `serving_` names a ticket whose thread has
// not taken the lock yet; nobody holds it then. `serving_ == nextTicket_`
// means nobody holds or wants it.
//
// Every place where the lock is given up, and where it is taken back:
//  1. The main thread's event loop, while it waits for an event
//     (EventLoopLock: released on the dispatcher's aboutToBlock, taken back on
//     awake or before any event is delivered). RuntimeRun and RuntimeExit take
//     it back after the loop (EventLoopLock::Regain).
//  2. RuntimeBackgroundTask, through Yield: handed to the threads that wait,
//     taken back after them; nothing is given up when nobody waits.
//  3. Thread::Sleep, for the whole pause (on a worker and on the main thread).
//  4. WaitForFd, for one poll: every wait of an HTTP request (TCPSocket::Poll)
//     and the wait for a name lookup's answer (NameResolver).
//  5. A suspended worker, while it is held at its yield point (CheckPoint).
//  6. WithoutRuntimeLock, for the section it runs (in the download worker:
//     the wait for room in its conversion queue, and at a page's end the wait
//     for its pictures to be converted and written). The helper threads of a
//     JobQueue, which do that work, never take the lock.
//  7. The end of a worker's run: its last step releases (Thread.cpp, Body).
//  8. Thread::WaitForAllThreadsToEnd, while it waits for the runtime's OS
//     threads to end (the runtime's end, tests): a run that ends by itself
//     needs the lock for its last step.
//  9. RuntimeLock::Unlocked scopes: 3 to 5 and 8 are built on it; tests and
//     benches use it on the main thread to let workers run while they look.
// Nothing joins a thread: a worker's OS thread is detached from the start, so
// no place waits in a join, with or without the lock.
//
// Killed workers: Kill sets the worker's give-up flag (SetGiveUpFlag) and
// wakes it. From then on every Acquire on that thread gives up: a worker
// waiting for its ticket leaves the queue (its ticket is skipped), one that
// comes back from a section without the lock (a decode) never draws a ticket
// at all. So a killed worker never runs program code again, and one that is
// still in a long section touches nothing of the lock once it comes out.
//
// Hand-off: the lock is a ticket lock. A thread that wants it draws the next
// ticket and waits until `serving_` reaches it; Release advances `serving_`
// (past tickets given up) and wakes the waiters, so the lock passes in arrival
// order and a worker that yields cannot take it straight back past a waiting
// main thread. Yield only releases when somebody waits, so a worker alone pays
// almost nothing for its yield points: it reads `waiting_`, an atomic count of
// the threads in Acquire's wait, without taking the mutex. A waiter that
// arrives just after that read is served at the next yield point. Waiting is blocking (a condition
// variable), never spinning. The waiters are woken with the mutex held: once
// the next holder runs, the thread that released touches the lock no more.
#include "framework/runtime/RuntimeLock.h"

#include <cstdio>
#include <cstdlib>

namespace fw {

namespace {
thread_local bool tHeld = false;  // does this thread hold the lock? only its own thread touches it
thread_local const std::atomic<bool>* tGiveUp = nullptr;  // this thread's give-up flag

bool GivingUp() { return tGiveUp && tGiveUp->load(std::memory_order_acquire); }
}  // namespace

RuntimeLock& RuntimeLock::Instance() {
  static RuntimeLock* const lock = new RuntimeLock;  // never destroyed, see the header
  return *lock;
}

void RuntimeLock::SetGiveUpFlag(const std::atomic<bool>* flag) { tGiveUp = flag; }

void RuntimeLock::PassOn() {
  ++serving_;
  while (!givenUp_.empty() && *givenUp_.begin() == serving_) {
    givenUp_.erase(givenUp_.begin());
    ++serving_;
  }
}

bool RuntimeLock::Acquire() {
  if (tHeld) return true;
  if (GivingUp()) return false;
  std::unique_lock g(m_);
  const uint64_t ticket = nextTicket_++;
  waiting_.fetch_add(1, std::memory_order_relaxed);
  cv_.wait(g, [&] { return serving_ == ticket || GivingUp(); });
  waiting_.fetch_sub(1, std::memory_order_relaxed);
  if (!GivingUp()) {
    tHeld = true;
    return true;
  }
  // Killed while waiting: leave the queue without ever running.
  if (serving_ == ticket) {
    PassOn();
    cv_.notify_all();
  } else {
    givenUp_.insert(ticket);
  }
  return false;
}

void RuntimeLock::Release() {
  if (!tHeld) {
    std::fputs("fatal: the runtime lock was released by a thread that does not hold it\n", stderr);
    std::abort();
  }
  std::lock_guard g(m_);
  tHeld = false;
  PassOn();
  cv_.notify_all();
}

bool RuntimeLock::HeldByMe() const { return tHeld; }

bool RuntimeLock::OthersWaiting() {
  std::lock_guard g(m_);
  // The holder's ticket is serving_; tickets after it belong to waiters,
  // except those given up.
  return nextTicket_ - givenUp_.size() > serving_ + (tHeld ? 1 : 0);
}

bool RuntimeLock::Yield() {
  if (!tHeld) return false;
  if (waiting_.load(std::memory_order_relaxed) == 0 || !OthersWaiting()) return true;
  Release();
  return Acquire();
}

void RuntimeLock::WakeWaiters() {
  std::lock_guard g(m_);
  cv_.notify_all();
}

RuntimeLock::Unlocked::Unlocked() : released_(Instance().HeldByMe()) {
  if (released_) Instance().Release();
}

RuntimeLock::Unlocked::~Unlocked() {
  if (released_) Instance().Acquire();
}

}  // namespace fw
