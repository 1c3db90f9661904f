#include "framework/classes/ClassRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/classes/Introspection.h"
#include "framework/runtime/RuntimeException.h"

namespace {

std::vector<std::string>& Journal() {
  static std::vector<std::string> j;
  return j;
}

// A small class pair with records of their own.
class Base : public virtual fw::Object {
 public:
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override { return Lookup(); }
  void Hello() { Journal().push_back("Base.Hello"); }
  int32_t value = -1;
};

class Derived : public Base {
 public:
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override { return Lookup(); }
  void Hello2() { Journal().push_back("Derived.Hello2"); }
  std::string name = "unset";
};

const fw::ClassRecord& Base::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Object"), "Test.Base");
    r.SetAllocator<Base>();
    r.initialiser = [](fw::Object& o) {
      Journal().push_back("Base.init");
      dynamic_cast<Base&>(o).value = 0;
    };
    r.finaliser = [](fw::Object&) { Journal().push_back("Base.exit"); };
    fw::RuntimeNewVtable(r, {"Hello", "Shared"});
    r.eventHooks.push_back({"Open", "Hello", fw::HookTo(&Base::Hello)});
    r.methods.push_back(
        {"Hello", {}, "", fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}})});
    r.methods.push_back(
        {"Secret", {}, "", fw::RuntimeAllocateAttributeTable({{"__Scope", "Private"}})});
    r.properties.push_back(
        {"value", "Int32", fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}})});
    r.attributes = fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}});
    return r;
  }();
  return rec;
}

const fw::ClassRecord& Derived::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&Base::Lookup(), "Test.Derived");
    r.SetAllocator<Derived>();
    r.initialiser = [](fw::Object& o) {
      Journal().push_back("Derived.init");
      dynamic_cast<Derived&>(o).name = "";
    };
    r.finaliser = [](fw::Object&) { Journal().push_back("Derived.exit"); };
    fw::RuntimeNewVtable(r, {"Hello2", "_Make"});
    r.eventHooks.push_back({"Close", "Hello2", fw::HookTo(&Derived::Hello2)});
    r.methods.push_back({"Hello2",
                         {"String"},
                         "Boolean",
                         fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}})});
    r.methods.push_back(
        {"_Make",
         {},
         "",
         fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}, {"Hidden", ""}})});
    r.properties.push_back({"name", "String", {}});
    return r;
  }();
  return rec;
}

TEST(ClassRecord, OperationTableHoldsTheSuperclassOperationsFirstThenItsOwn) {
  EXPECT_EQ(Derived::Lookup().operations,
            (std::vector<std::string>{"Hello", "Shared", "Hello2", "_Make"}));
  EXPECT_EQ(Derived::Lookup().Superclass(), &Base::Lookup());
  EXPECT_EQ(Derived::Lookup().FullName(), "Test.Derived");
}

TEST(ClassRecord, FrameworkRecordsAreBuiltOnFirstUseAndKept) {
  const fw::ClassRecord& thread = fw::LookupClass("Thread");
  EXPECT_EQ(thread.operations, (std::vector<std::string>{"Kill", "Resume", "Run", "Sleep",
                                                         "Suspend", "__DependencyList"}));
  EXPECT_EQ(&fw::LookupClass("Thread"), &thread);
  EXPECT_EQ(fw::FindClass("Thread"), &thread);

  const fw::ClassRecord& timer = fw::LookupClass("Timer");
  ASSERT_EQ(timer.interfaces.size(), 1u);
  EXPECT_EQ(timer.interfaces[0].name, "actionSource");
  EXPECT_EQ(timer.interfaces[0].operations,
            (std::vector<std::string>{"addActionNotificationReceiver",
                                      "removeActionNotificationReceiver"}));

  EXPECT_TRUE(fw::LookupClass("TextField").IsA(fw::LookupClass("RectControl")));
  EXPECT_TRUE(fw::LookupClass("QuitMenuItem").IsA(fw::LookupClass("MenuItem")));
  EXPECT_EQ(fw::LookupClass("Application").operations.size(), 17u);
  EXPECT_THROW(fw::LookupClass("NoSuchClass"), fw::RuntimeException);
  EXPECT_EQ(fw::FindClass("NoSuchClass"), nullptr);
}

TEST(ClassRecord, ANameIsRegisteredOnce) {
  Base::Lookup();
  EXPECT_THROW(fw::RuntimeNewClass(nullptr, "Test.Base"), fw::RuntimeException);
  EXPECT_EQ(fw::FindClass("Test.Base"), &Base::Lookup());
}

TEST(ClassRecord, EventHooksComeFromTheNearestClassThatHasOne) {
  const fw::ClassRecord& d = Derived::Lookup();
  ASSERT_NE(d.FindEventHook("Open"), nullptr);
  EXPECT_EQ(d.FindEventHook("Open")->operation, "Hello");
  EXPECT_EQ(d.FindEventHook("Close")->operation, "Hello2");
  EXPECT_EQ(Base::Lookup().FindEventHook("Close"), nullptr);
  EXPECT_EQ(d.FindEventHook("Layout"), nullptr);

  Journal().clear();
  Derived obj;
  d.FindEventHook("Open")->handler(obj);
  d.FindEventHook("Close")->handler(obj);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"Base.Hello", "Derived.Hello2"}));

  Base notDerived;
  EXPECT_THROW(d.FindEventHook("Close")->handler(notDerived), fw::NilObjectException);
}

TEST(RuntimeNewObject, RunsInitialisersRootFirstAndFinalisersOwnFirst) {
  Journal().clear();
  fw::Ref<fw::Object> o = fw::RuntimeNewObject(Derived::Lookup());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"Base.init", "Derived.init"}));
  auto d = fw::CheckCast<Derived>(o);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->value, 0);
  EXPECT_EQ(d->name, "");
  Journal().clear();
  d.reset();
  EXPECT_TRUE(Journal().empty());  // o still holds it
  o.reset();
  EXPECT_EQ(Journal(), (std::vector<std::string>{"Derived.exit", "Base.exit"}));
}

TEST(RuntimeNewObject, RecordWithoutAllocatorRaises) {
  EXPECT_THROW(fw::RuntimeNewObject(fw::LookupClass("Window")), fw::RuntimeException);
}

TEST(RuntimeCheckCast, GivesTheObjectForItsClassOrASuperclassAndNilOtherwise) {
  fw::Ref<fw::Object> base = fw::RuntimeNewObject(Base::Lookup());
  fw::Ref<fw::Object> derived = fw::RuntimeNewObject(Derived::Lookup());

  EXPECT_EQ(fw::RuntimeCheckCast(derived, Derived::Lookup()), derived);
  EXPECT_EQ(fw::RuntimeCheckCast(derived, Base::Lookup()), derived);
  EXPECT_EQ(fw::RuntimeCheckCast(derived, fw::LookupClass("Object")), derived);
  EXPECT_EQ(fw::RuntimeCheckCast(base, Derived::Lookup()), nullptr);
  EXPECT_EQ(fw::RuntimeCheckCast(base, fw::LookupClass("Window")), nullptr);
  EXPECT_EQ(fw::RuntimeCheckCast(fw::Ref<fw::Object>(), Base::Lookup()), nullptr);

  fw::Ref<Base> typed = fw::RuntimeCheckCast<Base>(derived, Base::Lookup());
  EXPECT_EQ(typed.get(), dynamic_cast<Base*>(derived.get()));
  EXPECT_EQ(fw::RuntimeCheckCast<Derived>(base, Base::Lookup()), nullptr);  // a Base, not a Derived
}

TEST(Introspection, ReadsScopeAndReportsHiddenMembersNotAccessible) {
  const fw::ClassRecord& d = Derived::Lookup();
  EXPECT_EQ(fw::MemberScope(d, "Hello2"), "Public");
  EXPECT_TRUE(fw::MemberAccessible(d, "Hello2"));

  EXPECT_EQ(fw::MemberScope(d, "_Make"), "Public");
  EXPECT_FALSE(fw::MemberAccessible(d, "_Make"));  // Hidden

  EXPECT_EQ(fw::MemberScope(d, "Secret"), "Private");  // inherited from Base
  EXPECT_FALSE(fw::MemberAccessible(d, "Secret"));

  EXPECT_EQ(fw::MemberScope(d, "name"), "Public");  // no "__Scope": public
  EXPECT_TRUE(fw::MemberAccessible(d, "value"));

  EXPECT_EQ(fw::MemberScope(d, "Missing"), "");
  EXPECT_FALSE(fw::MemberAccessible(d, "Missing"));

  ASSERT_NE(fw::FindMethodEntry(d, "Hello2"), nullptr);
  EXPECT_EQ(fw::FindMethodEntry(d, "Hello2")->argumentTypes, (std::vector<std::string>{"String"}));
  EXPECT_EQ(fw::FindMethodEntry(d, "Hello2")->resultType, "Boolean");
  EXPECT_EQ(fw::ClassScope(Base::Lookup()), "Public");
}

TEST(Introspection, AnswersAgainAfterItsMapsAreReleased) {
  const fw::ClassRecord& d = Derived::Lookup();
  EXPECT_FALSE(fw::MemberAccessible(d, "_Make"));
  fw::ReleaseIntrospectionMaps();
  fw::ReleaseIntrospectionMaps();
  EXPECT_FALSE(fw::MemberAccessible(d, "_Make"));
  EXPECT_TRUE(fw::MemberAccessible(d, "Hello"));
  EXPECT_EQ(d.FullName(), "Test.Derived");  // records outlive the maps
}

}  // namespace
