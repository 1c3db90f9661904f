// Test entry for tests that need widgets: offscreen QApplication, and the
// test's main thread holds the runtime lock as the program's main thread does.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "framework/runtime/RuntimeLock.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();
  return RUN_ALL_TESTS();
}
