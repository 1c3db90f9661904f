#pragma once
#include <functional>

namespace fw {

// True on the main thread: the process's first thread, the one that runs
// main, the runtime's start and end and the event loop, and that holds the
// runtime lock except while its loop waits. Every cooperative worker is
// another thread. Never fails.
bool IsMainThread();

// Hands f to the main thread, to run there later under the runtime lock,
// through the poster in force; false, and f dropped, when there is none (no
// event loop to run it). f is dropped unrun when the loop ends before it.
// Allowed on any thread.
bool PostToMainThread(std::function<void()> f);
// Puts the poster in force (the UI layer, while the application exists);
// empty: none.
void SetMainThreadPoster(std::function<bool(std::function<void()>)> poster);

}  // namespace fw
