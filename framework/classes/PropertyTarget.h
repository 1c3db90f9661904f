#pragma once
#include <string_view>
#include <type_traits>

#include "framework/classes/LayoutTable.h"
#include "framework/runtime/Nil.h"

namespace fw {

class Thread;

// An object whose properties a layout table can set: windows, controls and
// timers.
class PropertyTarget {
 public:
  virtual ~PropertyTarget() = default;

  // Sets the property the entry names to its value. False when the object has
  // no property of that name (SetProperties then skips the entry); raises what
  // the property's setter raises (the main-thread rule for windows and
  // controls).
  virtual bool SetLayoutProperty(const LayoutEntry& entry) = 0;
};

// The one-step setter: reads the whole table and sets each named property on
// target, in table order. A name the target does not have is skipped. Raises
// RuntimeException for a malformed table, before it sets anything; raises
// what a setter raises, after the entries before it have been set. Checks no
// thread itself.
void SetProperties(PropertyTarget& target, std::string_view table);

// The same for a cooperative thread, which takes Priority and StackSize (kept
// as they are) and skips every other name.
void SetProperties(Thread& target, std::string_view table);

// The same on the object behind a reference; raises NilObjectException for Nil.
template <class T>
void SetProperties(const Ref<T>& target, std::string_view table) {
  T& t = NonNil(target);
  if constexpr (std::is_base_of_v<PropertyTarget, T>) {
    SetProperties(static_cast<PropertyTarget&>(t), table);
  } else {
    static_assert(std::is_base_of_v<Thread, T>, "SetProperties needs a PropertyTarget or a Thread");
    SetProperties(static_cast<Thread&>(t), table);
  }
}

}  // namespace fw
