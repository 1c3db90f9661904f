#pragma once
#include <memory>

#include "framework/runtime/NilObjectException.h"

namespace fw {

// Objects are shared_ptr; an empty pointer is Nil.
template <class T>
using Ref = std::shared_ptr<T>;

// The object behind p; raises NilObjectException when p is Nil.
template <class P>
auto& NonNil(const P& p, const char* what = nullptr) {
  if (!p) throw NilObjectException(what ? what : "");
  return *p;
}

// p itself; raises NilObjectException when p is Nil.
template <class P>
const P& CheckNil(const P& p, const char* what = nullptr) {
  if (!p) throw NilObjectException(what ? what : "");
  return p;
}

}  // namespace fw
