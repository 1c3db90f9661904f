#include "framework/runtime/Thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "framework/runtime/Clock.h"
#include "framework/runtime/UnhandledException.h"

namespace fw {

namespace {
thread_local Thread* tCurrent = nullptr;

// Threads that are running, for KillAll. Main thread only.
std::vector<std::weak_ptr<Thread>>& LiveThreads() {
  static std::vector<std::weak_ptr<Thread>> live;
  return live;
}
}  // namespace

Thread::Thread() { wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

Thread::~Thread() {
  if (os_.joinable()) {
    if (os_.get_id() == std::this_thread::get_id()) {
      os_.detach();  // the last reference went with the run's own end
    } else {
      RuntimeLock::Unlocked unlocked;
      os_.join();
    }
  }
  if (wakeFd_ >= 0) close(wakeFd_);
}

Thread* Thread::Current() { return tCurrent; }

void Thread::Run() {
  {
    std::lock_guard g(m_);
    if (running_) return;
  }
  if (os_.joinable()) {
    RuntimeLock::Unlocked unlocked;
    os_.join();
  }
  uint64_t drain;
  while (read(wakeFd_, &drain, sizeof drain) > 0) {
  }
  {
    std::lock_guard g(m_);
    running_ = true;
    killed_ = false;
    suspended_ = false;
    state_ = State::Running;
  }
  self_ = shared_from_this();
  auto& live = LiveThreads();
  live.erase(std::remove_if(live.begin(), live.end(), [](auto& w) { return w.expired(); }),
             live.end());
  live.push_back(self_);
  os_ = std::thread([this] { Body(); });
}

void Thread::Body() {
  RuntimeLock::Instance().Acquire();
  tCurrent = this;
  try {
    CheckPoint();
    if (runHandler_) runHandler_(*this);
  } catch (const ThreadKilled&) {
  } catch (...) {
    ReportUnhandled(std::current_exception());
  }
  tCurrent = nullptr;
  {
    std::lock_guard g(m_);
    running_ = false;
    state_ = State::NotRunning;
  }
  cv_.notify_all();
  // Drop the run's own reference while still holding the lock: if it is the
  // last one, the object's finaliser runs as program code should.
  std::shared_ptr<Thread> self = std::move(self_);
  self.reset();
  RuntimeLock::Instance().Release();
}

void Thread::CheckPoint() {
  std::unique_lock g(m_);
  if (killed_) throw ThreadKilled{};
  if (!suspended_) return;
  const State before = state_;
  state_ = State::Suspended;
  g.unlock();
  {
    RuntimeLock::Unlocked unlocked;
    std::unique_lock w(m_);
    cv_.wait(w, [&] { return !suspended_ || killed_; });
  }
  g.lock();
  state_ = before;
  if (killed_) throw ThreadKilled{};
}

void Thread::Sleep(int32_t ms, bool /*wakeEarly*/) {
  Thread* t = Current();
  Clock& clock = TheClock();
  const int64_t until = clock.NowMs() + std::max<int32_t>(ms, 0);
  if (!t) {
    // The main thread sleeping: nothing can kill it; let workers run meanwhile.
    RuntimeLock::Unlocked unlocked;
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock g(m);
    while (clock.NowMs() < until) clock.WaitUntil(cv, g, until);
    return;
  }
  t->SetState(State::Sleeping);
  {
    RuntimeLock::Unlocked unlocked;
    std::unique_lock g(t->m_);
    while (!t->killed_ && clock.NowMs() < until) clock.WaitUntil(t->cv_, g, until);
  }
  t->SetState(State::Running);
  t->CheckPoint();
}

void Thread::Suspend() {
  std::lock_guard g(m_);
  if (running_) suspended_ = true;
}

void Thread::Resume() {
  {
    std::lock_guard g(m_);
    suspended_ = false;
  }
  cv_.notify_all();
}

void Thread::Kill() {
  if (Current() == this) throw ThreadKilled{};
  {
    std::lock_guard g(m_);
    if (!running_) return;
    killed_ = true;
  }
  cv_.notify_all();
  const uint64_t one = 1;
  (void)!write(wakeFd_, &one, sizeof one);
  if (os_.joinable()) {
    RuntimeLock::Unlocked unlocked;
    os_.join();
  }
}

Thread::State Thread::GetState() {
  std::lock_guard g(m_);
  return state_;
}

bool Thread::IsRunning() {
  std::lock_guard g(m_);
  return running_;
}

void Thread::SetState(State s) {
  std::lock_guard g(m_);
  state_ = s;
}

void Thread::KillAll() {
  auto live = std::move(LiveThreads());
  LiveThreads().clear();
  for (auto& w : live) {
    if (auto t = w.lock()) t->Kill();
  }
}

void RuntimeBackgroundTask() {
  RuntimeLock::Instance().Yield();
  if (Thread* t = Thread::Current()) t->CheckPoint();
}

int WaitForFd(int fd, short events, int timeoutMs) {
  Thread* t = Thread::Current();
  pollfd fds[2] = {{fd, events, 0}, {t ? t->WakeFd() : -1, POLLIN, 0}};
  int r;
  if (t) t->SetState(Thread::State::Waiting);
  {
    RuntimeLock::Unlocked unlocked;
    r = poll(fds, t ? 2 : 1, timeoutMs);
  }
  if (t) {
    t->SetState(Thread::State::Running);
    t->CheckPoint();
  }
  return r > 0 ? fds[0].revents : 0;
}

}  // namespace fw
