#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/classes/Object.h"

namespace fw {

// A named attribute of a class or member; value may be empty ("Hidden").
struct Attribute {
  std::string name;
  std::string value;
};
using AttributeList = std::vector<Attribute>;

// Introspection entry of one method.
struct MethodEntry {
  std::string name;
  std::vector<std::string> argumentTypes;
  std::string resultType;  // empty: no result
  AttributeList attributes;
};

// Introspection entry of one property.
struct PropertyEntry {
  std::string name;
  std::string type;
  AttributeList attributes;
};

// One event of the framework that the class handles, and the class's own
// operation that handles it. The framework raises the event by calling handler
// on the object (see Window: Layout, CreateControls, Open, Close).
struct EventHook {
  std::string event;
  std::string operation;
  std::function<void(Object&)> handler;
};

// An interface the class implements and the operations that fill it, in order.
struct InterfaceTable {
  std::string name;
  std::vector<std::string> operations;
};

// The record by which a class is known to the framework: built once (see
// RuntimeNewClass in ClassRegistry.h) and kept for the life of the process.
class ClassRecord {
 public:
  ClassRecord(const ClassRecord* superclass, std::string fullName)
      : superclass_(superclass), fullName_(std::move(fullName)) {}
  ClassRecord(const ClassRecord&) = delete;
  ClassRecord& operator=(const ClassRecord&) = delete;

  // Nil (nullptr) for the root class.
  const ClassRecord* Superclass() const { return superclass_; }
  // "Window1.Window1" for a program class, "TextField" for a framework class.
  const std::string& FullName() const { return fullName_; }

  // True when this class is other or derives from it.
  bool IsA(const ClassRecord& other) const;
  // The hook for event from this class or, failing that, its nearest
  // superclass that has one; nullptr when no class of the chain handles it.
  const EventHook* FindEventHook(std::string_view event) const;

  // Makes the bare object, to be disposed of through dispose when its last
  // reference goes (RuntimeNewObject runs the initialisers after it); empty
  // for a class that cannot be made from its record. Set it with SetAllocator.
  std::function<Ref<Object>(const std::function<void(Object*)>& dispose)> allocate;
  // Sets allocate to make a T (default-constructed).
  template <class T>
  void SetAllocator() {
    allocate = [](const std::function<void(Object*)>& dispose) -> Ref<Object> {
      return std::shared_ptr<T>(new T, [dispose](T* p) { dispose(p); });
    };
  }
  // Run by RuntimeNewObject on a new object (the superclass's first); empty
  // when the class has none.
  std::function<void(Object&)> initialiser;
  // Run when the last reference to an object made by RuntimeNewObject goes,
  // before its destructor (the class's own first, then the superclass's).
  // Must not throw.
  std::function<void(Object&)> finaliser;

  // The operation table: the superclass's operations, then the class's own,
  // in slot order (see RuntimeNewVtable).
  std::vector<std::string> operations;
  std::vector<EventHook> eventHooks;
  std::vector<InterfaceTable> interfaces;
  // Introspection entries of the class's own members, in declared order.
  std::vector<MethodEntry> methods;
  std::vector<PropertyEntry> properties;
  AttributeList attributes;

 private:
  const ClassRecord* superclass_;
  std::string fullName_;
};

// An event hook that calls op on the object, which must be a W (it raises
// NilObjectException when it is not):
//   rec.eventHooks.push_back({"Open", "Event_Open", fw::HookTo(&Window1::Event_Open)});
template <class W>
std::function<void(Object&)> HookTo(void (W::*op)()) {
  return [op](Object& o) {
    W* w = dynamic_cast<W*>(&o);
    (NonNil(w, "event hook on an object of another class").*op)();
  };
}

}  // namespace fw
