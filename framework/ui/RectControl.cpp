#include "framework/ui/RectControl.h"

#include <QFont>
#include <QGuiApplication>
#include <QWidget>
#include <cmath>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/NilObjectException.h"
#include "framework/ui/CheckedAccessors.h"
#include "framework/ui/RunOnMainThread.h"
#include "framework/ui/Window.h"

namespace fw {

namespace {

QFont StyledFont(const std::string& family, double size, FontUnits unit, bool bold, bool italic,
                 bool underline) {
  QFont f = QGuiApplication::font();
  if (!family.empty() && family != "System") f.setFamilies({QString::fromStdString(family)});
  if (size > 0) {
    switch (unit) {
      case FontUnits::Pixels:
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
        break;
      case FontUnits::Inches:
        f.setPointSizeF(size * 72.0);
        break;
      case FontUnits::Millimeters:
        f.setPointSizeF(size * 72.0 / 25.4);
        break;
      case FontUnits::Default:
      case FontUnits::Points:
        f.setPointSizeF(size);
        break;
    }
  }
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

}  // namespace

RectControl::RectControl(QWidget* widget) : widget_(widget) {
  CheckMainThread();
  widget_->hide();
}

RectControl::~RectControl() {
  if (!widget_) return;
  widget_->disconnect();
  if (OnMainThreadWithApplication()) widget_->hide();
  widget_->deleteLater();  // safe even while the widget is delivering an event
}

const ClassRecord& RectControl::Class() const { return LookupClass("RectControl"); }

void RectControl::Constructor() {
  CheckMainThread();
  Ref<fw::Window> w = owner_.lock();
  if (!w) throw NilObjectException("The control belongs to no window");
  constructed_ = true;
  if (!widget_) return;
  widget_->setParent(w->ContentWidget());
  ApplyGeometry();
  UpdateFocusPolicy();
  widget_->setVisible(visible_);
}

Ref<fw::Window> RectControl::Window() const { return owner_.lock(); }

void RectControl::SetOwnerWindow(const std::weak_ptr<fw::Window>& window) { owner_ = window; }

void RectControl::ApplyGeometry() {
  if (widget_) widget_->setGeometry(left_, top_, std::max(0, width_), std::max(0, height_));
}

void RectControl::UpdateFocusPolicy() {
  if (widget_) widget_->setFocusPolicy(tabStop_ ? Qt::StrongFocus : Qt::ClickFocus);
}

void RectControl::ApplyTextStyle(const TextStyle& s) {
  if (widget_) widget_->setFont(StyledFont(s.font, s.size, s.unit, s.bold, s.italic, s.underline));
}

bool RectControl::SetTextStyleProperty(TextStyle& style, const LayoutEntry& e) {
  if (e.name == "TextFont")
    style.font = e.text;
  else if (e.name == "Bold")
    style.bold = e.Bool();
  else if (e.name == "Italic")
    style.italic = e.Bool();
  else if (e.name == "Underline")
    style.underline = e.Bool();
  else
    return false;
  CheckMainThread();
  ApplyTextStyle(style);
  return true;
}

FW_CHECKED_GETTER(RectControl, int32_t, Left, left_)
FW_CHECKED_GETTER(RectControl, int32_t, Top, top_)
FW_CHECKED_GETTER(RectControl, int32_t, Width, width_)
FW_CHECKED_GETTER(RectControl, int32_t, Height, height_)
FW_CHECKED_GETTER(RectControl, bool, LockLeft, lockLeft_)
FW_CHECKED_GETTER(RectControl, bool, LockTop, lockTop_)
FW_CHECKED_GETTER(RectControl, bool, LockRight, lockRight_)
FW_CHECKED_GETTER(RectControl, bool, LockBottom, lockBottom_)
FW_CHECKED_GETTER(RectControl, int32_t, TabIndex, tabIndex_)
FW_CHECKED_GETTER(RectControl, bool, TabStop, tabStop_)
FW_CHECKED_GETTER(RectControl, bool, Enabled, enabled_)
FW_CHECKED_GETTER(RectControl, bool, Visible, visible_)
FW_CHECKED_GETTER(RectControl, std::string, HelpTag, helpTag_)
FW_CHECKED_GETTER(RectControl, bool, AutoDeactivate, autoDeactivate_)
FW_CHECKED_GETTER(RectControl, int32_t, Index, index_)
FW_CHECKED_GETTER(RectControl, std::string, Name, name_)
FW_CHECKED_GETTER(RectControl, int32_t, TabPanelIndex, tabPanelIndex_)
FW_CHECKED_GETTER(RectControl, std::string, InitialParent, initialParent_)

FW_CHECKED_SETTER_THEN(RectControl, int32_t, SetLeft, left_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(RectControl, int32_t, SetTop, top_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(RectControl, int32_t, SetWidth, width_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(RectControl, int32_t, SetHeight, height_, ApplyGeometry())
FW_CHECKED_SETTER(RectControl, bool, SetLockLeft, lockLeft_)
FW_CHECKED_SETTER(RectControl, bool, SetLockTop, lockTop_)
FW_CHECKED_SETTER(RectControl, bool, SetLockRight, lockRight_)
FW_CHECKED_SETTER(RectControl, bool, SetLockBottom, lockBottom_)
void RectControl::SetTabIndex(int32_t v) {
  CheckMainThread();
  tabIndex_ = v;
  if (constructed_)
    if (Ref<fw::Window> w = owner_.lock()) w->UpdateTabOrder();
}
FW_CHECKED_SETTER_THEN(RectControl, bool, SetTabStop, tabStop_, UpdateFocusPolicy())
FW_CHECKED_SETTER_THEN(RectControl, bool, SetEnabled, enabled_, if (widget_) widget_->setEnabled(v))
void RectControl::SetVisible(bool v) {
  CheckMainThread();
  visible_ = v;
  // A widget without its window yet would show as a window of its own.
  if (widget_ && constructed_) widget_->setVisible(v);
}
FW_CHECKED_SETTER_THEN(RectControl, const std::string&, SetHelpTag, helpTag_,
                       if (widget_) widget_->setToolTip(QString::fromStdString(v)))
FW_CHECKED_SETTER(RectControl, bool, SetAutoDeactivate, autoDeactivate_)
FW_CHECKED_SETTER(RectControl, int32_t, SetIndex, index_)
FW_CHECKED_SETTER_THEN(RectControl, const std::string&, SetName, name_,
                       if (widget_) widget_->setObjectName(QString::fromStdString(v)))
FW_CHECKED_SETTER(RectControl, int32_t, SetTabPanelIndex, tabPanelIndex_)
FW_CHECKED_SETTER(RectControl, const std::string&, SetInitialParent, initialParent_)

bool RectControl::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<RectControl> kSetters[] = {
      {"Left", LayoutSetterFor<&RectControl::SetLeft>},
      {"Top", LayoutSetterFor<&RectControl::SetTop>},
      {"Width", LayoutSetterFor<&RectControl::SetWidth>},
      {"Height", LayoutSetterFor<&RectControl::SetHeight>},
      {"LockLeft", LayoutSetterFor<&RectControl::SetLockLeft>},
      {"LockTop", LayoutSetterFor<&RectControl::SetLockTop>},
      {"LockRight", LayoutSetterFor<&RectControl::SetLockRight>},
      {"LockBottom", LayoutSetterFor<&RectControl::SetLockBottom>},
      {"TabIndex", LayoutSetterFor<&RectControl::SetTabIndex>},
      {"TabStop", LayoutSetterFor<&RectControl::SetTabStop>},
      {"Enabled", LayoutSetterFor<&RectControl::SetEnabled>},
      {"Visible", LayoutSetterFor<&RectControl::SetVisible>},
      {"HelpTag", LayoutSetterFor<&RectControl::SetHelpTag>},
      {"AutoDeactivate", LayoutSetterFor<&RectControl::SetAutoDeactivate>},
      {"Index", LayoutSetterFor<&RectControl::SetIndex>},
      {"Name", LayoutSetterFor<&RectControl::SetName>},
      {"TabPanelIndex", LayoutSetterFor<&RectControl::SetTabPanelIndex>},
      {"InitialParent", LayoutSetterFor<&RectControl::SetInitialParent>},
  };
  return SetFromLayoutTable(*this, kSetters, e);
}

}  // namespace fw
