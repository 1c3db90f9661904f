#include "framework/runtime/MainThread.h"

#include <thread>

namespace fw {

namespace {
// Taken while the process starts, on the thread that goes on to run main.
const std::thread::id gMainThread = std::this_thread::get_id();
}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }

}  // namespace fw
