#pragma once
// The runtime's start, event loop and end.
//
// The program's road, in this order (all on the main thread):
//   fw::RuntimeInit(argc, argv);               // QApplication, runtime lock, hooks
//   fw::RuntimeInitExternalClasses();          // once, before the program's own records
//   fw::RuntimeSetExceptionHelper(...);        // framework/runtime/ExceptionHelper.h
//   fw::InitPluginEntrypoints();               // framework/text/InitPluginEntrypoints.h
//   auto app = std::make_shared<MyApp>(); app->Constructor();
//   app->SetMenuBar(bar);
//   fw::RuntimeRegisterAppObject(app);
//   fw::RunFrameworkInitialization(lateStartup);  // opens the first window later
//   fw::RuntimeRun();                          // until Quit
//   ... the program releases its singletons ...
//   return fw::RuntimeExit();                  // the exit status
// An exception escaping any of these steps goes to fw::UnhandledException.
#include <cstdint>
#include <exception>
#include <functional>

#include "framework/runtime/Nil.h"

namespace fw {

class Application;
class MenuItem;

// Starts the runtime on the calling (main) thread: makes the QApplication
// (or takes the one there is, as tests do), which then does not quit when its
// last window closes; takes the runtime lock; hooks the lock to the event loop
// (EventLoopLock) and installs the report of unhandled exceptions
// (UnhandledReport). argc must outlive the runtime. Raises RuntimeException
// when the application object there is not a QApplication, or off the thread
// that made it.
void RuntimeInit(int& argc, char** argv);

// Builds the class records of the classes that the runtime itself implements
// (Object, Window, the controls, Thread, Timer, Application and the menu
// classes) in the class registry. Cannot fail.
void RuntimeInitExternalClasses();

// Makes app the application (Application::Current) and activates the
// main-thread rule. Raises NilObjectException for Nil.
void RuntimeRegisterAppObject(const Ref<Application>& app);

// Hands over the late start-up: lateStartup runs once the event loop has
// started, as an event (through DeliverEvent, so an exception in it is
// reported and the loop goes on). Raises RuntimeException before RuntimeInit.
void RunFrameworkInitialization(std::function<void()> lateStartup);

// Runs the main thread's event loop until Quit; returns at once when Quit was
// called before. On return the main thread holds the runtime lock and every
// worker has been killed and has ended (one at a yield point unwinds at once),
// so the program's release steps meet no running worker. A worker killed in
// a section without the lock (a decode, a name lookup) that has not ended
// after a grace of 100 ms means the process cannot release what it may still
// hold: when the runtime made the QApplication, RuntimeRun then flushes the
// standard streams and ends the process itself with the exit status.
// Raises RuntimeException off the main thread or before RuntimeInit.
void RuntimeRun();

// Ends the application: the event loop (and any modal loop in it) returns and
// code becomes the exit status. Allowed on any thread (no main-thread check);
// from a worker the loop is told through the main thread's event queue.
// Before the loop runs, the next RuntimeRun returns at once. Cannot fail.
void Quit(int32_t code = 0);

// The runtime's quit action, what a QuitMenuItem hands itself to: Quit(0);
// true (the choice is handled). No main-thread check; cannot fail.
bool QuitMenuAction(MenuItem& item);

// Ends the runtime: kills every worker still running (one started after
// RuntimeRun) as RuntimeRun does, ending the process the same way when one
// cannot end in time; releases the application object, deletes widgets whose
// deletion was deferred, turns the main-thread rule off, deletes the
// QApplication if RuntimeInit made it, and returns the exit status: the code of the last Quit,
// 0 when none came. Afterwards the runtime can be started again (tests).
int32_t RuntimeExit();

// The runtime's report of an exception that no code caught (a message box on
// the main thread and a line on standard error); the program goes on. Nil does
// nothing. Never throws.
void UnhandledException(std::exception_ptr e);

}  // namespace fw
