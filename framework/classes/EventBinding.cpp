#include "framework/classes/EventBinding.h"

#include <string>

#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/Thread.h"

namespace fw {

namespace {
[[noreturn]] void NoSuchEvent(std::string_view cls, std::string_view event) {
  throw RuntimeException(std::string(cls) + " has no event \"" + std::string(event) + "\"");
}
}  // namespace

void RuntimeAddEventHandler(Object& target, std::string_view event, const Ref<Delegate>& handler) {
  if (!target.BindEvent(event, handler)) NoSuchEvent("This object", event);
}

void RuntimeAddEventHandler(Thread& target, std::string_view event, const Ref<Delegate>& handler) {
  if (event != "Run") NoSuchEvent("Thread", event);
  target.SetRunHandler(DelegateHandler<void(Thread&)>(handler, event));
}

}  // namespace fw
