#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainMenuBar.h"
#include "app/SnapHarbor.h"
#include "app/Startup.h"
#include "framework/classes/LayoutTableWriter.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/runtime/NilObjectException.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "framework/ui/Application.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/UnhandledReport.h"
#include "framework/ui/Window.h"
#include "main_window/Window1.h"

namespace {

using fw::Ref;
using Steps = std::vector<std::string>;

// Runs the program as main.cpp does, on the test's QApplication. While it runs,
// `tick` is called on the main thread every 5 ms once the main window is open,
// until it returns true; a run that does not end within 10 s quits with 99.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::UnhandledReport::SetPresenter(
        [this](const fw::UnhandledReport::Details& d) { reports.push_back(d.className); });
  }
  void TearDown() override {
    app::SetStartupObserver({});
    fw::UnhandledReport::SetPresenter({});
  }

  int Run(std::function<bool(app::Window1&)> tick) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { fw::Quit(99); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      Ref<fw::Window> open = fw::GetImplicitWindow("Window1.Window1");
      auto main = std::dynamic_pointer_cast<app::Window1>(open);
      if (main && main->IsOpen() && tick(*main)) poll.stop();
    });
    app::SetStartupObserver([&](const std::string& step) {
      if (step == "_RuntimeRun") {
        guard.start(10000);
        poll.start(5);
      }
    });
    char name[] = "snapharbor";
    char* argv[] = {name, nullptr};
    return app::RunProgram(1, argv);
  }

  static int Count(const Steps& steps, const std::string& step) {
    return static_cast<int>(std::count(steps.begin(), steps.end(), step));
  }

  std::vector<std::string> reports;
};

TEST_F(StartupTest, RoadRunsInOrderAndClosingTheMainWindowEndsItWithStatusZero) {
  std::weak_ptr<app::Window1> window;
  bool shownWithoutShow = false, appIsOurs = false, barInstalled = false, barReadable = false;
  const int status = Run([&](app::Window1& w) {
    window = std::dynamic_pointer_cast<app::Window1>(w.shared_from_this());
    shownWithoutShow = w.Widget()->isVisible();
    Ref<fw::Application> current = fw::Application::Current();
    appIsOurs = current && current->Class().FullName() == "snapHarbor";
    barInstalled = current && current->MenuBar() == app::MainMenuBar::ImplicitInstance() &&
                   current->MenuBar() != nullptr;
    // The bar shows in the window, in the standard colours, not on the dark grey.
    if (auto* shown = w.Widget()->findChild<QMenuBar*>())
      barReadable = shown->palette().color(QPalette::Window) != QColor(0x3C, 0x3C, 0x3C);
    w.Close();
    return true;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(shownWithoutShow);
  EXPECT_TRUE(barReadable);
  EXPECT_TRUE(appIsOurs);
  EXPECT_TRUE(barInstalled);

  Steps expected = {"RuntimeInit",
                    "% initialize",
                    "record snapHarbor",
                    "record Window1.Window1",
                    "record Window1.Thread1",
                    "record Window1.Timer2",
                    "record MainMenuBar.MainMenuBar",
                    "record Window2.Window2"};
  for (const char* s :
       {"_Main", "_RuntimeSetExceptionHelper", "_EarlyStartup", "_RuntimeInitExternalClasses",
        "_InitPluginEntrypoints", "_InitFileTypes", "_NewAppInstance", "snapHarbor.Constructor",
        "MainMenuBar.MainMenuBar", "Application.MenuBar", "_RuntimeRegisterAppObject",
        "_ApplicationAddMenuHandlers", "_RunFrameworkInitialization", "_RuntimeRun", "_LateStartup",
        "_MakeDefaultView", "event loop returned", "% finalize", "RuntimeExit"})
    expected.push_back(s);
  EXPECT_EQ(app::StartupTrace(), expected);

  // The end released what the module held: windows, the bar, the application.
  EXPECT_TRUE(window.expired());
  EXPECT_TRUE(fw::OpenWindows().empty());
  EXPECT_EQ(app::MainMenuBar::ImplicitInstance(), nullptr);
  EXPECT_EQ(fw::Application::Current(), nullptr);
  EXPECT_TRUE(reports.empty());
}

TEST_F(StartupTest, QuitItemEndsTheLoopWithStatusZero) {
  const int status = Run([](app::Window1&) {
    Ref<fw::MenuItem> file = app::MainMenuBar::ImplicitInstance()->Child("FileMenu");
    file->Child("FileQuit")->NativeAction()->trigger();
    return true;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Count(app::StartupTrace(), "event loop returned"), 1);
}

TEST_F(StartupTest, ClosingAnotherWindowLeavesTheProgramRunning) {
  Ref<fw::Window> other;
  int ticks = 0;
  const int status = Run([&](app::Window1&) {
    if (ticks++ == 0) {
      other = std::make_shared<fw::Window>();
      fw::SetProperties(
          other, fw::LayoutTableWriter().String("Title", "Other").Bool("Visible", true).Bytes());
      other->Constructor();
      other->Close();
      return false;
    }
    fw::Quit(7);  // still running on the next tick: end it with a status of our own
    return true;
  });
  EXPECT_EQ(status, 7);
  EXPECT_FALSE(other->IsOpen());
}

TEST_F(StartupTest, MainThreadRuleHoldsOnceTheApplicationIsRegistered) {
  bool raised = false, done = false;
  Ref<fw::Thread> worker;
  const int status = Run([&](app::Window1& w) {
    if (!worker) {
      Ref<fw::TextField> field = w.TextField1();
      worker = std::make_shared<fw::Thread>();
      worker->SetRunHandler([&raised, &done, field](fw::Thread&) {
        try {
          field->SetText("from a worker");
        } catch (const fw::ThreadAccessingUIException&) {
          raised = true;
        }
        done = true;
      });
      worker->Run();
      return false;
    }
    if (!done) return false;
    EXPECT_EQ(w.TextField1()->Text(), "");
    w.Close();
    return true;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(raised);
}

TEST_F(StartupTest, ExceptionEscapingAStepIsReportedAndTheEndStillRuns) {
  app::SetStartupObserver([](const std::string& step) {
    if (step == "_InitFileTypes") throw fw::NilObjectException("no file types");
  });
  char name[] = "snapharbor";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(app::RunProgram(1, argv), 1) << "a failed start-up ended as a success";
  ASSERT_EQ(reports, (std::vector<std::string>{"NilObjectException"}));
  const Steps& steps = app::StartupTrace();
  const Steps tail(steps.end() - 4, steps.end());
  EXPECT_EQ(tail, (Steps{"_InitFileTypes", "_UnhandledException", "% finalize", "RuntimeExit"}));
  EXPECT_EQ(Count(steps, "_NewAppInstance"), 0);
  EXPECT_EQ(fw::Application::Current(), nullptr);
  EXPECT_EQ(app::MainMenuBar::ImplicitInstance(), nullptr);
}

// A late start-up that opens no window leaves nothing to quit the program
// by: the program ends by itself (here not by the 10 s guard's status 99),
// and with a status that says so when the start-up failed.
struct LateFailureCase {
  const char* name;
  const char* step;  // the step that raises
  int status;
  std::vector<std::string> reports;
};
void PrintTo(const LateFailureCase& c, std::ostream* os) { *os << c.name; }

class LateStartupFailure : public StartupTest,
                           public ::testing::WithParamInterface<LateFailureCase> {};

TEST_P(LateStartupFailure, EndsTheProgramWhenNoWindowIsOpen) {
  const LateFailureCase& c = GetParam();
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { fw::Quit(99); });
  app::SetStartupObserver([&](const std::string& step) {
    if (step == "_RuntimeRun") guard.start(10000);
    if (step == c.step) throw fw::NilObjectException("no window");
  });
  char name[] = "snapharbor";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(app::RunProgram(1, argv), c.status);
  EXPECT_EQ(reports, c.reports);
  const Steps& steps = app::StartupTrace();
  EXPECT_EQ(Count(steps, "no window open"), 1);
  EXPECT_EQ(Count(steps, "event loop returned"), 1);
  EXPECT_TRUE(fw::OpenWindows().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LateStartupFailure,
    ::testing::Values(
        LateFailureCase{
            "making the main window fails", "_MakeDefaultView", 1, {"NilObjectException"}},
        LateFailureCase{"the late start-up fails", "_LateStartup", 1, {"NilObjectException"}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
