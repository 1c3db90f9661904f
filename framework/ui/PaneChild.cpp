#include "framework/ui/PaneChild.h"

namespace fw {

void PaneChild::SetWindow(const Ref<fw::Window>& window) {
  Ref<fw::Window> previous = std::move(ownerWindow);
  ownerWindow = window;
}

Ref<fw::Window> PaneChild::Window() const { return ownerWindow; }

int32_t PaneChild::PaneIndex() const { return Index; }

void PaneChild::SetPaneIndex(int32_t index) { Index = index; }

}  // namespace fw
