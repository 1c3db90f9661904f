#include "framework/ui/UnhandledReport.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <tuple>

#include "framework/runtime/ExceptionDescription.h"
#include "framework/runtime/UnhandledException.h"
#include "framework/text/Text.h"
#include "framework/ui/RunOnMainThread.h"

namespace fw {

namespace {

using Key = std::tuple<std::string, std::string, std::string>;  // class, message, where

struct ReportState {
  std::mutex m;
  UnhandledReport::Presenter presenter;  // guarded by m
  std::map<Key, int64_t> seen;           // how often each report came; guarded by m
  // Main thread only: reports waiting for the open box to close, and whether one is open.
  std::deque<UnhandledReport::Details> waiting;
  bool showing = false;
};

ReportState& State() {
  static ReportState state;
  return state;
}

}  // namespace

void UnhandledReport::Install() { SetUnhandledReporter(&UnhandledReport::Report); }

void UnhandledReport::SetPresenter(Presenter presenter) {
  ReportState& s = State();
  std::lock_guard g(s.m);
  s.presenter = std::move(presenter);
  s.seen.clear();
}

UnhandledReport::Details UnhandledReport::Describe(std::exception_ptr e, std::string_view where) {
  Details d;
  try {
    d.where = std::string(where);
    ExceptionDescription what = ExceptionDescription::Of(e);
    d.title = "Unhandled exception";
    d.text = "The program met an error that it did not handle.\n\n" + what.Line();
    d.className = std::move(what.className);
    d.message = std::move(what.message);
    d.errorNumber = what.errorNumber;
    if (d.errorNumber != 0) d.text += "\nError number: " + Str(d.errorNumber);
    if (!d.where.empty()) d.text += "\nIn: " + d.where;
  } catch (...) {
    // Out of memory while describing; say what we can.
    d.className = "unknown exception";
  }
  return d;
}

void UnhandledReport::Report(std::exception_ptr e, std::string_view where) {
  try {
    const Details d = Describe(e, where);
    int64_t count = 0;
    {
      ReportState& s = State();
      std::lock_guard g(s.m);
      count = ++s.seen[Key{d.className, d.message, d.where}];
    }
    std::string line = "Unhandled exception: " +
                       ExceptionDescription{d.className, d.message, d.errorNumber}.Line();
    if (!d.where.empty()) line += " (in " + d.where + ")";
    if (count > 1) line += " [" + std::to_string(count) + " times, shown once]";
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    if (count > 1) return;

    RunOnMainThread([d] { ShowInTurn(d); });
  } catch (...) {
    // A report must never become a second fault; the line is out already.
  }
}

// On the main thread. A box runs an event loop of its own, in which further
// reports arrive; they wait for it here instead of opening a box over it.
void UnhandledReport::ShowInTurn(const Details& details) {
  ReportState& s = State();
  s.waiting.push_back(details);
  if (s.showing) return;
  s.showing = true;
  while (!s.waiting.empty()) {
    const Details next = std::move(s.waiting.front());
    s.waiting.pop_front();
    Present(next);
  }
  s.showing = false;
}

void UnhandledReport::Present(const Details& details) {
  Presenter presenter;
  {
    ReportState& s = State();
    std::lock_guard g(s.m);
    presenter = s.presenter;
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
