#pragma once
#include "framework/classes/Object.h"
#include "framework/runtime/Nil.h"

namespace fw {

class MenuBar;

// Base of the program's application class. The program makes one with
// std::make_shared and its Constructor, sets its menu bar, and registers it
// with RuntimeRegisterAppObject (framework/ui/Runtime.h), which keeps it until
// RuntimeExit. The C++ constructor is the framework's initialiser; a
// subclass's Constructor need not call this one.
class Application : public virtual Object {
 public:
  Application();
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The record of "Application"; a program class with a record of its own
  // overrides this. Never fails.
  const ClassRecord& Class() const override;

  // The program-visible constructor; does nothing here. Cannot fail.
  virtual void Constructor();

  // The application's menu bar; Nil when none is set. Raises
  // ThreadAccessingUIException on a worker (as does the setter).
  Ref<fw::MenuBar> MenuBar() const;
  // Installs bar (Nil: none) as the application's menu bar; windows that open
  // afterwards show it (MenuBar::AttachTo).
  void SetMenuBar(Ref<fw::MenuBar> bar);

  // The registered application object; Nil before registration and after
  // RuntimeExit. Never fails.
  static Ref<Application> Current();
  // The registered application's menu bar: what a window that opens attaches
  // (CurrentMenuBar()->AttachTo(widget)). Nil when there is no application or
  // no bar. Raises ThreadAccessingUIException on a worker.
  static Ref<fw::MenuBar> CurrentMenuBar();
  // Makes app the registered one (Nil: none); RuntimeRegisterAppObject and
  // RuntimeExit call it. Never fails.
  static void SetCurrent(Ref<Application> app);

 private:
  Ref<fw::MenuBar> menuBar_;
};

}  // namespace fw
