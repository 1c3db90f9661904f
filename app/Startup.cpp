#include "app/Startup.h"

#include <exception>
#include <memory>
#include <utility>

#include "about_window/Window2.h"
#include "app/FileTypes1.h"
#include "app/MainMenuBar.h"
#include "app/SnapHarbor.h"
#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Introspection.h"
#include "framework/runtime/ExceptionHelper.h"
#include "framework/runtime/PluginEntryPoints.h"
#include "framework/text/InitPluginEntrypoints.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/Window.h"
#include "main_window/Window1.h"

namespace app {

namespace {

// Main thread only.
std::vector<std::string>& Trace() {
  static std::vector<std::string> trace;
  return trace;
}

std::function<void(const std::string&)>& Observer() {
  static std::function<void(const std::string&)> observer;
  return observer;
}

void Step(const std::string& name) {
  Trace().push_back(name);
  if (Observer()) Observer()(name);
}

// % initialize: the class records, the framework's first, then the program's
// own in their fixed order.
void ModuleInitialize() {
  Step("% initialize");
  fw::RuntimeInitExternalClasses();
  Step("record snapHarbor");
  snapHarbor::Lookup();
  Step("record Window1.Window1");
  Window1::Lookup();
  Step("record Window1.Thread1");
  Window1::Thread1::Lookup();
  Step("record Window1.Timer2");
  Window1::Timer2::Lookup();
  Step("record MainMenuBar.MainMenuBar");
  MainMenuBar::Lookup();
  Step("record Window2.Window2");
  Window2::Lookup();
}

void InitFileTypes() {
  Step("_InitFileTypes");
  FileTypes1::Initialize();
}

// Makes the application object, gives it its menu bar and only then registers
// it; the local references go when this returns.
void NewAppInstance() {
  Step("_NewAppInstance");
  fw::Ref<snapHarbor> application =
      std::dynamic_pointer_cast<snapHarbor>(fw::RuntimeNewObject(snapHarbor::Lookup()));
  Step("snapHarbor.Constructor");
  fw::NonNil(application).Constructor();
  Step("MainMenuBar.MainMenuBar");
  fw::Ref<MainMenuBar> bar = MainMenuBar::Instance();
  Step("Application.MenuBar");
  application->SetMenuBar(bar);
  Step("_RuntimeRegisterAppObject");
  fw::RuntimeRegisterAppObject(application);
}

// The program has no menu handlers of its own.
void ApplicationAddMenuHandlers() { Step("_ApplicationAddMenuHandlers"); }

void EarlyStartup() {
  Step("_EarlyStartup");
  // The framework's records were built by % initialize, before the
  // program's own named them as superclasses; nothing is left to register.
  Step("_RuntimeInitExternalClasses");
  Step("_InitPluginEntrypoints");
  fw::InitPluginEntrypoints();
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
}

// Opens the main window; the open-window list keeps it, so the reference the
// accessor hands back is dropped at once.
void MakeDefaultView() {
  Step("_MakeDefaultView");
  Window1::Instance();
}

// A failure here fails the start-up like one in the early steps (reported,
// and the exit status will say so). A program left without any window has
// nothing to be quit by, so it ends.
void LateStartup() {
  try {
    Step("_LateStartup");
    MakeDefaultView();
  } catch (...) {
    Trace().push_back("_UnhandledException");
    fw::UnhandledException(std::current_exception(), "late start-up");
  }
  if (fw::OpenWindows().empty()) {
    Trace().push_back("no window open");
    fw::Quit(0);
  }
}

void Main() {
  try {
    Step("_RuntimeSetExceptionHelper");
    fw::RuntimeSetExceptionHelper(&fw::CallFunctionWithExceptionHandling);
    EarlyStartup();
    Step("_RunFrameworkInitialization");
    fw::RunFrameworkInitialization(&LateStartup);
    Step("_RuntimeRun");
    fw::RuntimeRun();
    Step("event loop returned");
  } catch (...) {
    Trace().push_back("_UnhandledException");
    fw::UnhandledException(std::current_exception());
  }
}

// % finalize: the module's singletons, each variable emptied before its
// reference goes; the bundle pictures stay.
void ModuleFinalize() {
  Step("% finalize");
  fw::ReleaseWindowLists();
  fw::ReleaseIntrospectionMaps();
  fw::ReleaseImplicitWindowList();
  MainMenuBar::ReleaseImplicitInstance();
}

}  // namespace

int RunProgram(int argc, char** argv) {
  Trace().clear();
  Step("RuntimeInit");
  fw::RuntimeInit(argc, argv);
  ModuleInitialize();
  Step("_Main");
  Main();
  ModuleFinalize();
  Step("RuntimeExit");
  return fw::RuntimeExit();
}

const std::vector<std::string>& StartupTrace() { return Trace(); }

void SetStartupObserver(std::function<void(const std::string& step)> observer) {
  Observer() = std::move(observer);
}

}  // namespace app
