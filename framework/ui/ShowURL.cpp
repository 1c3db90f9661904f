#include "framework/ui/ShowURL.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QThread>
#include <QUrl>
#include <mutex>

namespace fw {

namespace {
std::mutex gMutex;
std::function<void(const std::string&)>& Handler() {
  static std::function<void(const std::string&)> handler;  // guarded by gMutex
  return handler;
}
}  // namespace

void ShowURL(const std::string& address) {
  std::function<void(const std::string&)> h;
  {
    std::lock_guard g(gMutex);
    h = Handler();
  }
  if (h) {
    h(address);
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  const QUrl url(QString::fromStdString(address));
  if (QThread::currentThread() == app->thread())
    QDesktopServices::openUrl(url);
  else
    QMetaObject::invokeMethod(app, [url] { QDesktopServices::openUrl(url); }, Qt::QueuedConnection);
}

void SetShowURLHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard g(gMutex);
  Handler() = std::move(handler);
}

}  // namespace fw
