#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "framework/ui/EventLoopLock.h"

extern char** environ;

namespace {

class EventLoopLockTest : public ::testing::Test {
 protected:
  void SetUp() override { fw::EventLoopLock::Install(); }
  void TearDown() override {
    fw::Thread::KillAll();
    fw::EventLoopLock::Uninstall();
  }
};

// Runs one kind of event loop on the main thread until `done` says so (looked
// at every 5 ms) or 10 s pass.
struct LoopCase {
  const char* label;
  std::function<void(const std::function<bool()>& done)> run;
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.label; }

// Calls stop once done() holds, or after 10 s.
void StopWhen(QObject* owner, const std::function<bool()>& done,
              const std::function<void()>& stop) {
  auto* poll = new QTimer(owner);
  QObject::connect(poll, &QTimer::timeout, owner, [=] {
    if (done()) stop();
  });
  poll->start(5);
  QTimer::singleShot(10000, owner, stop);
}

const LoopCase kLoops[] = {
    {"QEventLoop",
     [](const std::function<bool()>& done) {
       QEventLoop loop;
       StopWhen(&loop, done, [&] { loop.quit(); });
       loop.exec();
     }},
    {"application loop",
     [](const std::function<bool()>& done) {
       QObject owner;
       StopWhen(&owner, done, [] { QCoreApplication::exit(0); });
       QCoreApplication::exec();
     }},
    {"modal dialog inside a loop",
     [](const std::function<bool()>& done) {
       QEventLoop outer;
       QTimer::singleShot(0, &outer, [&] {
         QDialog dialog;
         StopWhen(&dialog, done, [&] { dialog.accept(); });
         dialog.exec();
         outer.quit();
       });
       outer.exec();
     }},
};

class EventLoopKinds : public EventLoopLockTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(EventLoopKinds, WorkerRunsWhileTheLoopWaitsAndTheLockComesBack) {
  std::atomic<int> steps{0};
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    for (;;) {
      ++steps;
      fw::RuntimeBackgroundTask();
    }
  });
  worker->Run();
  bool handlersHeldTheLock = true;
  GetParam().run([&] {
    handlersHeldTheLock = handlersHeldTheLock && fw::RuntimeLock::Instance().HeldByMe();
    return steps > 500;
  });
  EXPECT_GT(steps, 500);
  EXPECT_TRUE(handlersHeldTheLock);
  EXPECT_TRUE(fw::RuntimeLock::Instance().HeldByMe()) << "the loop returned without the lock";
  worker->Kill();
  EXPECT_FALSE(worker->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Loops, EventLoopKinds, ::testing::ValuesIn(kLoops));

TEST_F(EventLoopLockTest, MainTimerFiresOnlyAtTheWorkersYieldPoints) {
  // Each worker step holds the lock for 20 ms without a yield point; the
  // main thread's 1 ms timer must never fire inside a step, and must get its
  // turn at (almost) every yield point.
  std::atomic<bool> inStep{false};
  std::atomic<int> ticks{0};
  std::vector<int> ticksAtStep;  // ticks seen at the start of each step
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) {
    for (;;) {
      ticksAtStep.push_back(ticks);
      inStep = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      inStep = false;
      fw::RuntimeBackgroundTask();
    }
  });
  int ticksInsideAStep = 0;
  QEventLoop loop;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
    if (inStep) ++ticksInsideAStep;
    ++ticks;
    if (ticksAtStep.size() >= 12) loop.quit();
  });
  timer.start(1);
  QTimer::singleShot(10000, &loop, [&] { loop.quit(); });
  worker->Run();
  loop.exec();
  worker->Kill();

  EXPECT_EQ(ticksInsideAStep, 0);
  ASSERT_GE(ticksAtStep.size(), 12u);
  int stepsWithoutATurn = 0;
  for (size_t i = 2; i < ticksAtStep.size(); ++i) {
    if (ticksAtStep[i] == ticksAtStep[i - 1]) ++stepsWithoutATurn;
  }
  EXPECT_LE(stepsWithoutATurn, 1) << "the main thread missed the worker's yield points";
}

TEST_F(EventLoopLockTest, InstallTwiceHooksOnceAndUninstallUnhooks) {
  fw::EventLoopLock::Install();
  EXPECT_TRUE(fw::EventLoopLock::Installed());
  fw::EventLoopLock::Uninstall();
  EXPECT_FALSE(fw::EventLoopLock::Installed());
  EXPECT_TRUE(fw::RuntimeLock::Instance().HeldByMe());
  fw::EventLoopLock::Install();
  EXPECT_TRUE(fw::EventLoopLock::Installed());
}

// Qt picks the glib dispatcher here unless QT_NO_GLIB is set; the hooks must
// work with the plain unix one as well. The child runs this file's other tests.
TEST(EventLoopLockDispatchers, ThePlainUnixDispatcherPassesToo) {
  const bool child = std::getenv("QT_NO_GLIB") != nullptr;
  const std::string dispatcher = QAbstractEventDispatcher::instance()->metaObject()->className();
  if (child) {
    EXPECT_EQ(dispatcher.find("Glib"), std::string::npos) << dispatcher;
    return;
  }
  std::vector<std::string> env = {"QT_NO_GLIB=1", "QT_QPA_PLATFORM=offscreen"};
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=*";
  char* argv[] = {self.data(), filter.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
  int status = 0;
  {
    fw::RuntimeLock::Unlocked unlocked;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the tests failed with QT_NO_GLIB=1 (dispatcher here: " << dispatcher << ")";
}

}  // namespace
