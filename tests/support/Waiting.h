#pragma once
#include <chrono>
#include <functional>

namespace testsupport {

// Polls pred with the runtime lock given up between looks (so workers run)
// until it holds or timeoutMs of real time pass; returns its last value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

}  // namespace testsupport
