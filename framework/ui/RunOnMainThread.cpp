#include "framework/ui/RunOnMainThread.h"

#include <QCoreApplication>

#include "framework/runtime/MainThread.h"

namespace fw {

bool OnMainThreadWithApplication() { return QCoreApplication::instance() && IsMainThread(); }

bool RunOnMainThread(std::function<void()> f, QObject* context) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (IsMainThread()) {
    f();
  } else {
    QMetaObject::invokeMethod(context ? context : app, std::move(f), Qt::QueuedConnection);
  }
  return true;
}

}  // namespace fw
