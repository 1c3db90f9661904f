#include "framework/ui/MenuBar.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "framework/classes/ClassRegistry.h"
#include "framework/runtime/MainThreadRule.h"

namespace fw {

namespace {

// Keeps a bar that sits along the top edge of a plain widget as wide as it.
class TopEdgeKeeper : public QObject {
 public:
  TopEdgeKeeper(QMenuBar* bar, QWidget* window) : QObject(bar), bar_(bar) {
    window->installEventFilter(this);
    Fit(window);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) Fit(static_cast<QWidget*>(watched));
    return false;
  }

 private:
  void Fit(QWidget* window) { bar_->setGeometry(0, 0, window->width(), bar_->sizeHint().height()); }
  QMenuBar* bar_;
};

}  // namespace

MenuBar::MenuBar() = default;

MenuBar::~MenuBar() = default;

const ClassRecord& MenuBar::Class() const { return LookupClass("MenuBar"); }

QMenuBar* MenuBar::AttachTo(QWidget* window) {
  CheckMainThread();
  NonNil(window, "MenuBar.AttachTo");
  auto* bar = new QMenuBar(window);
  for (int32_t i = 0; i < Count(); ++i) {
    Ref<MenuItem> menu = Item(i);
    menu->NativeMenu();  // a menu of the bar is a menu even while empty
    bar->addAction(menu->NativeAction());
  }
  if (auto* main = qobject_cast<QMainWindow*>(window)) {
    main->setMenuBar(bar);
  } else if (QLayout* layout = window->layout()) {
    layout->setMenuBar(bar);
  } else {
    new TopEdgeKeeper(bar, window);
    bar->raise();
  }
  bar->show();
  attached_.erase(std::remove_if(attached_.begin(), attached_.end(),
                                 [](const QPointer<QMenuBar>& b) { return b.isNull(); }),
                  attached_.end());
  attached_.emplace_back(bar);
  return bar;
}

void MenuBar::AttachNativeChild(MenuItem& child) {
  child.NativeMenu();
  for (const QPointer<QMenuBar>& bar : attached_) {
    if (bar) bar->addAction(child.NativeAction());
  }
}

}  // namespace fw
