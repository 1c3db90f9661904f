#pragma once
#include "framework/ui/MenuItem.h"

namespace fw {

// The quit item: choosing it hands it to the runtime's quit action
// (QuitMenuAction), which ends the application with exit status 0.
class QuitMenuItem : public MenuItem {
 public:
  QuitMenuItem();
  ~QuitMenuItem() override;

  // The record of "QuitMenuItem"; never fails.
  const ClassRecord& Class() const override;

  // The built-in Action: the quit action's result (true). No main-thread
  // check; cannot fail.
  bool Event_Action() override;
};

}  // namespace fw
