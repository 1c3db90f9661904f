#pragma once
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// One operation to try on a worker thread, with the name it is reported by.
struct Attempt {
  std::string what;
  std::function<void()> fn;
};

// Runs the attempts in order on a new fw::Thread worker, giving the runtime
// lock up until it has finished, and gives the names of those that raised
// ThreadAccessingUIException. A worker that does not finish within 5 s fails
// the test.
std::vector<std::string> RaisedOnWorker(const std::vector<Attempt>& attempts);

}  // namespace testsupport
