#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

#include "framework/classes/EventBinding.h"
#include "framework/classes/LayoutTableWriter.h"
#include "framework/runtime/MainThread.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/UnhandledException.h"
#include "framework/ui/Timer.h"
#include "tests/support/Waiting.h"

namespace {

// Runs the main thread's event loop until pred holds or ms pass; pred's last value.
bool RunEventsUntil(const std::function<bool()>& pred, int ms) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void RunEventsFor(int ms) {
  RunEventsUntil([] { return false; }, ms);
}

struct Counter {
  int fired = 0;
  bool onMainThread = true;
  void Action(fw::Timer&) {
    ++fired;
    onMainThread = onMainThread && fw::IsMainThread();
  }
};

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    timer = std::make_shared<fw::Timer>();
    fw::RuntimeAddEventHandler(timer, "Action",
                               fw::RuntimeCreateDelegate(&Counter::Action, counter));
  }
  void TearDown() override { fw::SetMainThreadRuleActive(false); }

  std::shared_ptr<Counter> counter = std::make_shared<Counter>();
  fw::Ref<fw::Timer> timer;
};

TEST_F(TimerTest, RepeatingTimerRunsItsActionEveryPeriodUntilDisabled) {
  fw::SetProperties(timer, fw::LayoutTableWriter().Int32("Mode", 2).Int32("Period", 20).Bytes());
  EXPECT_EQ(timer->Mode(), fw::Timer::kModeMultiple);
  EXPECT_EQ(timer->Period(), 20);
  ASSERT_TRUE(RunEventsUntil([&] { return counter->fired >= 3; }, 3000));
  EXPECT_TRUE(counter->onMainThread);

  timer->SetEnabled(false);
  const int before = counter->fired;
  RunEventsFor(100);
  EXPECT_EQ(counter->fired, before);

  timer->SetEnabled(true);
  EXPECT_TRUE(RunEventsUntil([&] { return counter->fired > before; }, 3000));
}

TEST_F(TimerTest, SingleTimerRunsOnceThenTurnsOff) {
  timer->SetPeriod(10);
  timer->SetMode(fw::Timer::kModeSingle);
  ASSERT_TRUE(RunEventsUntil([&] { return counter->fired == 1; }, 3000));
  RunEventsFor(80);
  EXPECT_EQ(counter->fired, 1);
  EXPECT_EQ(timer->Mode(), fw::Timer::kModeOff);
}

TEST_F(TimerTest, ModeOffNeverFires) {
  timer->SetPeriod(5);
  timer->SetMode(fw::Timer::kModeOff);
  EXPECT_TRUE(timer->Enabled());
  RunEventsFor(80);
  EXPECT_EQ(counter->fired, 0);
}

TEST_F(TimerTest, AWorkerMayStartAndStopATimer) {
  timer->SetEnabled(false);
  timer->SetPeriod(10);
  fw::SetMainThreadRuleActive(true);
  bool raised = false;
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    try {
      timer->SetEnabled(true);
    } catch (...) {
      raised = true;
    }
  });
  worker->Run();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !worker->IsRunning(); }));
  EXPECT_FALSE(raised);
  EXPECT_TRUE(RunEventsUntil([&] { return counter->fired >= 2; }, 3000));
  EXPECT_TRUE(counter->onMainThread);
}

TEST_F(TimerTest, ActionThatDropsTheLastReferenceToItsTimerIsSafe) {
  struct Dropper {
    fw::Ref<fw::Timer> held;
    int fired = 0;
    void Action(fw::Timer&) {
      ++fired;
      held.reset();
    }
  };
  auto d = std::make_shared<Dropper>();
  d->held = std::make_shared<fw::Timer>();
  d->held->SetPeriod(5);
  fw::RuntimeAddEventHandler(d->held, "Action", fw::RuntimeCreateDelegate(&Dropper::Action, d));
  ASSERT_TRUE(RunEventsUntil([&] { return d->fired == 1; }, 3000));
  RunEventsFor(40);
  EXPECT_EQ(d->fired, 1);
}

TEST_F(TimerTest, ExceptionInTheActionIsReportedAndTheTimerGoesOn) {
  struct Failing {
    int fired = 0;
    void Action(fw::Timer&) {
      ++fired;
      throw fw::NilObjectException();
    }
  };
  int reports = 0;
  fw::SetUnhandledReporter([&](std::exception_ptr, std::string_view) { ++reports; });
  auto f = std::make_shared<Failing>();
  fw::RuntimeAddEventHandler(timer, "Action", fw::RuntimeCreateDelegate(&Failing::Action, f));
  timer->SetPeriod(5);
  EXPECT_TRUE(RunEventsUntil([&] { return f->fired >= 2; }, 3000));
  EXPECT_GE(reports, 2);
  fw::SetUnhandledReporter(nullptr);
}

}  // namespace
