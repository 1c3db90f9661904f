#pragma once

namespace fw {

// Raises ThreadAccessingUIException when called from a worker thread once the
// application object is registered; every window, control and menu operation
// and the message box call it first.
void CheckMainThread();

// Set when the application object is registered (and cleared again by tests).
void SetMainThreadRuleActive(bool active);
bool MainThreadRuleActive();

}  // namespace fw
