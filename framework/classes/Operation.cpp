#include "framework/classes/Operation.h"

#include "framework/classes/ClassRegistry.h"

namespace fw {

void AddOperations(ClassRecord& rec, const std::vector<Operation>& ops) {
  std::vector<std::string> slots;
  for (const Operation& op : ops)
    if (!(op.flags & Operation::kOverride)) slots.push_back(op.name);
  RuntimeNewVtable(rec, slots);
  for (const Operation& op : ops) {
    AttributeList attributes = PublicAttributes();
    if (op.flags & Operation::kHidden) attributes.push_back({"Hidden", ""});
    rec.methods.push_back({op.name, op.argumentTypes, op.resultType, std::move(attributes)});
  }
}

AttributeList PublicAttributes() { return RuntimeAllocateAttributeTable({{"__Scope", "Public"}}); }

}  // namespace fw
