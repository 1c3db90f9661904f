#pragma once
#include <QObject>

namespace fw {

// The runtime lock around the main thread's event loop.
//
// The main thread holds the runtime lock except while its event loop waits
// for something to happen. Installed on the main thread's event dispatcher:
//  - aboutToBlock: the loop is going to wait; the lock is given up (if held),
//    so workers run meanwhile.
//  - awake: the loop woke; the lock is taken back if the loop gave it up.
//  - every event delivered to an object of the main thread (an application
//    event filter): the lock is taken first if the main thread lacks it. Some
//    dispatchers deliver timers and socket events after their wait without a
//    wake signal, so this is what really guarantees that event handlers run
//    under the lock.
// Works the same in nested loops (modal dialogs, QEventLoop::exec), with
// either of the dispatchers Qt uses on this platform (glib or plain unix).
// Takes and gives the lock in blocking fashion only; nothing here spins.
class EventLoopLock : public QObject {
 public:
  // Hooks the main thread's dispatcher and application; again does nothing.
  // Raises RuntimeException when there is no QCoreApplication yet or when
  // called off the main thread.
  static void Install();
  // Takes the hooks off again (main thread); does nothing when they are not on.
  static void Uninstall();
  // True while the hooks are on the current application's dispatcher.
  static bool Installed();
  // Takes the lock back after a loop has returned, whether or not the loop
  // gave it up (a loop ended from another thread returns without waking).
  // Main thread only; never fails.
  static void Regain();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit EventLoopLock(QObject* parent) : QObject(parent) {}
  static void OnAboutToBlock();
  static void OnAwake();
};

}  // namespace fw
