#include "framework/ui/UnhandledReport.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <mutex>

#include "framework/ui/RunOnMainThread.h"
#include "framework/runtime/ExceptionDescription.h"
#include "framework/text/Text.h"
#include "framework/runtime/UnhandledException.h"

namespace fw {

namespace {
std::mutex gPresenterMutex;
UnhandledReport::Presenter& ThePresenter() {
  static UnhandledReport::Presenter presenter;  // guarded by gPresenterMutex
  return presenter;
}
}  // namespace

void UnhandledReport::Install() { SetUnhandledReporter(&UnhandledReport::Report); }

void UnhandledReport::SetPresenter(Presenter presenter) {
  std::lock_guard g(gPresenterMutex);
  ThePresenter() = std::move(presenter);
}

UnhandledReport::Details UnhandledReport::Describe(std::exception_ptr e) {
  Details d;
  try {
    ExceptionDescription what = ExceptionDescription::Of(e);
    d.title = "Unhandled exception";
    d.text = "The program met an error that it did not handle.\n\n" + what.Line();
    d.className = std::move(what.className);
    d.message = std::move(what.message);
    d.errorNumber = what.errorNumber;
    if (d.errorNumber != 0) d.text += "\nError number: " + Str(d.errorNumber);
  } catch (...) {
    // Out of memory while describing; say what we can.
    d.className = "unknown exception";
  }
  return d;
}

void UnhandledReport::Report(std::exception_ptr e) {
  try {
    const Details d = Describe(e);
    std::string line = "Unhandled exception: " + d.className;
    if (!d.message.empty()) line += ": " + d.message;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);

    RunOnMainThread([d] { Present(d); });
  } catch (...) {
    // A report must never become a second fault; the line is out already.
  }
}

void UnhandledReport::Present(const Details& details) {
  Presenter presenter;
  {
    std::lock_guard g(gPresenterMutex);
    presenter = ThePresenter();
  }
  try {
    if (presenter) {
      presenter(details);
      return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(details.title),
                    QString::fromStdString(details.text), QMessageBox::Ok);
    box.exec();
  } catch (...) {
  }
}

}  // namespace fw
