#pragma once
// A class's layout properties as one table of names and setters:
//
//   bool Label::SetLayoutProperty(const LayoutEntry& e) {
//     static constexpr LayoutSetter<Label> kSetters[] = {
//         {"Text", LayoutSetterFor<&Label::SetText>},
//         {"Multiline", LayoutSetterFor<&Label::SetMultiline>},
//     };
//     return SetFromLayoutTable(*this, kSetters, e) || RectControl::SetLayoutProperty(e);
//   }
//
// Each setter reads the entry's value as its own argument type: Int32 for
// int32_t, Boolean for bool, Color for uint32_t, String for a text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/classes/LayoutTable.h"

namespace fw {

// One row: a property name and what sets it on a T.
template <class T>
struct LayoutSetter {
  std::string_view name;
  void (*set)(T& target, const LayoutEntry& entry);
};

namespace layout_setter_detail {

template <class V>
V ValueAs(const LayoutEntry& e) {
  if constexpr (std::is_same_v<V, bool>) {
    return e.Bool();
  } else if constexpr (std::is_same_v<V, int32_t>) {
    return e.Int();
  } else if constexpr (std::is_same_v<V, uint32_t>) {
    return e.Color();
  } else {
    static_assert(std::is_same_v<V, std::string>,
                  "a layout setter takes Int32, Boolean, Color or String");
    return e.text;
  }
}

template <auto Setter>
struct Call;

template <class T, class Arg, void (T::*Setter)(Arg)>
struct Call<Setter> {
  static void Set(T& target, const LayoutEntry& e) {
    (target.*Setter)(ValueAs<std::remove_cvref_t<Arg>>(e));
  }
};

}  // namespace layout_setter_detail

// The set function of a row for the member setter Setter.
template <auto Setter>
constexpr auto LayoutSetterFor = &layout_setter_detail::Call<Setter>::Set;

// Sets the property e names on target through its row of table; false when
// no row has that name (names compare exactly). Raises what the setter raises.
template <class T, std::size_t N>
bool SetFromLayoutTable(T& target, const LayoutSetter<T> (&table)[N], const LayoutEntry& e) {
  for (const LayoutSetter<T>& row : table) {
    if (row.name == e.name) {
      row.set(target, e);
      return true;
    }
  }
  return false;
}

}  // namespace fw
