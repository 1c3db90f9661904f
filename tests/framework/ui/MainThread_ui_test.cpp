#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <functional>
#include <memory>
#include <thread>

#include "framework/runtime/MainThread.h"
#include "framework/runtime/Thread.h"
#include "framework/ui/RunOnMainThread.h"
#include "tests/support/Waiting.h"

namespace {

// Runs body on a new cooperative worker and waits (lock given up) until it ends.
void OnWorker(const std::function<void()>& body) {
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([body](fw::Thread&) { body(); });
  worker->Run();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !worker->IsRunning(); }));
}

TEST(MainThread, IsTheProcessFirstThreadOnly) {
  EXPECT_TRUE(fw::IsMainThread());
  EXPECT_TRUE(fw::OnMainThreadWithApplication());

  bool onWorker = true;
  OnWorker([&] { onWorker = fw::IsMainThread(); });
  EXPECT_FALSE(onWorker);

  // A plain OS thread is no cooperative worker, and no main thread either.
  bool onPlainThread = true;
  std::thread([&] { onPlainThread = fw::IsMainThread(); }).join();
  EXPECT_FALSE(onPlainThread);
}

TEST(RunOnMainThread, RunsAtOnceOnTheMainThread) {
  bool ran = false;
  EXPECT_TRUE(fw::RunOnMainThread([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST(RunOnMainThread, FromAWorkerRunsOnTheMainThreadWhenTheLoopTurns) {
  int runs = 0;
  bool ranOnMain = false;
  bool posted = false;
  OnWorker([&] {
    posted = fw::RunOnMainThread([&] {
      ++runs;
      ranOnMain = fw::IsMainThread();
    });
  });
  EXPECT_TRUE(posted);
  EXPECT_EQ(runs, 0);  // not on the worker, and not before the loop turns
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(ranOnMain);
}

TEST(RunOnMainThread, PostedWorkIsDroppedWithItsContext) {
  auto context = std::make_unique<QObject>();
  int runs = 0;
  OnWorker([&] { fw::RunOnMainThread([&] { ++runs; }, context.get()); });
  context.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

}  // namespace
