#include "framework/ui/RectControl.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <cmath>

#include "framework/ui/CheckedAccessors.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/NilObjectException.h"
#include "framework/ui/Window.h"

namespace fw {

namespace {

bool OnGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

QFont StyledFont(const std::string& family, double size, FontUnits unit,
                 bool bold, bool italic, bool underline) {
  QFont f = QGuiApplication::font();
  if (!family.empty() && family != "System") f.setFamilies({QString::fromStdString(family)});
  if (size > 0) {
    switch (unit) {
      case FontUnits::Pixels: f.setPixelSize(std::max(1, static_cast<int>(std::lround(size)))); break;
      case FontUnits::Inches: f.setPointSizeF(size * 72.0); break;
      case FontUnits::Millimeters: f.setPointSizeF(size * 72.0 / 25.4); break;
      case FontUnits::Default:
      case FontUnits::Points: f.setPointSizeF(size); break;
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
  if (OnGuiThread()) widget_->hide();
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

void RectControl::SetLeft(int32_t v) {
  CheckMainThread();
  left_ = v;
  ApplyGeometry();
}
void RectControl::SetTop(int32_t v) {
  CheckMainThread();
  top_ = v;
  ApplyGeometry();
}
void RectControl::SetWidth(int32_t v) {
  CheckMainThread();
  width_ = v;
  ApplyGeometry();
}
void RectControl::SetHeight(int32_t v) {
  CheckMainThread();
  height_ = v;
  ApplyGeometry();
}
void RectControl::SetLockLeft(bool v) {
  CheckMainThread();
  lockLeft_ = v;
}
void RectControl::SetLockTop(bool v) {
  CheckMainThread();
  lockTop_ = v;
}
void RectControl::SetLockRight(bool v) {
  CheckMainThread();
  lockRight_ = v;
}
void RectControl::SetLockBottom(bool v) {
  CheckMainThread();
  lockBottom_ = v;
}
void RectControl::SetTabIndex(int32_t v) {
  CheckMainThread();
  tabIndex_ = v;
  if (constructed_)
    if (Ref<fw::Window> w = owner_.lock()) w->UpdateTabOrder();
}
void RectControl::SetTabStop(bool v) {
  CheckMainThread();
  tabStop_ = v;
  UpdateFocusPolicy();
}
void RectControl::SetEnabled(bool v) {
  CheckMainThread();
  enabled_ = v;
  if (widget_) widget_->setEnabled(v);
}
void RectControl::SetVisible(bool v) {
  CheckMainThread();
  visible_ = v;
  // A widget without its window yet would show as a window of its own.
  if (widget_ && constructed_) widget_->setVisible(v);
}
void RectControl::SetHelpTag(const std::string& v) {
  CheckMainThread();
  helpTag_ = v;
  if (widget_) widget_->setToolTip(QString::fromStdString(v));
}
void RectControl::SetAutoDeactivate(bool v) {
  CheckMainThread();
  autoDeactivate_ = v;
}
void RectControl::SetIndex(int32_t v) {
  CheckMainThread();
  index_ = v;
}
void RectControl::SetName(const std::string& v) {
  CheckMainThread();
  name_ = v;
  if (widget_) widget_->setObjectName(QString::fromStdString(v));
}
void RectControl::SetTabPanelIndex(int32_t v) {
  CheckMainThread();
  tabPanelIndex_ = v;
}
void RectControl::SetInitialParent(const std::string& v) {
  CheckMainThread();
  initialParent_ = v;
}

bool RectControl::SetLayoutProperty(const LayoutEntry& e) {
  const std::string& n = e.name;
  if (n == "Left") SetLeft(e.Int());
  else if (n == "Top") SetTop(e.Int());
  else if (n == "Width") SetWidth(e.Int());
  else if (n == "Height") SetHeight(e.Int());
  else if (n == "LockLeft") SetLockLeft(e.Bool());
  else if (n == "LockTop") SetLockTop(e.Bool());
  else if (n == "LockRight") SetLockRight(e.Bool());
  else if (n == "LockBottom") SetLockBottom(e.Bool());
  else if (n == "TabIndex") SetTabIndex(e.Int());
  else if (n == "TabStop") SetTabStop(e.Bool());
  else if (n == "Enabled") SetEnabled(e.Bool());
  else if (n == "Visible") SetVisible(e.Bool());
  else if (n == "HelpTag") SetHelpTag(e.text);
  else if (n == "AutoDeactivate") SetAutoDeactivate(e.Bool());
  else if (n == "Index") SetIndex(e.Int());
  else if (n == "Name") SetName(e.text);
  else if (n == "TabPanelIndex") SetTabPanelIndex(e.Int());
  else if (n == "InitialParent") SetInitialParent(e.text);
  else return false;
  return true;
}

}  // namespace fw
