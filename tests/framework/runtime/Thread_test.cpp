#include "framework/runtime/Thread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>

#include "framework/runtime/Clock.h"
#include "tests/support/Waiting.h"

namespace {

using testsupport::WaitUntil;

struct Tracked {
  explicit Tracked(std::atomic<int>* alive) : alive(alive) { ++*alive; }
  ~Tracked() { --*alive; }
  std::atomic<int>* alive;
};

class ThreadTest : public ::testing::Test {
 protected:
  void TearDown() override {
    fw::Thread::KillAll();
    fw::SetClock(nullptr);
  }
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
  EXPECT_EQ(alive, 0);
  EXPECT_FALSE(t->IsRunning());
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

}  // namespace
