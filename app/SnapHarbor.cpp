#include "app/SnapHarbor.h"

#include "framework/classes/ClassRegistry.h"

namespace app {

const fw::ClassRecord& snapHarbor::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Application"), "snapHarbor");
    r.SetAllocator<snapHarbor>();
    fw::RuntimeNewVtable(r, {"Constructor"});
    r.methods.push_back({"Constructor", {}, "", fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}})});
    r.attributes = fw::RuntimeAllocateAttributeTable({{"__Scope", "Public"}});
    return r;
  }();
  return rec;
}

const fw::ClassRecord& snapHarbor::Class() const { return Lookup(); }

void snapHarbor::Constructor() {}

}  // namespace app
