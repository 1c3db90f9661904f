#include "framework/ui/Window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "framework/classes/LayoutSetter.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/text/Text.h"
#include "framework/ui/Application.h"
#include "framework/ui/CheckedAccessors.h"
#include "framework/ui/MenuBar.h"
#include "framework/ui/PaneChild.h"
#include "framework/ui/PushButton.h"
#include "framework/ui/RectControl.h"
#include "framework/ui/RunOnMainThread.h"

namespace fw {

// The top-level widget: its close box and Return/Escape go to the window.
class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(Window* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The window hides itself when it closes; a close request from outside
    // (the close box) becomes the window's own Close.
    e->ignore();
    if (owner_) owner_->CloseBox();
  }
  void keyPressEvent(QKeyEvent* e) override {
    const int k = e->key();
    if (owner_ && e->modifiers() == Qt::NoModifier) {
      if ((k == Qt::Key_Return || k == Qt::Key_Enter) && owner_->PressDefaultButton(false)) return;
      if (k == Qt::Key_Escape && owner_->PressDefaultButton(true)) return;
    }
    QWidget::keyPressEvent(e);
  }

 private:
  Window* owner_;
};

namespace {

// The widget the controls sit on; its size hint is the window's size.
class WindowContent : public QWidget {
 public:
  QSize hint{300, 300};
  QSize sizeHint() const override { return hint; }
  QSize minimumSizeHint() const override { return {0, 0}; }
};

struct WindowLists {
  std::vector<Ref<Window>> open;
  std::vector<std::weak_ptr<Window>> linked;  // windows whose members link back to them
  std::vector<std::pair<std::string, Ref<Window>>> implicit;
};

WindowLists& Lists() {
  static WindowLists* lists = new WindowLists;
  return *lists;
}

template <class T>
void Remove(std::vector<Ref<T>>& v, const T* p) {
  v.erase(std::remove_if(v.begin(), v.end(), [p](const Ref<T>& r) { return r.get() == p; }),
          v.end());
}

}  // namespace

Window::Window() {
  CheckMainThread();
  auto* top = new WindowWidget(this);
  top_ = top;
  layout_ = new QVBoxLayout(top);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  auto* content = new WindowContent;
  content_ = content;
  layout_->addWidget(content);
  ApplyFlags();
  ApplyGeometry();
}

Window::~Window() {
  // The controls first: each gives its widget up before the window's goes.
  std::vector<std::pair<std::string, Ref<Object>>> controls = std::move(controls_);
  controls_.clear();
  controls.clear();
  if (top_) {
    static_cast<WindowWidget*>(top_.data())->Detach();
    if (OnMainThreadWithApplication()) top_->hide();
    top_->deleteLater();  // safe even while the widget is delivering an event
  }
}

const ClassRecord& Window::Class() const { return LookupClass("Window"); }

void Window::RaiseEvent(std::string_view event) {
  if (const EventHook* h = Class().FindEventHook(event))
    if (h->handler) h->handler(*this);
}

void Window::Constructor() {
  CheckMainThread();
  if (constructed_ || constructing_) return;
  constructing_ = true;
  try {
    RaiseEvent("Layout");
    RaiseEvent("CreateControls");
  } catch (...) {
    constructing_ = false;
    constructed_ = true;
    throw;
  }
  constructing_ = false;
  constructed_ = true;
  UpdateTabOrder();
  if (visible_) Open();
}

void Window::Open() {
  if (open_) return;
  Ref<Window> self = weak_from_this().lock();
  if (!self) throw RuntimeException("A window must be owned by a reference to open");
  open_ = true;
  Lists().open.push_back(self);
  if (menuBarVisible_ && top_)
    if (Ref<fw::MenuBar> bar = Application::CurrentMenuBar()) bar->AttachTo(top_);
  visible_ = true;
  ApplyGeometry();
  if (top_) {
    top_->show();
    top_->raise();
    top_->activateWindow();
  }
  RaiseEvent("Open");
}

void Window::Show() {
  CheckMainThread();
  visible_ = true;
  if (!open_) {
    Open();
  } else if (top_) {
    top_->show();
    top_->raise();
    top_->activateWindow();
  }
}

void Window::Close() {
  CheckMainThread();
  if (closing_) return;
  if (!open_) {
    RemoveImplicitWindow(*this);
    return;
  }
  Ref<Window> self = weak_from_this().lock();  // stays alive until the close is done
  closing_ = true;
  try {
    RaiseEvent("Close");
  } catch (...) {
    FinishClose();
    throw;
  }
  FinishClose();
}

void Window::FinishClose() {
  Ref<Window> self = weak_from_this().lock();
  RemoveImplicitWindow(*this);
  Remove(Lists().open, this);
  UnlinkMembers();
  open_ = false;
  visible_ = false;
  closing_ = false;
  if (top_) top_->hide();
}

void Window::CloseBox() {
  DeliverEvent([this] { Close(); }, Class().FullName() + ".Close");
}

void Window::UnlinkMembers() {
  Ref<Window> self = weak_from_this().lock();
  for (auto& [name, obj] : controls_)
    if (auto* pc = dynamic_cast<PaneChild*>(obj.get()))
      if (pc->Window().get() == this) pc->SetWindow(nullptr);
}

void Window::Adopt(Object& obj) {
  if (auto* rc = dynamic_cast<RectControl*>(&obj)) rc->SetOwnerWindow(weak_from_this());
}

Ref<Object> Window::New(const ClassRecord& cls) {
  Ref<Object> obj = RuntimeNewObject(cls);
  Adopt(*obj);
  return obj;
}

void Window::AddControl(std::string_view name, const Ref<Object>& control) {
  CheckMainThread();
  CheckNil(control, "control");
  Ref<Object> replaced;
  auto it = std::find_if(controls_.begin(), controls_.end(),
                         [&](const auto& e) { return StrEq(e.first, name); });
  if (it != controls_.end()) {
    replaced = std::move(it->second);
    it->second = control;
  } else {
    controls_.emplace_back(std::string(name), control);
  }
  if (auto* rc = dynamic_cast<RectControl*>(control.get()))
    if (!rc->Window()) rc->SetOwnerWindow(weak_from_this());
  if (auto* pc = dynamic_cast<PaneChild*>(control.get())) {
    if (Ref<Window> self = weak_from_this().lock()) {
      pc->SetWindow(self);
      auto& linked = Lists().linked;
      linked.erase(
          std::remove_if(linked.begin(), linked.end(), [](auto& w) { return w.expired(); }),
          linked.end());
      if (std::none_of(linked.begin(), linked.end(), [&](auto& w) { return w.lock() == self; }))
        linked.push_back(self);
    }
  }
  if (auto* old = dynamic_cast<PaneChild*>(replaced.get()))
    if (old->Window().get() == this) old->SetWindow(nullptr);
}

Ref<Object> Window::ControlByName(std::string_view name) const {
  for (const auto& [n, obj] : controls_)
    if (StrEq(n, name)) return obj;
  return nullptr;
}

Ref<Object> Window::ControlAt(int32_t i) const {
  if (i < 0 || i >= ControlCount()) return nullptr;
  return controls_[static_cast<size_t>(i)].second;
}

std::vector<RectControl*> Window::ControlsInTabOrder() const {
  std::vector<RectControl*> out;
  for (const auto& [n, obj] : controls_)
    if (auto* rc = dynamic_cast<RectControl*>(obj.get())) out.push_back(rc);
  std::stable_sort(out.begin(), out.end(),
                   [](RectControl* a, RectControl* b) { return a->TabIndex() < b->TabIndex(); });
  return out;
}

void Window::UpdateTabOrder() {
  CheckMainThread();
  QWidget* prev = nullptr;
  for (RectControl* rc : ControlsInTabOrder()) {
    QWidget* w = rc->Widget();
    if (!rc->IsConstructed() || !w || w->window() != top_) continue;
    if (prev) QWidget::setTabOrder(prev, w);
    prev = w;
  }
}

bool Window::PressDefaultButton(bool cancel) {
  CheckMainThread();
  for (RectControl* rc : ControlsInTabOrder()) {
    auto* b = dynamic_cast<PushButton*>(rc);
    if (!b || !(cancel ? b->Cancel() : b->Default())) continue;
    if (!b->Enabled() || !b->Visible()) continue;
    b->Push();
    return true;
  }
  return false;
}

// --- geometry and looks ---

void Window::ApplyGeometry() {
  auto* content = static_cast<WindowContent*>(content_.data());
  if (!content || !top_) return;
  const QSize size(std::max(0, width_), std::max(0, height_));
  content->hint = size;
  if (!resizeable_) {
    content->setMinimumSize(size);
    content->setMaximumSize(size);
    layout_->setSizeConstraint(QLayout::SetFixedSize);
  } else {
    content->setMinimumSize(std::max(0, minWidth_), std::max(0, minHeight_));
    content->setMaximumSize(std::clamp(maxWidth_, 0, QWIDGETSIZE_MAX),
                            std::clamp(maxHeight_, 0, QWIDGETSIZE_MAX));
    layout_->setSizeConstraint(QLayout::SetMinAndMaxSize);
  }
  content->updateGeometry();
  layout_->activate();
  // The total takes in the menu bar above the content, whatever its height,
  // so the content gets the whole of its size.
  top_->resize(layout_->totalSizeHint());
}

void Window::ApplyFlags() {
  if (!top_) return;
  Qt::WindowFlags f = (frame_ == 8 ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                      Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (closeButton_) f |= Qt::WindowCloseButtonHint;
  if (minimizeButton_) f |= Qt::WindowMinimizeButtonHint;
  if (maximizeButton_ && resizeable_) f |= Qt::WindowMaximizeButtonHint;
  if (top_->windowFlags() == f) return;
  const bool shown = top_->isVisible();
  top_->setWindowFlags(f);  // hides the widget
  if (shown) top_->show();
}

void Window::ApplyBackColor() {
  // Only the content: the menu bar above it keeps the standard colours, so
  // its captions stay readable on a dark window.
  QWidget* w = content_.data();
  if (!w) return;
  if (hasBackColor_) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(backColor_ & 0xFFFFFFu));
    w->setPalette(p);
    w->setAutoFillBackground(true);
  } else {
    w->setPalette(QPalette());
    w->setAutoFillBackground(false);
  }
}

// --- properties ---

FW_CHECKED_GETTER(Window, std::string, Title, title_)
FW_CHECKED_GETTER(Window, int32_t, MinWidth, minWidth_)
FW_CHECKED_GETTER(Window, int32_t, MinHeight, minHeight_)
FW_CHECKED_GETTER(Window, int32_t, MaxWidth, maxWidth_)
FW_CHECKED_GETTER(Window, int32_t, MaxHeight, maxHeight_)
FW_CHECKED_GETTER(Window, uint32_t, BackColor, backColor_)
FW_CHECKED_GETTER(Window, bool, HasBackColor, hasBackColor_)
FW_CHECKED_GETTER(Window, bool, Resizeable, resizeable_)
FW_CHECKED_GETTER(Window, bool, Visible, visible_)
FW_CHECKED_GETTER(Window, bool, CloseButton, closeButton_)
FW_CHECKED_GETTER(Window, bool, MinimizeButton, minimizeButton_)
FW_CHECKED_GETTER(Window, bool, MaximizeButton, maximizeButton_)
FW_CHECKED_GETTER(Window, int32_t, Frame, frame_)
FW_CHECKED_GETTER(Window, bool, MenuBarVisible, menuBarVisible_)
FW_CHECKED_GETTER(Window, int32_t, Placement, placement_)
FW_CHECKED_GETTER(Window, bool, Composite, composite_)
FW_CHECKED_GETTER(Window, bool, LiveResize, liveResize_)
FW_CHECKED_GETTER(Window, bool, FullScreen, fullScreen_)
FW_CHECKED_GETTER(Window, int32_t, MacProcID, macProcID_)

int32_t Window::Width() const {
  CheckMainThread();
  return (open_ && content_) ? content_->width() : width_;
}

int32_t Window::Height() const {
  CheckMainThread();
  return (open_ && content_) ? content_->height() : height_;
}

FW_CHECKED_SETTER_THEN(Window, const std::string&, SetTitle, title_,
                       if (top_) top_->setWindowTitle(QString::fromStdString(v)))
FW_CHECKED_SETTER_THEN(Window, int32_t, SetWidth, width_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetHeight, height_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetMinWidth, minWidth_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetMinHeight, minHeight_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetMaxWidth, maxWidth_, ApplyGeometry())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetMaxHeight, maxHeight_, ApplyGeometry())

void Window::SetBackColor(uint32_t rgb) {
  CheckMainThread();
  backColor_ = rgb & 0xFFFFFFu;
  ApplyBackColor();
}

FW_CHECKED_SETTER_THEN(Window, bool, SetHasBackColor, hasBackColor_, ApplyBackColor())

void Window::SetResizeable(bool v) {
  CheckMainThread();
  resizeable_ = v;
  ApplyFlags();
  ApplyGeometry();
}

void Window::SetVisible(bool v) {
  CheckMainThread();
  if (!constructed_) {  // the layout: whether Constructor opens the window
    visible_ = v;
    return;
  }
  if (v) {
    Show();
  } else {
    visible_ = false;
    if (top_) top_->hide();
  }
}

FW_CHECKED_SETTER_THEN(Window, bool, SetCloseButton, closeButton_, ApplyFlags())
FW_CHECKED_SETTER_THEN(Window, bool, SetMinimizeButton, minimizeButton_, ApplyFlags())
FW_CHECKED_SETTER_THEN(Window, bool, SetMaximizeButton, maximizeButton_, ApplyFlags())
FW_CHECKED_SETTER_THEN(Window, int32_t, SetFrame, frame_, ApplyFlags())
FW_CHECKED_SETTER(Window, bool, SetMenuBarVisible, menuBarVisible_)
FW_CHECKED_SETTER(Window, int32_t, SetPlacement, placement_)
FW_CHECKED_SETTER(Window, bool, SetComposite, composite_)
FW_CHECKED_SETTER(Window, bool, SetLiveResize, liveResize_)
FW_CHECKED_SETTER(Window, bool, SetFullScreen, fullScreen_)
FW_CHECKED_SETTER(Window, int32_t, SetMacProcID, macProcID_)

bool Window::SetLayoutProperty(const LayoutEntry& e) {
  static constexpr LayoutSetter<Window> kSetters[] = {
      {"Title", LayoutSetterFor<&Window::SetTitle>},
      {"Width", LayoutSetterFor<&Window::SetWidth>},
      {"Height", LayoutSetterFor<&Window::SetHeight>},
      {"MinWidth", LayoutSetterFor<&Window::SetMinWidth>},
      {"MinHeight", LayoutSetterFor<&Window::SetMinHeight>},
      {"MaxWidth", LayoutSetterFor<&Window::SetMaxWidth>},
      {"MaxHeight", LayoutSetterFor<&Window::SetMaxHeight>},
      {"BackColor", LayoutSetterFor<&Window::SetBackColor>},
      {"HasBackColor", LayoutSetterFor<&Window::SetHasBackColor>},
      {"Resizeable", LayoutSetterFor<&Window::SetResizeable>},
      {"Visible", LayoutSetterFor<&Window::SetVisible>},
      {"CloseButton", LayoutSetterFor<&Window::SetCloseButton>},
      {"MinimizeButton", LayoutSetterFor<&Window::SetMinimizeButton>},
      {"MaximizeButton", LayoutSetterFor<&Window::SetMaximizeButton>},
      {"Frame", LayoutSetterFor<&Window::SetFrame>},
      {"MenuBarVisible", LayoutSetterFor<&Window::SetMenuBarVisible>},
      {"Placement", LayoutSetterFor<&Window::SetPlacement>},
      {"Composite", LayoutSetterFor<&Window::SetComposite>},
      {"LiveResize", LayoutSetterFor<&Window::SetLiveResize>},
      {"FullScreen", LayoutSetterFor<&Window::SetFullScreen>},
      {"MacProcID", LayoutSetterFor<&Window::SetMacProcID>},
  };
  return SetFromLayoutTable(*this, kSetters, e);
}

// --- the lists ---

Ref<Window> GetImplicitWindow(std::string_view fullClassName) {
  for (const auto& [name, w] : Lists().implicit)
    if (StrEq(name, fullClassName)) return w;
  return nullptr;
}

void AddImplicitWindow(const Ref<Window>& w, std::string fullClassName) {
  CheckNil(w, "window");
  auto& list = Lists().implicit;
  Ref<Window> keep = w;
  for (auto it = list.begin(); it != list.end();) {
    if (StrEq(it->first, fullClassName) || it->second == w) {
      it->second->implicitName_.clear();
      it = list.erase(it);
    } else {
      ++it;
    }
  }
  w->implicitName_ = fullClassName;
  list.emplace_back(std::move(fullClassName), w);
}

void RemoveImplicitWindow(const Window& w) {
  auto& list = Lists().implicit;
  std::vector<Ref<Window>> dropped;  // released after the list is consistent
  for (auto it = list.begin(); it != list.end();) {
    if (it->second.get() == &w) {
      it->second->implicitName_.clear();
      dropped.push_back(std::move(it->second));
      it = list.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<Ref<Window>> OpenWindows() { return Lists().open; }

void ReleaseWindowLists() {
  WindowLists& lists = Lists();
  std::vector<Ref<Window>> open = std::move(lists.open);
  lists.open.clear();
  std::vector<std::weak_ptr<Window>> linked = std::move(lists.linked);
  lists.linked.clear();
  for (auto& weak : linked)
    if (Ref<Window> w = weak.lock()) w->UnlinkMembers();
  linked.clear();
  open.clear();
}

void ReleaseImplicitWindowList() {
  std::vector<std::pair<std::string, Ref<Window>>> implicit = std::move(Lists().implicit);
  Lists().implicit.clear();
  for (auto& [name, w] : implicit) w->implicitName_.clear();
  implicit.clear();
}

}  // namespace fw
