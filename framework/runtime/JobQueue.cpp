#include "framework/runtime/JobQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "framework/runtime/Thread.h"

namespace fw {

// Shared by the queue and its helper thread, which may outlive the queue.
struct JobQueue::State {
  size_t depth = 1;
  std::mutex m;
  std::condition_variable changed;
  std::deque<std::function<void()>> waiting;  // guarded by m
  bool running = false;                       // a job is running; guarded by m
  bool started = false;                       // the helper thread exists; guarded by m
  bool quit = false;                          // the queue is gone; guarded by m
  std::exception_ptr failure;                 // the first not taken; guarded by m

  bool HasRoom() const { return waiting.size() < depth; }

  void Run() {
    std::unique_lock g(m);
    for (;;) {
      changed.wait(g, [&] { return quit || !waiting.empty(); });
      if (waiting.empty()) return;  // the queue is gone and nothing is left
      std::function<void()> job = std::move(waiting.front());
      waiting.pop_front();
      running = true;
      changed.notify_all();  // room for the next
      g.unlock();
      std::exception_ptr failed;
      try {
        job();
      } catch (...) {
        failed = std::current_exception();
      }
      job = nullptr;  // what it holds goes before the job counts as done
      g.lock();
      if (failed && !failure) failure = std::move(failed);
      running = false;
      changed.notify_all();
    }
  }
};

JobQueue::JobQueue(size_t depth) : state_(std::make_shared<State>()) {
  state_->depth = depth < 1 ? 1 : depth;
}

JobQueue::~JobQueue() {
  {
    std::lock_guard g(state_->m);
    state_->quit = true;
  }
  state_->changed.notify_all();
}

bool JobQueue::HasRoom() const {
  std::lock_guard g(state_->m);
  return state_->HasRoom();
}

void JobQueue::WaitForRoom() {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->HasRoom(); });
}

void JobQueue::Submit(std::function<void()> job) {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->HasRoom(); });
  if (!state_->started) {
    RunHelperThread([s = state_] { s->Run(); });
    state_->started = true;
  }
  state_->waiting.push_back(std::move(job));
  state_->changed.notify_all();
}

void JobQueue::WaitAll() {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->waiting.empty() && !state_->running; });
}

std::exception_ptr JobQueue::TakeFailure() {
  std::lock_guard g(state_->m);
  return std::exchange(state_->failure, nullptr);
}

}  // namespace fw
