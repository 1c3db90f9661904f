#include "framework/ui/Label.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPalette>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/ui/CheckedAccessors.h"

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
  if (h) DeliverEvent([&] { result = h(*this, x, y); }, Name() + ".MouseDown");
  return result;
}

FW_CHECKED_PROPERTY_THEN(Label, std::string, const std::string&, Text, SetText, text_,
                         if (LabelWidget()) LabelWidget()->setText(QString::fromStdString(v)))
FW_CHECKED_GETTER(Label, uint32_t, TextColor, textColor_)
void Label::SetTextColor(uint32_t rgb) {
  CheckMainThread();
  textColor_ = rgb & 0xFFFFFFu;
  if (!LabelWidget()) return;
  QPalette p = LabelWidget()->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
    p.setColor(g, QPalette::WindowText, QColor::fromRgb(textColor_));
  LabelWidget()->setPalette(p);
}
FW_CHECKED_PROPERTY_THEN(Label, int32_t, int32_t, TextAlign, SetTextAlign, textAlign_,
                         ApplyAlignment())
FW_CHECKED_PROPERTY_THEN(Label, bool, bool, Multiline, SetMultiline, multiline_, ApplyAlignment())
FW_CHECKED_GETTER(Label, bool, Selectable, selectable_)
void Label::SetSelectable(bool v) {
  CheckMainThread();
  selectable_ = v;
  if (LabelWidget())
    LabelWidget()->setTextInteractionFlags(v ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
  UpdateFocusPolicy();
}
FW_CHECKED_PROPERTY_THEN(Label, bool, bool, Transparent, SetTransparent, transparent_,
                         if (LabelWidget()) LabelWidget()->setAutoFillBackground(!v))
FW_CHECKED_PROPERTY(Label, std::string, const std::string&, DataSource, SetDataSource, dataSource_)
FW_CHECKED_PROPERTY(Label, std::string, const std::string&, DataField, SetDataField, dataField_)

bool Label::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<Label> kSetters[] = {
      {"Text", LayoutSetterFor<&Label::SetText>},
      {"TextColor", LayoutSetterFor<&Label::SetTextColor>},
      {"TextAlign", LayoutSetterFor<&Label::SetTextAlign>},
      {"Multiline", LayoutSetterFor<&Label::SetMultiline>},
      {"Selectable", LayoutSetterFor<&Label::SetSelectable>},
      {"Transparent", LayoutSetterFor<&Label::SetTransparent>},
      {"DataSource", LayoutSetterFor<&Label::SetDataSource>},
      {"DataField", LayoutSetterFor<&Label::SetDataField>},
  };
  return SetFromLayoutTable(*this, kSetters, e) || SetTextStyleProperty(style_, e) ||
         RectControl::SetLayoutProperty(e);
}

bool Label::BindEvent(std::string_view event, const Ref<Delegate>& d) {
  if (event != "MouseDown") return RectControl::BindEvent(event, d);
  mouseDown_ = DelegateHandler<bool(Label&, int32_t, int32_t)>(d, event);
  return true;
}

}  // namespace fw
