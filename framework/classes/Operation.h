#pragma once
// The one way a program class writes its own operations into its record:
//
//   fw::AddOperations(r, {
//       {"Layout", {}, ""},
//       {"_CreateControls0", {}, "", fw::Operation::kHidden},
//       {"Label1_MouseDown", {"Label", "Int32", "Int32"}, "Boolean"},
//   });
//   r.attributes = fw::PublicAttributes();
#include <string>
#include <vector>

#include "framework/classes/ClassRecord.h"

namespace fw {

// One own operation of a class: its method entry, and (unless it fills a slot
// that the superclass has already) its slot in the operation table.
struct Operation {
  enum Flags : unsigned {
    kPlain = 0,
    kHidden = 1,    // the method entry is marked Hidden
    kOverride = 2,  // fills a slot of the superclass: no new slot
  };

  std::string name;
  std::vector<std::string> argumentTypes;
  std::string resultType;  // empty: no result
  unsigned flags = kPlain;
};

// Fills rec's operation table (RuntimeNewVtable): its superclass's
// operations, then each of ops that is no override, in order; and appends
// every one's public method entry to rec.methods. Never fails.
void AddOperations(ClassRecord& rec, const std::vector<Operation>& ops);

// The attributes of a public class or member: __Scope Public. Never fails.
AttributeList PublicAttributes();

}  // namespace fw
