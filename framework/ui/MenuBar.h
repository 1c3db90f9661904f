#pragma once
#include <QPointer>
#include <vector>

#include "framework/ui/MenuItem.h"

class QMenuBar;
class QWidget;

namespace fw {

// The application's menu bar: a MenuItem whose children are the menus.
// Like every MenuItem it is ready at allocation, so a subclass's Constructor
// can append menus without calling the base Constructor.
//
// On this platform each window shows the bar itself: a window that should
// show it calls AttachTo once it has its widget (the menus and their items are
// shared by all windows it is attached to; later changes show everywhere).
class MenuBar : public MenuItem {
 public:
  MenuBar();
  ~MenuBar() override;

  // The record of "MenuBar"; never fails.
  const ClassRecord& Class() const override;

  // Gives window a QMenuBar showing this bar's menus and returns it (owned by
  // window). A QMainWindow gets it as its menu bar; a widget with a layout
  // gets it at the top of the layout; any other widget gets it as a child
  // along its top edge, kept as wide as the window (its height is the
  // returned bar's sizeHint().height(); the window keeps its own content
  // below it). Raises NilObjectException for a null window,
  // ThreadAccessingUIException on a worker.
  QMenuBar* AttachTo(QWidget* window);

 protected:
  void AttachNativeChild(MenuItem& child) override;

 private:
  std::vector<QPointer<QMenuBar>> attached_;  // the bars shown in windows; gone ones are null
};

}  // namespace fw
