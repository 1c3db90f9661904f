#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace testsupport {

// A gate that threads wait at, without the runtime lock, until the test opens
// it: a stand-in for a name lookup that never answers or a decode that takes
// seconds. A thread waits 30 s at most, so a fault cannot hang the tests.
class Gate {
 public:
  // Lets every waiting thread and every later one through.
  void Open();
  // Waits until the gate is open.
  void Pass();
  // Threads that have come to the gate, and those that have gone through.
  int Arrived() const { return arrived_; }
  int Passed() const { return passed_; }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool open_ = false;  // guarded by m_
  std::atomic<int> arrived_{0}, passed_{0};
};

}  // namespace testsupport
