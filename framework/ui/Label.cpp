#include "framework/ui/Label.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPalette>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"

namespace fw {

namespace {

// A QLabel that reports mouse presses.
class ClickLabel : public QLabel {
 public:
  std::function<void(int, int)> onMouseDown;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    const QPoint p = e->position().toPoint();
    if (auto h = onMouseDown) h(p.x(), p.y());  // may free the label's control
    QLabel::mousePressEvent(e);
  }
};

}  // namespace

Label::Label() : TextControl(new ClickLabel) {
  auto* w = static_cast<ClickLabel*>(Widget());
  w->setTextFormat(Qt::PlainText);
  w->onMouseDown = [this](int x, int y) { MouseDown(x, y); };
  ApplyAlignment();
  ApplyTextStyle(style_);
  SetTransparent(transparent_);
}

Label::~Label() {
  if (auto* w = static_cast<ClickLabel*>(Widget())) w->onMouseDown = nullptr;
}

const ClassRecord& Label::Class() const { return LookupClass("Label"); }

QLabel* Label::LabelWidget() const { return static_cast<QLabel*>(Widget()); }

void Label::UpdateFocusPolicy() {
  // Tab never stops at a label; a selectable one takes focus by click to copy from.
  if (Widget()) Widget()->setFocusPolicy(selectable_ ? Qt::ClickFocus : Qt::NoFocus);
}

void Label::ApplyAlignment() {
  if (!LabelWidget()) return;
  Qt::Alignment a = Qt::AlignLeft;
  if (textAlign_ == 1) a = Qt::AlignHCenter;
  if (textAlign_ == 2) a = Qt::AlignRight;
  a |= multiline_ ? Qt::AlignTop : Qt::AlignVCenter;
  LabelWidget()->setAlignment(a);
  LabelWidget()->setWordWrap(multiline_);
}

bool Label::MouseDown(int32_t x, int32_t y) {
  std::function<bool(Label&, int32_t, int32_t)> h = mouseDown_;  // the handler may free this label
  bool result = false;
  if (h) DeliverEvent([&] { result = h(*this, x, y); });
  return result;
}

std::string Label::Text() const {
  CheckMainThread();
  return text_;
}
void Label::SetText(const std::string& v) {
  CheckMainThread();
  text_ = v;
  if (LabelWidget()) LabelWidget()->setText(QString::fromStdString(v));
}
uint32_t Label::TextColor() const {
  CheckMainThread();
  return textColor_;
}
void Label::SetTextColor(uint32_t rgb) {
  CheckMainThread();
  textColor_ = rgb & 0xFFFFFFu;
  if (!LabelWidget()) return;
  QPalette p = LabelWidget()->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
    p.setColor(g, QPalette::WindowText, QColor::fromRgb(textColor_));
  LabelWidget()->setPalette(p);
}
int32_t Label::TextAlign() const {
  CheckMainThread();
  return textAlign_;
}
void Label::SetTextAlign(int32_t v) {
  CheckMainThread();
  textAlign_ = v;
  ApplyAlignment();
}
bool Label::Multiline() const {
  CheckMainThread();
  return multiline_;
}
void Label::SetMultiline(bool v) {
  CheckMainThread();
  multiline_ = v;
  ApplyAlignment();
}
bool Label::Selectable() const {
  CheckMainThread();
  return selectable_;
}
void Label::SetSelectable(bool v) {
  CheckMainThread();
  selectable_ = v;
  if (LabelWidget())
    LabelWidget()->setTextInteractionFlags(v ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
  UpdateFocusPolicy();
}
bool Label::Transparent() const {
  CheckMainThread();
  return transparent_;
}
void Label::SetTransparent(bool v) {
  CheckMainThread();
  transparent_ = v;
  if (LabelWidget()) LabelWidget()->setAutoFillBackground(!v);
}

std::string Label::DataSource() const {
  CheckMainThread();
  return dataSource_;
}
void Label::SetDataSource(const std::string& v) {
  CheckMainThread();
  dataSource_ = v;
}
std::string Label::DataField() const {
  CheckMainThread();
  return dataField_;
}
void Label::SetDataField(const std::string& v) {
  CheckMainThread();
  dataField_ = v;
}

bool Label::SetLayoutProperty(const LayoutEntry& e) {
  const std::string& n = e.name;
  if (n == "Text") SetText(e.text);
  else if (n == "TextColor") SetTextColor(e.Color());
  else if (n == "TextAlign") SetTextAlign(e.Int());
  else if (n == "Multiline") SetMultiline(e.Bool());
  else if (n == "Selectable") SetSelectable(e.Bool());
  else if (n == "Transparent") SetTransparent(e.Bool());
  else if (n == "DataSource") SetDataSource(e.text);
  else if (n == "DataField") SetDataField(e.text);
  else if (SetTextStyleProperty(style_, e)) {}
  else return RectControl::SetLayoutProperty(e);
  return true;
}

bool Label::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "MouseDown") return RectControl::BindEvent(event, d);
  mouseDown_ = DelegateHandler<bool(Label&, int32_t, int32_t)>(d, event);
  return true;
}

}  // namespace fw
