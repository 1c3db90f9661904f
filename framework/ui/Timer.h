#pragma once
#include <cstdint>
#include <functional>

#include "framework/classes/Object.h"
#include "framework/classes/PropertyTarget.h"

class QTimer;

namespace fw {

// A timer whose Action event runs on the main thread, from the event loop.
// Event "Action": void (Timer&). It runs while Enabled is True and Mode is
// not Off: every Period milliseconds (Multiple) or once, after which Mode
// becomes Off (Single).
//
// Timers carry no main-thread check: a worker may start and stop one (the
// change reaches the main thread's timer through its event queue). No
// operation fails.
class Timer : public virtual Object, public PropertyTarget {
 public:
  static constexpr int32_t kModeOff = 0;
  static constexpr int32_t kModeSingle = 1;
  static constexpr int32_t kModeMultiple = 2;

  // A new timer: Mode Multiple, Period 1000, Enabled True.
  Timer();
  ~Timer() override;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const ClassRecord& Class() const override;

  int32_t Mode() const { return mode_; }
  void SetMode(int32_t mode);
  // Milliseconds between Actions (below 0 counts as 0). Setting it starts the
  // wait anew.
  int32_t Period() const { return period_; }
  void SetPeriod(int32_t ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Starts the wait for the next Action anew; does nothing while stopped.
  void Reset();

  // Runs the Action event now, as when the timer fires (through DeliverEvent).
  void CallAction();

  // Mode and Period; false for other names.
  bool SetLayoutProperty(const LayoutEntry& e) override;
  bool BindEvent(std::string_view event, const Ref<Delegate>& d) override;

 private:
  void Fired();
  void Apply(bool restart);

  QTimer* timer_;
  int32_t mode_ = kModeMultiple;
  int32_t period_ = 1000;
  bool enabled_ = true;
  std::function<void(Timer&)> action_;
};

}  // namespace fw
