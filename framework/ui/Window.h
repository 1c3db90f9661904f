#pragma once
#include <QPointer>
#include <QWidget>  // Widget() converts a QPointer, which needs the full class
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Object.h"
#include "framework/classes/PropertyTarget.h"
#include "framework/runtime/Nil.h"

class QVBoxLayout;

namespace fw {

class RectControl;
class PushButton;

// A top-level window on its own widget.
//
// Events. A window class handles the window events "Layout",
// "CreateControls", "Open" and "Close" through the event hooks of its class
// record (ClassRecord::eventHooks, found from Object::Class()); an event no
// class of the chain hooks does nothing:
//
//   r.eventHooks.push_back({"Open", "Event_Open", fw::HookTo(&Window1::Event_Open)});
//
// Making a window:
//   Constructor()  raises Layout (which applies the window's table with
//                  SetProperties) and CreateControls (which makes, registers
//                  and sets up the controls), sets the focus order from the
//                  controls' TabIndex, then opens the window when Visible is
//                  True: it joins the list of open windows, shows, and gets
//                  the Open event, so Open sees every control.
//   Show()         opens a window that is not open; brings an open one to the
//                  front. Not modal.
//   Close()        for an open window: the Close event, then the window leaves
//                  the implicit-instance list and the open-window list, its
//                  members' owner links are emptied and it hides. The close
//                  box does the same.
//
// The open-window list holds its windows, so a program may drop its own
// references to a window right after making it. Once closed, a window goes
// when its last reference goes.
//
// The control registry (AddControl / ControlByName) holds the controls, the
// threads and the timers of the window. Controls are made with New<T>(), or
// made, prepared and registered in one step with MakeControl<T>().
//
// Unless stated otherwise every operation raises ThreadAccessingUIException
// on a worker thread and cannot fail otherwise.
class Window : public virtual Object,
               public PropertyTarget,
               public std::enable_shared_from_this<Window> {
 public:
  // A window not yet built or shown. Raises ThreadAccessingUIException on a
  // worker thread.
  Window();
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const ClassRecord& Class() const override;

  // See above. An exception from an event handler passes on to the caller;
  // the window then stays unopened. Opening raises RuntimeException for a
  // window no Ref owns.
  void Constructor();
  void Show();
  void Close();
  // True from opening until Close. No thread check.
  bool IsOpen() const { return open_; }

  // A new object of class T (not yet constructed) belonging to this window.
  // No thread check of its own (a control's widget raises on a worker).
  template <class T>
  Ref<T> New() {
    Ref<T> obj = std::make_shared<T>();
    Adopt(*obj);
    return obj;
  }
  // The same for a class known by its record (RuntimeNewObject); raises as
  // that does.
  Ref<Object> New(const ClassRecord& cls);

  // Makes a control of class T belonging to this window (New), prepares it
  // (its Constructor) and registers it under name (AddControl). Raises what
  // those raise.
  template <class T>
  void MakeControl(std::string_view name) {
    Ref<T> control = New<T>();
    control->Constructor();
    AddControl(name, control);
  }
  // The same for a member made from its class record cls (a window's own
  // thread or timer class T). Raises NilObjectException when cls makes no T.
  template <class T>
  void MakeControl(std::string_view name, const ClassRecord& cls) {
    Ref<Object> member = New(cls);
    NonNil(std::dynamic_pointer_cast<T>(member)).Constructor();
    AddControl(name, member);
  }

  // Registers control under name (a later registration under the same name
  // replaces the earlier) and holds it. A PaneChild member is linked to this
  // window (PaneChild::SetWindow). Raises NilObjectException for Nil.
  void AddControl(std::string_view name, const Ref<Object>& control);
  // The object registered under name (names compare as StrEq does); Nil when
  // none. No thread check.
  Ref<Object> ControlByName(std::string_view name) const;
  // The same, as a T; Nil also when it is not one.
  template <class T>
  Ref<T> ControlByName(std::string_view name) const {
    return std::dynamic_pointer_cast<T>(ControlByName(name));
  }
  // Registered objects, in registration order. No thread check.
  int32_t ControlCount() const { return static_cast<int32_t>(controls_.size()); }
  Ref<Object> ControlAt(int32_t i) const;  // Nil out of range

  // Properties. Sizes are of the window's content, in pixels.
  std::string Title() const;
  void SetTitle(const std::string& v);
  int32_t Width() const;
  void SetWidth(int32_t v);
  int32_t Height() const;
  void SetHeight(int32_t v);
  int32_t MinWidth() const;
  void SetMinWidth(int32_t v);
  int32_t MinHeight() const;
  void SetMinHeight(int32_t v);
  int32_t MaxWidth() const;
  void SetMaxWidth(int32_t v);
  int32_t MaxHeight() const;
  void SetMaxHeight(int32_t v);
  // 0xRRGGBB, painted behind the controls while HasBackColor is True.
  uint32_t BackColor() const;
  void SetBackColor(uint32_t rgb);
  bool HasBackColor() const;
  void SetHasBackColor(bool v);
  // False: the window keeps its Width and Height.
  bool Resizeable() const;
  void SetResizeable(bool v);
  // Before Constructor: whether it opens the window. After: shows or hides it
  // (showing a window that is not open opens it).
  bool Visible() const;
  void SetVisible(bool v);
  bool CloseButton() const;
  void SetCloseButton(bool v);
  bool MinimizeButton() const;
  void SetMinimizeButton(bool v);
  bool MaximizeButton() const;
  void SetMaximizeButton(bool v);
  // The kind of frame (see LayoutCodes.h).
  int32_t Frame() const;
  void SetFrame(int32_t v);
  // True: the application's menu bar is shown in the window when it opens.
  bool MenuBarVisible() const;
  void SetMenuBarVisible(bool v);
  // Kept as set, no effect here (see LayoutCodes.h).
  int32_t Placement() const;
  void SetPlacement(int32_t v);
  bool Composite() const;
  void SetComposite(bool v);
  bool LiveResize() const;
  void SetLiveResize(bool v);
  bool FullScreen() const;
  void SetFullScreen(bool v);
  int32_t MacProcID() const;
  void SetMacProcID(int32_t v);

  // Handles the names above; false for others.
  bool SetLayoutProperty(const LayoutEntry& e) override;

  // The top-level widget, and the one the controls sit on. No thread check.
  QWidget* Widget() const { return top_; }
  QWidget* ContentWidget() const { return content_; }

  // Sets the focus order of the constructed controls from their TabIndex.
  void UpdateTabOrder();
  // Presses the first enabled, visible Default (or, with cancel, Cancel)
  // button in focus order; false when there is none.
  bool PressDefaultButton(bool cancel);

  // The full class name under which the window is the implicit instance;
  // empty when it is none. No thread check.
  const std::string& ImplicitName() const { return implicitName_; }

 private:
  friend void AddImplicitWindow(const Ref<Window>& w, std::string fullClassName);
  friend void RemoveImplicitWindow(const Window& w);
  friend void ReleaseWindowLists();
  friend void ReleaseImplicitWindowList();
  friend class WindowWidget;

  void Adopt(Object& obj);
  void RaiseEvent(std::string_view event);
  void Open();
  void FinishClose();
  void UnlinkMembers();
  void ApplyGeometry();
  void ApplyFlags();
  void ApplyBackColor();
  void CloseBox();
  std::vector<RectControl*> ControlsInTabOrder() const;

  QPointer<QWidget> top_;
  QPointer<QWidget> content_;
  QVBoxLayout* layout_ = nullptr;  // owned by top_
  std::vector<std::pair<std::string, Ref<Object>>> controls_;
  std::string implicitName_;
  bool constructing_ = false;
  bool constructed_ = false;
  bool open_ = false;
  bool closing_ = false;

  std::string title_;
  int32_t width_ = 300, height_ = 300;
  int32_t minWidth_ = 64, minHeight_ = 64, maxWidth_ = 32000, maxHeight_ = 32000;
  uint32_t backColor_ = 0xFFFFFF;
  bool hasBackColor_ = false;
  bool resizeable_ = true;
  bool visible_ = true;
  bool closeButton_ = true, minimizeButton_ = true, maximizeButton_ = true;
  int32_t frame_ = 0;
  bool menuBarVisible_ = true;
  int32_t placement_ = 0;
  bool composite_ = false, liveResize_ = false, fullScreen_ = false;
  int32_t macProcID_ = 0;
};

// The open implicit instance of the window class of that full name
// ("Window1.Window1"); Nil when there is none. No thread check.
Ref<Window> GetImplicitWindow(std::string_view fullClassName);
// Makes w the implicit instance of its class (replacing an earlier one);
// Close takes it out again. Raises NilObjectException for Nil.
void AddImplicitWindow(const Ref<Window>& w, std::string fullClassName);
// Takes w out of the implicit-instance list; does nothing when it is not in.
void RemoveImplicitWindow(const Window& w);

// The implicit-instance accessor of a window class: the open implicit
// instance of cls, or else a new one made from cls (RuntimeNewObject),
// registered as the implicit instance and constructed (and so opened when its
// layout sets Visible). Raises what making and constructing raise, and then
// leaves no implicit instance behind.
template <class W>
Ref<W> ImplicitWindow(const ClassRecord& cls) {
  if (Ref<Window> open = GetImplicitWindow(cls.FullName())) return RuntimeCheckCast<W>(open, cls);
  Ref<Window> w = std::dynamic_pointer_cast<Window>(RuntimeNewObject(cls));
  CheckNil(w, "not a window class");
  AddImplicitWindow(w, cls.FullName());
  try {
    w->Constructor();
  } catch (...) {
    RemoveImplicitWindow(*w);
    throw;
  }
  return RuntimeCheckCast<W>(w, cls);
}

// The open windows, oldest first. No thread check.
std::vector<Ref<Window>> OpenWindows();

// For the module finaliser: empties the window lists (the open windows and
// the record of windows with linked members, whose links are emptied first),
// then drops the references they held. Never fails.
void ReleaseWindowLists();
// Empties the implicit-instance list, then drops its references. Never fails.
void ReleaseImplicitWindowList();

}  // namespace fw
