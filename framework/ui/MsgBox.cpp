#include "framework/ui/MsgBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

#include "framework/runtime/MainThreadRule.h"

namespace fw {

namespace {
std::function<void(const std::string&)>& Handler() {
  static std::function<void(const std::string&)> handler;
  return handler;
}
}  // namespace

void MsgBox(const std::string& text) {
  CheckMainThread();
  if (auto h = Handler()) {
    h(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void SetMsgBoxHandler(std::function<void(const std::string&)> handler) {
  Handler() = std::move(handler);
}

}  // namespace fw
