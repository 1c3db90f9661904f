#pragma once
// Getting work to the main thread (see MainThread.h) from any thread.
#include <functional>

class QObject;

namespace fw {

// True on the main thread while the application object exists: where the
// main thread's widgets and Qt objects may be touched. Never fails.
bool OnMainThreadWithApplication();

// Runs f at once on the main thread; from any other thread posts it to the
// main thread's event queue, where it runs when the event loop next turns
// (and is dropped if context, when given, is gone by then). False, and f never
// runs, when there is no application object. Raises only what f raises when
// it runs at once.
bool RunOnMainThread(std::function<void()> f, QObject* context = nullptr);

}  // namespace fw
