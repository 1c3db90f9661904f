#include "framework/classes/ClassRegistry.h"

#include <map>
#include <mutex>

#include "framework/classes/Operation.h"
#include "framework/runtime/MainThread.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/RuntimeLock.h"

namespace fw {

namespace {

struct Registry {
  std::recursive_mutex m;
  std::map<std::string, std::unique_ptr<ClassRecord>, std::less<>> records;
};

Registry& TheRegistry() {
  static Registry* r = new Registry;  // kept for the life of the process
  return *r;
}

struct FrameworkClass {
  std::string_view name;
  std::string_view superclass;  // empty: root
  std::vector<std::string> ownOperations;
  std::vector<InterfaceTable> interfaces;
};

const std::vector<FrameworkClass>& FrameworkClasses() {
  static const std::vector<FrameworkClass> classes = {
      {"Object", "", {}, {}},
      {"Window",
       "Object",
       {"Close", "Constructor", "Show", "__New", "_AddControl", "_ControlByName"},
       {}},
      {"RectControl", "Object", {"Constructor"}, {}},
      {"TextField", "RectControl", {}, {}},
      {"PushButton", "RectControl", {}, {}},
      {"Label", "RectControl", {}, {}},
      {"Canvas", "RectControl", {}, {}},
      {"ProgressWheel", "RectControl", {}, {}},
      {"Thread", "Object", {"Kill", "Resume", "Run", "Sleep", "Suspend", "__DependencyList"}, {}},
      {"Timer",
       "Object",
       {"addActionNotificationReceiver", "removeActionNotificationReceiver", "Reset",
        "_CallAction"},
       {{"actionSource", {"addActionNotificationReceiver", "removeActionNotificationReceiver"}}}},
      {"Application",
       "Object",
       {"AddTrayItem", "DoEvents", "NewDocument", "OpenDocument", "RemoveTrayItem",
        "SleepCurrentThread", "YieldToNextThread", "_AddMenuHandler", "_AddPollableObject",
        "_CallOpen", "_DoSingleEvent", "_EnableMenuItems", "_HandleMenuCommand", "_LoadBundleSound",
        "_LoadPictureFromBundle", "_RemovePollableObject", "__DependencyList"},
       {}},
      {"MenuItem",
       "Object",
       {"Append",           "Child",   "Clone",   "Close",       "Constructor", "Constructor",
        "Constructor",      "Count",   "Enable",  "Insert",      "Item",        "MenuItem",
        "MenuItem",         "PopUp",   "PopUp",   "Remove",      "Remove",      "Remove",
        "_DisableEntirely", "_Lookup", "_Lookup", "_SelfEnable", "_Swap"},
       {}},
      {"MenuBar", "MenuItem", {"__DependencyList", "_InstallClone"}, {}},
      {"QuitMenuItem", "MenuItem", {"Event_Action"}, {}},
  };
  return classes;
}

const FrameworkClass* FindFrameworkClass(std::string_view name) {
  for (const FrameworkClass& c : FrameworkClasses())
    if (c.name == name) return &c;
  return nullptr;
}

ClassRecord* Registered(std::string_view name) {
  Registry& reg = TheRegistry();
  auto it = reg.records.find(name);
  return it == reg.records.end() ? nullptr : it->second.get();
}

// Builds a framework record (and its superclasses') unless it exists.
const ClassRecord& BuildFramework(const FrameworkClass& c) {
  Registry& reg = TheRegistry();
  std::lock_guard g(reg.m);
  if (ClassRecord* r = Registered(c.name)) return *r;
  const ClassRecord* super = nullptr;
  if (!c.superclass.empty()) super = &BuildFramework(*FindFrameworkClass(c.superclass));
  ClassRecord& r = RuntimeNewClass(super, std::string(c.name));
  RuntimeNewVtable(r, c.ownOperations);
  r.interfaces = c.interfaces;
  r.attributes = PublicAttributes();
  return r;
}

}  // namespace

ClassRecord& RuntimeNewClass(const ClassRecord* superclass, std::string fullName) {
  Registry& reg = TheRegistry();
  std::lock_guard g(reg.m);
  if (Registered(fullName))
    throw RuntimeException("Class \"" + fullName + "\" is registered already");
  auto rec = std::make_unique<ClassRecord>(superclass, fullName);
  ClassRecord& out = *rec;
  reg.records.emplace(std::move(fullName), std::move(rec));
  return out;
}

void RuntimeNewVtable(ClassRecord& rec, const std::vector<std::string>& ownOperations) {
  rec.operations.clear();
  if (rec.Superclass()) rec.operations = rec.Superclass()->operations;
  rec.operations.insert(rec.operations.end(), ownOperations.begin(), ownOperations.end());
}

AttributeList RuntimeAllocateAttributeTable(std::initializer_list<Attribute> attributes) {
  return AttributeList(attributes);
}

Ref<Object> RuntimeNewObject(const ClassRecord& rec) {
  if (!rec.allocate)
    throw RuntimeException("Class \"" + rec.FullName() + "\" cannot be made from its record");
  const ClassRecord* cls = &rec;
  Ref<Object> obj = rec.allocate([cls](Object* o) {
    auto dispose = [cls, o] {
      for (const ClassRecord* r = cls; r; r = r->Superclass())
        if (r->finaliser) r->finaliser(*o);
      delete o;
    };
    // Finalisers are program code: they run under the runtime lock. The last
    // reference may go without it, from a killed worker that unwinds on its
    // own; the object then goes on the main thread.
    if (RuntimeLock::Instance().HeldByMe() || !PostToMainThread(dispose)) dispose();
  });
  std::vector<const ClassRecord*> chain;
  for (const ClassRecord* r = &rec; r; r = r->Superclass()) chain.push_back(r);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if ((*it)->initialiser) (*it)->initialiser(*obj);
  return obj;
}

Ref<Object> RuntimeCheckCast(const Ref<Object>& obj, const ClassRecord& rec) {
  if (!obj || !obj->Class().IsA(rec)) return nullptr;
  return obj;
}

const ClassRecord* FindClass(std::string_view fullName) {
  {
    Registry& reg = TheRegistry();
    std::lock_guard g(reg.m);
    if (ClassRecord* r = Registered(fullName)) return r;
  }
  if (const FrameworkClass* c = FindFrameworkClass(fullName)) return &BuildFramework(*c);
  return nullptr;
}

const ClassRecord& LookupClass(std::string_view name) {
  const FrameworkClass* c = FindFrameworkClass(name);
  if (!c) throw RuntimeException("\"" + std::string(name) + "\" is no framework class");
  return BuildFramework(*c);
}

}  // namespace fw
