#include "framework/QuitMenuItem.h"

#include "framework/ClassRegistry.h"
#include "framework/Runtime.h"

namespace fw {

QuitMenuItem::QuitMenuItem() = default;

QuitMenuItem::~QuitMenuItem() = default;

const ClassRecord& QuitMenuItem::Class() const { return LookupClass("QuitMenuItem"); }

bool QuitMenuItem::Event_Action() { return QuitMenuAction(*this); }

}  // namespace fw
