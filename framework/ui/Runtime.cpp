#include "framework/ui/Runtime.h"

#include <QApplication>
#include <QEvent>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThread.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/UnhandledException.h"
#include "framework/ui/Application.h"
#include "framework/ui/EventLoopLock.h"
#include "framework/ui/RunOnMainThread.h"
#include "framework/ui/UnhandledReport.h"

namespace fw {

namespace {
std::unique_ptr<QApplication> gOwnedApp;  // made by RuntimeInit; main thread only
// Written by Quit from any thread.
std::atomic<int32_t> gExitStatus{0};
std::atomic<bool> gQuitPending{false};    // Quit came and the loop has not returned for it yet
std::atomic<bool> gStartupFailed{false};  // UnhandledException reported something

// How long the end of the runtime waits for threads that were let go without
// the lock (a picture's conversion or write, a name lookup) before it gives
// up on them: well inside the half second a quit may take.
constexpr int kLetGoGraceMs = 100;

// Kills every worker; when a thread let go is still finishing after the grace
// and the process is the runtime's own, ends the process here with the exit
// status: its static state must not be torn down under that thread, and
// there is nothing left that needs saving (a file gets its name only once it
// is whole and flushed, so a write cut off here leaves nothing).
void EndWorkers() {
  Thread::KillAll();
  if (Thread::WaitForAllThreadsToEnd(kLetGoGraceMs) || !gOwnedApp) return;
  std::fflush(nullptr);
  std::_Exit(gExitStatus);
}

// exit() called while the runtime's own application object lives: the
// platform layer does it from inside an event when the display's connection
// is lost. The object is then in the middle of delivering that event and must
// not be destroyed by the exit handlers, nor the statics torn down under
// workers; the process ends here, with the status exit() was given.
void EndOnExitInsideTheLoop(int status, void* /*unused*/) {
  if (!gOwnedApp) return;  // ended through RuntimeExit, or never made
  std::fflush(nullptr);
  std::_Exit(status);
}

QCoreApplication& MainApp(const char* what) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) throw RuntimeException(std::string(what) + " before RuntimeInit");
  if (!IsMainThread()) throw RuntimeException(std::string(what) + " off the main thread");
  return *app;
}
}  // namespace

void RuntimeInit(int& argc, char** argv) {
  if (!QCoreApplication::instance()) {
    // Runs before the static destructors, gOwnedApp's among them.
    static const bool registered = on_exit(EndOnExitInsideTheLoop, nullptr) == 0;
    (void)registered;
    gOwnedApp = std::make_unique<QApplication>(argc, argv);
  }
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) throw RuntimeException("the runtime needs a QApplication");
  MainApp("RuntimeInit");
  app->setQuitOnLastWindowClosed(false);  // windows quit through their own Close handlers
  RuntimeLock::Instance().Acquire();
  EventLoopLock::Install();
  // Objects whose last reference goes off the lock are released here, as events.
  SetMainThreadPoster([](std::function<void()> f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    QMetaObject::invokeMethod(app, std::move(f), Qt::QueuedConnection);
    return true;
  });
  UnhandledReport::Install();
  gExitStatus = 0;
  gQuitPending = false;
  gStartupFailed = false;
}

void RuntimeInitExternalClasses() {
  // Records are built on first use anyway; building them here puts them all in
  // place before the program's own records name them as superclasses.
  for (const char* name :
       {"Object", "Window", "RectControl", "TextField", "PushButton", "Label", "Canvas",
        "ProgressWheel", "Thread", "Timer", "Application", "MenuItem", "MenuBar", "QuitMenuItem"})
    LookupClass(name);
}

void RuntimeRegisterAppObject(const Ref<Application>& app) {
  CheckNil(app, "RuntimeRegisterAppObject");
  Application::SetCurrent(app);
  SetMainThreadRuleActive(true);
}

void RunFrameworkInitialization(std::function<void()> lateStartup) {
  QCoreApplication& app = MainApp("RunFrameworkInitialization");
  if (!lateStartup) return;
  QMetaObject::invokeMethod(
      &app, [f = std::move(lateStartup)] { DeliverEvent(f, "late start-up"); },
      Qt::QueuedConnection);
}

void RuntimeRun() {
  MainApp("RuntimeRun");
  if (!gQuitPending) QCoreApplication::exec();
  gQuitPending = false;
  EventLoopLock::Regain();
  // Nothing gives workers a turn any more; end them now, so that the
  // program's release steps never meet a worker halfway through its work.
  EndWorkers();
}

void Quit(int32_t code) {
  gExitStatus = code;
  gQuitPending = true;
  // From a worker this ends the loop from inside it, unless the loop has
  // returned for this Quit already.
  RunOnMainThread([] {
    if (gQuitPending) QCoreApplication::exit(gExitStatus);
  });
}

bool QuitMenuAction(MenuItem& /*item*/) {
  Quit(0);
  return true;
}

int32_t RuntimeExit() {
  EventLoopLock::Regain();
  EndWorkers();
  Application::SetCurrent(nullptr);
  // Widgets whose deletion was deferred (closed windows) go while Qt still runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SetMainThreadRuleActive(false);
  int32_t status = gExitStatus.exchange(0);
  if (gStartupFailed.exchange(false) && status == 0) status = 1;
  gQuitPending = false;
  if (gOwnedApp) {
    EventLoopLock::Uninstall();
    SetMainThreadPoster({});
    gOwnedApp.reset();
  }
  return status;
}

void UnhandledException(std::exception_ptr e, std::string_view where) {
  if (!e) return;
  gStartupFailed = true;
  ReportUnhandled(e, where);
}

}  // namespace fw
