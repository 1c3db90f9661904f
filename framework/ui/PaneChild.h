#pragma once
#include <cstdint>

#include "framework/classes/Object.h"
#include "framework/runtime/Nil.h"

namespace fw {

class Window;

// An object placed on a window that is not a visible control: the program's
// threads and timers that belong to a window derive from fw::Thread or
// fw::Timer and from PaneChild:
//
//   class Thread1 : public fw::Thread, public fw::PaneChild { ... };
//
// The window links such a member to itself when it registers it
// (Window::AddControl) and empties the link when it closes; while linked the
// member holds the window (the link is a reference), so the window cannot go
// before its member. The defaults below keep the link; a class may override
// them.
class PaneChild : public virtual Object {
 public:
  // Takes a reference to window (Nil: empties the link) and drops the one to
  // the previous owner. Never fails.
  virtual void SetWindow(const Ref<fw::Window>& window);
  // The owning window; Nil while the link is empty. Never fails.
  virtual Ref<fw::Window> Window() const;
  // Public property: the member's index in a control array; 0 at first.
  int32_t Index = 0;

 protected:
  Ref<fw::Window> ownerWindow;
};

}  // namespace fw
