#pragma once
#include <exception>
#include <functional>

namespace fw {

// The function through which the runtime runs program code under the
// program's exception handling: it calls fn and gives Nil (an empty
// exception_ptr) when fn returns, or the RuntimeException that escaped it;
// any other exception passes on.
using ExceptionHelper = std::exception_ptr (*)(const std::function<void()>& fn);

// Installs the helper (start-up does this first); Nil puts the default back.
void RuntimeSetExceptionHelper(ExceptionHelper helper);

// The default helper, also what start-up installs.
std::exception_ptr CallFunctionWithExceptionHandling(const std::function<void()>& fn);

// Runs program code for an event from the event loop: through the helper; an
// exception that escapes it goes to ReportUnhandled, and the event ends there.
// ThreadKilled passes on untouched. Returns false when the code did not complete.
bool DeliverEvent(const std::function<void()>& fn);

}  // namespace fw
