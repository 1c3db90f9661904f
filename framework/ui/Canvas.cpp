#include "framework/ui/Canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/ui/CheckedAccessors.h"

namespace fw {

namespace {

// Paints the backdrop and reports mouse presses.
class CanvasWidget : public QWidget {
 public:
  std::function<void(int, int)> onMouseDown;
  Ref<Picture> backdrop;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!backdrop) return;
    QPainter p(this);
    p.drawImage(QPoint(0, 0), backdrop->ImageWithMask());
  }
  void mousePressEvent(QMouseEvent* e) override {
    const QPoint pt = e->position().toPoint();
    if (auto h = onMouseDown) h(pt.x(), pt.y());  // may free the canvas's control
    QWidget::mousePressEvent(e);
  }
};

}  // namespace

Canvas::Canvas() : RectControl(new CanvasWidget) {
  auto* w = static_cast<CanvasWidget*>(Widget());
  w->onMouseDown = [this](int x, int y) { MouseDown(x, y); };
  w->setAutoFillBackground(eraseBackground_);
}

Canvas::~Canvas() {
  if (auto* w = static_cast<CanvasWidget*>(Widget())) {
    w->onMouseDown = nullptr;
    w->backdrop = nullptr;
  }
}

const ClassRecord& Canvas::Class() const { return LookupClass("Canvas"); }

void Canvas::UpdateFocusPolicy() {
  if (!Widget()) return;
  Widget()->setFocusPolicy(!acceptFocus_ ? Qt::NoFocus
                           : TabStop()   ? Qt::StrongFocus
                                         : Qt::ClickFocus);
}

bool Canvas::MouseDown(int32_t x, int32_t y) {
  std::function<bool(Canvas&, int32_t, int32_t)> h =
      mouseDown_;  // the handler may free this canvas
  bool result = false;
  if (h) DeliverEvent([&] { result = h(*this, x, y); }, Name() + ".MouseDown");
  return result;
}

Ref<Picture> Canvas::Backdrop() const {
  CheckMainThread();
  return backdrop_;
}
void Canvas::SetBackdrop(const Ref<Picture>& picture) {
  CheckMainThread();
  backdrop_ = picture;
  if (auto* w = static_cast<CanvasWidget*>(Widget())) {
    w->backdrop = picture;
    w->update();
  }
}
FW_CHECKED_PROPERTY_THEN(Canvas, bool, bool, AcceptFocus, SetAcceptFocus, acceptFocus_,
                         UpdateFocusPolicy())
FW_CHECKED_PROPERTY_THEN(Canvas, bool, bool, EraseBackground, SetEraseBackground, eraseBackground_,
                         if (Widget()) Widget()->setAutoFillBackground(v))
FW_CHECKED_PROPERTY(Canvas, bool, bool, DoubleBuffer, SetDoubleBuffer, doubleBuffer_)
FW_CHECKED_PROPERTY(Canvas, bool, bool, UseFocusRing, SetUseFocusRing, useFocusRing_)
FW_CHECKED_PROPERTY(Canvas, bool, bool, AcceptTabs, SetAcceptTabs, acceptTabs_)

bool Canvas::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<Canvas> kSetters[] = {
      {"AcceptFocus", LayoutSetterFor<&Canvas::SetAcceptFocus>},
      {"EraseBackground", LayoutSetterFor<&Canvas::SetEraseBackground>},
      {"DoubleBuffer", LayoutSetterFor<&Canvas::SetDoubleBuffer>},
      {"UseFocusRing", LayoutSetterFor<&Canvas::SetUseFocusRing>},
      {"AcceptTabs", LayoutSetterFor<&Canvas::SetAcceptTabs>},
  };
  return SetFromLayoutTable(*this, kSetters, e) || RectControl::SetLayoutProperty(e);
}

bool Canvas::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "MouseDown") return RectControl::BindEvent(event, d);
  mouseDown_ = DelegateHandler<bool(Canvas&, int32_t, int32_t)>(d, event);
  return true;
}

}  // namespace fw
