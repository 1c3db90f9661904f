#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/classes/ClassRecord.h"
#include "framework/runtime/Nil.h"
#include "framework/runtime/Thread.h"
#include "framework/text/Text.h"
#include "framework/ui/FolderCounter.h"
#include "framework/ui/Label.h"
#include "framework/ui/PaneChild.h"
#include "framework/ui/ProgressWheel.h"
#include "framework/ui/PushButton.h"
#include "framework/ui/TextField.h"
#include "framework/ui/Timer.h"
#include "framework/ui/Window.h"
#include "main_window/MainWindowProperties.h"

namespace app {

// The picture-backup form, the program's one working window (class
// "Window1.Window1"). It holds the run state shared by the "Go" handler, the
// worker Thread1 and the progress timer Timer2 (MainWindowProperties), owns
// the sixteen controls of the form and carries the handlers of their events.
// Every operation runs on the main thread except Thread1_Run and
// ExtractPicURLs, which run on the worker.
class Window1 : public fw::Window, public MainWindowProperties {
 public:
  // The worker and the timer of the window, each a member of its own class
  // ("Window1.Thread1", "Window1.Timer2"). The accessors of the same names
  // hide these names inside Window1; spell them `class Window1::Thread1` where
  // a type is expected.
  class Thread1;
  class Timer2;

  // The class record (built on first use; start-up builds it once). Cannot fail.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // The implicit-instance accessor, registered as "Window1.Window1": the open
  // main window, or else a new one, made from the class record (Init) and
  // constructed, which opens it. Raises ThreadAccessingUIException on a
  // worker, and what building the window raises (then no window is left).
  static fw::Ref<Window1> Instance();

  // The initialiser (__Init): Page 0, then count 0. Cannot fail.
  void Init();
  // The finaliser (__Exit): empties url, folder, picturename, watermark and
  // checkurl, in this order; Page and count keep their values. Cannot fail.
  void Exit();

  // Window event Layout: applies the window's table. Raises what the
  // window's setters raise.
  void Layout();
  // Window event CreateControls: runs CreateControls0.
  void CreateControls();
  // Makes the sixteen controls in creation order, registers each under its
  // name, applies its table and binds the window's handlers. Raises what the
  // framework raises on the way (the controls made before stay registered).
  void CreateControls0();

  // The control accessors: the control registered under the accessor's name,
  // looked up anew on each call; Nil when there is none or it is of another
  // class. No thread check.
  fw::Ref<fw::TextField> TextField1() const;
  fw::Ref<fw::PushButton> PushButton1() const;
  fw::Ref<fw::Label> Label1() const;
  fw::Ref<fw::PushButton> PushButton2() const;
  fw::Ref<fw::Label> Label2() const;
  fw::Ref<fw::Label> Label3() const;
  fw::Ref<fw::TextField> TextField2() const;
  fw::Ref<fw::TextField> TextField3() const;
  fw::Ref<fw::Label> Label6() const;
  fw::Ref<fw::TextField> TextField5() const;
  fw::Ref<fw::Label> Label7() const;
  fw::Ref<fw::PushButton> PushButton3() const;
  fw::Ref<fw::Thread> Thread1() const;
  fw::Ref<fw::ProgressWheel> ProgressWheel1() const;
  fw::Ref<fw::Timer> Timer2() const;
  fw::Ref<fw::Label> Label8() const;

  // TextChange of the blog-address field: does nothing.
  void TextField1_TextChange(fw::TextField& sender);
  // "Go": checks the form and starts a run.
  void PushButton1_Action(fw::PushButton& sender);
  // "Stop": ends the run and frees the form.
  void PushButton2_Action(fw::PushButton& sender);
  // "Info": shows the about window.
  void PushButton3_Action(fw::PushButton& sender);
  // Run of Thread1, on the worker: the download loop; ends only when the
  // thread is killed. Raises what the worker raises.
  void Thread1_Run(fw::Thread& thread);
  // Action of Timer2: rewrites the progress line.
  void Timer2_Action(fw::Timer& sender);
  // Window event Open: puts the form into its idle state.
  void Event_Open();
  // Window event Close: quits the application with exit code 0. Cannot fail.
  void Event_Close();

  // The picture addresses of one page (app::ExtractPicURLs); raises as that does.
  fw::StringArray ExtractPicURLs(std::string pageText);

 private:
  // The control registered under name, as a T (checked against the record
  // of its framework class); Nil when there is none or it is no T.
  template <class T>
  fw::Ref<T> Control(std::string_view name) const;
  // One visible control: made, constructed, registered, its TextUnit set
  // (text kinds) and its table applied, each step on what the registry gives.
  template <class T>
  void MakeVisible(std::string_view name, const std::string& table);
  // A count of the output folder made off the main thread has landed: the
  // progress line is rewritten at once while the timer runs.
  void ProgressCountLanded();

  // Keeps the output folder's item count for Timer2_Action; made at its first use.
  std::unique_ptr<fw::FolderCounter> progressCount_;
};

// The worker member: a cooperative thread placed on the window.
class Window1::Thread1 : public fw::Thread, public fw::PaneChild {
 public:
  // The class record "Window1.Thread1" (built on first use). Cannot fail.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // The constructor the window runs on the new member: does nothing.
  void Constructor();
  // The finaliser (__Exit): drops the owner link. Cannot fail.
  void Exit();
};

// The progress-timer member: a timer placed on the window.
class Window1::Timer2 : public fw::Timer, public fw::PaneChild {
 public:
  // The class record "Window1.Timer2" (built on first use). Cannot fail.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // The constructor the window runs on the new member: does nothing.
  void Constructor();
  // The finaliser (__Exit): drops the owner link. Cannot fail.
  void Exit();
};

}  // namespace app
