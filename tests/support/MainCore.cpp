// Test entry for tests that need no window system: the test's main thread is
// the runtime's main thread and holds the runtime lock, as the program's does.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "framework/runtime/RuntimeLock.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();
  return RUN_ALL_TESTS();
}
