// Starts the runtime as the program does, on an application object of its
// own making, and from the first event of its loop calls exit(1), as the
// window system's platform layer does when the display's connection is lost.
// Exits with 7 should the loop return.
#include <QTimer>
#include <cstdlib>

#include "framework/ui/Runtime.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  fw::RuntimeInit(argc, argv);
  QTimer::singleShot(0, [] { std::exit(1); });
  fw::RuntimeRun();
  return 7;
}
