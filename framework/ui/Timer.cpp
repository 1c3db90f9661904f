#include "framework/ui/Timer.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/ui/RunOnMainThread.h"

namespace fw {

namespace {
bool OnTimerThread(const QTimer* t) { return QThread::currentThread() == t->thread(); }
}  // namespace

Timer::Timer() : timer_(new QTimer) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app && timer_->thread() != app->thread()) timer_->moveToThread(app->thread());
  QObject::connect(timer_, &QTimer::timeout, [this] { Fired(); });
  Apply(true);
}

Timer::~Timer() {
  timer_->disconnect();
  if (OnTimerThread(timer_)) timer_->stop();
  timer_->deleteLater();  // safe even from within the timer's own Action
}

const ClassRecord& Timer::Class() const { return LookupClass("Timer"); }

// Starts or stops the QTimer to match Mode, Period and Enabled; with restart
// a running timer starts its wait anew.
void Timer::Apply(bool restart) {
  const bool run = enabled_ && mode_ != kModeOff;
  const int ms = std::max(0, period_);
  const bool single = mode_ == kModeSingle;
  QTimer* t = timer_;
  auto apply = [t, run, ms, single, restart] {
    if (!run) {
      t->stop();
      return;
    }
    t->setSingleShot(single);
    if (restart || !t->isActive() || t->interval() != ms) {
      t->setInterval(ms);
      t->start();
    }
  };
  RunOnMainThread(apply, t);  // dropped should the timer go first
}

void Timer::SetMode(int32_t mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Apply(true);
}

void Timer::SetPeriod(int32_t ms) {
  period_ = ms;
  Apply(true);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Apply(true);
}

void Timer::Reset() {
  if (enabled_ && mode_ != kModeOff) Apply(true);
}

void Timer::Fired() {
  if (!enabled_ || mode_ == kModeOff) return;  // stopped meanwhile from a worker
  if (mode_ == kModeSingle) mode_ = kModeOff;
  CallAction();
}

void Timer::CallAction() {
  std::function<void(Timer&)> h = action_;  // the handler may free this timer
  if (h) DeliverEvent([&] { h(*this); }, Class().FullName() + ".Action");
}

bool Timer::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<Timer> kSetters[] = {
      {"Mode", LayoutSetterFor<&Timer::SetMode>},
      {"Period", LayoutSetterFor<&Timer::SetPeriod>},
  };
  return SetFromLayoutTable(*this, kSetters, e);
}

bool Timer::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "Action") return Object::BindEvent(event, d);
  action_ = DelegateHandler<void(Timer&)>(d, event);
  return true;
}

}  // namespace fw
