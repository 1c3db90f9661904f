#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/OutOfBoundsException.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "framework/ui/Application.h"
#include "framework/ui/MenuBar.h"
#include "framework/ui/QuitMenuItem.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/UnhandledReport.h"

namespace {

using fw::Ref;

bool OnMainThread() { return QThread::currentThread() == qApp->thread(); }

// Calls f on the main thread every 5 ms until it returns true.
void Every5ms(std::function<bool()> f) {
  auto* t = new QTimer(qApp);
  QObject::connect(t, &QTimer::timeout, t, [t, f] {
    if (f()) t->deleteLater();
  });
  t->start(5);
}

struct Recorded {
  fw::UnhandledReport::Details details;
  bool onMainThread;
};

// Starts the runtime on the test's QApplication and records unhandled reports
// in place of the message box.
class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::RuntimeInit(argc_, argv_);
    fw::UnhandledReport::SetPresenter([this](const fw::UnhandledReport::Details& d) {
      reports_.push_back({d, OnMainThread()});
    });
  }
  void TearDown() override {
    if (!ended_) fw::RuntimeExit();
    fw::UnhandledReport::SetPresenter({});
  }

  // Runs the loop with lateStartup handed over; a stuck loop ends after 10 s
  // with status 99. Returns RuntimeExit's status.
  int32_t RunAndExit(std::function<void()> lateStartup) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { fw::Quit(99); });
    guard.start(10000);
    fw::RunFrameworkInitialization(std::move(lateStartup));
    fw::RuntimeRun();
    EXPECT_TRUE(fw::RuntimeLock::Instance().HeldByMe());
    ended_ = true;
    return fw::RuntimeExit();
  }

  int argc_ = 1;
  char name_[5] = "test";
  char* argv_[2] = {name_, nullptr};
  bool ended_ = false;
  std::vector<Recorded> reports_;
};

struct QuitCase {
  const char* label;
  int32_t expected;
  // Called before the loop runs: sets up how the loop is to end.
  std::function<void(RuntimeTest*)> arrange;
};

void PrintTo(const QuitCase& c, std::ostream* os) { *os << c.label; }

class QuitWays : public RuntimeTest, public ::testing::WithParamInterface<QuitCase> {
 public:
  std::function<void()> late;
  Ref<fw::Thread> worker;
  Ref<fw::QuitMenuItem> quitItem;
  Ref<fw::MenuBar> bar;
  std::unique_ptr<QWidget> window;
};

TEST_P(QuitWays, EndTheLoopWithTheirExitStatus) {
  auto* self = static_cast<QuitWays*>(this);
  GetParam().arrange(self);
  EXPECT_EQ(RunAndExit(self->late), GetParam().expected);
}

const QuitCase kQuitCases[] = {
    {"Quit(3) in the late start-up", 3,
     [](RuntimeTest* t) { static_cast<QuitWays*>(t)->late = [] { fw::Quit(3); }; }},
    {"Quit before the loop runs", 5, [](RuntimeTest*) { fw::Quit(5); }},
    {"Quit(4) from a worker", 4,
     [](RuntimeTest* t) {
       auto* q = static_cast<QuitWays*>(t);
       q->worker = std::make_shared<fw::Thread>();
       q->worker->SetRunHandler([](fw::Thread&) { fw::Quit(4); });
       q->late = [q] { q->worker->Run(); };
     }},
    {"the quit item", 0,
     [](RuntimeTest* t) {
       auto* q = static_cast<QuitWays*>(t);
       q->quitItem = std::make_shared<fw::QuitMenuItem>();
       q->quitItem->Constructor();
       q->quitItem->SetText("Beenden");
       q->late = [q] { q->quitItem->NativeAction()->trigger(); };
     }},
    {"Ctrl+Q in a window showing the bar", 0,
     [](RuntimeTest* t) {
       auto* q = static_cast<QuitWays*>(t);
       q->bar = std::make_shared<fw::MenuBar>();
       auto file = std::make_shared<fw::MenuItem>();
       file->SetText("&Ablage");
       q->bar->Append(file);
       q->quitItem = std::make_shared<fw::QuitMenuItem>();
       q->quitItem->SetText("Beenden");
       q->quitItem->SetKeyboardShortcut("Cmd+Q");
       file->Append(q->quitItem);
       q->window = std::make_unique<QWidget>();
       q->bar->AttachTo(q->window.get());
       q->window->show();
       q->window->activateWindow();
       q->late = [q] {
         Every5ms([q] {
           if (QApplication::activeWindow() != q->window.get()) return false;
           QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier);
           QApplication::sendEvent(q->window.get(), &press);
           return true;
         });
       };
     }},
    {"Quit(6) inside a modal dialog", 6,
     [](RuntimeTest* t) {
       static_cast<QuitWays*>(t)->late = [] {
         QDialog dialog;
         QTimer::singleShot(10, &dialog, [] { fw::Quit(6); });
         dialog.exec();
       };
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, QuitWays, ::testing::ValuesIn(kQuitCases));

TEST_F(RuntimeTest, LateStartupRunsInsideTheLoopAndItsExceptionIsReported) {
  bool ran = false;
  int loopLevel = -1;
  fw::RunFrameworkInitialization([&] {
    ran = true;
    loopLevel = QThread::currentThread()->loopLevel();
    QTimer::singleShot(20, [] { fw::Quit(2); });
    throw fw::NilObjectException("late");
  });
  EXPECT_FALSE(ran) << "ran before the loop";
  fw::RuntimeRun();
  ended_ = true;
  EXPECT_EQ(fw::RuntimeExit(), 2) << "the loop went on after the report";
  EXPECT_TRUE(ran);
  EXPECT_GE(loopLevel, 1);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].details.className, "NilObjectException");
}

TEST_F(RuntimeTest, ClosingTheLastWindowDoesNotQuit) {
  QWidget window;
  window.show();
  EXPECT_EQ(RunAndExit([&] {
              window.close();
              QTimer::singleShot(50, [] { fw::Quit(7); });
            }),
            7);
}

TEST_F(RuntimeTest, QuitWhileAWorkerSleepsKillsItPromptly) {
  std::atomic<bool> unwound{false};
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread& self) {
    struct Flag {
      std::atomic<bool>* f;
      ~Flag() { *f = true; }
    } flag{&unwound};
    self.Sleep(60000);
  });
  const auto start = std::chrono::steady_clock::now();
  const int32_t status = RunAndExit([&] {
    worker->Run();
    Every5ms([&] {
      if (worker->GetState() != fw::Thread::State::Sleeping) return false;
      fw::Quit(0);
      return true;
    });
  });
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(worker->IsRunning());
  EXPECT_TRUE(unwound);
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(RuntimeTest, RegisteringTheAppMakesItCurrentAndActivatesTheRule) {
  auto app = std::make_shared<fw::Application>();
  app->Constructor();
  auto bar = std::make_shared<fw::MenuBar>();
  app->SetMenuBar(bar);
  EXPECT_EQ(fw::Application::CurrentMenuBar(), nullptr) << "not registered yet";
  EXPECT_THROW(fw::RuntimeRegisterAppObject(nullptr), fw::NilObjectException);
  fw::RuntimeRegisterAppObject(app);
  EXPECT_EQ(fw::Application::Current(), app);
  EXPECT_EQ(fw::Application::CurrentMenuBar(), bar);
  EXPECT_TRUE(fw::MainThreadRuleActive());
  std::weak_ptr<fw::Application> kept = app;
  app.reset();
  EXPECT_FALSE(kept.expired()) << "the runtime keeps the application";
  ended_ = true;
  fw::RuntimeExit();
  EXPECT_TRUE(kept.expired());
  EXPECT_EQ(fw::Application::Current(), nullptr);
  EXPECT_FALSE(fw::MainThreadRuleActive());
}

TEST_F(RuntimeTest, RuntimeClassesAnswerTheirRecords) {
  fw::RuntimeInitExternalClasses();
  const std::vector<std::pair<std::string, Ref<fw::Object>>> objects = {
      {"Application", std::make_shared<fw::Application>()},
      {"MenuItem", std::make_shared<fw::MenuItem>()},
      {"MenuBar", std::make_shared<fw::MenuBar>()},
      {"QuitMenuItem", std::make_shared<fw::QuitMenuItem>()},
  };
  for (const auto& [name, obj] : objects) {
    EXPECT_EQ(fw::FindClass(name), &obj->Class()) << name;
    const bool isMenu = name != "Application";
    EXPECT_EQ(fw::RuntimeCheckCast(obj, fw::LookupClass("MenuItem")) != nullptr, isMenu) << name;
  }
}

// Where an unhandled exception comes from, and what its report must say.
struct ReportCase {
  const char* label;
  bool fromWorker;
  std::function<void()> fault;
  std::string className;
  std::string message;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.label; }

class UnhandledReports : public RuntimeTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(UnhandledReports, ShowOnTheMainThreadAndWriteALine) {
  const ReportCase& c = GetParam();
  auto worker = std::make_shared<fw::Thread>();
  worker->SetRunHandler([&](fw::Thread&) { c.fault(); });
  testing::internal::CaptureStderr();
  const int32_t status = RunAndExit([&] {
    if (c.fromWorker)
      worker->Run();
    else
      c.fault();
    Every5ms([&] {
      if (reports_.empty()) return false;
      fw::Quit(1);
      return true;
    });
  });
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1) << "the program goes on after the report";
  ASSERT_EQ(reports_.size(), 1u);
  const Recorded& r = reports_[0];
  EXPECT_TRUE(r.onMainThread);
  EXPECT_EQ(r.details.className, c.className);
  EXPECT_EQ(r.details.message, c.message);
  EXPECT_NE(r.details.text.find(c.className), std::string::npos) << r.details.text;
  EXPECT_NE(r.details.text.find(c.message), std::string::npos) << r.details.text;
  EXPECT_NE(err.find("Unhandled exception: " + c.className + ": " + c.message), std::string::npos)
      << err;
  EXPECT_FALSE(worker->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnhandledReports,
    ::testing::Values(
        ReportCase{"event handler on the main thread", false,
                   [] { fw::DeliverEvent([] { throw fw::NilObjectException("no window"); }); },
                   "NilObjectException", "no window"},
        ReportCase{"handed to UnhandledException", false,
                   [] {
                     try {
                       throw fw::OutOfBoundsException("index 7");
                     } catch (...) {
                       fw::UnhandledException(std::current_exception());
                     }
                   },
                   "OutOfBoundsException", "index 7"},
        ReportCase{"not a runtime exception", false,
                   [] { fw::DeliverEvent([] { throw std::logic_error("broken"); }); },
                   "std::exception", "broken"},
        ReportCase{"worker thread", true, [] { throw fw::OutOfBoundsException("page 3"); },
                   "OutOfBoundsException", "page 3"}));

}  // namespace
