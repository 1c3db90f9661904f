#pragma once
#include <QPointer>
#include <QWidget>  // Widget() converts a QPointer, which needs the full class
#include <cstdint>
#include <memory>
#include <string>

#include "framework/classes/Object.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/picture/FontUnits.h"
#include "framework/runtime/Nil.h"

namespace fw {

class Window;

// What every visible control shares: its place in its window, focus order,
// enabling, visibility and help text. A control is made inside its window
// with Window::New<T>(), prepared with Constructor() and registered with
// Window::AddControl; its layout table is then applied with SetProperties.
//
// Every getter and setter below raises ThreadAccessingUIException on a worker
// thread (the main-thread rule) and otherwise cannot fail. Values set before
// Constructor are kept and take effect when it runs.
class RectControl : public virtual Object, public PropertyTarget {
 public:
  ~RectControl() override;
  RectControl(const RectControl&) = delete;
  RectControl& operator=(const RectControl&) = delete;

  const ClassRecord& Class() const override;

  // Places the control's widget in its window, with the values set so far.
  // Raises ThreadAccessingUIException on a worker, NilObjectException when
  // the control belongs to no window (or its window is gone).
  void Constructor();
  bool IsConstructed() const { return constructed_; }

  // The window the control belongs to; Nil when none (or gone). No thread check.
  Ref<fw::Window> Window() const;
  // Makes the control belong to window (Window::New and AddControl do this).
  void SetOwnerWindow(const std::weak_ptr<fw::Window>& window);

  int32_t Left() const;
  void SetLeft(int32_t v);
  int32_t Top() const;
  void SetTop(int32_t v);
  int32_t Width() const;
  void SetWidth(int32_t v);
  int32_t Height() const;
  void SetHeight(int32_t v);

  // Kept as set: controls keep their place and size when the window resizes.
  bool LockLeft() const;
  void SetLockLeft(bool v);
  bool LockTop() const;
  void SetLockTop(bool v);
  bool LockRight() const;
  void SetLockRight(bool v);
  bool LockBottom() const;
  void SetLockBottom(bool v);

  // The focus order within the window: lower first (ties in registration order).
  int32_t TabIndex() const;
  void SetTabIndex(int32_t v);
  // Whether Tab reaches the control (those that take focus at all).
  bool TabStop() const;
  void SetTabStop(bool v);

  bool Enabled() const;
  void SetEnabled(bool v);
  bool Visible() const;
  void SetVisible(bool v);
  // The tooltip; empty: none.
  std::string HelpTag() const;
  void SetHelpTag(const std::string& v);

  // Kept as set, no effect here.
  bool AutoDeactivate() const;
  void SetAutoDeactivate(bool v);
  int32_t Index() const;
  void SetIndex(int32_t v);
  std::string Name() const;
  void SetName(const std::string& v);
  int32_t TabPanelIndex() const;
  void SetTabPanelIndex(int32_t v);
  std::string InitialParent() const;
  void SetInitialParent(const std::string& v);

  // Handles the names above; false for others.
  bool SetLayoutProperty(const LayoutEntry& e) override;

  // The control's widget; nullptr once it is gone with its window.
  QWidget* Widget() const { return widget_; }

 protected:
  // Takes ownership of widget (made without a parent). Raises
  // ThreadAccessingUIException on a worker: widgets belong to the main thread.
  explicit RectControl(QWidget* widget);

  // Sets the widget's focus policy from TabStop (and what the kind allows).
  virtual void UpdateFocusPolicy();

  // The text settings that the text-bearing kinds share.
  struct TextStyle {
    std::string font = "System";  // "System": the platform's default UI font
    double size = 0;              // 0: the default size
    FontUnits unit = FontUnits::Default;
    bool bold = false;
    bool italic = false;
    bool underline = false;
  };
  // Gives the widget the font that style describes.
  void ApplyTextStyle(const TextStyle& style);
  // Handles TextFont, Bold, Italic and Underline into style (and applies it);
  // false for other names.
  bool SetTextStyleProperty(TextStyle& style, const LayoutEntry& e);

 private:
  void ApplyGeometry();

  QPointer<QWidget> widget_;
  std::weak_ptr<fw::Window> owner_;
  bool constructed_ = false;
  int32_t left_ = 0, top_ = 0, width_ = 100, height_ = 100;
  bool lockLeft_ = true, lockTop_ = true, lockRight_ = false, lockBottom_ = false;
  int32_t tabIndex_ = 0;
  bool tabStop_ = true;
  bool enabled_ = true;
  bool visible_ = true;
  std::string helpTag_;
  bool autoDeactivate_ = true;
  int32_t index_ = INT32_MIN;  // INT32_MIN: not a member of a control array
  std::string name_;
  int32_t tabPanelIndex_ = 0;
  std::string initialParent_;
};

}  // namespace fw
