#pragma once
// The class registry: every class record of the process, kept for its whole
// life, and the runtime calls that make records, objects and casts.
//
// A program class builds its record once, on first use:
//
//   const fw::ClassRecord& Window1::Lookup() {
//     static const fw::ClassRecord& rec = [] () -> const fw::ClassRecord& {
//       fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Window"), "Window1.Window1");
//       r.SetAllocator<Window1>();
//       fw::AddOperations(r, {{"Layout", {}, ""}, {"CreateControls", {}, ""}, ...});
//       r.eventHooks.push_back({"Layout", "Layout", fw::HookTo(&Window1::Layout)});
//       r.attributes = fw::PublicAttributes();
//       return r;
//     }();
//     return rec;
//   }
//
// (AddOperations, Operation.h, writes the operation table and the method
// entries in one step) and its objects answer it from Object::Class().
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/classes/ClassRecord.h"
#include "framework/runtime/Nil.h"

namespace fw {

// A new, empty record for fullName under superclass (nullptr: a root class),
// registered for the life of the process. Raises RuntimeException when a class
// of that name is registered already.
ClassRecord& RuntimeNewClass(const ClassRecord* superclass, std::string fullName);

// Fills rec's operation table: its superclass's operations, then
// ownOperations, in order. Never fails.
void RuntimeNewVtable(ClassRecord& rec, const std::vector<std::string>& ownOperations);

// An attribute list holding the given attributes, in order. Never fails.
AttributeList RuntimeAllocateAttributeTable(std::initializer_list<Attribute> attributes);

// A new object of rec's class: made by rec.allocate, then the
// initialisers of its class chain run, the root's first. When its last
// reference goes the finalisers run (the class's own first), then its
// destructor, under the runtime lock: when the last reference goes on a
// thread without the lock (a killed worker unwinding), on the main thread later. Raises
// RuntimeException for a record without an allocator (framework controls are made with Window::New
// instead).
Ref<Object> RuntimeNewObject(const ClassRecord& rec);

// obj when its class is rec's class or derives from it; Nil otherwise (and
// for a Nil obj).
Ref<Object> RuntimeCheckCast(const Ref<Object>& obj, const ClassRecord& rec);

// The same, typed as T: Nil also when obj is not a T.
template <class T, class U>
Ref<T> RuntimeCheckCast(const Ref<U>& obj, const ClassRecord& rec) {
  Ref<Object> o = std::dynamic_pointer_cast<Object>(obj);
  return std::dynamic_pointer_cast<T>(RuntimeCheckCast(o, rec));
}

// obj as a T by its C++ class; Nil when it is not one (or is Nil).
template <class T, class U>
Ref<T> CheckCast(const Ref<U>& obj) {
  return std::dynamic_pointer_cast<T>(obj);
}

// The registered record of that full name (exact); a framework class's record
// is built on first use. nullptr when there is none.
const ClassRecord* FindClass(std::string_view fullName);

// The record of a framework class ("Object", "Window", "RectControl",
// "TextField", "PushButton", "Label", "Canvas", "ProgressWheel", "Thread",
// "Timer", "Application", "MenuItem", "MenuBar", "QuitMenuItem"), built on
// first use. Raises RuntimeException for any other name.
const ClassRecord& LookupClass(std::string_view name);

}  // namespace fw
