#include "framework/ui/ShowURL.h"

#include <QDesktopServices>
#include <QUrl>
#include <mutex>

#include "framework/ui/RunOnMainThread.h"

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
  const QUrl url(QString::fromStdString(address));
  RunOnMainThread([url] { QDesktopServices::openUrl(url); });
}

void SetShowURLHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard g(gMutex);
  Handler() = std::move(handler);
}

}  // namespace fw
