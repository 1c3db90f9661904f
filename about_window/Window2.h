#pragma once
#include <cstdint>

#include "framework/classes/ClassRecord.h"
#include "framework/runtime/Nil.h"
#include "framework/ui/Canvas.h"
#include "framework/ui/Label.h"
#include "framework/ui/PushButton.h"
#include "framework/ui/Window.h"

namespace app {

// The about window: the program icon beside the credit line, the product line
// beside the maker's logo, and the buttons "Donate" and "Close". A click on
// either line or on the logo, or "Donate", opens a web page; "Close" (like
// the close box) closes the window and leaves the program running. There is
// at most one about window: Instance() gives the open one or makes it.
//
// The class handles only the window events Layout and CreateControls; it keeps
// no data of its own. Everything here runs on the main thread.
class Window2 : public fw::Window {
 public:
  // The class record ("Window2.Window2"), built on first use. Never fails.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // The open about window, or else a new one, made from its layout tables and
  // opened. Raises ThreadAccessingUIException on a worker and what making the
  // window raises; then no about window is left behind.
  static fw::Ref<Window2> Instance();

  // Window event Layout: applies the window's table. Raises what the table's
  // setters raise.
  void Layout();
  // Window event CreateControls: runs CreateControls0.
  void CreateControls();
  // Makes the six controls, sets each up, applies its table and binds its
  // handler. Raises what a step raises (the controls made before stay).
  void CreateControls0();

  // The control registered under the accessor's name, as its class; Nil when
  // there is none (or it is of another class).
  fw::Ref<fw::Label> Label1() const;
  fw::Ref<fw::Canvas> Canvas1() const;
  fw::Ref<fw::Label> Label2() const;
  fw::Ref<fw::PushButton> PushButton1() const;
  fw::Ref<fw::PushButton> PushButton2() const;
  fw::Ref<fw::Canvas> Canvas2() const;

  // Click on the credit line: opens the icon's credit page. False; never fails.
  bool Label1_MouseDown(fw::Label& sender, int32_t x, int32_t y);
  // Click on the product line: opens the maker's second site. False; never fails.
  bool Label2_MouseDown(fw::Label& sender, int32_t x, int32_t y);
  // "Close": closes the about window. Raises NilObjectException when there is
  // none to be had.
  void PushButton1_Action(fw::PushButton& sender);
  // "Donate": opens the donation page. Never fails.
  void PushButton2_Action(fw::PushButton& sender);
  // Click on the logo: opens the maker's home page. False; never fails.
  bool Canvas2_MouseDown(fw::Canvas& sender, int32_t x, int32_t y);
};

}  // namespace app
