#pragma once
// Attaching delegates to control events. Each event takes handlers of one
// signature, the sender typed as its framework class:
//
//   TextField   "TextChange"  void (TextField&)
//   PushButton  "Action"      void (PushButton&)
//   Label       "MouseDown"   bool (Label&, int32_t x, int32_t y)
//   Canvas      "MouseDown"   bool (Canvas&, int32_t x, int32_t y)
//   Thread      "Run"         void (Thread&)       (runs on the thread itself)
//   Timer       "Action"      void (Timer&)
//
//   fw::RuntimeAddEventHandler(button, "Action",
//       fw::RuntimeCreateDelegate(&Window1::PushButton1_Action, this));
//
// One handler per event: binding again replaces it, a Nil delegate unbinds.
// An unbound event does nothing; an unbound Boolean event yields False.
// Handlers run from the event loop go through DeliverEvent, so an exception
// that escapes one is reported, not passed into the toolkit.
#include <string_view>
#include <type_traits>

#include "framework/classes/Delegate.h"
#include "framework/classes/Object.h"
#include "framework/runtime/Nil.h"

namespace fw {

class Thread;

// Raises RuntimeException when target has no event of that name or the
// handler does not fit it.
void RuntimeAddEventHandler(Object& target, std::string_view event, const Ref<Delegate>& handler);
void RuntimeAddEventHandler(Thread& target, std::string_view event, const Ref<Delegate>& handler);

// The same on the object behind a reference; raises NilObjectException for Nil.
template <class T>
void RuntimeAddEventHandler(const Ref<T>& target, std::string_view event,
                            const Ref<Delegate>& handler) {
  T& t = NonNil(target);
  if constexpr (std::is_base_of_v<Thread, T> && std::is_base_of_v<Object, T>) {
    if (event == "Run")
      RuntimeAddEventHandler(static_cast<Thread&>(t), event, handler);
    else
      RuntimeAddEventHandler(static_cast<Object&>(t), event, handler);
  } else if constexpr (std::is_base_of_v<Thread, T>) {
    RuntimeAddEventHandler(static_cast<Thread&>(t), event, handler);
  } else {
    RuntimeAddEventHandler(static_cast<Object&>(t), event, handler);
  }
}

}  // namespace fw
