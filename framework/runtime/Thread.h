#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/ThreadKilled.h"

namespace fw {

// A cooperative thread: a real OS thread that runs program code only while it
// holds the runtime lock, and gives it up only at its yield points. Must be
// owned by a shared_ptr (Run keeps it alive while it runs).
class Thread : public std::enable_shared_from_this<Thread> {
 public:
  enum class State { NotRunning, Running, Sleeping, Suspended, Waiting };

  Thread();
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // The Run event: what the thread does once started.
  void SetRunHandler(std::function<void(Thread&)> handler) { runHandler_ = std::move(handler); }

  // Starts the Run event on a new OS thread and returns at once; does nothing
  // while the thread is already running. After Kill it starts from the top again.
  void Run();
  // Pauses the calling thread for ms milliseconds on the runtime clock, giving
  // the lock up meanwhile (a yield point); ends early when the thread is killed.
  void Sleep(int32_t ms, bool wakeEarly = false);
  // Holds the thread at its next yield point until Resume or Kill.
  void Suspend();
  void Resume();
  // Ends the thread at its next yield point by unwinding it, and waits until it
  // has unwound, so on return everything it held is released. Does nothing when
  // it does not run; called by the thread on itself, unwinds at once.
  void Kill();

  State GetState();
  bool IsRunning();

  // Handed to the OS thread as they are; no meaning here beyond storage.
  int32_t Priority = 5;
  int32_t StackSize = 0;

  // The fw::Thread whose code runs on this OS thread; nullptr on the main thread.
  static Thread* Current();
  // Kills and joins every thread still running (at the end of the runtime).
  static void KillAll();

  // For the calling thread's yield points: throws ThreadKilled after Kill and
  // holds the thread (lock released) while it is suspended.
  void CheckPoint();
  // A descriptor that becomes readable once the thread is killed, for polls.
  int WakeFd() const { return wakeFd_; }
  void SetState(State s);

 private:
  void Body();

  std::function<void(Thread&)> runHandler_;
  std::thread os_;  // the OS thread of the current or last run; main thread only
  int wakeFd_ = -1;  // eventfd, signalled by Kill

  std::mutex m_;
  std::condition_variable cv_;
  bool running_ = false;    // guarded by m_
  bool killed_ = false;     // guarded by m_
  bool suspended_ = false;  // guarded by m_
  State state_ = State::NotRunning;  // guarded by m_
  std::shared_ptr<Thread> self_;  // keeps the object alive while it runs; worker only, under the runtime lock
};

// The background-task yield point: lets waiting threads run, then (on a
// worker) applies Kill and Suspend.
void RuntimeBackgroundTask();

// Runs f with the runtime lock given up, then takes it back: a yield point.
// f must touch no shared program state.
template <class F>
auto WithoutRuntimeLock(F&& f) -> decltype(f()) {
  struct Back {
    ~Back() {
      RuntimeLock::Instance().Acquire();
    }
  };
  Thread* self = Thread::Current();
  if constexpr (std::is_void_v<decltype(f())>) {
    {
      RuntimeLock::Instance().Release();
      Back back;
      f();
    }
    if (self) self->CheckPoint();
  } else {
    auto result = [&] {
      RuntimeLock::Instance().Release();
      Back back;
      return f();
    }();
    if (self) self->CheckPoint();
    return result;
  }
}

// Waits up to timeoutMs (-1: no limit) for events on fd with the runtime lock
// given up: a yield point. Returns the fd's revents, or 0 on time-out or
// interruption; raises ThreadKilled when the calling thread is killed meanwhile.
int WaitForFd(int fd, short events, int timeoutMs);

}  // namespace fw
