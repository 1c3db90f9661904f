#include "tests/support/WorkerAttempts.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "tests/support/Waiting.h"

namespace testsupport {

std::vector<std::string> RaisedOnWorker(const std::vector<Attempt>& attempts) {
  std::vector<std::string> raised;
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    for (const Attempt& a : attempts) {
      try {
        a.fn();
      } catch (const fw::ThreadAccessingUIException&) {
        raised.push_back(a.what);
      }
    }
  });
  worker->Run();
  if (!WaitUntil([&] { return !worker->IsRunning(); })) {
    ADD_FAILURE() << "the worker did not finish its attempts";
    worker->Kill();
  }
  return raised;
}

}  // namespace testsupport
