#include "framework/classes/Object.h"

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/Thread.h"

namespace fw {

const ClassRecord& Object::Class() const {
  // A cooperative thread that is also an Object (a window's member thread)
  // is a Thread unless its class says more.
  if (dynamic_cast<const Thread*>(this)) return LookupClass("Thread");
  return LookupClass("Object");
}

bool Object::BindEvent(std::string_view, const Ref<Delegate>&) { return false; }

}  // namespace fw
