#include "app/SnapHarbor.h"

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/Operation.h"

namespace app {

const fw::ClassRecord& snapHarbor::Lookup() {
  static const fw::ClassRecord& rec = []() -> const fw::ClassRecord& {
    fw::ClassRecord& r = fw::RuntimeNewClass(&fw::LookupClass("Application"), "snapHarbor");
    r.SetAllocator<snapHarbor>();
    fw::AddOperations(r, {{"Constructor", {}, ""}});
    r.attributes = fw::PublicAttributes();
    return r;
  }();
  return rec;
}

const fw::ClassRecord& snapHarbor::Class() const { return Lookup(); }

void snapHarbor::Constructor() {}

}  // namespace app
