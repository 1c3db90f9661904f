#pragma once
// Definitions of accessors for a stored value that first apply the main-thread
// rule (raising ThreadAccessingUIException on a worker), for use in .cpp files.
//
//   FW_CHECKED_GETTER(Label, bool, Multiline, multiline_)
//   FW_CHECKED_SETTER(Label, bool, SetMultiline, multiline_)
//   FW_CHECKED_SETTER_THEN(Label, bool, SetMultiline, multiline_, ApplyAlignment())
//   FW_CHECKED_PROPERTY(Label, std::string, const std::string&, DataField, SetDataField,
//   dataField_)
//
// The _THEN forms run their last argument (a statement that may use the new
// value as v) once the value is stored, to show it on the widget.
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

#define FW_CHECKED_SETTER_THEN(Class, Arg, Name, field, ...) \
  void Class::Name(Arg v) {                                  \
    ::fw::CheckMainThread();                                 \
    field = v;                                               \
    __VA_ARGS__;                                             \
  }

#define FW_CHECKED_PROPERTY(Class, Type, Arg, Get, Set, field) \
  FW_CHECKED_GETTER(Class, Type, Get, field)                   \
  FW_CHECKED_SETTER(Class, Arg, Set, field)

#define FW_CHECKED_PROPERTY_THEN(Class, Type, Arg, Get, Set, field, ...) \
  FW_CHECKED_GETTER(Class, Type, Get, field)                             \
  FW_CHECKED_SETTER_THEN(Class, Arg, Set, field, __VA_ARGS__)
