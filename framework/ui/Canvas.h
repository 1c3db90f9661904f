#pragma once
#include <cstdint>
#include <functional>

#include "framework/runtime/Nil.h"
#include "framework/ui/RectControl.h"

namespace fw {

class Picture;

// A drawing surface that shows a picture as its backdrop. Event "MouseDown":
// bool (Canvas&, int32_t x, int32_t y), when a mouse button goes down on it
// (x, y from its top left); unbound it yields False.
// Every getter and setter raises ThreadAccessingUIException on a worker.
class Canvas : public RectControl {
 public:
  Canvas();
  ~Canvas() override;

  const ClassRecord& Class() const override;

  // The picture painted at the canvas's top left, its mask (if any) as
  // transparency; Nil: none. The canvas holds the picture.
  Ref<Picture> Backdrop() const;
  void SetBackdrop(const Ref<Picture>& picture);
  // True: a click or Tab gives the canvas the focus.
  bool AcceptFocus() const;
  void SetAcceptFocus(bool v);
  // True: the canvas fills itself with its window's colour before painting.
  bool EraseBackground() const;
  void SetEraseBackground(bool v);
  // Kept as set, no effect here.
  bool DoubleBuffer() const;
  void SetDoubleBuffer(bool v);
  bool UseFocusRing() const;
  void SetUseFocusRing(bool v);
  bool AcceptTabs() const;
  void SetAcceptTabs(bool v);

  // Raises the MouseDown event (through DeliverEvent) and gives its result:
  // False when unbound or when the handler raised.
  bool MouseDown(int32_t x, int32_t y);

  bool SetLayoutProperty(const LayoutEntry& e) override;
  bool BindEvent(std::string_view event, const Ref<Delegate>& d) override;

 protected:
  void UpdateFocusPolicy() override;

 private:
  Ref<Picture> backdrop_;
  bool acceptFocus_ = false, eraseBackground_ = true, doubleBuffer_ = false;
  bool useFocusRing_ = true, acceptTabs_ = false;
  std::function<bool(Canvas&, int32_t, int32_t)> mouseDown_;
};

}  // namespace fw
