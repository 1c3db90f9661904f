#include "framework/Object.h"

#include "framework/ClassRegistry.h"

namespace fw {

const ClassRecord& Object::Class() const { return LookupClass("Object"); }

bool Object::BindEvent(std::string_view, const Ref<Delegate>&) { return false; }

}  // namespace fw
