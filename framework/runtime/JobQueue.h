#pragma once
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>

namespace fw {

// Runs jobs one after another, in the order handed over, on a helper thread of
// its own (RunHelperThread: counted among the runtime's threads), so that the
// caller can go on with its next piece of work meanwhile. Holds at most
// `depth` jobs that have not started. Jobs run no program code and take no
// runtime lock; the waiting calls below block without touching the runtime
// lock either (give it up around them where it is held).
class JobQueue {
 public:
  // depth below 1 is taken as 1. Cannot fail.
  explicit JobQueue(size_t depth = 1);
  // Returns at once: the jobs handed over still run, and the helper thread
  // ends after the last of them.
  ~JobQueue();
  JobQueue(const JobQueue&) = delete;
  JobQueue& operator=(const JobQueue&) = delete;

  // True when Submit would not wait; never fails.
  bool HasRoom() const;
  // Blocks until HasRoom; never fails.
  void WaitForRoom();
  // Hands job over, waiting for room first. Raises std::system_error when the
  // system gives no thread (the job is then not taken).
  void Submit(std::function<void()> job);
  // Blocks until every job handed over has run; never fails.
  void WaitAll();
  // The first exception that left a job and was not taken yet, for the owner
  // to raise on its own thread; null when there is none. Never fails.
  std::exception_ptr TakeFailure();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace fw
