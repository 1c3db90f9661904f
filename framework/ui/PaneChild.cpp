#include "framework/ui/PaneChild.h"

namespace fw {

void PaneChild::SetWindow(const Ref<fw::Window>& window) {
  Ref<fw::Window> previous = std::move(ownerWindow);
  ownerWindow = window;
}

Ref<fw::Window> PaneChild::Window() const { return ownerWindow; }

}  // namespace fw
