#pragma once
// Delegates: a method bound to a receiver, to be attached to one event of one
// control (see EventBinding.h). A delegate holds its receiver weakly, so a
// window is not kept alive by the handlers bound to its own controls; once
// the receiver is gone the delegate does nothing and gives the empty result
// (False for a Boolean event).
#include <any>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

#include "framework/runtime/Nil.h"

namespace fw {

class Delegate {
 public:
  template <class Fn>
  explicit Delegate(std::function<Fn> fn) : fn_(std::move(fn)) {}

  // The handler as a function of signature Fn; nullptr when it has another.
  template <class Fn>
  const std::function<Fn>* As() const {
    return std::any_cast<std::function<Fn>>(&fn_);
  }

 private:
  std::any fn_;
};

// The handler of d for an event whose handlers have signature Fn: empty for a
// Nil d; raises RuntimeException when d has another signature.
void ThrowDelegateMismatch(std::string_view event);
template <class Fn>
std::function<Fn> DelegateHandler(const Ref<Delegate>& d, std::string_view event) {
  if (!d) return {};
  const std::function<Fn>* fn = d->As<Fn>();
  if (!fn) ThrowDelegateMismatch(event);
  return *fn;
}

// A delegate of method on receiver, held weakly. Raises NilObjectException for
// a Nil receiver.
template <class R, class Res, class... Args>
Ref<Delegate> RuntimeCreateDelegate(Res (R::*method)(Args...), const Ref<R>& receiver) {
  CheckNil(receiver, "delegate receiver");
  std::weak_ptr<R> weak = receiver;
  std::function<Res(Args...)> fn = [weak, method](Args... args) -> Res {
    if (Ref<R> r = weak.lock()) return ((*r).*method)(std::forward<Args>(args)...);
    if constexpr (!std::is_void_v<Res>) return Res{};
  };
  return std::make_shared<Delegate>(std::move(fn));
}

// The same for a receiver given by pointer (typically `this` inside a window
// method); it must be owned by a Ref and reachable through shared_from_this
// (windows are). Raises NilObjectException for nullptr and RuntimeException
// for a receiver no Ref owns.
void ThrowReceiverNotShared();
template <class R, class Res, class... Args>
Ref<Delegate> RuntimeCreateDelegate(Res (R::*method)(Args...), R* receiver) {
  CheckNil(receiver, "delegate receiver");
  auto owner = receiver->weak_from_this().lock();
  if (!owner) ThrowReceiverNotShared();
  return RuntimeCreateDelegate(method, Ref<R>(owner, receiver));
}

}  // namespace fw
