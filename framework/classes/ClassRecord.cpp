#include "framework/classes/ClassRecord.h"

namespace fw {

bool ClassRecord::IsA(const ClassRecord& other) const {
  for (const ClassRecord* r = this; r; r = r->superclass_)
    if (r == &other) return true;
  return false;
}

const EventHook* ClassRecord::FindEventHook(std::string_view event) const {
  for (const ClassRecord* r = this; r; r = r->superclass_)
    for (const EventHook& h : r->eventHooks)
      if (h.event == event) return &h;
  return nullptr;
}

}  // namespace fw
