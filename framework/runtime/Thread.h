#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>

#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/ThreadKilled.h"

namespace fw {

// A cooperative thread: a real OS thread that runs program code only while it
// holds the runtime lock, and gives it up only at its yield points. Must be
// owned by a shared_ptr (a run keeps it alive until it ends or is killed).
//
// Each Run starts a run of its own on a new, detached OS thread. Kill ends
// the run without waiting for its OS thread: the killed thread never takes
// the runtime lock again, so it runs no further program step; it unwinds by
// itself, without the lock, as soon as it comes back from where it was (at
// once from a yield point; at the end of a section run WithoutRuntimeLock,
// whose result is dropped). What its stack holds must therefore be its own
// (clients, pictures, buffers), or shared objects that others keep alive.
class Thread : public std::enable_shared_from_this<Thread> {
 public:
  enum class State { NotRunning, Running, Sleeping, Suspended, Waiting };

  Thread() = default;
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // The Run event: what the thread does once started (taken as it is at Run).
  void SetRunHandler(std::function<void(Thread&)> handler) { runHandler_ = std::move(handler); }

  // Starts the Run event on a new OS thread and returns at once; does nothing
  // while the thread runs. After Kill it starts from the top at once, even
  // while the killed run's OS thread is still finishing a section. Raises
  // std::system_error when the system gives no thread.
  void Run();
  // Pauses the calling thread for ms milliseconds on the runtime clock, giving
  // the lock up meanwhile (a yield point); on a worker it ends early when the
  // thread is killed. wakeEarly is accepted for callers that pass it and
  // changes nothing: the pause always lasts its ms.
  void Sleep(int32_t ms, bool wakeEarly = false);
  // Holds the thread at its next yield point until Resume or Kill.
  void Suspend();
  void Resume();
  // Ends the run: once Kill returns, the killed thread performs no further
  // program step. Returns at once, without waiting for the OS thread (see
  // above). Does nothing when the thread does not run; called by the thread
  // on itself, it unwinds at once.
  void Kill();

  // NotRunning once the run has ended or was killed.
  State GetState();
  // False once the run has ended or was killed.
  bool IsRunning();

  // Kept for the program's use only: every OS thread runs at the process's
  // priority with the system's default stack size.
  int32_t Priority = 5;
  int32_t StackSize = 0;

  // The fw::Thread whose run is on this OS thread; nullptr on the main thread
  // and on helper threads. Valid while that run has not been killed.
  static Thread* Current();
  // Kills every run still going and waits until each has ended or stands in
  // a section without the lock (which it leaves without touching the runtime).
  // Main thread, lock held. Cannot fail.
  static void KillAll();
  // Waits up to timeoutMs of real time until every OS thread the runtime
  // started (runs, helper threads) has ended; true when they have.
  static bool WaitForAllThreadsToEnd(int timeoutMs);

  // For the calling thread's yield points: raises ThreadKilled after Kill
  // (with the lock given up) and holds the thread (lock released) while it is
  // suspended. Does nothing on the main thread.
  static void CheckPoint();
  // The calling worker run's killed flag, set once by Kill, for work the run
  // hands to another thread: it stays readable there as long as it is held.
  // On any other thread a flag that is never set. Cannot fail.
  static std::shared_ptr<const std::atomic<bool>> CurrentRunKilledFlag();

  struct RunState;  // one run, shared by the Thread object and its OS thread

 private:
  static void Body(std::shared_ptr<RunState> run);

  std::function<void(Thread&)> runHandler_;
  std::shared_ptr<RunState> run_;  // the current or last run; touched under the runtime lock
};

// The background-task yield point: lets waiting threads run, then (on a
// worker) applies Kill and Suspend.
void RuntimeBackgroundTask();

// Runs job on an OS thread of its own that runs no program code and never
// takes the runtime lock; counted among the runtime's threads
// (WaitForAllThreadsToEnd). job must touch only what it owns. Raises
// std::system_error when the system gives no thread.
void RunHelperThread(std::function<void()> job);

// The section of WithoutRuntimeLock: gives the lock up on construction (when
// held) and takes it back at End or destruction. On a killed worker the lock
// is not taken back; End then raises ThreadKilled.
class LockFreeSection {
 public:
  LockFreeSection();
  ~LockFreeSection();
  LockFreeSection(const LockFreeSection&) = delete;
  LockFreeSection& operator=(const LockFreeSection&) = delete;
  // Takes the lock back and applies Kill and Suspend (a yield point).
  void End();

 private:
  void Leave();  // the section is over; the lock is taken back if it was given up

  bool released_ = false;
  bool ended_ = false;
};

// Runs f with the runtime lock given up, then takes it back: a yield point.
// f must touch no shared program state. When the thread is killed meanwhile,
// f runs to its end on its own and its result is dropped: ThreadKilled is
// raised without taking the lock again.
template <class F>
auto WithoutRuntimeLock(F&& f) -> decltype(f()) {
  LockFreeSection section;
  if constexpr (std::is_void_v<decltype(f())>) {
    f();
    section.End();
  } else {
    auto result = f();
    section.End();
    return result;
  }
}

// Waits up to timeoutMs (-1: no limit) for events on fd with the runtime lock
// given up: a yield point. Returns the fd's revents, or 0 on time-out or
// interruption; raises ThreadKilled when the calling thread is killed meanwhile.
int WaitForFd(int fd, short events, int timeoutMs);

}  // namespace fw
