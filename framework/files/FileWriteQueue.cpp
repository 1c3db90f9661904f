#include "framework/files/FileWriteQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "framework/files/FolderItem.h"

namespace fw {

struct FileWriteQueue::State {
  size_t depth = 1;
  mutable std::mutex m;
  std::condition_variable changed;
  std::deque<std::pair<Ref<FolderItem>, std::string>> waiting;  // guarded by m
  bool writing = false;                                         // guarded by m
  bool quit = false;                                            // guarded by m
  std::thread thread;

  void Run() {
    std::unique_lock g(m);
    for (;;) {
      changed.wait(g, [&] { return quit || !waiting.empty(); });
      if (waiting.empty()) return;  // quit, with nothing left
      auto job = std::move(waiting.front());
      waiting.pop_front();
      writing = true;
      g.unlock();
      if (job.first) job.first->WriteNewFile(job.second);
      job = {};
      g.lock();
      writing = false;
      changed.notify_all();
    }
  }
};

FileWriteQueue::FileWriteQueue(size_t depth) : state_(std::make_shared<State>()) {
  state_->depth = depth < 1 ? 1 : depth;
}

FileWriteQueue::~FileWriteQueue() {
  {
    std::lock_guard g(state_->m);
    state_->quit = true;
  }
  state_->changed.notify_all();
  if (state_->thread.joinable()) state_->thread.join();
}

bool FileWriteQueue::HasRoom() const {
  std::lock_guard g(state_->m);
  return state_->waiting.size() < state_->depth;
}

void FileWriteQueue::WaitForRoom() {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->waiting.size() < state_->depth; });
}

void FileWriteQueue::Submit(Ref<FolderItem> target, std::string bytes) {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->waiting.size() < state_->depth; });
  state_->waiting.emplace_back(std::move(target), std::move(bytes));
  if (!state_->thread.joinable()) state_->thread = std::thread([s = state_.get()] { s->Run(); });
  state_->changed.notify_all();
}

void FileWriteQueue::WaitAll() {
  std::unique_lock g(state_->m);
  state_->changed.wait(g, [&] { return state_->waiting.empty() && !state_->writing; });
}

}  // namespace fw
