#pragma once

namespace fw {

// True on the main thread: the process's first thread, the one that runs
// main, the runtime's start and end and the event loop, and that holds the
// runtime lock except while its loop waits. Every cooperative worker is
// another thread. Never fails.
bool IsMainThread();

}  // namespace fw
