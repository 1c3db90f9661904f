#pragma once
#include "framework/classes/ClassRecord.h"
#include "framework/runtime/Nil.h"
#include "framework/ui/MenuBar.h"

namespace app {

// The application's one menu bar (class "MainMenuBar.MainMenuBar"), in
// German: the File menu "&Ablage" with the quit item "Beenden", and the Edit
// menu "&Bearbeiten" with the standard editing items. The program attaches no
// handler to any entry: the quit item quits through the framework's quit
// action, and the Edit items' enabling and effect are the framework's.
// Everything here runs on the main thread.
class MainMenuBar : public fw::MenuBar {
 public:
  // The class record (built on first use; start-up builds it once). Cannot fail.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // The implicit-instance accessor, registered as "MainMenuBar.MainMenuBar":
  // the single bar, made and built on the first call. The bar is kept only once
  // its Constructor has returned, so a failed build leaves none behind. Raises
  // ThreadAccessingUIException on a worker, NilObjectException for a missing menu.
  static fw::Ref<MainMenuBar> Instance();
  // What the module variable _implicitInstance holds now (Nil before the first
  // Instance and after the release). Never fails.
  static const fw::Ref<MainMenuBar>& ImplicitInstance();
  // The release step _implicitInstance.__Exit: empties the variable, then drops
  // the reference it held (nothing when it held none). Never fails.
  static void ReleaseImplicitInstance();

  // Builds the File menu (Untitled0), then the Edit menu (Untitled1); the base
  // Constructor is not run. Raises as the two builders do.
  void Constructor() override;
  // The File menu and its quit item. Raises ThreadAccessingUIException on a
  // worker, NilObjectException when the menu is not in the bar.
  virtual void Untitled0();
  // The Edit menu and its eight items. Raises as Untitled0 does.
  virtual void Untitled1();
};

}  // namespace app
