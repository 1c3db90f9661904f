#include "framework/ui/QuitMenuItem.h"

#include "framework/classes/ClassRegistry.h"
#include "framework/ui/Runtime.h"

namespace fw {

QuitMenuItem::QuitMenuItem() = default;

QuitMenuItem::~QuitMenuItem() = default;

const ClassRecord& QuitMenuItem::Class() const { return LookupClass("QuitMenuItem"); }

bool QuitMenuItem::Event_Action() { return QuitMenuAction(*this); }

}  // namespace fw
