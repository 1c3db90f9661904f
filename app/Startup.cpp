#include "app/Startup.h"

#include <QApplication>
#include <QWidget>

namespace app {

// Placeholder until the start-up road exists: an empty window.
int RunProgram(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QWidget w;
  w.show();
  return qapp.exec();
}

}  // namespace app
