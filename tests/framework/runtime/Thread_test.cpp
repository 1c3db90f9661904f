#include "framework/runtime/Thread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "framework/runtime/Clock.h"
#include "tests/support/Gate.h"
#include "tests/support/Waiting.h"

namespace {

using testsupport::Gate;
using testsupport::WaitUntil;

struct Tracked {
  explicit Tracked(std::atomic<int>* alive) : alive(alive) { ++*alive; }
  ~Tracked() { --*alive; }
  std::atomic<int>* alive;
};

class ThreadTest : public ::testing::Test {
 protected:
  void TearDown() override {
    gate_.Open();
    fw::Thread::KillAll();
    EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000)) << "a thread outlived its test";
    fw::SetClock(nullptr);
  }
  Gate gate_;
};

TEST_F(ThreadTest, CodeBetweenYieldPointsIsAtomicTowardsTheMainThread) {
  // The worker keeps two counters equal except inside one step between yield
  // points; the main thread must never see them apart.
  int a = 0, b = 0;
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread&) {
    for (;;) {
      ++a;
      for (int i = 0; i < 1000; ++i) {
        asm volatile("" ::: "memory");
      }
      ++b;
      fw::RuntimeBackgroundTask();
    }
  });
  t->Run();
  int looks = 0;
  EXPECT_TRUE(WaitUntil([&] {
    EXPECT_EQ(a, b);
    return ++looks > 300 && a > 50;
  }));
  t->Kill();
  EXPECT_FALSE(t->IsRunning());
}

TEST_F(ThreadTest, KillUnwindsAtTheNextYieldPointAndReleasesWhatItHeld) {
  std::atomic<int> alive{0};
  std::atomic<int> steps{0};
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread&) {
    Tracked held(&alive);
    for (;;) {
      ++steps;
      fw::RuntimeBackgroundTask();
    }
  });
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return steps > 10; }));
  EXPECT_EQ(alive, 1);
  t->Kill();
  const int after = steps;
  EXPECT_FALSE(t->IsRunning());
  // It unwinds on its own, after Kill has returned, and takes no step more.
  EXPECT_TRUE(WaitUntil([&] { return alive == 0; }));
  WaitUntil([] { return false; }, 20);
  EXPECT_EQ(steps, after);
}

TEST_F(ThreadTest, SuspendHoldsTheWorkerAndKillStillEndsIt) {
  std::atomic<int> steps{0};
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread&) {
    for (;;) {
      ++steps;
      fw::RuntimeBackgroundTask();
    }
  });
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return steps > 10; }));
  t->Suspend();
  WaitUntil([] { return false; }, 20);  // let it reach its next yield point
  const int held = steps;
  WaitUntil([] { return false; }, 30);
  EXPECT_EQ(steps, held);
  EXPECT_EQ(t->GetState(), fw::Thread::State::Suspended);
  t->Resume();
  EXPECT_TRUE(WaitUntil([&] { return steps > held + 10; }));
  t->Suspend();
  t->Kill();
  EXPECT_FALSE(t->IsRunning());
}

TEST_F(ThreadTest, KillEndsASleepAtOnceAndRunStartsAfresh) {
  std::atomic<int> starts{0};
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread& self) {
    ++starts;
    self.Sleep(60000);
  });
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return t->GetState() == fw::Thread::State::Sleeping; }));
  const auto before = std::chrono::steady_clock::now();
  t->Kill();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return starts == 2; }));
  t->Kill();
}

TEST_F(ThreadTest, SleepOnTheRealClockCostsNoCpu) {
  auto t = std::make_shared<fw::Thread>();
  std::atomic<bool> done{false};
  t->SetRunHandler([&](fw::Thread& self) {
    self.Sleep(300);
    done = true;
  });
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  t->Run();
  {
    fw::RuntimeLock::Unlocked unlocked;  // the main thread idles like an event loop
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  getrusage(RUSAGE_SELF, &after);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  auto cpuUs = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000L + r.ru_utime.tv_usec +
           r.ru_stime.tv_usec;
  };
  EXPECT_LT(cpuUs(after) - cpuUs(before), 30000);
}

TEST_F(ThreadTest, ManualClockMakesALongSleepFree) {
  auto clock = std::make_shared<fw::ManualClock>(/*autoAdvance=*/true);
  fw::SetClock(clock);
  std::atomic<bool> done{false};
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread& self) {
    self.Sleep(10000);
    done = true;
  });
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return done.load(); }, 2000));
  EXPECT_EQ(clock->NowMs(), 10000);
  EXPECT_EQ(clock->Ticks(), 600);
}

TEST_F(ThreadTest, ObjectFreedWhenItsLastReferenceGoesWithTheRun) {
  std::weak_ptr<fw::Thread> weak;
  {
    auto t = std::make_shared<fw::Thread>();
    weak = t;
    t->SetRunHandler([](fw::Thread&) { fw::RuntimeBackgroundTask(); });
    t->Run();
  }
  EXPECT_TRUE(WaitUntil([&] { return weak.expired(); }));
}

// A worker in a section without the lock (a decode) when it is killed: Kill
// returns without waiting, the thread runs nothing of its own after the
// section, its result is dropped, and Run starts a new run at once.
TEST_F(ThreadTest, KillDoesNotWaitForASectionAndRunStartsAfreshMeanwhile) {
  std::atomic<int> starts{0}, alive{0}, afterSection{0};
  auto t = std::make_shared<fw::Thread>();
  t->SetRunHandler([&](fw::Thread&) {
    const int run = ++starts;
    Tracked held(&alive);
    if (run == 1) {
      const int result = fw::WithoutRuntimeLock([&] {
        gate_.Pass();
        return 42;
      });
      afterSection = result;
    }
    for (;;) fw::RuntimeBackgroundTask();
  });
  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return gate_.Arrived() == 1; }));
  t->Kill();
  EXPECT_FALSE(t->IsRunning());
  EXPECT_EQ(t->GetState(), fw::Thread::State::NotRunning);

  t->Run();
  ASSERT_TRUE(WaitUntil([&] { return starts == 2; })) << "the new run did not start";
  EXPECT_TRUE(t->IsRunning());
  EXPECT_EQ(alive, 2) << "the old run is still in its section";

  gate_.Open();
  EXPECT_TRUE(WaitUntil([&] { return alive == 1; })) << "the old run did not unwind";
  WaitUntil([] { return false; }, 20);
  EXPECT_EQ(afterSection, 0) << "the killed run went on after its section";
  EXPECT_EQ(starts, 2);
  t->Kill();
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000));
  EXPECT_EQ(alive, 0);
}

// A killed worker that stood in the queue for the lock leaves it: the lock
// goes on to the threads behind it, and the killed one never runs.
TEST_F(ThreadTest, KilledWhileWaitingForTheLockItLeavesTheQueue) {
  std::atomic<int> afterSection{0}, steps{0};
  auto first = std::make_shared<fw::Thread>();
  first->SetRunHandler([&](fw::Thread&) {
    fw::WithoutRuntimeLock([&] { gate_.Pass(); });
    ++afterSection;
  });
  first->Run();
  ASSERT_TRUE(WaitUntil([&] { return gate_.Arrived() == 1; }));
  // With the main thread holding the lock, the first worker comes out of its
  // section and draws its ticket.
  gate_.Open();
  fw::RuntimeLock& lock = fw::RuntimeLock::Instance();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!lock.OthersWaiting() && std::chrono::steady_clock::now() < end) std::this_thread::yield();
  ASSERT_TRUE(lock.OthersWaiting());
  first->Kill();

  auto second = std::make_shared<fw::Thread>();
  second->SetRunHandler([&](fw::Thread&) {
    for (;;) {
      ++steps;
      fw::RuntimeBackgroundTask();
    }
  });
  second->Run();
  EXPECT_TRUE(WaitUntil([&] { return steps > 20; })) << "the lock did not pass the given-up ticket";
  EXPECT_TRUE(lock.HeldByMe());
  EXPECT_EQ(afterSection, 0);
  second->Kill();
}

TEST(RuntimeLockDeathTest, ReleasingALockNotHeldAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        fw::RuntimeLock::Instance().Release();  // the test's main thread holds it
        fw::RuntimeLock::Instance().Release();
      },
      "does not hold");
}

}  // namespace
