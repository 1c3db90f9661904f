#include "framework/runtime/MainThreadRule.h"

#include <atomic>

#include "framework/runtime/MainThread.h"
#include "framework/runtime/ThreadAccessingUIException.h"

namespace fw {

namespace {
std::atomic<bool> gActive{false};
}

void CheckMainThread() {
  if (gActive && !IsMainThread()) throw ThreadAccessingUIException();
}

void SetMainThreadRuleActive(bool active) { gActive = active; }
bool MainThreadRuleActive() { return gActive; }

}  // namespace fw
