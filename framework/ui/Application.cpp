#include "framework/ui/Application.h"

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/ui/MenuBar.h"

namespace fw {

namespace {
// Read and written under the runtime lock, like all program state.
Ref<Application>& Registered() {
  static Ref<Application> app;
  return app;
}
}  // namespace

Application::Application() = default;

Application::~Application() = default;

const ClassRecord& Application::Class() const { return LookupClass("Application"); }

void Application::Constructor() {}

Ref<MenuBar> Application::MenuBar() const {
  CheckMainThread();
  return menuBar_;
}

void Application::SetMenuBar(Ref<fw::MenuBar> bar) {
  CheckMainThread();
  menuBar_ = std::move(bar);
}

Ref<Application> Application::Current() { return Registered(); }

Ref<MenuBar> Application::CurrentMenuBar() {
  CheckMainThread();
  Ref<Application> app = Registered();
  return app ? app->menuBar_ : nullptr;
}

void Application::SetCurrent(Ref<Application> app) {
  // Swap first, release after: the old object's destructor may run program code.
  Ref<Application> old = std::move(Registered());
  Registered() = std::move(app);
  old.reset();
}

}  // namespace fw
