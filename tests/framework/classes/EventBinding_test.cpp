#include "framework/classes/EventBinding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Delegate.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/Thread.h"
#include "framework/ui/PaneChild.h"
#include "tests/support/Waiting.h"

namespace {

struct Receiver {
  int calls = 0;
  void Run(fw::Thread&) { ++calls; }
  bool Down(fw::Thread&, int32_t x, int32_t y) {
    ++calls;
    return x + y == 7;
  }
};

TEST(Delegate, CallsTheMethodOnItsReceiver) {
  auto r = std::make_shared<Receiver>();
  auto d = fw::RuntimeCreateDelegate(&Receiver::Down, r);
  auto fn = fw::DelegateHandler<bool(fw::Thread&, int32_t, int32_t)>(d, "MouseDown");
  fw::Thread t;
  EXPECT_TRUE(fn(t, 3, 4));
  EXPECT_FALSE(fn(t, 1, 1));
  EXPECT_EQ(r->calls, 2);
}

TEST(Delegate, DoesNotKeepItsReceiverAliveAndGivesFalseOnceItIsGone) {
  auto r = std::make_shared<Receiver>();
  std::weak_ptr<Receiver> weak = r;
  auto d = fw::RuntimeCreateDelegate(&Receiver::Down, r);
  r.reset();
  EXPECT_TRUE(weak.expired());
  fw::Thread t;
  EXPECT_FALSE(fw::DelegateHandler<bool(fw::Thread&, int32_t, int32_t)>(d, "MouseDown")(t, 3, 4));
}

TEST(Delegate, HandlerOfAnotherSignatureIsRefused) {
  auto r = std::make_shared<Receiver>();
  auto d = fw::RuntimeCreateDelegate(&Receiver::Run, r);
  EXPECT_THROW((fw::DelegateHandler<bool(fw::Thread&, int32_t, int32_t)>(d, "MouseDown")),
               fw::RuntimeException);
  EXPECT_FALSE(fw::DelegateHandler<void(fw::Thread&)>(nullptr, "Run"));  // Nil: unbound
  EXPECT_THROW(fw::RuntimeCreateDelegate(&Receiver::Run, std::shared_ptr<Receiver>()),
               fw::NilObjectException);
}

// A thread that belongs to a window, as the program's members do.
class MemberThread : public fw::Thread, public fw::PaneChild {};

TEST(EventBinding, RunOfAThreadRunsTheBoundMethodOnTheThread) {
  auto r = std::make_shared<Receiver>();
  auto t = std::make_shared<MemberThread>();
  fw::RuntimeAddEventHandler(t, "Run", fw::RuntimeCreateDelegate(&Receiver::Run, r));
  t->Run();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !t->IsRunning() && r->calls == 1; }));
}

TEST(EventBinding, AMemberThreadCastsToThreadAsAWindowsAccessorCastsIt) {
  auto t = std::make_shared<MemberThread>();
  fw::Ref<fw::Object> registered = t;  // what a window's registry gives back
  fw::Ref<fw::Thread> asThread =
      fw::RuntimeCheckCast<fw::Thread>(registered, fw::LookupClass("Thread"));
  EXPECT_EQ(asThread.get(), static_cast<fw::Thread*>(t.get()));
  EXPECT_EQ(fw::RuntimeCheckCast(registered, fw::LookupClass("Timer")), nullptr);
}

TEST(EventBinding, UnknownEventsAndMismatchedHandlersRaise) {
  auto r = std::make_shared<Receiver>();
  auto t = std::make_shared<MemberThread>();
  EXPECT_THROW(
      fw::RuntimeAddEventHandler(t, "Action", fw::RuntimeCreateDelegate(&Receiver::Run, r)),
      fw::RuntimeException);
  EXPECT_THROW(fw::RuntimeAddEventHandler(t, "Run", fw::RuntimeCreateDelegate(&Receiver::Down, r)),
               fw::RuntimeException);
  EXPECT_THROW(fw::RuntimeAddEventHandler(std::shared_ptr<fw::Thread>(), "Run", nullptr),
               fw::NilObjectException);
}

}  // namespace
