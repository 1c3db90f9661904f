#pragma once
#include <string_view>

#include "framework/runtime/Nil.h"

namespace fw {

class ClassRecord;
class Delegate;

// The root of the framework's object classes: what a window's control
// registry holds and what class records and casts work on.
//
// Framework classes derive from it virtually (`public virtual Object`), so a
// program class that joins two of them, such as a thread or timer that is
// also a PaneChild, has one Object. Objects are owned by Ref (shared_ptr).
class Object {
 public:
  virtual ~Object() = default;

  // The record of the object's class. Every framework class answers its own
  // (an Object that is also a Thread answers "Thread"); a program class that
  // has a record overrides this to return it. Never fails.
  virtual const ClassRecord& Class() const;

  // Binds d to this object's event of that name, replacing an earlier binding
  // (Nil d unbinds). False when the object has no event of that name; raises
  // RuntimeException when d's handler does not fit the event.
  virtual bool BindEvent(std::string_view event, const Ref<Delegate>& d);
};

}  // namespace fw
