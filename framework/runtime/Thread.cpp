// Runs and their OS threads.
//
// A run (RunState) is shared by the Thread object (the run in hand) and the
// detached OS thread that carries it. The OS thread touches only its run and
// the two runtime objects that are never destroyed (the runtime lock and the
// registry below); it reaches the Thread object only while it holds the lock
// and has not been killed, and the run's `self` reference keeps the object
// alive that long. So a Thread object may go, and a new run of it start, while
// a killed run's OS thread is still finishing a section without the lock.
#include "framework/runtime/Thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/runtime/Clock.h"
#include "framework/runtime/UnhandledException.h"

namespace fw {

struct Thread::RunState : std::enable_shared_from_this<Thread::RunState> {
  RunState() : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~RunState() {
    if (wakeFd >= 0) close(wakeFd);
  }
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  std::function<void(Thread&)>
      handler;              // a copy, so SetRunHandler never pulls it from under the run
  Thread* owner = nullptr;  // valid while `self` is held
  const int wakeFd;         // eventfd, signalled by Kill, for polls

  std::atomic<bool> killed{false};     // set once, by Kill; the OS thread's give-up flag
  std::atomic<bool> ended{false};      // the OS thread is past the run (or about to end)
  std::atomic<bool> inSection{false};  // in a section without the lock (WithoutRuntimeLock)

  std::mutex m;
  std::condition_variable cv;  // Kill, Resume; the sleep waits on it
  // Written under m (Suspend, Resume); read bare at each yield point, which
  // takes m only when it is set.
  std::atomic<bool> suspended{false};
  State state = State::Running;  // guarded by m
  std::shared_ptr<Thread> self;  // the run's own reference; guarded by m,
                                 // dropped under the runtime lock
};

namespace {

thread_local Thread::RunState* tRun = nullptr;  // the run on this OS thread

// What the runtime knows of its OS threads. Made on first use and never
// destroyed: a thread ending after main() has returned still finds it.
struct Registry {
  std::mutex m;
  std::condition_variable cv;  // notified when a thread ends or a run enters a section
  int osThreads = 0;           // runs' and helpers' OS threads not yet ended; guarded by m
  std::vector<std::weak_ptr<Thread::RunState>> live;  // runs started; guarded by m
};

Registry& Reg() {
  static Registry* const registry = new Registry;
  return *registry;
}

void NotifyRegistry() {
  Registry& reg = Reg();
  std::lock_guard g(reg.m);
  reg.cv.notify_all();
}

// The very last step of every OS thread the runtime started.
void OsThreadEnded() {
  Registry& reg = Reg();
  std::lock_guard g(reg.m);
  --reg.osThreads;
  reg.cv.notify_all();
}

void SetRunState(Thread::RunState& run, Thread::State s) {
  std::lock_guard g(run.m);
  run.state = s;
}

// Marks run killed and wakes it wherever it waits; drops the run's own
// reference (the caller holds the runtime lock). Does nothing when the run has
// ended or was killed already.
void KillRun(const std::shared_ptr<Thread::RunState>& run) {
  std::shared_ptr<Thread> self;
  {
    std::lock_guard g(run->m);
    if (run->killed || run->ended) return;
    run->killed = true;
    self = std::move(run->self);
  }
  run->cv.notify_all();
  const uint64_t one = 1;
  (void)!write(run->wakeFd, &one, sizeof one);
  RuntimeLock::Instance().WakeWaiters();
}

[[noreturn]] void Unwind() {
  RuntimeLock& lock = RuntimeLock::Instance();
  if (lock.HeldByMe()) lock.Release();
  throw ThreadKilled{};
}

}  // namespace

Thread::~Thread() = default;

Thread* Thread::Current() { return tRun ? tRun->owner : nullptr; }

void Thread::Run() {
  if (IsRunning()) return;
  auto run = std::make_shared<RunState>();
  if (run->wakeFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  run->handler = runHandler_;
  run->owner = this;
  run->self = shared_from_this();
  Registry& reg = Reg();
  {
    std::lock_guard g(reg.m);
    std::erase_if(reg.live, [](const auto& w) { return w.expired(); });
    reg.live.push_back(run);
    ++reg.osThreads;
  }
  run_ = run;
  try {
    std::thread(&Thread::Body, std::move(run)).detach();
  } catch (...) {
    run_->self.reset();
    run_->ended = true;
    OsThreadEnded();
    throw;
  }
}

void Thread::Body(std::shared_ptr<RunState> run) {
  tRun = run.get();
  RuntimeLock& lock = RuntimeLock::Instance();
  RuntimeLock::SetGiveUpFlag(&run->killed);
  if (lock.Acquire()) {
    try {
      CheckPoint();
      if (run->handler) run->handler(*run->owner);
    } catch (const ThreadKilled&) {
    } catch (...) {
      // A killed run's outcome is dropped, failures included.
      if (lock.HeldByMe()) ReportUnhandled(std::current_exception());
    }
  }
  std::shared_ptr<Thread> self;
  {
    std::lock_guard g(run->m);
    if (!run->killed) self = std::move(run->self);
    run->state = State::NotRunning;
    run->ended = true;
  }
  run->cv.notify_all();
  if (lock.HeldByMe()) {
    // Drop the run's own reference while still holding the lock: if it is the
    // last one, the object's finaliser runs as program code should.
    self.reset();
    lock.Release();
  }
  // Killed: Kill took the reference already, and nothing here takes the lock.
  RuntimeLock::SetGiveUpFlag(nullptr);
  tRun = nullptr;
  run.reset();
  OsThreadEnded();
}

void Thread::CheckPoint() {
  RunState* run = tRun;
  if (!run) return;
  if (run->killed) Unwind();
  if (!run->suspended.load(std::memory_order_acquire)) return;
  std::unique_lock g(run->m);
  if (!run->suspended) return;
  const State before = run->state;
  run->state = State::Suspended;
  g.unlock();
  {
    RuntimeLock::Unlocked unlocked;
    std::unique_lock w(run->m);
    run->cv.wait(w, [&] { return !run->suspended || run->killed; });
  }
  if (run->killed) Unwind();
  g.lock();
  run->state = before;
}

std::shared_ptr<const std::atomic<bool>> Thread::CurrentRunKilledFlag() {
  static const auto never = std::make_shared<const std::atomic<bool>>(false);
  RunState* run = tRun;
  if (!run) return never;
  // The OS thread holds its run while tRun is set.
  return std::shared_ptr<const std::atomic<bool>>(run->shared_from_this(), &run->killed);
}

void Thread::Sleep(int32_t ms, bool /*wakeEarly: changes nothing*/) {
  RunState* run = tRun;
  Clock& clock = TheClock();
  const int64_t until = clock.NowMs() + std::max<int32_t>(ms, 0);
  if (!run) {
    // The main thread sleeping: nothing can kill it; let workers run meanwhile.
    RuntimeLock::Unlocked unlocked;
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock g(m);
    while (clock.NowMs() < until) clock.WaitUntil(cv, g, until);
    return;
  }
  SetRunState(*run, State::Sleeping);
  {
    RuntimeLock::Unlocked unlocked;
    std::unique_lock g(run->m);
    while (!run->killed && clock.NowMs() < until) clock.WaitUntil(run->cv, g, until);
  }
  SetRunState(*run, State::Running);
  CheckPoint();
}

void Thread::Suspend() {
  if (!run_) return;
  std::lock_guard g(run_->m);
  if (!run_->killed && !run_->ended) run_->suspended = true;
}

void Thread::Resume() {
  if (!run_) return;
  {
    std::lock_guard g(run_->m);
    run_->suspended = false;
  }
  run_->cv.notify_all();
}

void Thread::Kill() {
  const std::shared_ptr<RunState> run = run_;
  if (!run) return;
  const bool onItself = tRun == run.get();
  KillRun(run);  // may drop the last reference to *this
  if (onItself) Unwind();
}

Thread::State Thread::GetState() {
  if (!run_) return State::NotRunning;
  std::lock_guard g(run_->m);
  return run_->killed || run_->ended ? State::NotRunning : run_->state;
}

bool Thread::IsRunning() { return GetState() != State::NotRunning; }

void Thread::KillAll() {
  Registry& reg = Reg();
  std::vector<std::shared_ptr<RunState>> runs;
  {
    std::lock_guard g(reg.m);
    for (const auto& w : reg.live) {
      if (auto r = w.lock()) runs.push_back(std::move(r));
    }
    reg.live.clear();
  }
  for (const auto& r : runs) KillRun(r);
  // A killed run at a yield point ends within moments; one in a section ends
  // when its section does, touching nothing of the runtime on the way. The
  // bound only keeps a fault from hanging the end of the program.
  std::unique_lock g(reg.m);
  reg.cv.wait_for(g, std::chrono::seconds(2), [&] {
    return std::all_of(runs.begin(), runs.end(),
                       [](const auto& r) { return r->ended || r->inSection; });
  });
}

bool Thread::WaitForAllThreadsToEnd(int timeoutMs) {
  RuntimeLock::Unlocked unlocked;  // a run that ends by itself needs the lock for its last step
  Registry& reg = Reg();
  std::unique_lock g(reg.m);
  return reg.cv.wait_for(g, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                         [&] { return reg.osThreads == 0; });
}

void RuntimeBackgroundTask() {
  // Most yield points find nobody waiting: one atomic read, no call.
  RuntimeLock& lock = RuntimeLock::Instance();
  if (lock.MayHaveWaiters()) lock.Yield();
  Thread::CheckPoint();
}

void RunHelperThread(std::function<void()> job) {
  {
    Registry& reg = Reg();
    std::lock_guard g(reg.m);
    ++reg.osThreads;
  }
  try {
    std::thread([job = std::move(job)]() mutable {
      try {
        job();
      } catch (...) {
      }
      job = nullptr;  // what it holds goes before the thread counts as ended
      OsThreadEnded();
    }).detach();
  } catch (...) {
    OsThreadEnded();
    throw;
  }
}

LockFreeSection::LockFreeSection() {
  RuntimeLock& lock = RuntimeLock::Instance();
  released_ = lock.HeldByMe();
  if (tRun) {
    tRun->inSection = true;
    NotifyRegistry();
  }
  if (released_) lock.Release();
}

LockFreeSection::~LockFreeSection() {
  if (!ended_) Leave();
}

void LockFreeSection::End() {
  ended_ = true;
  Leave();
  Thread::CheckPoint();
}

void LockFreeSection::Leave() {
  if (tRun) tRun->inSection = false;
  if (released_) RuntimeLock::Instance().Acquire();
}

int WaitForFd(int fd, short events, int timeoutMs) {
  Thread::RunState* run = tRun;
  pollfd fds[2] = {{fd, events, 0}, {run ? run->wakeFd : -1, POLLIN, 0}};
  if (run) SetRunState(*run, Thread::State::Waiting);
  int r;
  {
    RuntimeLock::Unlocked unlocked;
    r = poll(fds, run ? 2 : 1, timeoutMs);
  }
  if (run) {
    SetRunState(*run, Thread::State::Running);
    Thread::CheckPoint();
  }
  return r > 0 ? fds[0].revents : 0;
}

}  // namespace fw
