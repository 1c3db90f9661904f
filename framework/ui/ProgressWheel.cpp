#include "framework/ui/ProgressWheel.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/MainThreadRule.h"

namespace fw {

namespace {

constexpr int kSpokes = 12;
constexpr int kStepMs = 80;

// Paints the wheel; turns one spoke per step while shown and enabled.
class WheelWidget : public QWidget {
 public:
  WheelWidget() {
    timer_.setInterval(kStepMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      step_ = (step_ + 1) % kSpokes;
      update();
    });
    setAttribute(Qt::WA_TranslucentBackground);
  }
  bool Spinning() const { return timer_.isActive(); }

 protected:
  void showEvent(QShowEvent*) override { Update(); }
  void hideEvent(QHideEvent*) override { Update(); }
  void changeEvent(QEvent* e) override {
    if (e->type() == QEvent::EnabledChange) {
      Update();
      update();
    }
    QWidget::changeEvent(e);
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    if (side <= 0) return;
    p.translate(width() / 2.0, height() / 2.0);
    const double outer = side / 2.0, inner = outer * 0.45;
    // Spokes that stand out from what lies behind: light on a dark window.
    const QColor behind = palette().color(QPalette::Window);
    QPen pen(behind.lightness() < 128 ? QColor(235, 235, 235) : QColor(40, 40, 40));
    pen.setWidthF(std::max(1.0, side / 9.0));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
      // The spoke at the step is darkest; those behind it fade.
      const int age = (step_ - i + kSpokes) % kSpokes;
      QColor c = pen.color();
      c.setAlphaF(isEnabled() ? 1.0 - 0.8 * age / (kSpokes - 1) : 0.3);
      pen.setColor(c);
      p.setPen(pen);
      const double a = 2 * M_PI * i / kSpokes;
      p.drawLine(QPointF(inner * std::sin(a), -inner * std::cos(a)),
                 QPointF((outer - pen.widthF() / 2) * std::sin(a),
                         -(outer - pen.widthF() / 2) * std::cos(a)));
    }
  }

 private:
  void Update() {
    if (isVisible() && isEnabled()) {
      if (!timer_.isActive()) timer_.start();
    } else {
      timer_.stop();
    }
  }

  QTimer timer_;
  int step_ = 0;
};

}  // namespace

ProgressWheel::ProgressWheel() : RectControl(new WheelWidget) {}

ProgressWheel::~ProgressWheel() = default;

const ClassRecord& ProgressWheel::Class() const { return LookupClass("ProgressWheel"); }

bool ProgressWheel::Spinning() const {
  CheckMainThread();
  auto* w = static_cast<WheelWidget*>(Widget());
  return w && w->Spinning();
}

void ProgressWheel::UpdateFocusPolicy() {
  if (Widget()) Widget()->setFocusPolicy(Qt::NoFocus);
}

}  // namespace fw
