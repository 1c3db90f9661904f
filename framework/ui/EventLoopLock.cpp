#include "framework/ui/EventLoopLock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>

#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/ui/RunOnMainThread.h"

namespace fw {

namespace {
// All of this is touched by the main thread only.
QPointer<EventLoopLock> gHook;                   // the filter object, a child of the application
QPointer<QAbstractEventDispatcher> gDispatcher;  // the dispatcher it is hooked to
bool gReleasedByLoop = false;  // the loop gave the lock up and has not taken it back
}  // namespace

void EventLoopLock::OnAboutToBlock() {
  RuntimeLock& lock = RuntimeLock::Instance();
  if (!lock.HeldByMe()) return;  // given up by someone else; theirs to take back
  gReleasedByLoop = true;
  lock.Release();
}

void EventLoopLock::OnAwake() {
  if (!gReleasedByLoop) return;
  gReleasedByLoop = false;
  RuntimeLock::Instance().Acquire();
}

bool EventLoopLock::eventFilter(QObject* /*watched*/, QEvent* /*event*/) {
  // Application filters only see objects of the main thread, but stay careful.
  if (!OnMainThreadWithApplication()) return false;
  gReleasedByLoop = false;
  RuntimeLock::Instance().Acquire();  // at once when held already
  return false;
}

void EventLoopLock::Install() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) throw RuntimeException("the event loop lock needs the application object");
  if (!OnMainThreadWithApplication())
    throw RuntimeException("the event loop lock is installed on the main thread");
  if (Installed()) return;
  Uninstall();
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread());
  if (!dispatcher) throw RuntimeException("the main thread has no event dispatcher");
  gHook = new EventLoopLock(app);
  gDispatcher = dispatcher;
  connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, gHook,
          &EventLoopLock::OnAboutToBlock, Qt::DirectConnection);
  connect(dispatcher, &QAbstractEventDispatcher::awake, gHook, &EventLoopLock::OnAwake,
          Qt::DirectConnection);
  app->installEventFilter(gHook);
}

void EventLoopLock::Uninstall() {
  if (gHook) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(gHook);
    delete gHook.data();  // takes its connections with it
  }
  gHook = nullptr;
  gDispatcher = nullptr;
  if (gReleasedByLoop) Regain();
}

bool EventLoopLock::Installed() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && gHook && gDispatcher &&
         gDispatcher == QAbstractEventDispatcher::instance(app->thread());
}

void EventLoopLock::Regain() {
  gReleasedByLoop = false;
  RuntimeLock::Instance().Acquire();
}

}  // namespace fw
