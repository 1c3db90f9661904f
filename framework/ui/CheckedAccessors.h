#pragma once
// Definitions of accessors for a stored value that first apply the main-thread
// rule (raising ThreadAccessingUIException on a worker), for use in .cpp files.
#include "framework/runtime/MainThreadRule.h"

#define FW_CHECKED_GETTER(Class, Type, Name, field) \
  Type Class::Name() const {                        \
    ::fw::CheckMainThread();                        \
    return field;                                   \
  }

#define FW_CHECKED_SETTER(Class, Arg, Name, field) \
  void Class::Name(Arg v) {                        \
    ::fw::CheckMainThread();                       \
    field = v;                                     \
  }

#define FW_CHECKED_PROPERTY(Class, Type, Arg, Get, Set, field) \
  FW_CHECKED_GETTER(Class, Type, Get, field)                   \
  FW_CHECKED_SETTER(Class, Arg, Set, field)
