#pragma once
#include "framework/ui/RectControl.h"

namespace fw {

// An indeterminate busy indicator: a small wheel of spokes that turns while
// the control is visible and enabled (and stands, dimmed, while disabled).
// Takes no focus. Its operations are RectControl's.
class ProgressWheel : public RectControl {
 public:
  ProgressWheel();
  ~ProgressWheel() override;

  const ClassRecord& Class() const override;

  // True while the wheel turns (visible in a shown window, and enabled).
  // Raises ThreadAccessingUIException on a worker.
  bool Spinning() const;

 protected:
  void UpdateFocusPolicy() override;
};

}  // namespace fw
