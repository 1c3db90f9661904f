#include "framework/runtime/ExceptionHelper.h"

#include <atomic>

#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/ThreadKilled.h"
#include "framework/runtime/UnhandledException.h"

namespace fw {

namespace {
std::atomic<ExceptionHelper> gHelper{nullptr};
}

std::exception_ptr CallFunctionWithExceptionHandling(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RuntimeException&) {
    return std::current_exception();
  }
  return nullptr;
}

void RuntimeSetExceptionHelper(ExceptionHelper helper) { gHelper = helper; }

bool DeliverEvent(const std::function<void()>& fn) {
  ExceptionHelper helper = gHelper.load();
  if (!helper) helper = &CallFunctionWithExceptionHandling;
  try {
    std::exception_ptr escaped = helper(fn);
    if (!escaped) return true;
    ReportUnhandled(escaped);
  } catch (const ThreadKilled&) {
    throw;
  } catch (...) {
    ReportUnhandled(std::current_exception());
  }
  return false;
}

}  // namespace fw
