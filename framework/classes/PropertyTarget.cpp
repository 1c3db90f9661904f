#include "framework/classes/PropertyTarget.h"

#include "framework/classes/LayoutTableReader.h"
#include "framework/runtime/Thread.h"

namespace fw {

void SetProperties(PropertyTarget& target, std::string_view table) {
  // Read all of it first, so a malformed table sets nothing.
  for (const LayoutEntry& e : LayoutTableReader::ReadAll(table)) target.SetLayoutProperty(e);
}

void SetProperties(Thread& target, std::string_view table) {
  for (const LayoutEntry& e : LayoutTableReader::ReadAll(table)) {
    if (e.name == "Priority")
      target.Priority = e.Int();
    else if (e.name == "StackSize")
      target.StackSize = e.Int();
  }
}

}  // namespace fw
